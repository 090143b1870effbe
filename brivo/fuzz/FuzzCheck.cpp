// The fuzz targets' checks: what the readers must give, written independently of them.

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzInput.h"

namespace brivo {

namespace {

// Keeps the reads of every bitmap byte from being optimised away.
volatile uint8_t bitmapSink = 0;

// The line declaring data_table (or else any NAME[...]) with "= {" (blanks allowed
// between), outside a "//" comment.
bool IsDeclaration(const std::string& line) {
    std::size_t name = line.find("data_table");
    if (name == std::string::npos) name = line.find('[');
    const std::size_t equals = line.find('=', name == std::string::npos ? line.size() : name);
    if (equals == std::string::npos || equals > line.find("//")) return false;
    const std::size_t brace = line.find_first_not_of(" \t\n\v\f\r", equals + 1);
    return brace != std::string::npos && line[brace] == '{';
}

}  // namespace

// The reading rules as directly as they can be written (strtoll clamped to a 32-bit long
// gives what strtol gives where long has 32 bits). The glyph bytes end at the first line
// after the start that holds "_codes["; its values and those of the lines up to one with a
// "}" are the code table, Unicode when that line or the one before says "Unicode" (the one
// before in a comment).
PlainText PlainTextReading(std::string_view file) {
    constexpr auto npos = std::string::npos;
    PlainText reading;
    bool started = false, inTable = false, previousUnicode = false;
    std::size_t position = 0;
    while (position < file.size()) {
        const std::size_t end = file.find('\n', position);
        std::string line(file.substr(position, end == npos ? npos : end - position));
        position = end == npos ? file.size() : end + 1;
        if (end != npos && !line.empty() && line.back() == '\r') line.pop_back();
        const std::string raw = line;
        const bool saysUnicode = previousUnicode;
        previousUnicode = raw.find('/') != npos && raw.find("Unicode") != npos;
        if (started && !inTable && raw.find("_codes[") != npos) {
            inTable = true;
            reading.unicode = saysUnicode || raw.find("Unicode") != npos;
        }
        if (const std::size_t cut = line.find("//"); cut != npos) line.erase(cut);
        const std::size_t open = line.find("/*"), close = line.find("*/");
        if (open != npos && close != npos && open < close) line.erase(open, close + 2 - open);
        const std::size_t lastOpen = line.rfind('['), lastClose = line.rfind(']');
        if (lastOpen != npos && lastClose != npos && lastOpen < lastClose)
            line.erase(0, lastClose + 1);
        if (!started && line.find("{0x") == npos && !IsDeclaration(raw)) continue;
        started = true;
        for (std::size_t from = 0, separator; (separator = line.find_first_of("{},", from)) != npos;
             from = separator + 1) {
            std::string token = line.substr(from, separator - from);
            if (token.find("0x") == npos || token.find("/*") != npos || token.find("*/") != npos ||
                token.find("//") != npos)
                continue;
            std::erase_if(token, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
            if (token.empty()) continue;
            const long long value =
                std::clamp<long long>(std::strtoll(token.c_str(), nullptr, 16), INT_MIN, INT_MAX);
            if (!inTable)
                reading.bytes.push_back(static_cast<uint8_t>(value));
            else if (reading.table.size() < kMaxCustomGlyphs)
                reading.table.push_back(static_cast<uint16_t>(value));
        }
        if (inTable && (line.find('}') != npos || reading.table.size() >= kMaxCustomGlyphs)) break;
    }
    return reading;
}

// Glyphs past the data are checked only at their ends: no input reaches their middle.
void CheckLoadedGlyphs(const FuzzInput& input, const std::vector<GlyphPtr>& glyphs,
                       std::string_view expected, const std::vector<uint16_t>& tableCodes) {
    if (input.range < RANGE_ASCII || input.range > RANGE_CUSTOM) {
        if (!glyphs.empty()) __builtin_trap();
        return;
    }
    const auto bytes = static_cast<std::size_t>(BytesPerGlyph(input.width, input.height));
    if (input.range == RANGE_CUSTOM) {
        // The text reader keeps complete glyphs only, the .fnt reader pads the last one.
        const std::size_t complete = expected.size() / bytes;
        const std::size_t padded = (expected.size() + bytes - 1) / bytes;
        if (std::min(complete, kMaxCustomGlyphs) != glyphs.size() &&
            std::min(padded, kMaxCustomGlyphs) != glyphs.size())
            __builtin_trap();
    } else if (glyphs.size() !=
               static_cast<std::size_t>(RangeGlyphCount(input.range, input.exceptUnused))) {
        __builtin_trap();
    }
    const std::vector<uint16_t> codes = input.range == RANGE_CUSTOM
                                            ? std::vector<uint16_t>()
                                            : RangeCodes(input.range, input.exceptUnused);
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const CGlyph* glyph = glyphs[n].get();
        const bool custom = input.range == RANGE_CUSTOM, inTable = n < tableCodes.size();
        const uint16_t code =
            custom ? (inTable ? tableCodes[n] : static_cast<uint16_t>(n)) : codes[n];
        const bool tableCode =
            !custom && inTable && glyph != nullptr && glyph->code == tableCodes[n];
        if (glyph == nullptr || glyph->bits == nullptr || (glyph->code != code && !tableCode) ||
            glyph->index != static_cast<int32_t>(n) || glyph->originalIndex != glyph->index)
            __builtin_trap();
        const std::size_t first = n * bytes;
        const bool reached = first < expected.size();
        // Touch the bytes so that a short bitmap shows up under AddressSanitizer.
        for (std::size_t i = 0; i < bytes; i = reached || i + 1 == bytes ? i + 1 : bytes - 1) {
            const std::size_t at = first + i;
            const uint8_t want = at < expected.size() ? static_cast<uint8_t>(expected[at]) : 0;
            if (glyph->bits[i] != want) __builtin_trap();
            bitmapSink = glyph->bits[i];
        }
    }
}

}  // namespace brivo
