#include "fontfile/TextFontReader.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/InputFile.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"

namespace brivo {

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
            glyphs.push_back(NewGlyph(0, bytesPerGlyph, 0, 0));
            return;
        }
        const std::vector<uint16_t> codes = RangeCodes(rangeId, exceptUnused);
        glyphs.reserve(codes.size());
        for (std::size_t n = 0; n < codes.size(); ++n) {
            const auto position = static_cast<int32_t>(n);
            glyphs.push_back(NewGlyph(codes[n], bytesPerGlyph, position, position));
        }
    }

    ~GlyphFiller() {
        for (CGlyph* glyph : glyphs) DestroyGlyph(glyph);
    }

    // False once no more bytes are wanted: the range is full, or a Custom set has its
    // kMaxCustomGlyphs glyphs and this byte would begin one more.
    bool Add(uint8_t value) {
        if (glyphNumber >= (custom ? kMaxCustomGlyphs : glyphs.size())) {
            overflow = custom;
            return false;
        }
        glyphs[glyphNumber]->SetByte(byteNumber, value);
        ++bytes;
        if (++byteNumber < bytesPerGlyph) return true;
        byteNumber = 0;
        ++glyphNumber;
        if (!custom) return glyphNumber < glyphs.size();
        if (glyphNumber < kMaxCustomGlyphs) {
            const auto position = static_cast<int32_t>(glyphNumber);
            glyphs.push_back(
                NewGlyph(static_cast<uint16_t>(position), bytesPerGlyph, position, position));
        }
        return true;
    }

    std::size_t Bytes() const { return bytes; }
    bool Overflowed() const { return overflow; }

    // Custom keeps complete glyphs only: a last one still being filled goes.
    std::vector<CGlyph*> Finish() {
        if (custom && glyphs.size() > glyphNumber) {
            DestroyGlyph(glyphs.back());
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
    std::size_t bytes = 0;
    bool overflow = false;
};

// Cuts text into lines as a text-mode read delivers them: CR LF and LF end a line. Lines
// that lie whole in a chunk are passed on without copying.
class LineSplitter {
public:
    // Calls take(line) for each line the chunk completes; false when take asked to stop.
    template <class Take>
    bool Feed(std::string_view chunk, Take take) {
        for (std::size_t end; (end = chunk.find('\n')) != std::string_view::npos;) {
            std::string_view line = chunk.substr(0, end);
            chunk.remove_prefix(end + 1);
            if (!pending.empty()) {
                pending.append(line);
                line = pending;
            }
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            const bool more = take(line);
            pending.clear();
            if (!more) return false;
        }
        pending.append(chunk);
        return true;
    }

    // The last line, which no line feed ends.
    template <class Take>
    void Finish(Take take) {
        if (!pending.empty()) take(std::string_view(pending));
        pending.clear();
    }

private:
    std::string pending;
};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsCSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsCSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Collects the header lines this program writes before the array.
class HeaderLines {
public:
    void Take(std::string_view line) {
        if (!Contains(line, "Font ")) return;  // most lines: no search for each key
        if (const auto value = Value(line, "Font Width")) ParseNumber(*value, width);
        if (const auto value = Value(line, "Font Height")) ParseNumber(*value, height);
        if (const auto value = Value(line, "Font Type")) FindRange(Trim(*value));
    }

    std::optional<TextFileHeader> Get() const {
        if (width <= 0 || height <= 0 || range == RANGE_NONE) return std::nullopt;
        return TextFileHeader{width, height, range, exceptUnused};
    }

private:
    // What follows "KEY ... :" on the line.
    static std::optional<std::string_view> Value(std::string_view line, std::string_view key) {
        const std::size_t at = line.find(key);
        if (at == std::string_view::npos) return std::nullopt;
        const std::size_t colon = line.find(':', at + key.size());
        if (colon == std::string_view::npos) return std::nullopt;
        return line.substr(colon + 1);
    }

    static void ParseNumber(std::string_view text, int32_t& number) {
        text = Trim(text);
        int32_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end != text.data()) number = value;
    }

    // The name as written (code page 949), or as an editor that re-saved the file in
    // UTF-8 left it.
    void FindRange(std::string_view name) {
        struct Name {
            CodeRange range;
            bool exceptUnused;
            std::string utf8, cp949;
        };
        // Converted once: opening the converter costs more than reading a header.
        static const std::vector<Name> names = [] {
            std::vector<Name> all;
            for (int id = RANGE_ASCII; id <= RANGE_CUSTOM; ++id)
                for (bool except : {false, true}) {
                    const auto range = static_cast<CodeRange>(id);
                    std::string utf8 = RangeName(range, except, false);
                    std::string cp949 = Utf8ToCp949(utf8);
                    all.push_back({range, except, std::move(utf8), std::move(cp949)});
                }
            return all;
        }();
        for (const Name& known : names)
            if (name == known.utf8 || name == known.cp949) {
                range = known.range;
                exceptUnused = known.exceptUnused;
                return;
            }
    }

    int32_t width = 0, height = 0;
    CodeRange range = RANGE_NONE;
    bool exceptUnused = false;
};

