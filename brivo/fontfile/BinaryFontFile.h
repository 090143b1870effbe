#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyph;
class CGlyphSet;

// The .fnt file: `skipBytes` zero bytes, then every glyph bitmap of the set in list order,
// bytesPerGlyph bytes each, with no header. A missing glyph or bitmap is written as zeros.
Result WriteFontFile(const CGlyphSet& set, const std::string& path, int32_t skipBytes);

// The glyphs of .fnt data (see ReadFontFile); empty when the options are refused. The
// caller owns the returned glyphs.
std::vector<CGlyph*> ParseFontRecords(std::string_view data, int32_t width, int32_t height,
                                      CodeRange rangeId, int32_t skipBytes, bool exceptUnused);

// Replaces the glyphs of the set with the records of a .fnt file. Codes follow from the
// range (ASCII to ALL: that range's code order, a fixed number of records, zeros where the
// file ends early; Custom: one glyph per record up to the end or kMaxCustomGlyphs, code =
// position). Only the bytes the range needs are read. The set's range, exceptUnused and
// fontDescription are kept. A file that is no regular file or holds less than one glyph
// after the skipped bytes is refused, and on failure the set is left unchanged. A file
// that loads but whose length does not fit the range is reported in `warning` (set to ""
// otherwise). The caller stops a running extraction first: the worker appends to the set.
Result ReadFontFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, int32_t skipBytes, bool exceptUnused,
                    std::string* warning = nullptr);

// A Custom load stops after this many glyphs: codes are 16 bits.
inline constexpr std::size_t kMaxCustomGlyphs = 65536;

// "no glyph data found in PATH": the refusal of a file that yields less than one glyph.
std::string NoGlyphDataMessage(const std::string& path);

// The warning of a Custom load that stopped at kMaxCustomGlyphs.
std::string CustomLimitMessage(const std::string& path);

// The most zero bytes a .fnt file may carry before its records.
constexpr int32_t kMaxSkipBytes = 65536;

// Checks skip bytes for the file functions: 0 to kMaxSkipBytes.
Result CheckSkipBytes(int32_t skipBytes);

// Checks what a load is given: the glyph size, and a range from ASCII to Custom.
Result CheckLoadOptions(int32_t width, int32_t height, CodeRange rangeId);

}  // namespace brivo
