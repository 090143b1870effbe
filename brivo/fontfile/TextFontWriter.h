#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "glyph/BitLayout.h"
#include "glyph/CharacterSubset.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

using Clock = std::function<std::time_t()>;

// The name of the glyph array, and whether a code table `NAME_codes` follows it: one
// unsigned short per glyph in glyph order, the EUC-KR code or the Unicode character.
// With `metrics`, the font's lines (`NAME_line_metrics`: ascent, descent, line height, pen
// origin column and baseline row in the cell) and each glyph's advance and ink box
// (`NAME_metrics`, one row per glyph) follow. `proportional` (with `metrics`, in the default
// layout only) crops each glyph to its ink box in a flat array, found through `NAME_offsets`,
// and gives each the font's advance.
struct TextArrayOptions {
    std::string name = "data_table";
    CodeIndex codeTable = CodeIndex::None;
    bool metrics = false;
    bool proportional = false;
};

// The C source form of a glyph set: a comment block describing the font, the reading
// notes, and one `data_table` array (two-dimensional, one row per glyph, or flat), in
// code page 949 with CR LF line ends. `now` fills the "Create Time" line. The glyphs are
// packed in `layout`; a layout other than the default adds a "Bit Layout" line to the
// header. Handed to `out` piece by piece (the header, then one glyph at a time), so a save
// holds no whole file.
void WriteTextTo(const CGlyphSet& set, bool doubleArray, std::time_t now,
                 const std::function<void(std::string_view)>& out,
                 const TextArrayOptions& array = {}, BitLayout layout = {});

// WriteTextTo collected in a string.
std::string FormatTextFile(const CGlyphSet& set, bool doubleArray, std::time_t now,
                           const TextArrayOptions& array = {}, BitLayout layout = {});

// "Create Time" text: the date, then the time as the user's locale writes it.
std::string FormatCreateTime(std::time_t now);

// Streams WriteTextTo into `path` (see safefile::SafeFileWriter). `clock` defaults to the system
// clock. An array name that is no C identifier is refused before the file is touched.
Result WriteTextFile(const CGlyphSet& set, const std::string& path, bool doubleArray,
                     const Clock& clock = {}, const TextArrayOptions& array = {},
                     BitLayout layout = {});

// Refuses an array name that is no C identifier, naming `what` (e.g. "--name").
Result CheckArrayName(const std::string& name, const std::string& what);

}  // namespace brivo