// Whether the array data begins on this line: it holds "{0x", or it is the declaration
// of `data_table` with its "= {" (the flat form has no "{0x" anywhere).
bool StartsData(std::string_view line, std::string_view cleaned) {
    if (Contains(cleaned, "{0x")) return true;
    std::size_t at = line.find("data_table");
    if (at == std::string_view::npos) return false;
    const std::size_t comment = line.find("//");
    at = line.find('=', at);
    if (at == std::string_view::npos || at > comment) return false;
    while (++at < line.size() && IsCSpace(line[at])) {
    }
    return at < line.size() && line[at] == '{';
}

// Reads lines: those before the array data for the header, the rest for their bytes.
class TextScan {
public:
    // `atData(header)` is asked once, where the data begins; false stops the reading.
    using AtData = std::function<bool(const std::optional<TextFileHeader>&)>;
    TextScan(GlyphFiller* filler, AtData atData) : filler(filler), atData(std::move(atData)) {}

    // False once no more lines are needed.
    bool Line(std::string_view line) {
        if (!started) {
            header.Take(line);
            const std::string_view cleaned = CleanLine(line, scratch);
            if (!StartsData(line, cleaned)) return true;
            started = true;
            if (atData && !atData(header.Get())) return false;
            return filler == nullptr || Tokens(cleaned);
        }
        return Tokens(CleanLine(line, scratch));
    }

    bool Started() const { return started; }

private:
    // Tokens end at a separator; what follows the line's last separator is dropped. A
    // token is a byte value when it holds "0x" and no comment marker (each has a '/').
    bool Tokens(std::string_view line) {
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
            if (hasHexPrefix && !(hasSlash && HasCommentMarker(token)) &&
                !filler->Add(static_cast<uint8_t>(HexToLong32(token))))
                return false;
            tokenStart = i + 1;
            hasHexPrefix = hasSlash = false;
            previous = '\0';
        }
        return true;
    }

    GlyphFiller* filler;
    AtData atData;
    HeaderLines header;
    std::string scratch;
    bool started = false;
};

// Feeds the lines of a file to `scan` until it has what it needs or the file ends.
Result ScanFile(InputFile& file, TextScan& scan) {
    LineSplitter lines;
    std::vector<char> chunk(1 << 16);
    auto take = [&](std::string_view line) { return scan.Line(line); };
    bool more = true;
    while (more) {
        const std::size_t got = file.Read(chunk.data(), chunk.size());
        if (got == 0) break;
        more = lines.Feed(std::string_view(chunk.data(), got), take);
    }
    if (more) lines.Finish(take);
    return file.Status();
}

std::string Describe(int32_t width, int32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

std::vector<CGlyph*> ParseTextFont(std::string_view text, int32_t width, int32_t height,
                                   CodeRange rangeId, bool exceptUnused) {
    if (!CheckLoadOptions(width, height, rangeId)) return {};
    GlyphFiller filler(width, height, rangeId, exceptUnused);
    TextScan scan(&filler, nullptr);
    LineSplitter lines;
    auto take = [&](std::string_view line) { return scan.Line(line); };
    if (lines.Feed(text, take)) lines.Finish(take);
    return filler.Finish();
}

std::string HeaderMismatch(const TextFileHeader& header, int32_t width, int32_t height,
                           CodeRange rangeId, bool exceptUnused) {
    const std::string fileRange = RangeName(header.range, header.exceptUnused, true);
    const std::string askedRange = RangeName(rangeId, exceptUnused, true);
    const bool sizeDiffers = header.width != width || header.height != height;
    if (!sizeDiffers && fileRange == askedRange) return {};
    std::string asked;
    if (sizeDiffers) asked = Describe(width, height);
    if (fileRange != askedRange) asked += (asked.empty() ? "" : ", ") + askedRange;
    return "the file says " + Describe(header.width, header.height) + ", " + fileRange +
           "; asked for " + asked;
}

Result ReadTextFileHeader(const std::string& path, std::optional<TextFileHeader>& header) {
    InputFile file;
    if (Result opened = file.Open(path); !opened) return opened;
    header.reset();
    TextScan scan(nullptr, [&](const std::optional<TextFileHeader>& found) {
        header = found;
        return false;
    });
    return ScanFile(file, scan);
}

Result ReadTextFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, bool /*doubleArray*/, bool exceptUnused, bool checkHeader,
                    std::string* warning) {
    if (Result options = CheckLoadOptions(width, height, rangeId); !options) return options;
    InputFile file;
    if (Result opened = file.Open(path); !opened) return opened;
    GlyphFiller filler(width, height, rangeId, exceptUnused);
    std::string mismatch;
    TextScan scan(&filler, [&](const std::optional<TextFileHeader>& header) {
        if (checkHeader && header)
            mismatch = HeaderMismatch(*header, width, height, rangeId, exceptUnused);
        return mismatch.empty();
    });
    if (Result read = ScanFile(file, scan); !read) return read;
    if (!mismatch.empty())
        return Result::Failure(ErrorKind::HeaderMismatch, path + ": " + mismatch, path);
    if (filler.Bytes() < static_cast<std::size_t>(BytesPerGlyph(width, height)))
        return Result::Failure(ErrorKind::NoGlyphData, NoGlyphDataMessage(path), path);
    const bool overflow = filler.Overflowed();
    set.ReplaceGlyphs(filler.Finish(), width, height, rangeId == RANGE_ASCII ? 1 : 0);
    if (warning != nullptr) *warning = overflow ? CustomLimitMessage(path) : std::string();
    return Result::Success();
}

}  // namespace brivo
