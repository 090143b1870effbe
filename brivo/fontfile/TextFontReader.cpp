#include "fontfile/TextFontReader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>

#include "fontfile/BinaryFontFile.h"
#include "glyph/CharacterSubset.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "glyph/InputFile.h"

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

// Receives the bytes in order and hands out the glyphs they fill. The bytes come packed in
// the file's layout, known once the header has been read (Begin); each glyph is unpacked
// when its bytes are complete.
class GlyphFiller {
public:
    GlyphFiller(int32_t width, int32_t height, CodeRange rangeId, bool exceptUnused)
        : width(width),
          height(height),
          bytesPerGlyph(static_cast<std::size_t>(BytesPerGlyph(width, height))),
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

    // Called before the first byte.
    void Begin(BitLayout fileLayout) {
        layout = fileLayout;
        packed.assign(static_cast<std::size_t>(LayoutBytesPerGlyph(width, height, layout)), 0);
    }

    // False once no more bytes are wanted: the range is full, or a Custom set has its
    // kMaxCustomGlyphs glyphs and this byte would begin one more.
    bool Add(uint8_t value) {
        if (glyphNumber >= (custom ? kMaxCustomGlyphs : glyphs.size())) {
            overflow = custom;
            return false;
        }
        packed[byteNumber] = value;
        ++bytes;
        if (++byteNumber < packed.size()) return true;
        Unpack();
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

    // Whether the bytes filled one glyph at least.
    bool HasAGlyph() const { return !packed.empty() && bytes >= packed.size(); }
    bool Overflowed() const { return overflow; }
    // The glyphs whose bytes all came, and how many a range holds (0 for Custom).
    std::size_t CompleteGlyphs() const { return glyphNumber; }
    std::size_t RangeGlyphs() const { return custom ? 0 : glyphs.size(); }
    // Bits a pixel of the glyphs, from the layout they are read in.
    int Bpp() const { return layout.bpp; }

    // Custom keeps complete glyphs only: a last one still being filled goes. A range keeps
    // it with the bytes it got.
    std::vector<GlyphPtr> Finish() {
        if (custom && glyphs.size() > glyphNumber) {
            glyphs.pop_back();
        } else if (byteNumber > 0) {
            Unpack();
        }
        return std::move(glyphs);
    }

private:
    // Moves the bytes gathered for the current glyph into its bitmap.
    void Unpack() {
        UnpackGlyph(packed.data(), width, height, layout, *glyphs[glyphNumber]);
        std::fill(packed.begin(), packed.end(), 0);
    }

    const int32_t width, height;
    const std::size_t bytesPerGlyph;
    const bool custom;
    BitLayout layout;
    std::vector<uint8_t> packed;
    std::vector<GlyphPtr> glyphs;
    std::size_t glyphNumber = 0;
    std::size_t byteNumber = 0;
    std::size_t bytes = 0;
    bool overflow = false;
};

// The longest line a file is read with. The writer's lines hold a few dozen characters; a
// file without line feeds (binary data, CR-only line ends) would otherwise be held whole.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// Cuts text into lines as a text-mode read delivers them: CR LF and LF end a line. Lines
// that lie whole in a chunk are passed on without copying; one that spans chunks is
// gathered up to kMaxLineBytes, and a longer one stops the reading (TooLongLine).
class LineSplitter {
public:
    // Calls take(line) for each line the chunk completes; false when take asked to stop.
    template <class Take>
    bool Feed(std::string_view chunk, Take take) {
        for (std::size_t end; (end = chunk.find('\n')) != std::string_view::npos;) {
            std::string_view line = chunk.substr(0, end);
            chunk.remove_prefix(end + 1);
            if (!pending.empty()) {
                if (!Gather(line)) return false;
                line = pending;
            }
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            const bool more = take(line);
            pending.clear();
            if (!more) return false;
        }
        return Gather(chunk);
    }

    // The last line, which no line feed ends.
    template <class Take>
    void Finish(Take take) {
        ++lineNumber;
        if (!pending.empty()) take(std::string_view(pending));
        pending.clear();
    }

