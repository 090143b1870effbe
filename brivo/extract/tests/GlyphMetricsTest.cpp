// The metrics an extraction keeps (each glyph's advance and ink box, the font's ascent,
// descent and line height) against FreeType's own, read by the independent reference
// renderer, at every size from 10 to 32 pixels, for a fixed-pitch Korean face, a
// proportional Korean face and a proportional Latin face.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "MonoReference.h"
#include "extract/ExtractWorker.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

std::string FontFile(const std::string& pattern) {
    std::string file;
    if (FILE* pipe = popen(("fc-match -f '%{file}' '" + pattern + "'").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) file += buffer;
        pclose(pipe);
    }
    return file;
}

// The ink box of a rendering as rows of '#' and '.', the pen at column `originX` on the
// baseline `baseline` rows below the top.
InkBox BoxOfArt(const std::vector<std::string>& rows, int originX, int baseline) {
    int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
        for (int x = 0; x < static_cast<int>(rows[y].size()); ++x)
            if (rows[y][x] == '#') {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return {};
    return {left - originX, baseline - bottom - 1, right - left + 1, bottom - top + 1};
}

TEST(GlyphMetricsTest, ExtractionKeepsFreeTypesMetricsAtEverySize) {
    struct Face {
        std::string pattern;
        std::string text;  // Hangul, ASCII and KS X 1001 symbols the face has
        bool latinOnly;    // half-width cells: the cell is made twice the size wide
    };
    const Face faces[] = {
        {"NanumGothicCoding:style=Regular", "Hgi.W@ \xEA\xB0\x80\xED\x95\x9C\xEA\xB0\x92", false},
        {"Baekmuk Gulim", "Hgi.W@ \xEA\xB0\x80\xED\x95\x9C\xEA\xB0\x92\xE2\x80\xBB\xE2\x97\x86",
         false},
        {"DejaVu Sans:style=Book", "Hgi.W@j|", true},
    };
    for (const Face& face : faces) {
        const std::string file = FontFile(face.pattern);
        ASSERT_FALSE(file.empty()) << face.pattern;
        CCharacterSubset subset;
        ASSERT_TRUE(subset.AddText(face.text, "text"));
        CMonoReference reference;
        bool proportionalSeen = false;
        for (int px = 10; px <= 32; ++px) {
            SCOPED_TRACE(face.pattern + " at " + std::to_string(px));
            ASSERT_TRUE(reference.Open(file, 0, px));
            ExtractSettings settings;
            settings.range = RANGE_CUSTOM;
            settings.codes = subset.Codes();
            settings.fontSizeX = face.latinOnly ? 2 * px : px;
            // The face's whole character cell, so that no glyph is cut or moved in.
            const int rows = std::max(px, reference.Ascent() + reference.Descent());
            settings.fontSizeY = rows;
            settings.fallback = false;
            settings.logFont.faceName = file;
            settings.logFont.height = -px;
            CGlyphSet set;
            CExtractWorker worker;
            ASSERT_TRUE(worker.StartExtraction(settings, set));
            worker.Wait();
            ASSERT_EQ(set.Count(), static_cast<int>(settings.codes.size()));

            ASSERT_TRUE(set.lineMetrics.has_value());
            EXPECT_EQ(set.lineMetrics->ascent, reference.Ascent());
            EXPECT_EQ(set.lineMetrics->descent, reference.Descent());
            EXPECT_EQ(set.lineMetrics->lineHeight, reference.LineHeight());
            EXPECT_EQ(set.lineMetrics->originX, 0);
            EXPECT_EQ(set.baseline, reference.Ascent());

            for (const GlyphPtr& owned : set.glyphs) {
                const CGlyph* glyph = owned.get();
                const char32_t character = *CharacterOfCode(glyph->code);
                SCOPED_TRACE("U+" + std::to_string(static_cast<unsigned>(character)));
                const int advance = reference.Advance(character);
                ASSERT_GE(advance, 0) << "the face lacks the character";
                const std::vector<std::string> art = reference.Render(character, set.width, rows);
                EXPECT_EQ(glyph->metrics.ink, BoxOfArt(art, 0, reference.Ascent()));
                EXPECT_EQ(set.CurrentInk(glyph), glyph->metrics.ink);
                if (reference.FixedPitch()) {
                    // A fixed-pitch face keeps its pitch: the glyph advances by its cell.
                    EXPECT_EQ(glyph->metrics.advance, 0);
                    EXPECT_EQ(set.FontAdvance(glyph), set.CellAdvance(glyph));
                } else {
                    EXPECT_EQ(glyph->metrics.advance, advance);
                    EXPECT_EQ(set.FontAdvance(glyph), advance);
                    proportionalSeen = proportionalSeen || advance != set.CellAdvance(glyph);
                }
            }

            // The pen origin moved in the cell moves the cell's ink, not the ink box (of
            // glyphs that fit the cell either way: none cut at an edge).
            if (px != 16) continue;
            settings.offsetX = 2;
            settings.offsetY = 1;
            CGlyphSet moved;
            ASSERT_TRUE(worker.StartExtraction(settings, moved));
            worker.Wait();
            ASSERT_EQ(moved.lineMetrics->originX, 2);
            ASSERT_EQ(moved.baseline, reference.Ascent() + 1);
            for (int n = 0; n < moved.Count(); ++n) {
                const InkBox& ink = set.glyphs[n]->metrics.ink;
                const int left = ink.LeftColumn(0), bottom = ink.TopRow(*set.baseline) + ink.height;
                if (ink.Empty() || left <= 0 || left + ink.width + 2 >= set.width || bottom >= rows)
                    continue;
                EXPECT_EQ(moved.glyphs[n]->metrics.ink, ink)
                    << static_cast<char>(moved.glyphs[n]->code);
            }
        }
        EXPECT_EQ(proportionalSeen, !reference.FixedPitch()) << face.pattern;
    }
}

}  // namespace
