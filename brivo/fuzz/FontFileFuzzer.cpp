// libFuzzer target for the .fnt reader.

#include <algorithm>

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (!FuzzInput::Parse(data, size, input)) return 0;
    std::vector<CGlyph*> glyphs = ParseFontRecords(input.contents, input.width, input.height,
                                                   input.range, input.skip, input.exceptUnused);
    const std::size_t bytes = BytesPerGlyph(input.width, input.height);
    const std::size_t records =
        input.contents.size() - std::min<std::size_t>(input.skip, input.contents.size());
    if (input.range == RANGE_CUSTOM && glyphs.size() != (records + bytes - 1) / bytes)
        __builtin_trap();
    // Each glyph holds its record, zero-padded where the file ends.
    const std::string_view file = input.contents.substr(input.contents.size() - records);
    for (std::size_t n = 0; n < glyphs.size(); ++n)
        for (std::size_t i = 0; i < bytes; ++i) {
            const std::size_t at = n * bytes + i;
            if (glyphs[n]->bits[i] != (at < file.size() ? static_cast<uint8_t>(file[at]) : 0))
                __builtin_trap();
        }
    CheckLoadedGlyphs(input, glyphs);
    return 0;
}
