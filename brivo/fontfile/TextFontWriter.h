#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

using Clock = std::function<std::time_t()>;

// The C source form of a glyph set: a comment block describing the font, the reading
// notes, and one `data_table` array (two-dimensional, one row per glyph, or flat), in
// code page 949 with CR LF line ends. `now` fills the "Create Time" line. Handed to `out`
// piece by piece (the header, then one glyph at a time), so a save holds no whole file.
void WriteTextTo(const CGlyphSet& set, bool doubleArray, std::time_t now,
                 const std::function<void(std::string_view)>& out);

// WriteTextTo collected in a string.
std::string FormatTextFile(const CGlyphSet& set, bool doubleArray, std::time_t now);

// "Create Time" text: the date, then the time as the user's locale writes it.
std::string FormatCreateTime(std::time_t now);

// Streams WriteTextTo into `path` (see safefile::SafeFileWriter). `clock` defaults to the system
// clock.
Result WriteTextFile(const CGlyphSet& set, const std::string& path, bool doubleArray,
                     const Clock& clock = {});

}  // namespace brivo
