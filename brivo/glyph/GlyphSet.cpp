#include "glyph/GlyphSet.h"

#include <algorithm>

#include "glyph/LogFont.h"

namespace brivo {

CGlyphSet::~CGlyphSet() { ClearGlyphs(); }

const CGlyph* CGlyphSet::GlyphAt(int position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return glyphs[position].get();
}

CGlyph* CGlyphSet::GlyphAt(int position) {
    if (position < 0 || position >= Count()) return nullptr;
    return glyphs[position].get();
}

void CGlyphSet::RenumberFrom(int first, int last) {
    for (int i = first; i <= last; ++i)
        if (glyphs[i] != nullptr) glyphs[i]->index = i;
}

void CGlyphSet::SetGlyphAt(int position, GlyphPtr glyph) {
    if (position < 0) return;
    if (Count() < position + 1) glyphs.resize(position + 1);
    glyphs[position] = std::move(glyph);
}

void CGlyphSet::InsertGlyphAt(int position, GlyphPtr glyph) {
    position = std::clamp(position, 0, Count());
    glyphs.insert(glyphs.begin() + position, std::move(glyph));
    RenumberFrom(position + 1, Count() - 1);
}

void CGlyphSet::RemoveGlyphAt(int position) { TakeGlyphAt(position); }

GlyphPtr CGlyphSet::TakeGlyphAt(int position) {
    if (position < 0 || position >= Count()) return nullptr;
    GlyphPtr glyph = std::move(glyphs[position]);
    glyphs.erase(glyphs.begin() + position);
    RenumberFrom(position, Count() - 1);
    return glyph;
}

void CGlyphSet::MoveGlyph(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
    if (from < to)
        std::rotate(glyphs.begin() + from, glyphs.begin() + from + 1, glyphs.begin() + to + 1);
    else
        std::rotate(glyphs.begin() + to, glyphs.begin() + from, glyphs.begin() + from + 1);
    RenumberFrom(std::min(from, to), std::max(from, to));
}

void CGlyphSet::ClearGlyphs() { glyphs.clear(); }

void CGlyphSet::SetGlyphSize(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
}

void CGlyphSet::ReplaceGlyphs(std::vector<GlyphPtr> newGlyphs, int newWidth, int newHeight,
                              uint8_t newHalfWidth) {
    ClearGlyphs();
    glyphs = std::move(newGlyphs);
    SetGlyphSize(newWidth, newHeight);
    halfWidth = newHalfWidth;
    bpp = 1;
    baseline.reset();
    lineMetrics.reset();
}

bool CGlyphSet::IsHalfWidthGlyph(const CGlyph* glyph) const {
    return glyph != nullptr && range == RANGE_CUSTOM && keepsCodes && halfWidth == 0 &&
           glyph->code < 0x80 && width >= 2;
}

int32_t CGlyphSet::CellAdvance(const CGlyph* glyph) const {
    return IsHalfWidthGlyph(glyph) ? width / 2 : width;
}

int32_t CGlyphSet::FontAdvance(const CGlyph* glyph) const {
    return glyph != nullptr && glyph->metrics.advance > 0 ? glyph->metrics.advance
                                                          : CellAdvance(glyph);
}

InkBox CGlyphSet::CurrentInk(const CGlyph* glyph) const {
    if (glyph == nullptr) return {};
    return FindInkBox(glyph->bits.get(), width, height, lineMetrics ? lineMetrics->originX : 0,
                      BaselineOrGuess());
}

std::string CGlyphSet::GetRangeName(bool shortForm) const {
    if (keepsCodes && range == RANGE_CUSTOM && !shortForm)
        return RangeName(range, false, false) + " (" + std::to_string(Count()) + " characters)";
    return RangeName(range, exceptUnused != 0, shortForm);
}

std::string CGlyphSet::GetLabel(int position) const {
    const CGlyph* glyph = GlyphAt(position);
    return glyph != nullptr ? glyph->GetLabel(LabelRange()) : std::string();
}

void CGlyphSet::ApplyGroupStyle(LogFont& font, uint8_t lead) const {
    const uint32_t group = GroupOfLead(lead);
    if (group == 0) return;
    if (font.weight >= kBoldWeight && (boldGroups & group) == 0) font.weight = kNormalWeight;
    if (font.italic && (italicGroups & group) == 0) font.italic = 0;
}

std::vector<uint8_t> CGlyphSet::BoxValues(const CGlyph* glyph, const InkBox& box) const {
    std::vector<uint8_t> values(
        static_cast<std::size_t>(std::max(0, box.width)) * std::max(0, box.height), 0);
    if (glyph == nullptr || glyph->bits == nullptr) return values;
    const int left = box.LeftColumn(lineMetrics ? lineMetrics->originX : 0);
    const int top = box.TopRow(BaselineOrGuess());
    const CGlyphBitmapView bitmap(glyph->bits.get(), width, height);
    const auto full = static_cast<uint8_t>((1u << bpp) - 1);
    auto out = values.begin();
    for (int y = top; y < top + box.height; ++y)
        for (int x = left; x < left + box.width; ++x, ++out) {
            if (x < 0 || x >= width || y < 0 || y >= height) continue;
            if (glyph->coverage != nullptr)
                *out = glyph->coverage[static_cast<std::size_t>(y) * width + x];
            else if (bitmap.Pixel(x, y))
                *out = full;
        }
    return values;
}

}  // namespace brivo