    // The number of the line that was too long, 0 while none was.
    std::size_t TooLongLine() const { return tooLong; }

private:
    bool Gather(std::string_view part) {
        if (pending.size() + part.size() > kMaxLineBytes) {
            tooLong = lineNumber + 1;
            pending.clear();
            return false;
        }
        pending.append(part);
        return true;
    }

    std::string pending;
    std::size_t lineNumber = 0;
    std::size_t tooLong = 0;
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
        if (auto value = Value(line, "Bit Layout")) {
            value = value->substr(0, value->find("*/"));  // a hand-made line may close itself
            if (const auto read = BitLayoutFromText(*value)) layout = *read;
            return;
        }
        if (!Contains(line, "Font ") && !Contains(line, "Data ")) return;  // no search per key
        if (const auto value = Value(line, "Font Width")) ParseNumber(*value, width);
        if (const auto value = Value(line, "Font Height")) ParseNumber(*value, height);
        if (const auto value = Value(line, "Font Type")) FindRange(Trim(*value));
        if (const auto value = Value(line, "Data Length")) ParseNumber(*value, dataLength);
        if (const auto value = Value(line, "Data Conut")) ParseNumber(*value, dataCount);
    }

    std::optional<TextFileHeader> Get() const {
        if (width <= 0 || height <= 0 || range == RANGE_NONE) return std::nullopt;
        TextFileHeader header{width, height, range, exceptUnused, layout};
        header.dataLength = dataLength;
        header.dataCount = dataCount;
        return header;
    }

    // Also read where the other lines are missing.
    BitLayout Layout() const { return layout; }

private:
    // What follows "KEY ... :" on the line.
    static std::optional<std::string_view> Value(std::string_view line, std::string_view key) {
        const std::size_t at = line.find(key);
        if (at == std::string_view::npos) return std::nullopt;
        const std::size_t colon = line.find(':', at + key.size());
        if (colon == std::string_view::npos) return std::nullopt;
        return line.substr(colon + 1);
    }

