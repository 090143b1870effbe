#include "fontfile/TextFontReader.h"

#include <algorithm>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/SafeFile.h"
#include "glyph/GlyphSet.h"

namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool IsSeparator(char c) { return c == '{' || c == '}' || c == ','; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Blanks, carriage returns and line feeds are taken out of a token before it is converted.
bool IsRemoved(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// strtol(text, nullptr, 16) as a C library with a 32-bit long computes it, on the text
// without its removed characters: leading white space, a sign, an optional "0x"/"0X",
// then hex digits up to the first other character; out-of-range values saturate to
// LONG_MAX / LONG_MIN.
int32_t HexToLong32(std::string_view text) {
    std::size_t i = 0;
    auto skipRemoved = [&] {
        while (i < text.size() && IsRemoved(text[i])) ++i;
    };
    auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (at(i) == '+' || at(i) == '-') {
        negative = text[i++] == '-';
        skipRemoved();
    }
    if (at(i) == '0') {
        // "0x" counts as a prefix only when a hex digit follows it.
        std::size_t x = i + 1;
        while (IsRemoved(at(x))) ++x;
        std::size_t digit = x + 1;
        while (IsRemoved(at(digit))) ++digit;
        if ((at(x) == 'x' || at(x) == 'X') && HexDigit(at(digit)) >= 0) i = digit;
    }
    int64_t magnitude = 0;
    const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
    for (; i < text.size(); ++i) {
        if (IsRemoved(text[i])) continue;
        const int digit = HexDigit(text[i]);
        if (digit < 0) break;
        magnitude = std::min(magnitude * 16 + digit, limit);  // saturated stays saturated
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

// The text of one line that can carry data, after the comment and declaration rules.
// Uses `scratch` when a comment pair has to be cut out of the middle.
std::string_view CleanLine(std::string_view line, std::string& scratch) {
    // Data lines have neither: skip the searches for them.
    const bool slash = line.find('/') != std::string_view::npos;
    const bool bracket = line.find(']') != std::string_view::npos;
    if (slash) {
        if (std::size_t slashes = line.find("//"); slashes != std::string_view::npos)
            line = line.substr(0, slashes);
        const std::size_t open = line.find("/*");
        const std::size_t close = line.find("*/");
        if (open != std::string_view::npos && close != std::string_view::npos && open < close) {
            scratch.assign(line.substr(0, open));
            scratch.append(line.substr(close + 2));
            line = scratch;
        }
    }
    if (bracket) {
        const std::size_t lastOpen = line.rfind('[');
        const std::size_t lastClose = line.rfind(']');
        if (lastOpen != std::string_view::npos && lastClose != std::string_view::npos &&
            lastOpen < lastClose)
            line = line.substr(lastClose + 1);
    }
    return line;
}

bool HasCommentMarker(std::string_view token) {
    return Contains(token, "/*") || Contains(token, "*/") || Contains(token, "//");
}

// Receives the bytes in order and hands out the glyphs they fill.
class GlyphFiller {
public:
    GlyphFiller(int32_t width, int32_t height, CodeRange rangeId, bool exceptUnused)
        : bytesPerGlyph(static_cast<std::size_t>(BytesPerGlyph(width, height))),
          custom(rangeId == RANGE_CUSTOM) {
        if (custom) {
            glyphs.push_back(NewLoadedGlyph(0, 0, bytesPerGlyph));
            return;
        }
        const std::vector<uint16_t> codes = RangeCodes(rangeId, exceptUnused);
        glyphs.reserve(codes.size());
        for (std::size_t n = 0; n < codes.size(); ++n)
            glyphs.push_back(NewLoadedGlyph(codes[n], static_cast<int32_t>(n), bytesPerGlyph));
    }

    ~GlyphFiller() {
        for (CGlyph* glyph : glyphs) DestroyLoadedGlyph(glyph);
    }

    void Add(uint8_t value) {
        if (glyphNumber >= glyphs.size()) return;  // past the range's last glyph
        glyphs[glyphNumber]->SetByte(byteNumber, value);
        if (++byteNumber < bytesPerGlyph) return;
        byteNumber = 0;
        ++glyphNumber;
        if (custom) {
            const auto position = static_cast<int32_t>(glyphNumber);
            glyphs.push_back(
                NewLoadedGlyph(static_cast<uint16_t>(position), position, bytesPerGlyph));
        }
    }

    // Custom keeps complete glyphs only: the last one is the one being filled.
    std::vector<CGlyph*> Finish() {
        if (custom) {
            DestroyLoadedGlyph(glyphs.back());
            glyphs.pop_back();
        }
        return std::move(glyphs);
    }

private:
    const std::size_t bytesPerGlyph;
    const bool custom;
    std::vector<CGlyph*> glyphs;
    std::size_t glyphNumber = 0;
    std::size_t byteNumber = 0;
};

}  // namespace

std::vector<CGlyph*> ParseTextFont(std::string_view text, int32_t width, int32_t height,
                                   CodeRange rangeId, bool exceptUnused) {
    if (!CheckLoadOptions(width, height, rangeId)) return {};
    GlyphFiller filler(width, height, rangeId, exceptUnused);
    std::string lineScratch;
    bool started = false;
    while (!text.empty()) {
        // Lines as a text-mode read delivers them: CR LF and LF end a line.
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        line = CleanLine(line, lineScratch);
        if (!started) {
            if (!Contains(line, "{0x")) continue;
            started = true;
        }
        // Tokens end at a separator; what follows the line's last separator is dropped. A
        // token is a byte value when it holds "0x" and no comment marker (each has a '/').
        std::size_t tokenStart = 0;
        bool hasHexPrefix = false, hasSlash = false;
        char previous = '\0';
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (!IsSeparator(c)) {
                hasHexPrefix = hasHexPrefix || (previous == '0' && c == 'x');
                hasSlash = hasSlash || c == '/';
                previous = c;
                continue;
            }
            const std::string_view token = line.substr(tokenStart, i - tokenStart);
            // A byte token always keeps its "0x" once blanks are removed.
            if (hasHexPrefix && !(hasSlash && HasCommentMarker(token)))
                filler.Add(static_cast<uint8_t>(HexToLong32(token)));
            tokenStart = i + 1;
            hasHexPrefix = hasSlash = false;
            previous = '\0';
        }
    }
    return filler.Finish();
}

Result ReadTextFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, bool /*doubleArray*/, bool exceptUnused) {
    if (Result options = CheckLoadOptions(width, height, rangeId); !options) return options;
    std::string text;
    if (Result read = ReadWholeFile(path, text); !read) return read;
    set.ReplaceGlyphs(ParseTextFont(text, width, height, rangeId, exceptUnused), width, height,
                      rangeId == RANGE_ASCII ? 1 : 0);
    return Result::Success();
}
