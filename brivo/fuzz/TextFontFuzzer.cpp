// libFuzzer target for the C source reader: the glyphs must hold the bytes of a plain,
// line-by-line reading of the same rules.

#include "fontfile/TextFontReader.h"
#include "fuzz/FuzzInput.h"
#include "glyph/CharacterSubset.h"

using namespace brivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (!FuzzInput::Parse(data, size, input)) return 0;
    const PlainText plain = PlainTextReading(input.contents);
    // The table gives the codes; a fixed range looks for it only in the lines right after
    // its last glyph, so there its own codes pass too.
    std::vector<uint16_t> tableCodes;
    for (uint16_t value : plain.table)
        tableCodes.push_back(
            CodeFromIndex(value, plain.unicode ? CodeIndex::Unicode : CodeIndex::EucKr)
                .value_or(0));
    // Read as rows whatever a "Bit Layout" line says: the plain reading knows no other layout.
    std::vector<GlyphPtr> glyphs = ParseTextFont(input.contents, input.width, input.height,
                                                 input.range, input.exceptUnused, BitLayout{});
    CheckLoadedGlyphs(
        input, glyphs,
        std::string_view(reinterpret_cast<const char*>(plain.bytes.data()), plain.bytes.size()),
        tableCodes);
    return 0;
}