    template <class Number>
    static void ParseNumber(std::string_view text, Number& number) {
        text = Trim(text);
        Number value = 0;
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
        if (name.starts_with("Custom (")) {  // a character subset: "Custom (N characters)"
            range = RANGE_CUSTOM;
            exceptUnused = false;
            return;
        }
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
    BitLayout layout;
    int64_t dataLength = 0, dataCount = 0;
};

// The sizes of an array declaration on the line where the data begins: "NAME[N][M]" gives N
// glyphs of M bytes, "NAME[N*M]" the same flat; false for "NAME[]" and anything else.
bool ReadDeclaration(std::string_view line, int64_t& glyphs, int64_t& bytes) {
    const std::size_t open = line.find('[');
    const std::size_t equals = line.find('=');
    if (open == std::string_view::npos || (equals != std::string_view::npos && equals < open))
        return false;
    std::string_view rest = line.substr(open + 1);
    auto number = [&rest](int64_t& value) {
        rest = Trim(rest);
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (error != std::errc() || end == rest.data() || value <= 0) return false;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
        rest = Trim(rest);
        return true;
    };
    if (!number(glyphs)) return false;
    if (rest.starts_with("*")) {
        rest.remove_prefix(1);
        return number(bytes) && rest.starts_with("]");
    }
    if (!rest.starts_with("]")) return false;
    rest.remove_prefix(1);
    rest = Trim(rest);
    if (!rest.starts_with("[")) return false;
    rest.remove_prefix(1);
    return number(bytes) && rest.starts_with("]");
}

// Whether the line closes an array: a "}" followed by ";".
bool ClosesArray(std::string_view line) {
    for (std::size_t at = line.find('}'); at != std::string_view::npos;
         at = line.find('}', at + 1)) {
        std::size_t next = at + 1;
        while (next < line.size() && IsCSpace(line[next])) ++next;
        if (next < line.size() && line[next] == ';') return true;
    }
    return false;
}

// Whether the array data begins on this line: it holds "{0x", or it is the declaration
// of an array (`data_table` or any NAME[...]) with its "= {" (the flat form has no "{0x"
// anywhere).
bool StartsData(std::string_view line, std::string_view cleaned) {
    if (Contains(cleaned, "{0x")) return true;
    std::size_t at = line.find("data_table");
    if (at == std::string_view::npos) at = line.find('[');
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
    // `atData(header)` is asked once, where the data begins; false stops the reading. The
    // bytes are read in `layout`, or without one, in the layout the header says.
    using AtData = std::function<bool(const std::optional<TextFileHeader>&)>;
    TextScan(GlyphFiller* filler, AtData atData, std::optional<BitLayout> layout = {})
        : filler(filler), atData(std::move(atData)), layout(layout) {}

    // False once no more lines are needed.
    bool Line(std::string_view line) {
        const bool saysUnicode = previousSaysUnicode;
        previousSaysUnicode = line.find('/') != std::string_view::npos && Contains(line, "Unicode");
        if (!started) {
            header.Take(line);
            const std::string_view cleaned = CleanLine(line, scratch);
            if (!StartsData(line, cleaned)) return true;
            started = true;
            if (!ReadDeclaration(line, declaredGlyphs, declaredBytes))
                declaredGlyphs = declaredBytes = 0;
            std::optional<TextFileHeader> found = header.Get();
            if (found) {
                found->declaredGlyphs = declaredGlyphs;
                found->declaredBytes = declaredBytes;
            }
            if (atData && !atData(found)) return false;
            if (filler == nullptr) return true;
            filler->Begin(layout.value_or(header.Layout()));
            closed = ClosesArray(cleaned);
            return GlyphBytes(cleaned);
        }
        if (table != Table::None) return TableValues(line);
        // The glyph data ends at the code table: the first line after the start with
        // "_codes[", "Unicode" on it or on the comment line above it for Unicode codes.
        if (codeTable == CodeIndex::None && line.find('[') != std::string_view::npos &&
            Contains(line, "_codes[")) {
            codeTable =
                saysUnicode || Contains(line, "Unicode") ? CodeIndex::Unicode : CodeIndex::EucKr;
            table = Table::Codes;
            return TableValues(line);
        }
        // The metrics tables follow the glyph array and the code table.
        if (line.find('[') != std::string_view::npos) {
            if (Contains(line, "_line_metrics[5]"))
                table = Table::LineMetrics;
            else if (Contains(line, "_metrics[") && Contains(line, "][5]"))
                table = Table::Metrics;
            else if (Contains(line, "_offsets["))
                table = Table::Offsets;
            if (table != Table::None) return TableValues(line);
        }
        const std::string_view cleaned = CleanLine(line, scratch);
        closed = closed || ClosesArray(cleaned);
        // Past the last glyph a few lines are read to find the code table.
        if (full) return ++linesPastData < kCodeTableLookahead;
        return GlyphBytes(cleaned);
    }

    // Whether the glyph array was seen to end with "};".
    bool Closed() const { return closed; }
    // The glyphs the array declaration gives, 0 without one.
    int64_t DeclaredGlyphs() const { return declaredGlyphs; }

    bool Started() const { return started; }
    // The values of the code table, and what they are (None: the file has no table).
    const std::vector<uint16_t>& Codes() const { return codes; }
    CodeIndex CodeTable() const { return codeTable; }
    // The values of the metrics tables, empty where the file has none; whether the glyphs are
    // cropped to their ink (a table of where each begins).
    const std::vector<int32_t>& LineMetricValues() const { return lineMetrics; }
    const std::vector<int32_t>& GlyphMetricValues() const { return glyphMetrics; }
    bool Cropped() const { return cropped; }

private:
    static constexpr int kCodeTableLookahead = 8;
    enum class Table { None, Codes, LineMetrics, Metrics, Offsets };

    bool GlyphBytes(std::string_view line) {
        full = !Tokens(line, [this](uint8_t byte) { return filler->Add(byte); });
        return true;
    }

    // A table ends with its closing brace (a row of the metrics ends with "},"); a few lines
    // more are read for the next.
    bool TableValues(std::string_view line) {
        const std::string_view cleaned = CleanLine(line, scratch);
        switch (table) {
            case Table::Codes:
                Tokens(cleaned, [this](int32_t value) {
                    codes.push_back(static_cast<uint16_t>(value));
                    return codes.size() < kMaxCustomGlyphs;
                });
                if (codes.size() >= kMaxCustomGlyphs) return false;
                break;
            case Table::LineMetrics:
                DecimalValues(cleaned, lineMetrics);
                break;
            case Table::Metrics:
                DecimalValues(cleaned, glyphMetrics);
                if (glyphMetrics.size() >= 5 * kMaxCustomGlyphs) return false;
                break;
            case Table::Offsets:
                cropped = true;
                break;
            case Table::None:
                break;
        }
        if (table == Table::Codes ? cleaned.find('}') != std::string_view::npos
                                  : Contains(cleaned, "};")) {
            table = Table::None;
            linesPastData = 0;
            full = full || codeTable != CodeIndex::None;
        }
        return true;
    }

    // The decimal numbers of a line, '-' signs kept.
    static void DecimalValues(std::string_view line, std::vector<int32_t>& values) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const bool minus = line[i] == '-' && i + 1 < line.size() && IsDigit(line[i + 1]);
            if (!minus && !IsDigit(line[i])) continue;
            i += minus ? 1 : 0;
            int64_t value = 0;
            for (; i < line.size() && IsDigit(line[i]); ++i)
                value = std::min<int64_t>(value * 10 + (line[i] - '0'), INT32_MAX);
            values.push_back(static_cast<int32_t>(minus ? -value : value));
        }
    }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // Tokens end at a separator; what follows the line's last separator is dropped. A
    // token is a value when it holds "0x" and no comment marker (each has a '/'); `take`
    // gets each, false when no more are wanted.
    template <class Take>
    bool Tokens(std::string_view line, Take take) {
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
            if (hasHexPrefix && !(hasSlash && HasCommentMarker(token)) && !take(HexToLong32(token)))
                return false;
            tokenStart = i + 1;
            hasHexPrefix = hasSlash = false;
            previous = '\0';
        }
        return true;
    }

    GlyphFiller* filler;
    AtData atData;
    std::optional<BitLayout> layout;
    HeaderLines header;
    std::string scratch;
    bool started = false;
    bool full = false;  // the glyphs are complete
    bool closed = false;
    int64_t declaredGlyphs = 0, declaredBytes = 0;
    int linesPastData = 0;
    bool previousSaysUnicode = false;
    CodeIndex codeTable = CodeIndex::None;
    std::vector<uint16_t> codes;
    Table table = Table::None;
    std::vector<int32_t> lineMetrics, glyphMetrics;
    bool cropped = false;
};

