// The counts an extraction reports: codes without a glyph, and among them the codes that
// KS X 1001 leaves unassigned. The unassigned count depends on the code table only, never
// on the font (or fonts) that supply the glyphs.

#include <gtest/gtest.h>

#include "extract/ExtractWorker.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

TEST(ExtractOutcomeTest, UnassignedCodesCountTheCodeTableNotTheFont) {
    SingletonTraceStream() = nullptr;
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int unassigned;
    };
    // Counted with Python's euc_kr codec, which decodes 0xA4D4 (the Hangul filler) only as
    // the start of a composed sequence: 423 of 0xA1A1-0xAFFE fail there, 0xA4D4 is
    // assigned. 282 of them are the unused lead bytes 0xAD-0xAF. Every ASCII code counts as
    // assigned, also the control codes that no font draws.
    const Case cases[] = {
        {RANGE_ASCII, false, 0},
        {RANGE_FULLWIDTH1, false, 422},
        {RANGE_FULLWIDTH1, true, 422 - 282},
    };
    for (const Case& c : cases) {
        ExtractSettings settings;
        settings.range = c.range;
        settings.exceptUnused = c.exceptUnused;
        CGlyphSet set;
        CExtractWorker worker;
        ASSERT_TRUE(worker.StartExtraction(settings, set));
        worker.Wait();
        const ExtractOutcome& outcome = worker.LastOutcome();
        ASSERT_EQ(outcome.end, ExtractEnd::Completed);
        EXPECT_EQ(outcome.unassignedCodes, c.unassigned) << c.range << " " << c.exceptUnused;
        // An unassigned code has no character, so no font has a glyph for it.
        EXPECT_GE(outcome.missingGlyphs, outcome.unassignedCodes);
    }
}

}  // namespace
