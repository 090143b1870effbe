#include "MonoReference.h"

#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

CMonoReference::CMonoReference() { FT_Init_FreeType(&library); }

CMonoReference::~CMonoReference() {
    for (auto& [key, opened] : faces) FT_Done_Face(opened);
    FT_Done_FreeType(library);
}

bool CMonoReference::Open(const std::string& file, int faceIndex, int em) {
    face = nullptr;
    FT_Face& opened = faces[file + "#" + std::to_string(faceIndex)];
    if (opened == nullptr && FT_New_Face(library, file.c_str(), faceIndex, &opened) != 0) {
        opened = nullptr;
        return false;
    }
    if (opened->size->metrics.y_ppem != em && FT_Set_Pixel_Sizes(opened, 0, em) != 0) return false;
    face = opened;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const bool win = os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0;
    const double scale = static_cast<double>(em) / face->units_per_EM;
    ascent = static_cast<int>(std::lround((win ? os2->usWinAscent : face->ascender) * scale));
    descent = static_cast<int>(std::lround((win ? os2->usWinDescent : -face->descender) * scale));
    lineHeight = static_cast<int>(std::lround(face->height * scale));
    return true;
}

int CMonoReference::Advance(char32_t character, bool grey) {
    const FT_UInt index = face != nullptr ? FT_Get_Char_Index(face, character) : 0;
    if (index == 0 || FT_Load_Glyph(face, index, grey ? FT_LOAD_DEFAULT : FT_LOAD_TARGET_MONO) != 0)
        return -1;
    return static_cast<int>((face->glyph->advance.x + 32) / 64);
}

std::vector<std::string> CMonoReference::Render(char32_t character, int width, int height) {
    std::vector<std::string> rows(height, std::string(width, '.'));
    if (face == nullptr) return rows;
    const FT_UInt index = FT_Get_Char_Index(face, character);
    if (index == 0) return rows;
    for (const bool mono : {true, false}) {
        if (FT_Load_Glyph(face, index, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) != 0 ||
            FT_Render_Glyph(face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return rows;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        auto value = [&bitmap](unsigned x, unsigned y) {
            const unsigned char* row = bitmap.buffer + static_cast<int>(y) * bitmap.pitch;
            return bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x / 8] >> (7 - x % 8)) & 1) * 255
                                                           : row[x];
        };
        int darkest = 0;
        for (unsigned y = 0; y < bitmap.rows; ++y)
            for (unsigned x = 0; x < bitmap.width; ++x) darkest = std::max(darkest, value(x, y));
        if (darkest == 0) continue;
        // Greyscale: above half coverage, or where nothing is, above half the darkest.
        const int floor = std::min(128, darkest / 2 + 1);
        const int top = Top(height);
        const int left = face->glyph->bitmap_left;
        for (unsigned y = 0; y < bitmap.rows; ++y)
            for (unsigned x = 0; x < bitmap.width; ++x) {
                const int cx = left + static_cast<int>(x), cy = top + static_cast<int>(y);
                if (value(x, y) >= floor && cx >= 0 && cx < width && cy >= 0 && cy < height)
                    rows[cy][cx] = '#';
            }
        break;
    }
    return rows;
}

int CMonoReference::Top(int height) const {
    // A glyph that juts out at the top or bottom while the cell could hold it moves in.
    const int rows = static_cast<int>(face->glyph->bitmap.rows);
    const int top = ascent - face->glyph->bitmap_top;
    return rows <= height ? std::clamp(top, 0, height - rows) : top;
}

std::vector<std::vector<uint8_t>> CMonoReference::RenderGrey(char32_t character, int width,
                                                             int height, int bpp) {
    std::vector<std::vector<uint8_t>> cell(height, std::vector<uint8_t>(width, 0));
    const FT_UInt index = face != nullptr ? FT_Get_Char_Index(face, character) : 0;
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return cell;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int top = Top(height), left = face->glyph->bitmap_left;
    const unsigned most = (1u << bpp) - 1;
    for (unsigned y = 0; y < bitmap.rows; ++y)
        for (unsigned x = 0; x < bitmap.width; ++x) {
            const int cx = left + static_cast<int>(x), cy = top + static_cast<int>(y);
            if (cx < 0 || cx >= width || cy < 0 || cy >= height) continue;
            const unsigned coverage = bitmap.buffer[static_cast<int>(y) * bitmap.pitch + x];
            cell[cy][cx] = static_cast<uint8_t>((coverage * most + 127) / 255);
        }
    return cell;
}