// Gives the glyphs and the set the metrics of the file's tables, where it has them.
void TakeMetrics(const TextScan& scan, CGlyphSet& set) {
    const std::vector<int32_t>& lines = scan.LineMetricValues();
    if (lines.size() == 5) {
        set.lineMetrics = LineMetrics{lines[0], lines[1], lines[2], lines[3]};
        set.baseline = lines[4];
    }
    const std::vector<int32_t>& values = scan.GlyphMetricValues();
    for (std::size_t n = 0; n < set.glyphs.size() && 5 * n + 4 < values.size(); ++n)
        if (CGlyph* glyph = set.glyphs[n].get(); glyph != nullptr)
            glyph->metrics = {
                values[5 * n],
                {values[5 * n + 1], values[5 * n + 2], values[5 * n + 3], values[5 * n + 4]}};
}

// Gives the glyphs the codes of the file's code table; false when it has none.
bool TakeCodeTable(const TextScan& scan, std::vector<GlyphPtr>& glyphs) {
    if (scan.CodeTable() == CodeIndex::None) return false;
    const std::vector<uint16_t>& codes = scan.Codes();
    for (std::size_t n = 0; n < glyphs.size() && n < codes.size(); ++n)
        glyphs[n]->code = CodeFromIndex(codes[n], scan.CodeTable()).value_or(0);
    return true;
}

