#include "extract/GlyphRasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "glyph/GlyphBitmap.h"

namespace brivo {

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
    pixels.assign(static_cast<std::size_t>(width) * height, 0xFF);
    dirty = Rect{};
    return Result::Success();
}

void CGlyphRasterizer::DeleteFont() {
    primary = SizedFace{};
    fallbackFonts.reset();
    fallbackFaces.clear();
}

Result CGlyphRasterizer::Size(const ResolvedFont& resolved, SizedFace& sized) {
    sized.tried = true;
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
    const int em = EmPixels(ft, selectedFont.height, ascentUnits + descentUnits);

    if (FT_IS_SCALABLE(ft)) {
        // Setting a size runs the font's hinting set-up; skip it when nothing changes.
        if (ft->size->metrics.y_ppem != em && FT_Set_Pixel_Sizes(ft, 0, em) != 0)
            return Result::Failure("the font " + resolved.family + " cannot be scaled");
        sized.ascent =
            static_cast<int>(std::lround(ascentUnits * static_cast<double>(em) / ft->units_per_EM));
    } else if (ft->num_fixed_sizes > 0) {
        // Bitmap-only font: the strike nearest to the wanted size.
        int best = 0;
        for (int i = 1; i < ft->num_fixed_sizes; ++i)
            if (std::abs(ft->available_sizes[i].height - em) <
                std::abs(ft->available_sizes[best].height - em))
                best = i;
        if (FT_Select_Size(ft, best) != 0)
            return Result::Failure("the font " + resolved.family + " has no usable size");
        sized.ascent = static_cast<int>(ft->size->metrics.ascender >> 6);
    } else {
        return Result::Failure("the font " + resolved.family + " has no usable size");
    }
    const FT_Int gasp = FT_Get_Gasp(ft, ft->size->metrics.y_ppem);
    sized.mono = renderMode == RenderMode::Mono ||
                 (renderMode == RenderMode::Auto && gasp != FT_GASP_NO_TABLE &&
                  (gasp & FT_GASP_DO_GRAY) == 0);
    sized.face = ft;
    sized.font = resolved;
    return Result::Success();
}

Result CGlyphRasterizer::CreateFont(const LogFont& font) {
    DeleteFont();
    if (library == nullptr) return Result::Failure("FreeType cannot be initialised");
    ResolvedFont resolved;
    if (Result found = CFontResolver::Instance().Resolve(font, resolved); !found) return found;
    selectedFont = font;
    SizedFace sized;
    if (Result ok = Size(resolved, sized); !ok) return ok;

    FT_Face ft = Face(sized.face);
    const int em = ft->size->metrics.y_ppem;
    const int ascent = sized.ascent;
    if (FT_IS_SCALABLE(ft)) {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
        const double scale = static_cast<double>(em) / ft->units_per_EM;
        underlineRows = std::max(1L, std::lround(ft->underline_thickness * scale));
        underlineTop = ascent - static_cast<int>(std::lround(ft->underline_position * scale)) -
                       underlineRows / 2;
        const bool hasStrike = os2 != nullptr && os2->yStrikeoutSize > 0;
        strikeRows =
            hasStrike ? std::max(1L, std::lround(os2->yStrikeoutSize * scale)) : underlineRows;
        strikeTop =
            ascent -
            static_cast<int>(std::lround(hasStrike ? os2->yStrikeoutPosition * scale : em * 0.3));
    } else {
        underlineRows = strikeRows = 1;
        underlineTop = ascent + 1;
        strikeTop = ascent - ascent / 3;
    }
    primary = sized;
    if (fallback) {
        fallbackFonts = CFontResolver::Instance().Fallbacks(font);
        fallbackFaces.assign(fallbackFonts->Count(), SizedFace{});
    }
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
    if (firstRow >= lastRow || firstCol >= lastCol) return;
    for (int j = firstRow; j < lastRow; ++j) {
        const unsigned char* row =
            pitch >= 0 ? bitmap.buffer + j * pitch : bitmap.buffer + (rows - 1 - j) * -pitch;
        uint8_t* out = &pixels[static_cast<std::size_t>(top + j) * cellWidth + left];
        for (int i = firstCol; i < lastCol; ++i) {
            const int coverage = mono           ? ((row[i >> 3] >> (7 - (i & 7))) & 1) * 255
                                 : grays == 255 ? row[i]
                                                : std::min(row[i] * 255 / grays, 255);
            out[i] = std::min(out[i], static_cast<uint8_t>(255 - coverage));
        }
    }
    MarkDirty(left + firstCol, left + lastCol, top + firstRow, top + lastRow);
}

void CGlyphRasterizer::FillRows(int x0, int x1, int y0, int rows) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, cellWidth);
    const int first = std::max(y0, 0), last = std::min(y0 + rows, cellHeight);
    if (x0 >= x1 || first >= last) return;
    for (int y = first; y < last; ++y)
        std::memset(&pixels[static_cast<std::size_t>(y) * cellWidth + x0], 0, x1 - x0);
    MarkDirty(x0, x1, first, last);
}

