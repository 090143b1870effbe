#include "fontfile/BinaryFontFile.h"

#include <algorithm>
#include <cstring>

#include "fontfile/SafeFile.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

Result CheckGlyphSize(int32_t width, int32_t height) {
    if (width < 1 || width > 256 || height < 1 || height > 256)
        return Result::Failure("the glyph size must be 1 to 256 pixels each way, not " +
                               std::to_string(width) + "x" + std::to_string(height));
    return Result::Success();
}

Result CheckSkipBytes(int32_t skipBytes) {
    if (skipBytes < 0 || skipBytes > kMaxSkipBytes)
        return Result::Failure("the skip bytes must be 0 to " + std::to_string(kMaxSkipBytes) +
                               ", not " + std::to_string(skipBytes));
    return Result::Success();
}

Result CheckLoadOptions(int32_t width, int32_t height, CodeRange rangeId) {
    if (Result size = CheckGlyphSize(width, height); !size) return size;
    if (rangeId < RANGE_ASCII || rangeId > RANGE_CUSTOM)
        return Result::Failure("unknown code range " + std::to_string(rangeId) +
                               " (1 ASCII to 6 Custom)");
    return Result::Success();
}

CGlyph* NewLoadedGlyph(uint16_t code, int32_t position, std::size_t bytes) {
    return NewGlyph(code, bytes, position, position);
}

void DestroyLoadedGlyph(CGlyph* glyph) { DestroyGlyph(glyph); }

Result WriteFontFile(const CGlyphSet& set, const std::string& path, int32_t skipBytes) {
    if (Result skip = CheckSkipBytes(skipBytes); !skip) return skip;
    const std::size_t record = static_cast<std::size_t>(std::max(0, set.BytesPerGlyph()));
    const std::string zeros(std::max(record, static_cast<std::size_t>(skipBytes)), '\0');
    safefile::SafeFileWriter file(path);
    file.Write(std::string_view(zeros).substr(0, static_cast<std::size_t>(skipBytes)));
    for (const CGlyph* glyph : set.glyphs) {
        const bool drawn = glyph != nullptr && glyph->bits != nullptr;
        file.Write(drawn ? std::string_view(reinterpret_cast<const char*>(glyph->bits), record)
                         : std::string_view(zeros).substr(0, record));
    }
    return Result{file.Commit()};
}

std::vector<CGlyph*> ParseFontRecords(std::string_view data, int32_t width, int32_t height,
                                      CodeRange rangeId, int32_t skipBytes, bool exceptUnused) {
    if (!CheckLoadOptions(width, height, rangeId) || skipBytes < 0) return {};
    const std::size_t record = static_cast<std::size_t>(BytesPerGlyph(width, height));
    const std::size_t start = std::min<std::size_t>(skipBytes, data.size());
    const std::string_view records = data.substr(start);

    std::vector<uint16_t> codes;
    if (rangeId == RANGE_CUSTOM) {
        const std::size_t count = (records.size() + record - 1) / record;
        for (std::size_t n = 0; n < count; ++n) codes.push_back(static_cast<uint16_t>(n));
    } else {
        // Hangul has no unused lead bytes, so the option changes nothing there.
        codes = RangeCodes(rangeId, exceptUnused);
    }

    std::vector<CGlyph*> glyphs;
    glyphs.reserve(codes.size());
    for (std::size_t n = 0; n < codes.size(); ++n) {
        CGlyph* glyph = NewLoadedGlyph(codes[n], static_cast<int32_t>(n), record);
        const std::size_t offset = n * record;
        if (offset < records.size())
            std::memcpy(glyph->bits, records.data() + offset,
                        std::min(record, records.size() - offset));
        glyphs.push_back(glyph);
    }
    return glyphs;
}

Result ReadFontFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, int32_t skipBytes, bool exceptUnused) {
    if (Result options = CheckLoadOptions(width, height, rangeId); !options) return options;
    if (Result skip = CheckSkipBytes(skipBytes); !skip) return skip;
    std::string data;
    if (Result read = ReadWholeFile(path, data); !read) return read;
    set.ReplaceGlyphs(ParseFontRecords(data, width, height, rangeId, skipBytes, exceptUnused),
                      width, height, rangeId == RANGE_ASCII ? 1 : 0);
    return Result::Success();
}
