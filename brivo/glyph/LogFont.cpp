#include "glyph/LogFont.h"

#include <cstdlib>

#include "glyph/Cp949.h"

namespace brivo {

std::size_t FaceNameBytes(const std::string& faceName) { return Utf8ToCp949(faceName).size(); }

std::string FitFaceName(std::string faceName) {
    while (FaceNameBytes(faceName) > LogFont::kMaxFaceNameBytes) {
        faceName.pop_back();
        while (!faceName.empty() && (static_cast<uint8_t>(faceName.back()) & 0xC0) == 0x80)
            faceName.pop_back();
        if (!faceName.empty() && static_cast<uint8_t>(faceName.back()) >= 0xC0) faceName.pop_back();
    }
    return faceName;
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = std::llabs(c) / 2;
    const int64_t rounded = (product >= 0) == (c > 0)
                                ? (std::llabs(product) + half) / std::llabs(c)
                                : -((std::llabs(product) + half) / std::llabs(c));
    return static_cast<int32_t>(rounded);
}

std::string FontDescriptionText(const LogFont& font, int dpi) {
    const int points = -MulDiv(font.height, 72, dpi);
    std::string text = font.faceName + ", " + std::to_string(points);
    if (font.weight >= kBoldWeight) text += ", Bold";
    if (font.italic) text += ", Italic";
    if (font.underline) text += ", Underline";
    if (font.strikeOut) text += ", StrikeOut";
    return text;
}

}  // namespace brivo