void CGlyphRasterizer::MarkDirty(int left, int right, int top, int bottom) {
    if (dirty.Empty()) {
        dirty = Rect{left, right, top, bottom};
    } else {
        dirty.left = std::min(dirty.left, left);
        dirty.right = std::max(dirty.right, right);
        dirty.top = std::min(dirty.top, top);
        dirty.bottom = std::max(dirty.bottom, bottom);
    }
}

CGlyphRasterizer::SizedFace* CGlyphRasterizer::FaceFor(char32_t character, unsigned& glyphIndex) {
    glyphIndex = FT_Get_Char_Index(Face(primary.face), character);
    if (glyphIndex != 0 || !fallbackFonts) return glyphIndex != 0 ? &primary : nullptr;
    const int position = fallbackFonts->Find(character);
    if (position < 0) return nullptr;
    SizedFace& sized = fallbackFaces[position];
    if (!sized.tried && !Size(fallbackFonts->Font(position), sized)) sized.face = nullptr;
    if (sized.face == nullptr) return nullptr;
    glyphIndex = FT_Get_Char_Index(Face(sized.face), character);
    return glyphIndex != 0 ? &sized : nullptr;
}

bool CGlyphRasterizer::DrawGlyph(const SizedFace& sized, unsigned glyphIndex, bool mono,
                                 int originX, int originY, int& advance) {
    FT_Face ft = Face(sized.face);
    if (FT_Load_Glyph(ft, glyphIndex, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) != 0)
        return false;
    FT_GlyphSlot slot = ft->glyph;
    if (sized.font.oblique) FT_GlyphSlot_Oblique(slot);
    if (sized.font.embolden) FT_GlyphSlot_Embolden(slot);
    if (slot->format == FT_GLYPH_FORMAT_BITMAP ||
        FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0)
        DrawCoverage(&slot->bitmap, originX + slot->bitmap_left,
                     originY + sized.ascent - slot->bitmap_top);
    advance = static_cast<int>(slot->advance.x >> 6);
    return true;
}

bool CGlyphRasterizer::HasInk(int threshold) const {
    for (int y = dirty.top; y < dirty.bottom; ++y) {
        const uint8_t* row = &pixels[static_cast<std::size_t>(y) * cellWidth];
        if (std::any_of(row + dirty.left, row + dirty.right,
                        [threshold](uint8_t grey) { return grey < threshold; }))
            return true;
    }
    return false;
}

void CGlyphRasterizer::DrawCode(uint16_t code, int originX, int originY, int threshold) {
    lastMissing = false;
    lastFont = nullptr;
    if (code == 0) return;  // the empty string: nothing at all is drawn
    const char32_t character = Decode(code);
    FT_UInt glyphIndex = 0;
    SizedFace* sized = character != 0 ? FaceFor(character, glyphIndex) : nullptr;
    lastMissing = sized == nullptr;
    int advance = 0;
    if (sized != nullptr && DrawGlyph(*sized, glyphIndex, sized->mono, originX, originY, advance)) {
        lastFont = &sized->font;
        // Strokes thinner than a pixel can fade below the threshold in greyscale; a character
        // the font draws is not left blank for that: it takes its hinted monochrome form.
        if (!sized->mono && renderMode == RenderMode::Auto && !HasInk(threshold))
            DrawGlyph(*sized, glyphIndex, true, originX, originY, advance);
    }
    if (selectedFont.underline)
        FillRows(originX, originX + advance, originY + underlineTop, underlineRows);
    if (selectedFont.strikeOut)
        FillRows(originX, originX + advance, originY + strikeTop, strikeRows);
}

uint8_t* CGlyphRasterizer::RenderGlyph(uint16_t code, int offsetX, int offsetY, int threshold,
                                       uint8_t* into) {
    if (primary.face == nullptr || pixels.empty()) return nullptr;
    // Only the part the previous glyph drew on needs clearing, and only that part can hold
    // ink: the rest of the bitmap stays zero.
    for (int y = dirty.top; y < dirty.bottom; ++y) {
        uint8_t* row = &pixels[static_cast<std::size_t>(y) * cellWidth];
        std::fill(row + dirty.left, row + dirty.right, 0xFF);
    }
    dirty = Rect{};
    // Far beyond the cell nothing shows; the clamp keeps the pixel arithmetic in range.
    constexpr int kFar = 1 << 20;
    DrawCode(code, std::clamp(offsetX, -kFar, kFar), std::clamp(offsetY, -kFar, kFar), threshold);
    const int bytesPerRow = BytesPerRow(cellWidth);
    const std::size_t bytes = static_cast<std::size_t>(cellHeight) * bytesPerRow;
    uint8_t* bits =
        into != nullptr ? static_cast<uint8_t*>(std::memset(into, 0, bytes)) : new uint8_t[bytes]();
    const int firstByte = dirty.left / 8;
    const int count = dirty.right - firstByte * 8;
    for (int y = dirty.top; y < dirty.bottom; ++y)
        ThresholdRow(&pixels[static_cast<std::size_t>(y) * cellWidth + firstByte * 8], count,
                     threshold, bits + static_cast<std::size_t>(y) * bytesPerRow + firstByte);
    return bits;
}

}  // namespace brivo
