#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "glyph/BitLayout.h"
#include "glyph/CharacterSubset.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

using Clock = std::function<std::time_t()>;

// The moment the "Create Time" line shows: local time, or UTC (a build's SOURCE_DATE_EPOCH,
// so that the same input gives the same file wherever it is built).
struct CreateTime {
    CreateTime(std::time_t time = 0, bool utc = false) : time(time), utc(utc) {}
    std::time_t time;
    bool utc;
};

// The "Create Time" of a file written now: SOURCE_DATE_EPOCH (whole seconds since 1970, as
// `date +%s` writes them) where the environment sets it, in UTC; else the local time. A value
// that is no such number is refused.
Result CreateTimeNow(CreateTime& time);

// How the arrays are declared for a firmware build; all off is the classic form. Any of them
// also closes the comment block properly, so the file compiles warning-free (-Wall -Wextra
// -pedantic, C99 and C++).
struct FirmwareOptions {
    bool isStatic = false;  // `static`: every translation unit that includes the file has its own
    bool guard = false;     // an include guard NAME_H (NAME the array name in capitals)
    bool split = false;     // NAME.h with `extern` declarations and sizes, the data in NAME.c
    std::string section;    // the linker section of the data (GNU C attribute)
    bool progmem = false;   // AVR flash (PROGMEM of <avr/pgmspace.h>)
    bool Any() const { return isStatic || guard || split || !section.empty() || progmem; }
};

// The name of the glyph array, and whether a code table `NAME_codes` follows it: one
// unsigned short per glyph in glyph order, the EUC-KR code or the Unicode character.
// With `metrics`, the font's lines (`NAME_line_metrics`: ascent, descent, line height, pen
// origin column and baseline row in the cell) and each glyph's advance and ink box
// (`NAME_metrics`, one row per glyph) follow. `proportional` (with `metrics`, in the default
// layout only) crops each glyph to its ink box in a flat array, found through `NAME_offsets`,
// and gives each the font's advance.
struct TextArrayOptions {
    TextArrayOptions(std::string name = "data_table", CodeIndex codeTable = CodeIndex::None)
        : name(std::move(name)), codeTable(codeTable) {}
    std::string name;
    CodeIndex codeTable = CodeIndex::None;
    FirmwareOptions firmware;
    bool metrics = false;
    bool proportional = false;
};

// Whether the firmware options go together (--static with --split, --section with --progmem
// do not) and the section is a name a linker takes.
Result CheckFirmwareOptions(const FirmwareOptions& firmware);

// The two files of the split form: the header PATH.h and the data file, which is `path`
// itself unless that names a header (*.h, *.hpp, or no extension): then PATH.c.
struct SplitPaths {
    std::string header, data;
};
SplitPaths SplitFilePaths(const std::string& path);

// The C source form of a glyph set: a comment block describing the font, the reading
// notes, and one `data_table` array (two-dimensional, one row per glyph, or flat), in
// code page 949 with CR LF line ends. `now` fills the "Create Time" line. The glyphs are
// packed in `layout`; a layout other than the default adds a "Bit Layout" line to the
// header. Handed to `out` piece by piece (the header, then one glyph at a time), so a save
// holds no whole file. In the split form this is the data file, which includes `header`.
void WriteTextTo(const CGlyphSet& set, bool doubleArray, CreateTime now,
                 const std::function<void(std::string_view)>& out,
                 const TextArrayOptions& array = {}, BitLayout layout = {},
                 const std::string& header = {});

// WriteTextTo collected in a string.
std::string FormatTextFile(const CGlyphSet& set, bool doubleArray, CreateTime now,
                           const TextArrayOptions& array = {}, BitLayout layout = {});

// The header of the split form: the extern declarations of the arrays and their sizes.
std::string FormatSplitHeader(const CGlyphSet& set, bool doubleArray, const TextArrayOptions& array,
                              BitLayout layout = {});

// "Create Time" text: the date, then the time as the user's locale writes it; in UTC
// "YYYY-MM-DD HH:MM:SS UTC" whatever the locale.
std::string FormatCreateTime(CreateTime now);

// Streams WriteTextTo into `path` (see safefile::SafeFileWriter), in the split form also the
// header (both put in place together). `clock` defaults to CreateTimeNow. An array name that
// is no C identifier, or firmware options that do not go together, are refused before a file
// is touched.
Result WriteTextFile(const CGlyphSet& set, const std::string& path, bool doubleArray,
                     const Clock& clock = {}, const TextArrayOptions& array = {},
                     BitLayout layout = {});

// Refuses an array name that is no C identifier, naming `what` (e.g. "--name").
Result CheckArrayName(const std::string& name, const std::string& what);

}  // namespace brivo
