// libFuzzer target for the C source reader.

#include "FuzzInput.h"
#include "fontfile/TextFontReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (!FuzzInput::Parse(data, size, input)) return 0;
    std::vector<CGlyph*> glyphs =
        ParseTextFont(input.contents, input.width, input.height, input.range, input.exceptUnused);
    CheckLoadedGlyphs(input, glyphs);
    return 0;
}
