#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivo {

// What a glyph set holds. The values are stored by callers, keep them.
enum CodeRange : int32_t {
    RANGE_NONE = 0,
    RANGE_ASCII = 1,
    RANGE_HANGUL = 2,
    RANGE_FULLWIDTH1 = 3,
    RANGE_FULLWIDTH2 = 4,
    RANGE_ALL = 5,
    RANGE_CUSTOM = 6,
};

// Lead-byte groups of KS X 1001 that can keep or lose bold and italic on their own.
enum FontGroup : uint32_t {
    GROUP_SYMBOL = 0x01,     // 0xA1-0xA2
    GROUP_FULLWIDTH = 0x02,  // 0xA3
    GROUP_JAMO = 0x04,       // 0xA4
    GROUP_ROMAN = 0x08,      // 0xA5-0xA9
    GROUP_JAPANESE = 0x10,   // 0xAA-0xAB
    GROUP_CYRILLIC = 0x20,   // 0xAC
    GROUP_HANGUL = 0x40,     // 0xB0-0xC8
    GROUP_HANJA = 0x80,      // 0xCA-0xFD
    GROUP_ALL = 0xFF,
};

constexpr uint8_t kFirstTrail = 0xA1;
constexpr uint8_t kLastTrail = 0xFE;
constexpr int kTrailsPerLead = kLastTrail - kFirstTrail + 1;  // 94

// The lead bytes an extraction of `range` walks, ascending. ASCII has the single pseudo
// lead 0 (its codes are the bytes 0x00-0x7F). Custom and unknown ranges have none.
std::vector<uint8_t> RangeLeadBytes(CodeRange range, bool exceptUnused);

// The codes of one lead byte, in rendering order.
std::vector<uint16_t> LeadCodes(uint8_t lead);

// Every code of the range, in rendering order (the position of a code is its index).
std::vector<uint16_t> RangeCodes(CodeRange range, bool exceptUnused);

int RangeGlyphCount(CodeRange range, bool exceptUnused);

// "ASCII (0x00 - 0x7F)", "ALL(ExceptUnused) (0xA1A0 - 0xFDFF)", "Custom", ... in UTF-8; the
// long form without ExceptUnused is the text of the range's button.
std::string RangeName(CodeRange range, bool exceptUnused, bool shortForm);

// Names used on the command line: ascii, hangul, fullwidth1, fullwidth2, all, custom.
std::optional<CodeRange> RangeFromKeyword(std::string_view keyword);
// Those names in that order; custom (a set that was not extracted) only when asked for.
std::vector<std::string> RangeKeywords(bool withCustom);

// The group a lead byte belongs to, or 0 (single bytes, 0xAD-0xAF, 0xC9 belong to none).
uint32_t GroupOfLead(uint8_t lead);

// "None", "All", or the group names of the mask joined by ", ".
std::string GetGroupMaskText(uint32_t mask);

}  // namespace brivo
