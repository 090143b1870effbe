// libFuzzer target for the .fnt reader.

#include <algorithm>

#include "fuzz/FuzzInput.h"

using namespace brivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (!FuzzInput::Parse(data, size, input)) return 0;
    std::vector<GlyphPtr> glyphs = ParseFontRecords(input.contents, input.width, input.height,
                                                    input.range, input.skip, input.exceptUnused);
    // Each glyph holds its record, zero-padded where the file ends.
    const std::size_t skipped = std::min<std::size_t>(input.skip, input.contents.size());
    CheckLoadedGlyphs(input, glyphs, input.contents.substr(skipped));
    return 0;
}
