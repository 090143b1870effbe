#include "glyph/CodeRange.h"

namespace brivo {

namespace {

struct RangeInfo {
    CodeRange range;
    uint8_t firstLead, lastLead;
    const char* longName;
    const char* longNameExcept;  // null: ExceptUnused changes nothing
    const char* shortName;
    const char* keyword;
};

// Every range a set can hold, in the order the command line lists them. The long names are
// the texts of the range buttons; the keywords are the command line's.
constexpr RangeInfo kRanges[] = {
    {RANGE_ASCII, 0, 0, "ASCII (0x00 - 0x7F)", nullptr, "ASCII", "ascii"},
    {RANGE_HANGUL, 0xB0, 0xC8, "한글 (0xB0A0 - 0xC8FF)", nullptr, "한글", "hangul"},
    {RANGE_FULLWIDTH1, 0xA1, 0xAF, "전각1 (0xA1A0 - 0xAFFF)",
     "전각1(ExceptUnused) (0xA1A0 - 0xAFFF)", "전각1", "fullwidth1"},
    {RANGE_FULLWIDTH2, 0xC9, 0xFD, "전각2 (0xC9A0 - 0xFDFF)",
     "전각2(ExceptUnused) (0xC9A0 - 0xFDFF)", "전각2", "fullwidth2"},
    {RANGE_ALL, 0xA1, 0xFD, "ALL (0xA1A0 - 0xFDFF)", "ALL(ExceptUnused) (0xA1A0 - 0xFDFF)", "ALL",
     "all"},
    {RANGE_CUSTOM, 0, 0, "Custom", nullptr, "Custom", "custom"},  // no codes of its own
};

const RangeInfo* FindRange(CodeRange range) {
    for (const RangeInfo& info : kRanges)
        if (info.range == range) return &info;
    return nullptr;
}

bool IsUnusedLead(uint8_t lead) { return (lead >= 0xAD && lead <= 0xAF) || lead == 0xC9; }

struct GroupInfo {
    uint32_t bit;
    uint8_t firstLead, lastLead;
    const char* name;
};

constexpr GroupInfo kGroups[] = {
    {GROUP_SYMBOL, 0xA1, 0xA2, "기호, "},   {GROUP_FULLWIDTH, 0xA3, 0xA3, "전각, "},
    {GROUP_JAMO, 0xA4, 0xA4, "한글자모, "}, {GROUP_ROMAN, 0xA5, 0xA9, "로마&기호, "},
    {GROUP_JAPANESE, 0xAA, 0xAB, "일본, "}, {GROUP_CYRILLIC, 0xAC, 0xAC, "소련, "},
    {GROUP_HANGUL, 0xB0, 0xC8, "한글, "},   {GROUP_HANJA, 0xCA, 0xFD, "한자, "},
};

}  // namespace

std::vector<uint8_t> RangeLeadBytes(CodeRange range, bool exceptUnused) {
    const RangeInfo* info = FindRange(range);
    if (info == nullptr || range == RANGE_CUSTOM) return {};
    if (range == RANGE_ASCII) return {0};
    std::vector<uint8_t> leads;
    for (int lead = info->firstLead; lead <= info->lastLead; ++lead)
        if (!exceptUnused || !IsUnusedLead(static_cast<uint8_t>(lead)))
            leads.push_back(static_cast<uint8_t>(lead));
    return leads;
}

std::vector<uint16_t> LeadCodes(uint8_t lead) {
    std::vector<uint16_t> codes;
    if (lead == 0) {
        for (uint16_t c = 0; c < 0x80; ++c) codes.push_back(c);
        return codes;
    }
    for (int trail = kFirstTrail; trail <= kLastTrail; ++trail)
        codes.push_back(static_cast<uint16_t>(lead << 8 | trail));
    return codes;
}

std::vector<uint16_t> RangeCodes(CodeRange range, bool exceptUnused) {
    std::vector<uint16_t> codes;
    for (uint8_t lead : RangeLeadBytes(range, exceptUnused)) {
        std::vector<uint16_t> more = LeadCodes(lead);
        codes.insert(codes.end(), more.begin(), more.end());
    }
    return codes;
}

int RangeGlyphCount(CodeRange range, bool exceptUnused) {
    if (range == RANGE_ASCII) return 0x80;
    return static_cast<int>(RangeLeadBytes(range, exceptUnused).size()) * kTrailsPerLead;
}

std::string RangeName(CodeRange range, bool exceptUnused, bool shortForm) {
    const RangeInfo* info = FindRange(range);
    if (info == nullptr) return "Undefined";
    const bool except = exceptUnused && info->longNameExcept != nullptr;
    if (!shortForm) return except ? info->longNameExcept : info->longName;
    return except ? std::string(info->shortName) + "(ExceptUnused)" : info->shortName;
}

std::optional<CodeRange> RangeFromKeyword(std::string_view keyword) {
    for (const RangeInfo& info : kRanges)
        if (keyword == info.keyword) return info.range;
    return std::nullopt;
}

std::vector<std::string> RangeKeywords(bool withCustom) {
    std::vector<std::string> keywords;
    for (const RangeInfo& info : kRanges)
        if (withCustom || info.range != RANGE_CUSTOM) keywords.emplace_back(info.keyword);
    return keywords;
}

uint32_t GroupOfLead(uint8_t lead) {
    for (const GroupInfo& group : kGroups)
        if (lead >= group.firstLead && lead <= group.lastLead) return group.bit;
    return 0;
}

std::string GetGroupMaskText(uint32_t mask) {
    if (mask == 0) return "None";
    if (mask == GROUP_ALL) return "All";
    std::string text;
    for (const GroupInfo& group : kGroups)
        if (mask & group.bit) text += group.name;
    if (text.size() >= 2) text.resize(text.size() - 2);
    return text;
}

}  // namespace brivo