// Feeds the lines of a file to `scan` until it has what it needs or the file ends.
Result ScanFile(InputFile& file, TextScan& scan, const std::string& path) {
    LineSplitter lines;
    std::vector<char> chunk(1 << 16);
    auto take = [&](std::string_view line) { return scan.Line(line); };
    bool more = true;
    while (more) {
        const std::size_t got = file.Read(chunk.data(), chunk.size());
        if (got == 0) break;
        more = lines.Feed(std::string_view(chunk.data(), got), take);
    }
    if (const std::size_t line = lines.TooLongLine(); line != 0)
        return Result::Failure(ErrorKind::CannotRead,
                               path + ": line " + std::to_string(line) +
                                   " is longer than 1 MiB: not C source written by this program",
                               path);
    if (more) lines.Finish(take);
    return file.Status();
}

std::string Describe(int32_t width, int32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// What a file cut short leaves out: the glyphs of the range, or of the declaration for
// Custom, that did not get all their bytes. "" when nothing is missing.
std::string CutArrayNote(const std::string& path, const GlyphFiller& filler, const TextScan& scan) {
    const std::size_t complete = filler.CompleteGlyphs();
    std::size_t expected = filler.RangeGlyphs();
    const bool custom = expected == 0;
    if (custom) expected = static_cast<std::size_t>(std::max<int64_t>(scan.DeclaredGlyphs(), 0));
    const std::string unclosed = scan.Closed() ? "" : " and has no closing brace";
    if (expected > complete) {
        const std::size_t missing = expected - complete;
        return path + ": the array ends after " + std::to_string(complete) + " of " +
               std::to_string(expected) + " glyphs" + unclosed + ": " + std::to_string(missing) +
               (missing == 1 ? " glyph is" : " glyphs are") + " incomplete" +
               (custom ? " and left out" : ", their missing bytes read as zero");
    }
    if (custom && !scan.Closed() && !filler.Overflowed())
        return path + ": the array has no closing brace: the file may be cut after glyph " +
               std::to_string(complete);
    return {};
}

}  // namespace

std::vector<GlyphPtr> ParseTextFont(std::string_view text, int32_t width, int32_t height,
                                    CodeRange rangeId, bool exceptUnused,
                                    std::optional<BitLayout> layout) {
    if (!CheckLoadOptions(width, height, rangeId)) return {};
    GlyphFiller filler(width, height, rangeId, exceptUnused);
    TextScan scan(&filler, nullptr, layout);
    LineSplitter lines;
    auto take = [&](std::string_view line) { return scan.Line(line); };
    if (lines.Feed(text, take)) lines.Finish(take);
    std::vector<GlyphPtr> glyphs = filler.Finish();
    TakeCodeTable(scan, glyphs);
    return glyphs;
}

std::string HeaderContradiction(const TextFileHeader& header) {
    const int64_t bytes = LayoutBytesPerGlyph(header.width, header.height, header.layout);
    std::string says = "the header says " + Describe(header.width, header.height) + ", " +
                       std::to_string(bytes) + " bytes a glyph";
    const bool bytesDiffer = header.declaredBytes != 0 && header.declaredBytes != bytes;
    const bool countDiffers = header.declaredGlyphs != 0 && header.dataCount != 0 &&
                              header.dataCount != header.declaredGlyphs;
    if (bytesDiffer || countDiffers) {
        if (countDiffers) says += ", " + std::to_string(header.dataCount) + " glyphs";
        return says + "; the array is declared [" + std::to_string(header.declaredGlyphs) + "][" +
               std::to_string(header.declaredBytes) + "]";
    }
    if (header.dataLength != 0 && header.dataLength != bytes)
        return says + "; its Data Length " + std::to_string(header.dataLength);
    return {};
}

