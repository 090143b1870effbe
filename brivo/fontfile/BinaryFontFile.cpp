#include "fontfile/BinaryFontFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "fontfile/SafeFile.h"
#include "glyph/GlyphSet.h"
#include "glyph/InputFile.h"
#include "safefile/SafeFile.h"

namespace brivo {

Result CheckSkipBytes(int32_t skipBytes) {
    if (skipBytes < 0 || skipBytes > kMaxSkipBytes)
        return Result::Failure(ErrorKind::SkipBytes, "the skip bytes must be 0 to " +
                                                         std::to_string(kMaxSkipBytes) + ", not " +
                                                         std::to_string(skipBytes));
    return Result::Success();
}

Result CheckLoadOptions(int32_t width, int32_t height, CodeRange rangeId) {
    if (Result size = CheckGlyphSize(width, height); !size) return size;
    if (rangeId < RANGE_ASCII || rangeId > RANGE_CUSTOM)
        return Result::Failure(
            ErrorKind::UnknownRange,
            "unknown code range " + std::to_string(rangeId) + " (1 ASCII to 6 Custom)");
    return Result::Success();
}

namespace {

std::string CodeIndexBytes(const CGlyphSet& set, CodeIndex index) {
    std::string data;
    data.reserve(set.glyphs.size() * 2);
    for (const GlyphPtr& glyph : set.glyphs) {
        const uint16_t code = glyph != nullptr ? IndexCode(glyph->code, index) : 0;
        data += static_cast<char>(code & 0xFF);
        data += static_cast<char>(code >> 8);
    }
    return data;
}

// The most bytes a glyph record takes: 256 x 256 pixels.
constexpr uint64_t kMaxRecordBytes = 256 * 256 / 8;

bool IsRegularFile(const std::string& path, uint64_t& size) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

// The 16-bit little-endian values of a .idx file of `bytes` bytes (even); none when it
// cannot be read whole.
std::optional<std::vector<uint16_t>> ReadCodeValues(InputFile& file, std::size_t bytes) {
    std::string data(bytes, '\0');
    if (file.Read(data.data(), bytes) != bytes) return std::nullopt;
    std::vector<uint16_t> values;
    values.reserve(bytes / 2);
    for (std::size_t n = 0; n + 1 < bytes; n += 2)
        values.push_back(static_cast<uint16_t>(static_cast<uint8_t>(data[n]) |
                                               static_cast<uint8_t>(data[n + 1]) << 8));
    return values;
}

bool IsCodeSlot(uint16_t value) {
    const int lead = value >> 8, trail = value & 0xFF;
    return value < 0x80 || (lead >= 0xA1 && lead <= 0xFD && trail >= 0xA1 && trail <= 0xFE);
}

}  // namespace

Result WriteFontFile(const CGlyphSet& set, const std::string& path, int32_t skipBytes,
                     BitLayout layout, CodeIndex codeTable) {
    if (Result skip = CheckSkipBytes(skipBytes); !skip) return skip;
    if (Result depth = LayoutAtDepth(layout, set.bpp, layout); !depth) return depth;
    const std::string indexPath = CodeIndexPath(path);
    const bool beside = indexPath != path;
    std::vector<safefile::SafeFileWriter*> saves;
    std::unique_ptr<safefile::SafeFileWriter> table;
    if (codeTable != CodeIndex::None && beside) {
        table = std::make_unique<safefile::SafeFileWriter>(indexPath);
        if (!table->Ok()) return Result::Failure(ErrorKind::CannotWrite, table->Error(), indexPath);
        table->Write(CodeIndexBytes(set, codeTable));
        saves.push_back(table.get());  // in place before the font: never a new font, old codes
    }
    GlyphPacker packer(set.width, set.height, layout);
    safefile::SafeFileWriter file(path);
    file.Write(std::string(static_cast<std::size_t>(skipBytes), '\0'));
    for (const GlyphPtr& glyph : set.glyphs) file.Write(packer.Pack(glyph.get()));
    if (table) {
        saves.push_back(&file);
        return Result::FailureIf(ErrorKind::CannotWrite,
                                 safefile::SafeFileWriter::CommitTogether(saves), path);
    }
    return CommitFontFile(file, path, set.glyphs.size());
}

Result CommitFontFile(safefile::SafeFileWriter& file, const std::string& path, std::size_t glyphs) {
    const std::string indexPath = CodeIndexPath(path);
    std::vector<std::string> stale;
    if (indexPath != path && file.Ok() && IsCodeIndexOf(indexPath, path, glyphs))
        stale.push_back(indexPath);
    return Result::FailureIf(ErrorKind::CannotWrite,
                             safefile::SafeFileWriter::CommitTogether({&file}, stale), path);
}

std::string CodeIndexPath(const std::string& fontPath) {
    return std::filesystem::path(fontPath).replace_extension(".idx").string();
}

Result WriteCodeIndexFile(const CGlyphSet& set, const std::string& path, CodeIndex index) {
    return Result::FailureIf(ErrorKind::CannotWrite,
                             safefile::WriteWholeFile(path, CodeIndexBytes(set, index)), path);
}

bool IsCodeIndexOf(const std::string& indexPath, const std::string& fontPath, std::size_t glyphs) {
    uint64_t size = 0, fontSize = 0;
    if (!IsRegularFile(indexPath, size) || size == 0 || size % 2 != 0 ||
        size / 2 > kMaxCustomGlyphs)
        return false;
    const uint64_t count = size / 2;
    const bool fitsFont = IsRegularFile(fontPath, fontSize) && fontSize % count == 0 &&
                          fontSize / count >= 1 && fontSize / count <= kMaxRecordBytes;
    if (count != glyphs && !fitsFont) return false;
    InputFile file;
    if (!file.Open(indexPath) || file.Size() != size) return false;
    const auto values = ReadCodeValues(file, static_cast<std::size_t>(size));
    return values && GuessCodeIndex(*values) != CodeIndex::None;
}

std::string CodeTableNote(const std::string& path, const std::vector<uint16_t>& values,
                          CodeIndex index) {
    std::vector<bool> seen(0x10000, false);
    std::size_t notCodes = 0, repeated = 0, descending = 0;
    for (std::size_t n = 0; n < values.size(); ++n) {
        const uint16_t value = values[n];
        const bool code = index == CodeIndex::Unicode ? CodeOfCharacter(value).has_value() && value
                                                      : IsCodeSlot(value);
        notCodes += code ? 0 : 1;
        repeated += seen[value] ? 1 : 0;
        seen[value] = true;
        descending += n > 0 && value < values[n - 1] ? 1 : 0;
    }
    std::string what;
    auto add = [&what](std::size_t count, const std::string& text) {
        if (count > 0) what += (what.empty() ? "" : ", ") + std::to_string(count) + " " + text;
    };
    add(notCodes, notCodes == 1 ? "value that is no code" : "values that are no codes");
    add(repeated, repeated == 1 ? "repeated value" : "repeated values");
    add(descending,
        descending == 1 ? "value below the one before it" : "values below the one before them");
    if (what.empty()) return {};
    return path + ": the code table has " + what + ": a binary search on it can miss glyphs";
}

Result ReadCodeIndexFile(CGlyphSet& set, const std::string& path, std::string* warning) {
    InputFile file;
    if (Result opened = file.Open(path); !opened) return opened;
    const std::size_t wanted = set.glyphs.size() * 2;
    if (file.Size() != wanted)
        return Result::Failure(path + " holds " + std::to_string(file.Size()) +
                               " bytes, not two for each of the " +
                               std::to_string(set.glyphs.size()) + " glyphs");
    const auto values = ReadCodeValues(file, wanted);
    if (!values) return file.Status();
    const CodeIndex index = GuessCodeIndex(*values);
    if (index == CodeIndex::None)
        return Result::Failure(path + " holds values that are neither EUC-KR nor Unicode codes");
    for (std::size_t n = 0; n < values->size(); ++n)
        if (set.glyphs[n] != nullptr)
            set.glyphs[n]->code = CodeFromIndex((*values)[n], index).value_or(0);
    if (warning != nullptr) *warning = CodeTableNote(path, *values, index);
    return Result::Success();
}

namespace {

// The glyphs of `available` record bytes, packed in `layout`, that `read(destination,
// count)` delivers in order. ASCII to ALL: that range's code list, zeros where the bytes
// end; Custom: one glyph per record, the last one zero-padded, at most kMaxCustomGlyphs.
template <class ReadBytes>
std::vector<GlyphPtr> LoadRecords(std::size_t available, int32_t width, int32_t height,
                                  CodeRange rangeId, bool exceptUnused, BitLayout layout,
                                  ReadBytes read) {
    const auto record = static_cast<std::size_t>(LayoutBytesPerGlyph(width, height, layout));
    std::vector<uint16_t> codes;
    if (rangeId == RANGE_CUSTOM) {
        const std::size_t count = std::min((available + record - 1) / record, kMaxCustomGlyphs);
        for (std::size_t n = 0; n < count; ++n) codes.push_back(static_cast<uint16_t>(n));
    } else {
        // Hangul has no unused lead bytes, so the option changes nothing there.
        codes = RangeCodes(rangeId, exceptUnused);
    }
    const auto bytesPerGlyph = static_cast<std::size_t>(BytesPerGlyph(width, height));
    std::vector<uint8_t> packed(record);
    std::vector<GlyphPtr> glyphs;
    glyphs.reserve(codes.size());
    for (std::size_t n = 0; n < codes.size(); ++n) {
        const auto position = static_cast<int32_t>(n);
        GlyphPtr glyph = NewGlyph(codes[n], bytesPerGlyph, position, position);
        const std::size_t offset = n * record;
        if (offset < available) {
            std::fill(packed.begin(), packed.end(), 0);
            read(packed.data(), std::min(record, available - offset));
            UnpackGlyph(packed.data(), width, height, layout, *glyph);
        }
        glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

// Extra bytes that a skip could still take are most likely a gap before the first glyph
// that the read was not told about: every glyph then comes out shifted.
std::string GapHint(std::size_t extra, int32_t skipBytes) {
    if (extra > static_cast<std::size_t>(kMaxSkipBytes - skipBytes)) return {};
    const std::string skip = std::to_string(extra + static_cast<std::size_t>(skipBytes));
    return " (if the file starts with a gap of " + skip + " bytes, give a skip of " + skip + ")";
}

// What a .fnt file of `available` record bytes leaves to report although it loads.
std::string LengthWarning(const std::string& path, std::size_t available, std::size_t record,
                          CodeRange rangeId, int32_t skipBytes, bool exceptUnused,
                          std::size_t halfRecord) {
    if (rangeId == RANGE_CUSTOM) {
        return available > kMaxCustomGlyphs * record ? CustomLimitMessage(path) : std::string();
    }
    const std::size_t count = static_cast<std::size_t>(RangeGlyphCount(rangeId, exceptUnused));
    const std::size_t expected = count * record;
    if (available == expected) return {};
    // ASCII is extracted half as wide as the size asked for, and read as wide as it is.
    if (halfRecord != 0 && available == count * halfRecord)
        return path + " has " + std::to_string(available + static_cast<std::size_t>(skipBytes)) +
               " bytes, " + std::to_string(count) + " ASCII glyphs of " +
               std::to_string(halfRecord) +
               " bytes: the file holds glyphs half as wide as asked (ASCII is extracted at half "
               "the width); read it with half the width";
    return path + " has " + std::to_string(available + static_cast<std::size_t>(skipBytes)) +
           " bytes; " + std::to_string(skipBytes) + " + " + std::to_string(count) + " glyphs x " +
           std::to_string(record) + " bytes make " +
           std::to_string(expected + static_cast<std::size_t>(skipBytes)) +
           (available < expected ? ": the missing bytes read as zero"
                                 : ": the bytes after the last glyph are ignored" +
                                       GapHint(available - expected, skipBytes));
}

}  // namespace

std::string NoGlyphDataMessage(const std::string& path) { return "no glyph data found in " + path; }

std::string CustomLimitMessage(const std::string& path) {
    return path + ": read the first " + std::to_string(kMaxCustomGlyphs) +
           " glyphs only, a Custom set holds no more";
}

std::vector<GlyphPtr> ParseFontRecords(std::string_view data, int32_t width, int32_t height,
                                       CodeRange rangeId, int32_t skipBytes, bool exceptUnused,
                                       BitLayout layout) {
    if (!CheckLoadOptions(width, height, rangeId) || skipBytes < 0) return {};
    const std::string_view records = data.substr(std::min<std::size_t>(skipBytes, data.size()));
    std::size_t offset = 0;
    return LoadRecords(records.size(), width, height, rangeId, exceptUnused, layout,
                       [&](uint8_t* out, std::size_t count) {
                           std::memcpy(out, records.data() + offset, count);
                           offset += count;
                       });
}

Result ReadFontFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, int32_t skipBytes, bool exceptUnused, std::string* warning,
                    BitLayout layout) {
    if (Result options = CheckLoadOptions(width, height, rangeId); !options) return options;
    if (Result skip = CheckSkipBytes(skipBytes); !skip) return skip;
    InputFile file;
    if (Result opened = file.Open(path); !opened) return opened;
    const auto skip = static_cast<uint64_t>(skipBytes);
    const auto available = static_cast<std::size_t>(file.Size() > skip ? file.Size() - skip : 0);
    const auto record = static_cast<std::size_t>(LayoutBytesPerGlyph(width, height, layout));
    if (available < record)
        return Result::Failure(ErrorKind::NoGlyphData, NoGlyphDataMessage(path), path);
    // Read, not sought past: the records follow the skipped bytes however the file ends.
    uint8_t discard[4096];
    for (uint64_t left = skip; left > 0;) {
        const std::size_t got = file.Read(discard, std::min<uint64_t>(left, sizeof discard));
        if (got == 0) break;
        left -= got;
    }
    std::vector<GlyphPtr> glyphs =
        LoadRecords(available, width, height, rangeId, exceptUnused, layout,
                    [&](uint8_t* out, std::size_t count) { file.Read(out, count); });
    if (Result read = file.Status(); !read) return read;
    set.ReplaceGlyphs(std::move(glyphs), width, height, rangeId == RANGE_ASCII ? 1 : 0);
    set.bpp = layout.bpp;
    set.keepsCodes = false;  // until a code table gives them codes
    if (warning != nullptr)
        *warning = LengthWarning(
            path, available, record, rangeId, skipBytes, exceptUnused,
            rangeId == RANGE_ASCII && width % 2 == 0
                ? static_cast<std::size_t>(LayoutBytesPerGlyph(width / 2, height, layout))
                : 0);
    return Result::Success();
}

}  // namespace brivo
