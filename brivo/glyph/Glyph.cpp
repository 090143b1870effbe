#include "glyph/Glyph.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "glyph/GlyphBitmap.h"

namespace brivo {

void* CGlyph::operator new(std::size_t size) {
    if (size != sizeof(CGlyph)) return ::operator new(size);
    return CGlyphPool::Instance().Allocate();
}

void CGlyph::operator delete(void* record, std::size_t size) {
    if (record == nullptr) return;
    if (size != sizeof(CGlyph)) {
        ::operator delete(record);
        return;
    }
    CGlyphPool::Instance().Release(record);
}

GlyphBits NewBits(std::size_t bytes) {
    return bytes > 0 ? std::make_unique<uint8_t[]>(bytes) : nullptr;
}

std::vector<uint8_t> CoverageOfBits(const uint8_t* bits, int width, int height, int bpp) {
    std::vector<uint8_t> values(static_cast<std::size_t>(width) * height, 0);
    const CGlyphBitmapView bitmap(bits, width, height);
    const auto full = static_cast<uint8_t>((1u << bpp) - 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (bitmap.Pixel(x, y)) values[static_cast<std::size_t>(y) * width + x] = full;
    return values;
}

void CGlyph::SetCodeAndBits(uint16_t newCode, GlyphBits newBits) {
    code = newCode;
    bits = std::move(newBits);
    coverage.reset();
}

void CGlyph::CopyBits(const uint8_t* source, std::size_t count) {
    if (bits != nullptr && source != nullptr) std::memcpy(bits.get(), source, count);
    coverage.reset();
}

void CGlyph::SetByte(std::size_t offset, uint8_t value) {
    if (bits != nullptr) bits[offset] = value;
    coverage.reset();
}

void CGlyph::FreeBits() {
    bits.reset();
    coverage.reset();
}

void CGlyph::SetCoverage(GlyphBits values, int width, int height) {
    coverage = std::move(values);
    if (bits == nullptr || coverage == nullptr) return;
    CGlyphBitmap bitmap(bits.get(), width, height);
    bitmap.Clear();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (coverage[static_cast<std::size_t>(y) * width + x] != 0) bitmap.SetPixel(x, y, true);
}

GlyphPtr NewGlyph(uint16_t code, std::size_t bytes, int32_t index, int32_t originalIndex) {
    auto glyph = std::make_unique<CGlyph>();
    glyph->SetCodeAndBits(code, NewBits(bytes));
    glyph->index = index;
    glyph->originalIndex = originalIndex;
    return glyph;
}

Result CheckGlyphSize(int32_t width, int32_t height) {
    if (width < 1 || width > 256 || height < 1 || height > 256)
        return Result::Failure(ErrorKind::GlyphSize,
                               "the glyph size must be 1 to 256 pixels each way, not " +
                                   std::to_string(width) + "x" + std::to_string(height));
    return Result::Success();
}

std::string CGlyph::GetLabel(CodeRange setRange) const {
    char text[32];
    if (setRange == RANGE_CUSTOM) {
        std::snprintf(text, sizeof text, "[%d]", index);
        return text;
    }
    // The character as a C string: code 0 is the empty string.
    std::string label;
    if (code > 0xFF) label += static_cast<char>(code >> 8);
    if (code & 0xFF) label += static_cast<char>(code & 0xFF);
    std::snprintf(text, sizeof text, "[0x%04x]", code);
    label += text;
    std::erase_if(label, [](char c) { return c == '\r' || c == '\n'; });
    return label;
}

CGlyphPool& CGlyphPool::Instance() {
    // Never destroyed: glyphs of static objects may outlive any ordinary static.
    static CGlyphPool* pool = new CGlyphPool;
    return *pool;
}

void CGlyphPool::AddBlock() {
    Record* block =
        blocks.emplace_back(std::make_unique_for_overwrite<Record[]>(kBlockRecords)).get();
    for (std::size_t i = 0; i + 1 < kBlockRecords; ++i) block[i].next = &block[i + 1];
    block[kBlockRecords - 1].next = freeList;
    freeList = block;
}

void* CGlyphPool::Allocate() {
    std::lock_guard guard(lock);
    if (freeList == nullptr) AddBlock();
    Record* record = freeList;
    freeList = record->next;
    ++inUse;
    return record->storage;
}

void CGlyphPool::Release(void* record) {
    std::lock_guard guard(lock);
    auto* r = static_cast<Record*>(record);
    r->next = freeList;
    freeList = r;
    --inUse;
}

std::size_t CGlyphPool::InUse() const {
    std::lock_guard guard(lock);
    return inUse;
}

std::size_t CGlyphPool::BlockCount() const {
    std::lock_guard guard(lock);
    return blocks.size();
}

}  // namespace brivo
