#include "extract/GlyphRasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstring>

void ThresholdPixels(const uint8_t* pixels, int width, int height, int threshold, uint8_t* out) {
    // With integers, (B + G + R) / 3 < threshold is the same test as B + G + R < 3 * threshold.
    const int limit = 3 * threshold;
    for (int r = 0; r < height; ++r) {
        const uint8_t* p = pixels + static_cast<std::size_t>(r) * width * 4;
        for (int x0 = 0; x0 < width; x0 += 8) {
            const int count = std::min(8, width - x0);
            unsigned byte = 0;
            for (int b = 0; b < count; ++b, p += 4)
                byte |= static_cast<unsigned>(p[0] + p[1] + p[2] < limit) << (7 - b);
            *out++ = static_cast<uint8_t>(byte);
        }
    }
}

namespace {

FT_Library Lib(void* p) { return static_cast<FT_Library>(p); }
FT_Face Face(void* p) { return static_cast<FT_Face>(p); }

// Pixel em size for a description: negative height = em height, positive = cell height.
int EmPixels(FT_Face face, int32_t height, int cellUnits) {
    if (height < 0) return -height;
    if (height == 0) return 16;
    if (cellUnits <= 0 || !FT_IS_SCALABLE(face)) return height;
    return std::max(1, MulDiv(height, face->units_per_EM, cellUnits));
}

}  // namespace

CGlyphRasterizer::CGlyphRasterizer() {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0) library = lib;
    iconv_t cd = iconv_open("UTF-32LE", "CP949");
    if (cd != reinterpret_cast<iconv_t>(-1)) decoder = cd;
}

CGlyphRasterizer::~CGlyphRasterizer() {
    for (auto& [key, f] : faces) FT_Done_Face(Face(f));
    if (library != nullptr) FT_Done_FreeType(Lib(library));
    if (decoder != nullptr) iconv_close(static_cast<iconv_t>(decoder));
}

Result CGlyphRasterizer::SetCellSize(int width, int height) {
    if (width < 1 || height < 1) return Result::Failure("the glyph cell must be at least 1 x 1");
    cellWidth = width;
    cellHeight = height;
    pixels.assign(static_cast<std::size_t>(width) * height * 4, 0xFF);
    return Result::Success();
}

void CGlyphRasterizer::DeleteFont() {
    face = nullptr;
    selected = ResolvedFont{};
}

Result CGlyphRasterizer::CreateFont(const LogFont& font) {
    DeleteFont();
    if (library == nullptr) return Result::Failure("FreeType cannot be initialised");
    ResolvedFont resolved;
    if (Result found = CFontResolver::Instance().Resolve(font, resolved); !found) return found;

    const std::string key = resolved.file + "#" + std::to_string(resolved.faceIndex);
    FT_Face ft = nullptr;
    if (auto open = faces.find(key); open != faces.end()) {
        ft = Face(open->second);
    } else {
        if (FT_New_Face(Lib(library), resolved.file.c_str(), resolved.faceIndex, &ft) != 0)
            return Result::Failure("cannot read the font file " + resolved.file);
        faces.emplace(key, ft);
    }

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    const bool winMetrics = os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0;
    const int ascentUnits = winMetrics ? os2->usWinAscent : ft->ascender;
    const int descentUnits = winMetrics ? os2->usWinDescent : -ft->descender;
    const int em = EmPixels(ft, font.height, ascentUnits + descentUnits);

    if (FT_IS_SCALABLE(ft)) {
        // Setting a size runs the font's hinting set-up; skip it when nothing changes.
        if (ft->size->metrics.y_ppem != em && FT_Set_Pixel_Sizes(ft, 0, em) != 0)
            return Result::Failure("the font " + resolved.family + " cannot be scaled");
        const double scale = static_cast<double>(em) / ft->units_per_EM;
        ascent = static_cast<int>(std::lround(ascentUnits * scale));
        underlineRows = std::max(1L, std::lround(ft->underline_thickness * scale));
        underlineTop = ascent - static_cast<int>(std::lround(ft->underline_position * scale)) -
                       underlineRows / 2;
        const bool hasStrike = os2 != nullptr && os2->yStrikeoutSize > 0;
        strikeRows =
            hasStrike ? std::max(1L, std::lround(os2->yStrikeoutSize * scale)) : underlineRows;
        strikeTop =
            ascent -
            static_cast<int>(std::lround(hasStrike ? os2->yStrikeoutPosition * scale : em * 0.3));
    } else if (ft->num_fixed_sizes > 0) {
        // Bitmap-only font: the strike nearest to the wanted size.
        int best = 0;
        for (int i = 1; i < ft->num_fixed_sizes; ++i)
            if (std::abs(ft->available_sizes[i].height - em) <
                std::abs(ft->available_sizes[best].height - em))
                best = i;
        if (FT_Select_Size(ft, best) != 0)
            return Result::Failure("the font " + resolved.family + " has no usable size");
        ascent = static_cast<int>(ft->size->metrics.ascender >> 6);
        underlineRows = strikeRows = 1;
        underlineTop = ascent + 1;
        strikeTop = ascent - ascent / 3;
    } else {
        return Result::Failure("the font " + resolved.family + " has no usable size");
    }
    face = ft;
    selected = resolved;
    selectedFont = font;
    return Result::Success();
}

