// libFuzzer target for the C source reader: the glyphs must hold the bytes of a plain,
// line-by-line reading of the same rules.

#include "fontfile/TextFontReader.h"
#include "fuzz/FuzzInput.h"

using namespace brivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (!FuzzInput::Parse(data, size, input)) return 0;
    const std::vector<uint8_t> plain = PlainTextReading(input.contents);
    std::vector<CGlyph*> glyphs =
        ParseTextFont(input.contents, input.width, input.height, input.range, input.exceptUnused);
    CheckLoadedGlyphs(input, glyphs,
                      std::string_view(reinterpret_cast<const char*>(plain.data()), plain.size()));
    return 0;
}
