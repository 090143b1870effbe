#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "glyph/Glyph.h"

using namespace brivo;

TEST(GlyphPoolTest, RecordsComeFromBlocksOf9000AndAreReused) {
    CGlyphPool& pool = CGlyphPool::Instance();
    const std::size_t inUse = pool.InUse();
    std::vector<GlyphPtr> glyphs;
    for (int i = 0; i < 8742; ++i) glyphs.push_back(NewGlyph(0, 0));
    EXPECT_EQ(pool.InUse(), inUse + 8742);
    EXPECT_EQ(pool.BlockCount(), 1u);
    glyphs.clear();
    EXPECT_EQ(pool.InUse(), inUse);
    for (int i = 0; i < 9000; ++i) glyphs.push_back(NewGlyph(0, 0));
    EXPECT_EQ(pool.BlockCount(), 1u);  // every record of the block is in use now, none new
    GlyphPtr extra = NewGlyph(0, 0);
    EXPECT_EQ(pool.BlockCount(), 2u);
}

TEST(GlyphPoolTest, CreatedGlyphStartsUnplaced) {
    GlyphPtr glyph = std::make_unique<CGlyph>();
    EXPECT_EQ(glyph->index, -1);
    EXPECT_EQ(glyph->originalIndex, -1);
    EXPECT_EQ(glyph->bits, nullptr);
    glyph->SetByte(0, 1);  // no bitmap: nothing happens
    uint8_t source[3] = {1, 2, 3};
    glyph->SetCodeAndBits(0x41, NewBits(3));
    glyph->CopyBits(source, 3);
    glyph->SetByte(2, 9);
    EXPECT_EQ(glyph->bits[1], 2);
    EXPECT_EQ(glyph->bits[2], 9);
    glyph->FreeBits();
    EXPECT_EQ(glyph->bits, nullptr);
}

TEST(GlyphPoolTest, TwoThreadsCreateAndDestroyAtOnce) {
    const std::size_t inUse = CGlyphPool::Instance().InUse();
    auto churn = [] {
        std::vector<GlyphPtr> mine;
        for (int round = 0; round < 20; ++round) {
            for (int i = 0; i < 500; ++i) mine.push_back(NewGlyph(0, 0));
            mine.clear();
        }
    };
    std::thread other(churn);
    churn();
    other.join();
    EXPECT_EQ(CGlyphPool::Instance().InUse(), inUse);
}
