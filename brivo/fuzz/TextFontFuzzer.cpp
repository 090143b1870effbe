// libFuzzer target for the C source reader: the glyphs must hold the bytes of a plain,
// line-by-line reading of the same rules.

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "fontfile/TextFontReader.h"
#include "fuzz/FuzzInput.h"

using namespace brivo;

namespace {

// The line declaring data_table with "= {" (blanks allowed between), outside a "//" comment.
bool IsDeclaration(const std::string& line) {
    const std::size_t name = line.find("data_table");
    const std::size_t equals = line.find('=', name == std::string::npos ? line.size() : name);
    if (equals == std::string::npos || equals > line.find("//")) return false;
    const std::size_t brace = line.find_first_not_of(" \t\n\v\f\r", equals + 1);
    return brace != std::string::npos && line[brace] == '{';
}

// The reading rules as directly as they can be written (strtoll clamped to a 32-bit long
// gives what strtol gives where long has 32 bits).
std::vector<uint8_t> PlainReading(std::string_view file) {
    constexpr auto npos = std::string::npos;
    std::vector<uint8_t> bytes;
    bool started = false;
    std::size_t position = 0;
    while (position < file.size()) {
        const std::size_t end = file.find('\n', position);
        std::string line(file.substr(position, end == npos ? npos : end - position));
        position = end == npos ? file.size() : end + 1;
        if (end != npos && !line.empty() && line.back() == '\r') line.pop_back();
        const std::string raw = line;
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
            const long long value = std::strtoll(token.c_str(), nullptr, 16);
            bytes.push_back(static_cast<uint8_t>(std::clamp<long long>(value, INT_MIN, INT_MAX)));
        }
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (!FuzzInput::Parse(data, size, input)) return 0;
    const std::vector<uint8_t> plain = PlainReading(input.contents);
    std::vector<CGlyph*> glyphs =
        ParseTextFont(input.contents, input.width, input.height, input.range, input.exceptUnused);
    CheckLoadedGlyphs(input, glyphs,
                      std::string_view(reinterpret_cast<const char*>(plain.data()), plain.size()));
    return 0;
}
