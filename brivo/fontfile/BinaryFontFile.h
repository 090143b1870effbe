#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/BitLayout.h"
#include "glyph/CharacterSubset.h"
#include "glyph/CodeRange.h"
#include "glyph/Glyph.h"
#include "glyph/Result.h"

namespace safefile {
class SafeFileWriter;
}

namespace brivo {

class CGlyphSet;

// The .fnt file: `skipBytes` zero bytes, then every glyph bitmap of the set in list order,
// packed in `layout` (LayoutBytesPerGlyph bytes each), with no header. A missing glyph or
// bitmap is written as zeros. With a code table (`codeTable` not None) the .idx file beside
// it (CodeIndexPath) is written in the same save: both files are replaced, or neither. Without
// one, an .idx file that an earlier save left beside it goes (IsCodeIndexOf), so that the new
// glyphs never meet old codes.
Result WriteFontFile(const CGlyphSet& set, const std::string& path, int32_t skipBytes,
                     BitLayout layout = {}, CodeIndex codeTable = CodeIndex::None);

// Ends a .fnt save without a code table that the caller wrote into `file` itself (glyph by
// glyph as they are rendered): the stale .idx goes as WriteFontFile's does.
Result CommitFontFile(safefile::SafeFileWriter& file, const std::string& path, std::size_t glyphs);

// The code table beside a .fnt file: the path with its extension replaced by ".idx".
std::string CodeIndexPath(const std::string& fontPath);

// Writes the code of each glyph (as `index` says, not None), 16 bits little-endian each.
Result WriteCodeIndexFile(const CGlyphSet& set, const std::string& path, CodeIndex index);

// Whether `indexPath` is a code table this program could have written for the font at
// `fontPath` or for one of `glyphs` glyphs: a regular file of two bytes per glyph, every
// value a code (GuessCodeIndex), as many as `glyphs` or as the font file holds records of
// whole bytes.
bool IsCodeIndexOf(const std::string& indexPath, const std::string& fontPath, std::size_t glyphs);

// Gives the glyphs of the set the codes of a .idx file, EUC-KR or Unicode as GuessCodeIndex
// tells. Refused, changing nothing, when the file does not hold two bytes for each glyph or
// its values are neither. Values that repeat or do not ascend are reported in `warning`.
Result ReadCodeIndexFile(CGlyphSet& set, const std::string& path, std::string* warning = nullptr);

// "" when the values of a code table (as `index` says) are distinct ascending codes, else a
// note of what a binary search on them will miss, for the file `path`.
std::string CodeTableNote(const std::string& path, const std::vector<uint16_t>& values,
                          CodeIndex index);

// The glyphs of .fnt data (see ReadFontFile); empty when the options are refused. The
// caller owns the returned glyphs.
std::vector<GlyphPtr> ParseFontRecords(std::string_view data, int32_t width, int32_t height,
                                       CodeRange rangeId, int32_t skipBytes, bool exceptUnused,
                                       BitLayout layout = {});

// Replaces the glyphs of the set with the records of a .fnt file, each packed in `layout`
// (LayoutBytesPerGlyph bytes; in memory they take the default layout). Codes follow from the
// range (ASCII to ALL: that range's code order, a fixed number of records, zeros where the
// file ends early; Custom: one glyph per record up to the end or kMaxCustomGlyphs, code =
// position). Only the bytes the range needs are read. The set's range, exceptUnused and
// fontDescription are kept. A file that is no regular file or holds less than one glyph
// after the skipped bytes is refused, and on failure the set is left unchanged. A file
// that loads but whose length does not fit the range is reported in `warning` (set to ""
// otherwise). The caller stops a running extraction first: the worker appends to the set.
Result ReadFontFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, int32_t skipBytes, bool exceptUnused,
                    std::string* warning = nullptr, BitLayout layout = {});

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
