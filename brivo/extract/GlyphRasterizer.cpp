#include "extract/GlyphRasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fcntl.h>
#include <iconv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>

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

// A font file mapped into memory once for the whole process: the faces of every rendering
// thread read the same pages, so the file's memory counts once however many threads render
// from it.
class CMappedFile {
public:
    CMappedFile(void* data, std::size_t size) : data(data), size(size) {}
    ~CMappedFile() { munmap(data, size); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;
    const FT_Byte* Bytes() const { return static_cast<const FT_Byte*>(data); }
    FT_Long Size() const { return static_cast<FT_Long>(size); }

private:
    void* data;
    std::size_t size;
};

// Null when the file cannot be mapped (FreeType then reads it by itself).
std::shared_ptr<const CMappedFile> MapFontFile(const std::string& path) {
    static std::mutex lock;
    static std::map<std::string, std::weak_ptr<const CMappedFile>> mapped;
    std::lock_guard guard(lock);
    if (auto known = mapped[path].lock()) return known;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status {};
    void* data = MAP_FAILED;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
        data =
            mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (data == MAP_FAILED) return nullptr;
    auto file = std::make_shared<const CMappedFile>(data, static_cast<std::size_t>(status.st_size));
    mapped[path] = file;
    return file;
}

}  // namespace

CGlyphRasterizer::CGlyphRasterizer() {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0) library = lib;
    iconv_t cd = iconv_open("UTF-32LE", "CP949");
    if (cd != reinterpret_cast<iconv_t>(-1)) decoder = cd;
}

CGlyphRasterizer::~CGlyphRasterizer() {
    for (auto& [key, f] : faces) FT_Done_Face(Face(f.face));
    if (library != nullptr) FT_Done_FreeType(Lib(library));
    if (decoder != nullptr) iconv_close(static_cast<iconv_t>(decoder));
}

Result CGlyphRasterizer::SetCellSize(int width, int height) {
    if (width < 1 || height < 1) return Result::Failure("the glyph cell must be at least 1 x 1");
    cellWidth = width;
    cellHeight = height;
    return Result::Success();
}

void CGlyphRasterizer::DeleteFont() {
    primary = SizedFace{};
    fallbackFonts.reset();
    fallbackFaces.clear();
    fallbackWanted = false;
}

Result CGlyphRasterizer::Size(const ResolvedFont& resolved, SizedFace& sized) {
    sized.tried = true;
    const std::string key = resolved.file + "#" + std::to_string(resolved.faceIndex);
    FT_Face ft = nullptr;
    if (auto open = faces.find(key); open != faces.end()) {
        ft = Face(open->second.face);
    } else {
        std::shared_ptr<const CMappedFile> file = MapFontFile(resolved.file);
        const FT_Error error =
            file != nullptr
                ? FT_New_Memory_Face(Lib(library), file->Bytes(), file->Size(), resolved.faceIndex,
                                     &ft)
                : FT_New_Face(Lib(library), resolved.file.c_str(), resolved.faceIndex, &ft);
        if (error != 0) return Result::Failure("cannot read the font file " + resolved.file);
        faces.emplace(key, OpenFace{ft, std::move(file)});
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
        const double scale = static_cast<double>(em) / ft->units_per_EM;
        sized.ascent = static_cast<int>(std::lround(ascentUnits * scale));
        sized.rows = sized.ascent + static_cast<int>(std::lround(descentUnits * scale));
        sized.lineHeight = static_cast<int>(std::lround(ft->height * scale));
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
        sized.rows = sized.ascent - static_cast<int>(ft->size->metrics.descender >> 6);
        sized.lineHeight = static_cast<int>(ft->size->metrics.height >> 6);
    } else {
        return Result::Failure("the font " + resolved.family + " has no usable size");
    }
    sized.mono =
        renderMode == RenderMode::Mono || (renderMode == RenderMode::Auto && bitsPerPixel == 1);
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
    fallbackWanted = fallback;  // the fallback order is looked up at the first missing glyph
    return Result::Success();
}

LineMetrics CGlyphRasterizer::SelectedFontLines() const {
    return LineMetrics{primary.ascent, primary.rows - primary.ascent, primary.lineHeight, 0};
}