char32_t CGlyphRasterizer::Decode(uint16_t code) {
    if (code < 0x80) return code;
    if (code <= 0xFF || decoder == nullptr) return 0;
    char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in, outLeft = sizeof out;
    auto cd = static_cast<iconv_t>(decoder);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        sizeof out - outLeft != 4)
        return 0;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

bool CGlyphRasterizer::IsAssigned(uint16_t code) { return code < 0x80 || Decode(code) != 0; }

void CGlyphRasterizer::DrawCoverage(const void* bitmapPtr, int left, int top) {
    const auto& bitmap = *static_cast<const FT_Bitmap*>(bitmapPtr);
    const int rows = static_cast<int>(bitmap.rows), cols = static_cast<int>(bitmap.width);
    const int pitch = bitmap.pitch;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    const int grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    // Only the part of the glyph bitmap that lies inside the cell.
    const int firstRow = std::max(0, -top), lastRow = std::min(rows, cellHeight - top);
    const int firstCol = std::max(0, -left), lastCol = std::min(cols, cellWidth - left);
    for (int j = firstRow; j < lastRow; ++j) {
        const unsigned char* row =
            pitch >= 0 ? bitmap.buffer + j * pitch : bitmap.buffer + (rows - 1 - j) * -pitch;
        uint8_t* out = &pixels[(static_cast<std::size_t>(top + j) * cellWidth + left) * 4];
        for (int i = firstCol; i < lastCol; ++i) {
            const int coverage = mono           ? ((row[i >> 3] >> (7 - (i & 7))) & 1) * 255
                                 : grays == 255 ? row[i]
                                                : std::min(row[i] * 255 / grays, 255);
            if (coverage == 0) continue;
            const auto value = static_cast<uint8_t>(255 - coverage);
            uint8_t* p = out + i * 4;
            p[0] = std::min(p[0], value);
            p[1] = std::min(p[1], value);
            p[2] = std::min(p[2], value);
        }
    }
}

void CGlyphRasterizer::FillRows(int x0, int x1, int y0, int rows) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, cellWidth);
    for (int y = std::max(y0, 0); y < std::min(y0 + rows, cellHeight); ++y)
        for (int x = x0; x < x1; ++x)
            std::memset(&pixels[(static_cast<std::size_t>(y) * cellWidth + x) * 4], 0, 3);
}

void CGlyphRasterizer::DrawCode(uint16_t code, int originX, int originY) {
    lastMissing = false;
    if (code == 0) return;  // the empty string: nothing at all is drawn
    FT_Face ft = Face(face);
    const char32_t character = Decode(code);
    const FT_UInt glyphIndex = character != 0 ? FT_Get_Char_Index(ft, character) : 0;
    lastMissing = glyphIndex == 0;
    int advance = 0;
    if (glyphIndex != 0 && FT_Load_Glyph(ft, glyphIndex, FT_LOAD_DEFAULT) == 0) {
        FT_GlyphSlot slot = ft->glyph;
        if (selected.oblique) FT_GlyphSlot_Oblique(slot);
        if (selected.embolden) FT_GlyphSlot_Embolden(slot);
        if (slot->format == FT_GLYPH_FORMAT_BITMAP ||
            FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0)
            DrawCoverage(&slot->bitmap, originX + slot->bitmap_left,
                         originY + ascent - slot->bitmap_top);
        advance = static_cast<int>(slot->advance.x >> 6);
    }
    if (selectedFont.underline)
        FillRows(originX, originX + advance, originY + underlineTop, underlineRows);
    if (selectedFont.strikeOut)
        FillRows(originX, originX + advance, originY + strikeTop, strikeRows);
}

uint8_t* CGlyphRasterizer::RenderGlyph(uint16_t code, int offsetX, int offsetY, int threshold) {
    if (face == nullptr || pixels.empty()) return nullptr;
    std::fill(pixels.begin(), pixels.end(), 0xFF);
    // Far beyond the cell nothing shows; the clamp keeps the pixel arithmetic in range.
    constexpr int kFar = 1 << 20;
    DrawCode(code, std::clamp(offsetX, -kFar, kFar), std::clamp(offsetY, -kFar, kFar));
    auto* bits = new uint8_t[static_cast<std::size_t>(cellHeight) * ((cellWidth + 7) / 8)];
    ThresholdPixels(pixels.data(), cellWidth, cellHeight, threshold, bits);
    return bits;
}
