#pragma once

#include <cstdint>
#include <string>

namespace brivo {

constexpr int32_t kNormalWeight = 400;
constexpr int32_t kBoldWeight = 700;
constexpr int kDefaultDpi = 96;

// The font description the user edits, shaped like a Windows LOGFONT.
// height < 0: character (em) height in pixels; height > 0: cell height (ascent + descent);
// 0: the default of 16 pixels em height. Weight 0 means normal.
struct LogFont {
    int32_t height = -16;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    // UTF-8, at most kMaxFaceNameBytes bytes in code page 949 (FaceNameBytes); a path of a
    // font file when it holds a slash
    std::string faceName = "굴림체";

    static constexpr std::size_t kMaxFaceNameBytes = 31;
};

// The length of a face name in the stored form, code page 949: a Hangul syllable takes 2
// bytes there (3 in UTF-8), so 15 syllables fit in 31 bytes.
std::size_t FaceNameBytes(const std::string& faceName);

// `faceName` (UTF-8) cut at a character boundary to at most kMaxFaceNameBytes stored bytes.
std::string FitFaceName(std::string faceName);

// Windows' MulDiv: a * b / c rounded half away from zero.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// "굴림체, 12", "Foo, 9, Bold, Italic": face, point size at `dpi`, then the style flags.
std::string FontDescriptionText(const LogFont& font, int dpi = kDefaultDpi);

}  // namespace brivo