bool CGlyphRasterizer::SelectedFontFixedPitch() const {
    return primary.face != nullptr && FT_IS_FIXED_WIDTH(Face(primary.face));
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

namespace {

// ORs `count` bits of `from`, starting at bit `fromBit` (most significant first), into `to`
// from bit `toBit` on.
void OrBits(const uint8_t* from, int fromBit, int count, uint8_t* to, int toBit) {
    const int shift = toBit & 7;
    to += toBit >> 3;
    if ((fromBit & 7) == 0) {
        // The usual case, a glyph not cut at the cell's left: whole source bytes, each
        // shifted into one or two bytes of the row.
        from += fromBit >> 3;
        const int whole = count >> 3, rest = count & 7;
        if (shift == 0) {
            for (int i = 0; i < whole; ++i) to[i] |= from[i];
        } else {
            for (int i = 0; i < whole; ++i) {
                to[i] |= static_cast<uint8_t>(from[i] >> shift);
                to[i + 1] |= static_cast<uint8_t>(from[i] << (8 - shift));
            }
        }
        if (rest == 0) return;
        const unsigned last = from[whole] & (0xFFu << (8 - rest)) & 0xFF;
        to[whole] |= static_cast<uint8_t>(last >> shift);
        // Bits that spill into the next byte lie inside the row: only they are written.
        if (const auto spill = static_cast<uint8_t>(last << (8 - shift)); shift != 0 && spill)
            to[whole + 1] |= spill;
        return;
    }
    for (int k = 0; k < count; k += 8) {
        const int s = fromBit + k;
        unsigned byte = (from[s >> 3] << (s & 7)) & 0xFF;
        if ((s & 7) + count - k > 8) byte |= from[(s >> 3) + 1] >> (8 - (s & 7));
        if (count - k < 8) byte &= 0xFFu << (8 - (count - k));
        to[k >> 3] |= static_cast<uint8_t>(byte >> shift);
        if (const auto spill = static_cast<uint8_t>(byte << (8 - shift)); shift != 0 && spill)
            to[(k >> 3) + 1] |= spill;
    }
}

const unsigned char* BitmapRow(const FT_Bitmap& bitmap, int row) {
    return bitmap.pitch >= 0
               ? bitmap.buffer + row * bitmap.pitch
               : bitmap.buffer + (static_cast<int>(bitmap.rows) - 1 - row) * -bitmap.pitch;
}

// The darkest coverage of a bitmap, 0 to 255.
int MaxCoverage(const FT_Bitmap& bitmap) {
    int most = 0;
    for (int j = 0; j < static_cast<int>(bitmap.rows); ++j) {
        const unsigned char* row = BitmapRow(bitmap, j);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (unsigned i = 0; i < (bitmap.width + 7) / 8; ++i)
                if (row[i] != 0) return 255;
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const int grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
            for (unsigned i = 0; i < bitmap.width; ++i)
                most = std::max(most, std::min(row[i] * 255 / grays, 255));
        }
    }
    return most;
}

}  // namespace

void CGlyphRasterizer::DrawBitmap(const void* bitmapPtr, int left, int top, int minCoverage,
                                  int fromX, int toX, uint8_t* bits) const {
    const auto& bitmap = *static_cast<const FT_Bitmap*>(bitmapPtr);
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    const int rows = static_cast<int>(bitmap.rows), cols = static_cast<int>(bitmap.width);
    const int grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    // Only the part of the glyph bitmap that lies inside the cell.
    const int firstRow = std::max(0, -top), lastRow = std::min(rows, cellHeight - top);
    const int firstCol = std::max(std::max(0, fromX) - left, 0);
    const int lastCol = std::min(cols, std::min(cellWidth, toX) - left);
    if (firstRow >= lastRow || firstCol >= lastCol) return;
    const int bytesPerRow = BytesPerRow(cellWidth);
    const unsigned most = (1u << bitsPerPixel) - 1;
    for (int j = firstRow; j < lastRow; ++j) {
        const unsigned char* row = BitmapRow(bitmap, j);
        uint8_t* out = bits + static_cast<std::size_t>(top + j) * bytesPerRow;
        if (coverOut != nullptr) {
            // Coverage, quantised evenly; where glyphs overlap the darker pixel wins.
            uint8_t* cover = coverOut + static_cast<std::size_t>(top + j) * cellWidth;
            for (int i = firstCol; i < lastCol; ++i) {
                const unsigned coverage =
                    mono ? (row[i / 8] >> (7 - i % 8) & 1) * 255u
                         : static_cast<unsigned>(std::min(row[i] * 255 / grays, 255));
                const auto value = static_cast<uint8_t>((coverage * most + 127) / 255);
                if (value == 0) continue;
                cover[left + i] = std::max(cover[left + i], value);
                out[(left + i) >> 3] |= 0x80 >> ((left + i) & 7);
            }
            continue;
        }
        if (mono) {
            OrBits(row, firstCol, lastCol - firstCol, out, left + firstCol);
            continue;
        }
        for (int i = firstCol; i < lastCol; ++i) {
            const int coverage = grays == 255 ? row[i] : std::min(row[i] * 255 / grays, 255);
            if (coverage >= minCoverage) out[(left + i) >> 3] |= 0x80 >> ((left + i) & 7);
        }
    }
}

