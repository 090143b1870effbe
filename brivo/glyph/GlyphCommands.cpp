#include "glyph/GlyphCommands.h"

#include <algorithm>
#include <utility>

#include "glyph/GlyphSet.h"

namespace brivo {

bool CInsertBlankGlyph::Do() {
    if (done) return false;
    if (position < 0 || position > set.Count()) position = set.Count();
    GlyphPtr glyph = std::move(undone);
    if (glyph == nullptr)
        glyph = NewGlyph(static_cast<uint16_t>(position),
                         static_cast<std::size_t>(std::max(0, set.BytesPerGlyph())), position);
    set.InsertGlyphAt(position, std::move(glyph));
    done = true;
    return true;
}

void CInsertBlankGlyph::Undo() {
    if (!done) return;
    undone = set.TakeGlyphAt(position);
    done = false;
}

bool CRemoveGlyph::Do() {
    if (done || position < 0 || position >= set.Count()) return false;
    removed = set.TakeGlyphAt(position);
    done = true;
    return true;
}

std::size_t CRemoveGlyph::HeldBytes() const {
    return done ? sizeof(CGlyph) + static_cast<std::size_t>(std::max(0, set.BytesPerGlyph())) : 0;
}

void CRemoveGlyph::Undo() {
    if (!done) return;
    set.InsertGlyphAt(position, std::move(removed));
    done = false;
}

bool CMoveGlyph::Do() {
    const int count = set.Count();
    done = !done && from != to && from >= 0 && from < count && to >= 0 && to < count;
    if (done) set.MoveGlyph(from, to);
    return done;
}

void CMoveGlyph::Undo() {
    if (done) set.MoveGlyph(to, from);
    done = false;
}

int MoveTarget(int from, int count, int direction, int steps) {
    if (direction < 0) return from >= 1 && from < count ? std::max(0, from - steps) : -1;
    return from >= 0 && from < count - 1 ? std::min(count - 1, from + steps) : -1;
}

CReplaceAllGlyphs::CReplaceAllGlyphs(CGlyphSet& set, std::vector<GlyphPtr> glyphs, int width,
                                     int height, uint8_t halfWidth)
    : set(set),
      held(std::move(glyphs)),
      width(width),
      height(height),
      halfWidth(halfWidth),
      range(set.range),
      exceptUnused(set.exceptUnused) {}

CReplaceAllGlyphs::CReplaceAllGlyphs(CGlyphSet& set)
    : set(set),
      held(std::exchange(set.glyphs, {})),
      width(set.width),
      height(set.height),
      halfWidth(set.halfWidth),
      range(set.range),
      exceptUnused(set.exceptUnused),
      baseline(set.baseline),
      lineMetrics(set.lineMetrics) {}

void CReplaceAllGlyphs::Exchange() {
    std::swap(set.glyphs, held);
    std::swap(set.width, width);
    std::swap(set.height, height);
    std::swap(set.halfWidth, halfWidth);
    std::swap(set.range, range);
    std::swap(set.exceptUnused, exceptUnused);
    std::swap(set.baseline, baseline);
    std::swap(set.lineMetrics, lineMetrics);
}

std::size_t CReplaceAllGlyphs::HeldBytes() const {
    const auto bytes = static_cast<std::size_t>(std::max(0, BytesPerGlyph(width, height)));
    return held.size() * (sizeof(GlyphPtr) + sizeof(CGlyph) + bytes);
}

bool CReplaceAllGlyphs::Do() {
    Exchange();
    return true;
}

void CReplaceAllGlyphs::Undo() { Exchange(); }

bool CSetGlyphRange::Do() {
    if (done || set.range == range) return false;
    before = std::exchange(set.range, range);
    done = true;
    return true;
}

void CSetGlyphRange::Undo() {
    if (done) set.range = before;
    done = false;
}

bool CSetGlyphBits::Do() {
    CGlyph* glyph = set.GlyphAt(position);
    if (done || glyph == nullptr || bytes.size() != static_cast<size_t>(set.BytesPerGlyph()))
        return false;
    before.clear();
    if (glyph->bits != nullptr)
        before.assign(glyph->bits.get(), glyph->bits.get() + bytes.size());
    else
        glyph->SetCodeAndBits(glyph->code, NewBits(bytes.size()));
    glyph->CopyBits(bytes.data(), bytes.size());
    done = true;
    return true;
}

void CSetGlyphBits::Undo() {
    CGlyph* glyph = set.GlyphAt(position);
    if (!done || glyph == nullptr) return;
    if (before.empty())
        glyph->FreeBits();
    else
        glyph->CopyBits(before.data(), before.size());
    done = false;
}

}  // namespace brivo