std::string HeaderMismatch(const TextFileHeader& header, int32_t width, int32_t height,
                           CodeRange rangeId, bool exceptUnused, std::optional<BitLayout> layout) {
    const std::string fileRange = RangeName(header.range, header.exceptUnused, true);
    const std::string askedRange = RangeName(rangeId, exceptUnused, true);
    const bool sizeDiffers = header.width != width || header.height != height;
    const bool layoutDiffers = layout && *layout != header.layout;
    if (!sizeDiffers && fileRange == askedRange && !layoutDiffers) return {};
    std::string asked;
    auto ask = [&asked](const std::string& what) { asked += (asked.empty() ? "" : ", ") + what; };
    if (sizeDiffers) ask(Describe(width, height));
    if (fileRange != askedRange) ask(askedRange);
    if (layoutDiffers) ask(BitLayoutText(*layout));
    std::string says = Describe(header.width, header.height) + ", " + fileRange;
    if (layoutDiffers) says += ", " + BitLayoutText(header.layout);
    return "the file says " + says + "; asked for " + asked;
}

Result ReadTextFileHeader(const std::string& path, std::optional<TextFileHeader>& header) {
    InputFile file;
    if (Result opened = file.Open(path); !opened) return opened;
    header.reset();
    TextScan scan(nullptr, [&](const std::optional<TextFileHeader>& found) {
        header = found;
        return false;
    });
    return ScanFile(file, scan, path);
}

Result ReadTextFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, bool /*doubleArray*/, bool exceptUnused, bool checkHeader,
                    std::string* warning, std::optional<BitLayout> layout) {
    if (Result options = CheckLoadOptions(width, height, rangeId); !options) return options;
    InputFile file;
    if (Result opened = file.Open(path); !opened) return opened;
    GlyphFiller filler(width, height, rangeId, exceptUnused);
    std::string mismatch;
    TextScan scan(
        &filler,
        [&](const std::optional<TextFileHeader>& header) {
            if (checkHeader && header) mismatch = HeaderContradiction(*header);
            if (checkHeader && header && mismatch.empty())
                mismatch = HeaderMismatch(*header, width, height, rangeId, exceptUnused, layout);
            return mismatch.empty();
        },
        layout);
    if (Result read = ScanFile(file, scan, path); !read) return read;
    if (!mismatch.empty())
        return Result::Failure(ErrorKind::HeaderMismatch, path + ": " + mismatch, path);
    if (!filler.HasAGlyph())
        return Result::Failure(ErrorKind::NoGlyphData, NoGlyphDataMessage(path), path);
    std::vector<std::string> notes;
    if (filler.Overflowed()) notes.push_back(CustomLimitMessage(path));
    if (std::string cut = CutArrayNote(path, filler, scan); !cut.empty()) notes.push_back(cut);
    std::vector<GlyphPtr> glyphs = filler.Finish();
    if (scan.Cropped())
        return Result::Failure(ErrorKind::CannotRead,
                               path +
                                   ": its glyphs are cropped to their ink (written with "
                                   "--proportional): only fonts of whole cells can be read",
                               path);
    const bool keepsCodes = TakeCodeTable(scan, glyphs) && rangeId == RANGE_CUSTOM;
    if (scan.CodeTable() != CodeIndex::None)
        if (std::string note = CodeTableNote(path, scan.Codes(), scan.CodeTable()); !note.empty())
            notes.push_back(note);
    set.ReplaceGlyphs(std::move(glyphs), width, height, rangeId == RANGE_ASCII ? 1 : 0);
    set.bpp = filler.Bpp();
    set.keepsCodes = keepsCodes;
    TakeMetrics(scan, set);
    if (warning != nullptr) {
        warning->clear();
        for (const std::string& note : notes) *warning += (warning->empty() ? "" : "; ") + note;
    }
    return Result::Success();
}

}  // namespace brivo