void CGlyphRasterizer::FillRows(int x0, int x1, int y0, int rows, uint8_t* bits) const {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, cellWidth);
    const int first = std::max(y0, 0), last = std::min(y0 + rows, cellHeight);
    const int bytesPerRow = BytesPerRow(cellWidth);
    for (int y = first; y < last; ++y)
        for (int x = x0; x < x1; ++x) {
            bits[static_cast<std::size_t>(y) * bytesPerRow + x / 8] |= 0x80 >> (x % 8);
            if (coverOut != nullptr)
                coverOut[static_cast<std::size_t>(y) * cellWidth + x] =
                    static_cast<uint8_t>((1u << bitsPerPixel) - 1);
        }
}

CGlyphRasterizer::SizedFace* CGlyphRasterizer::FaceFor(char32_t character, unsigned& glyphIndex) {
    glyphIndex = FT_Get_Char_Index(Face(primary.face), character);
    if (glyphIndex != 0) return &primary;
    if (fallbackWanted) {
        fallbackWanted = false;
        fallbackFonts = CFontResolver::Instance().Fallbacks(selectedFont);
        fallbackFaces.assign(fallbackFonts->Count(), SizedFace{});
    }
    if (!fallbackFonts) return nullptr;
    const int position = fallbackFonts->Find(character);
    if (position < 0) return nullptr;
    SizedFace& sized = fallbackFaces[position];
    if (!sized.tried && !Size(fallbackFonts->Font(position), sized)) sized.face = nullptr;
    if (sized.face == nullptr) return nullptr;
    glyphIndex = FT_Get_Char_Index(Face(sized.face), character);
    return glyphIndex != 0 ? &sized : nullptr;
}

void CGlyphRasterizer::Synthesize(const SizedFace& sized) {
    FT_Face ft = Face(sized.face);
    FT_GlyphSlot slot = ft->glyph;
    if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
        // A pixel wider to the right, no taller.
        if (sized.font.embolden && FT_GlyphSlot_Own_Bitmap(slot) == 0)
            FT_Bitmap_Embolden(Lib(library), &slot->bitmap, 64, 0);
        return;
    }
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
    FT_Outline* outline = &slot->outline;
    FT_BBox box;
    FT_Outline_Get_CBox(outline, &box);
    if (box.xMin >= box.xMax || box.yMin >= box.yMax) return;  // nothing drawn
    // The synthesised glyph keeps its top and baseline and stays within the columns of the
    // regular glyph's advance and ink: neither style pushes ink out of a cell the regular
    // glyph fits.
    // The pixel columns an outline inks: those whose centres it covers.
    auto inkFrom = [](const FT_BBox& b) { return static_cast<int>((b.xMin + 31) >> 6); };
    auto inkTo = [](const FT_BBox& b) { return static_cast<int>((b.xMax + 32) >> 6); };
    // The columns of the regular glyph's ink and advance; what the synthesis still puts
    // beyond them (emboldening's mitred corners) is cut off.
    keepFrom = std::min(0, inkFrom(box));
    keepTo = std::max(static_cast<int>((slot->advance.x + 32) >> 6), inkTo(box));
    const FT_Pos left = FT_Pos{keepFrom} * 64, right = FT_Pos{keepTo} * 64;
    auto room = [&] {
        return std::max<FT_Pos>(0, (keepTo - keepFrom - inkTo(box) + inkFrom(box)) * 64);
    };
    if (sized.font.oblique) {
        // FreeType's own slant (about 12 degrees), less where the glyph would not fit.
        const FT_Fixed slant = std::min<FT_Fixed>(0x366A, FT_DivFix(room(), box.yMax - box.yMin));
        FT_Matrix shear{0x10000, slant, 0, 0x10000};
        FT_Outline_Transform(outline, &shear);
        FT_Outline_Get_CBox(outline, &box);
    }
    if (sized.font.embolden) {
        // FreeType's own strength (an em / 24), in whole pixels so that hinted stems stay on
        // the grid, at least one; only sideways, so horizontal strokes do not run together.
        const FT_Pos em = FT_MulFix(ft->units_per_EM, ft->size->metrics.y_scale);
        const FT_Pos strength =
            std::min<FT_Pos>(std::max<FT_Pos>(64, (em / 24 + 32) & ~63), room());
        if (strength > 0) {
            FT_Outline_EmboldenXY(outline, strength, 0);
            FT_Outline_Get_CBox(outline, &box);
        }
    }
    // Back within the regular glyph's box, by whole pixels where that is enough.
    FT_Pos shift = box.xMax > right ? -((box.xMax - right + 63) & ~63) : 0;
    if (box.xMin + shift < left) shift = left - box.xMin;
    if (shift != 0) FT_Outline_Translate(outline, shift, 0);
}

