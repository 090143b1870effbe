#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/GlyphMetrics.h"
#include "glyph/Result.h"

namespace brivo {

// A glyph's bitmap (rows top first, ceil(width/8) bytes per row, MSB = leftmost pixel,
// 1 = ink).
using GlyphBits = std::unique_ptr<uint8_t[]>;

// A blank bitmap of `bytes` bytes; none for 0.
GlyphBits NewBits(std::size_t bytes);

// The pixels of a width x height bitmap as coverage of `bpp` bits a pixel: a byte a pixel,
// rows top first, full (2^bpp - 1) where the bitmap has ink, else 0.
std::vector<uint8_t> CoverageOfBits(const uint8_t* bits, int width, int height, int bpp);

// One glyph: its code and its bitmap, which it owns.
// Records come from CGlyphPool through the class's own operator new/delete, so a GlyphPtr
// hands its record back to the pool.
class CGlyph {
public:
    CGlyph() = default;
    CGlyph(const CGlyph&) = delete;
    CGlyph& operator=(const CGlyph&) = delete;
    virtual ~CGlyph() = default;

    static void* operator new(std::size_t size);
    static void operator delete(void* record, std::size_t size);

    // Takes `newBits` as the bitmap, freeing the previous one. Changing the bitmap drops the
    // coverage, which no longer matches it.
    void SetCodeAndBits(uint16_t newCode, GlyphBits newBits);
    void CopyBits(const uint8_t* source, std::size_t count);
    void SetByte(std::size_t offset, uint8_t value);
    void FreeBits();
    // Takes `values` (width x height bytes) as the coverage and marks in the bitmap (which
    // must be there, of the same size) the pixels that have any.
    void SetCoverage(GlyphBits values, int width, int height);

    // "[index]" in a custom set, otherwise the character's CP949 bytes and "[0x%04x]",
    // with carriage returns and line feeds removed.
    std::string GetLabel(CodeRange setRange) const;

    int32_t originalIndex = -1;
    int32_t index = -1;
    GlyphBits bits;
    // Glyphs drawn at more than one bit a pixel (see CGlyphSet::bpp) also keep their grey
    // coverage: a byte a pixel, 0 to 2^bpp - 1, rows top first; `bits` then marks the pixels
    // that have any. Null for a 1-bit glyph.
    GlyphBits coverage;
    uint16_t code = 0;
    GlyphMetrics metrics;
};

// An owned glyph; destroying it frees the bitmap and returns the record to the pool.
using GlyphPtr = std::unique_ptr<CGlyph>;

// The one way a glyph is made: `code`, a blank bitmap of `bytes` bytes (none for 0) and the
// given positions.
GlyphPtr NewGlyph(uint16_t code, std::size_t bytes, int32_t index = -1, int32_t originalIndex = -1);

// Checks a glyph size: 1 to 256 pixels each way.
Result CheckGlyphSize(int32_t width, int32_t height);

// Free list of CGlyph records, grown by blocks of 9000 so that the largest range costs a
// single allocation. Both the extraction worker and the UI thread create and destroy
// glyphs, hence the lock.
class CGlyphPool {
public:
    static constexpr std::size_t kBlockRecords = 9000;

    static CGlyphPool& Instance();

    void* Allocate();
    void Release(void* record);
    std::size_t InUse() const;
    std::size_t BlockCount() const;

private:
    CGlyphPool() = default;
    ~CGlyphPool() = default;
    void AddBlock();

    union Record {
        Record* next;
        alignas(CGlyph) unsigned char storage[sizeof(CGlyph)];
    };

    mutable std::mutex lock;
    Record* freeList = nullptr;
    std::vector<std::unique_ptr<Record[]>> blocks;
    std::size_t inUse = 0;
};

}  // namespace brivo