bool CGlyphRasterizer::LoadGlyph(const SizedFace& sized, unsigned glyphIndex, bool mono) {
    FT_Face ft = Face(sized.face);
    if (FT_Load_Glyph(ft, glyphIndex, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) != 0)
        return false;
    FT_GlyphSlot slot = ft->glyph;
    keepFrom = INT_MIN / 2, keepTo = INT_MAX / 2;
    if (sized.font.oblique || sized.font.embolden) Synthesize(sized);
    return slot->format == FT_GLYPH_FORMAT_BITMAP ||
           FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0;
}

void CGlyphRasterizer::DrawCode(uint16_t code, int originX, int originY, int threshold,
                                uint8_t* bits) {
    lastMissing = false;
    lastGreyRescue = false;
    lastAdvance = 0;
    lastFont = nullptr;
    if (code == 0) return;  // the empty string: nothing at all is drawn
    const char32_t character = Decode(code);
    FT_UInt glyphIndex = 0;
    SizedFace* sized = character != 0 ? FaceFor(character, glyphIndex) : nullptr;
    lastMissing = sized == nullptr;
    int advance = 0;
    if (sized != nullptr && LoadGlyph(*sized, glyphIndex, sized->mono)) {
        lastFont = &sized->font;
        FT_GlyphSlot slot = Face(sized->face)->glyph;
        advance = static_cast<int>(slot->advance.x >> 6);
        lastAdvance = static_cast<int>((slot->advance.x + 32) >> 6);
        int minCoverage = 256 - threshold;  // a pixel is ink when 255 - coverage < threshold
        // Hinting can drop a dot or stroke thinner than a pixel from the monochrome form; a
        // character the font draws is not left blank for that: it takes its greyscale form,
        // and where even that is too faint for the threshold, its darkest pixels.
        if (renderMode == RenderMode::Auto && sized->mono && MaxCoverage(slot->bitmap) == 0 &&
            LoadGlyph(*sized, glyphIndex, false)) {
            if (const int most = MaxCoverage(slot->bitmap); most > 0) {
                lastGreyRescue = true;
                if (most < minCoverage) minCoverage = most / 2 + 1;
            }
        }
        // Hinting rounds a glyph's top and bottom to whole pixels, and a fallback font's
        // ascent differs from the face's: a glyph that juts out of the face's character cell
        // at its top or bottom while the cell could hold it moves in by the rows it juts
        // out, so that no stroke of it is cut.
        int top = sized->ascent - static_cast<int>(slot->bitmap_top);
        const int rows = static_cast<int>(slot->bitmap.rows);
        if (rows <= primary.rows) top = std::clamp(top, 0, primary.rows - rows);
        DrawBitmap(&slot->bitmap, originX + slot->bitmap_left, originY + top, minCoverage,
                   originX + keepFrom, originX + keepTo, bits);
    }
    if (selectedFont.underline)
        FillRows(originX, originX + advance, originY + underlineTop, underlineRows, bits);
    if (selectedFont.strikeOut)
        FillRows(originX, originX + advance, originY + strikeTop, strikeRows, bits);
}

GlyphBits CGlyphRasterizer::RenderGlyph(uint16_t code, int offsetX, int offsetY, int threshold,
                                        GlyphBits into, GlyphBits* coverage) {
    if (primary.face == nullptr || cellWidth == 0) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(cellHeight) * BytesPerRow(cellWidth);
    GlyphBits bits = std::move(into);
    if (bits != nullptr)
        std::memset(bits.get(), 0, bytes);
    else
        bits = NewBits(bytes);
    // Far beyond the cell nothing shows; the clamp keeps the pixel arithmetic in range.
    constexpr int kFar = 1 << 20;
    if (coverage != nullptr && bitsPerPixel > 1) {
        const std::size_t pixels = static_cast<std::size_t>(cellWidth) * cellHeight;
        if (*coverage == nullptr)
            *coverage = NewBits(pixels);
        else
            std::memset(coverage->get(), 0, pixels);
        coverOut = coverage->get();
    }
    DrawCode(code, std::clamp(offsetX, -kFar, kFar), std::clamp(offsetY, -kFar, kFar), threshold,
             bits.get());
    coverOut = nullptr;
    return bits;
}

}  // namespace brivo
