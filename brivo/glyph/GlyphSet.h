#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/Singleton.h"

namespace brivo {

struct LogFont;

// The glyphs being worked on. The desktop program takes its one set through GetInstance()
// at start-up and hands it to the panes; the set owns its glyphs and their bitmaps. A slot
// of `glyphs` may be null.
class CGlyphSet : public TSingleton<CGlyphSet> {
public:
    CGlyphSet() = default;
    CGlyphSet(const CGlyphSet&) = delete;
    CGlyphSet& operator=(const CGlyphSet&) = delete;
    ~CGlyphSet() override;

    int Count() const { return static_cast<int>(glyphs.size()); }
    int BytesPerRow() const { return brivo::BytesPerRow(width); }
    int BytesPerGlyph() const { return brivo::BytesPerGlyph(width, height); }
    // Null where there is no such position or the slot is empty.
    const CGlyph* GlyphAt(int position) const;
    CGlyph* GlyphAt(int position);

    void SetGlyphAt(int position, GlyphPtr glyph);
    void InsertGlyphAt(int position, GlyphPtr glyph);
    void RemoveGlyphAt(int position);
    // Takes the glyph out of the list and gives it to the caller; null when there is none.
    GlyphPtr TakeGlyphAt(int position);
    void MoveGlyph(int from, int to);
    void ClearGlyphs();
    void SetGlyphSize(int newWidth, int newHeight);

    // Puts `newGlyphs` (taking ownership) in place of every glyph, with their size and
    // halfWidth, 1 bit a pixel, the baseline and line metrics unknown; range, masks, exceptUnused
    // and fontDescription stay as they are.
    void ReplaceGlyphs(std::vector<GlyphPtr> newGlyphs, int newWidth, int newHeight,
                       uint8_t newHalfWidth);

    // The long form of a Custom set that keeps its codes is "Custom (N characters)".
    std::string GetRangeName(bool shortForm) const;
    // The range labels follow: a Custom set that keeps its codes is labelled by code.
    CodeRange LabelRange() const { return keepsCodes ? RANGE_ALL : range; }
    static std::string GetGroupMaskText(uint32_t mask) { return brivo::GetGroupMaskText(mask); }
    std::string GetLabel(int position) const;

    // The baseline, or where it is not known height/8 pixels above the bottom, about where
    // outline fonts put it.
    int32_t BaselineOrGuess() const { return baseline.value_or(height - height / 8); }
    // Whether the glyph is an ASCII character drawn in a full-width cell (a character subset
    // mixes them with two-byte characters): it advances half the cell, as on the target.
    bool IsHalfWidthGlyph(const CGlyph* glyph) const;
    // What the glyph advances in a fixed-pitch font: its cell, or half of it (above).
    int32_t CellAdvance(const CGlyph* glyph) const;
    // The font's advance where the glyph knows it, else CellAdvance.
    int32_t FontAdvance(const CGlyph* glyph) const;
    // The ink box of the glyph's bitmap as it is now, hand edits included.
    InkBox CurrentInk(const CGlyph* glyph) const;

    // The glyph's pixels in `box` (placed in the cell as its ink box is: from the pen origin
    // and the baseline) as values of bpp bits, rows top first: its coverage, or full where its
    // bitmap has ink; 0 outside the cell.
    std::vector<uint8_t> BoxValues(const CGlyph* glyph, const InkBox& box) const;

    // Clears bold / italic from a copy of the font description for the lead bytes whose
    // group is not in boldGroups / italicGroups.
    void ApplyGroupStyle(LogFont& font, uint8_t lead) const;

    std::vector<GlyphPtr> glyphs;
    std::string fontDescription;  // UTF-8
    int32_t width = 0;
    int32_t height = 0;
    uint8_t halfWidth = 0;
    // Bits a pixel of the glyphs as drawn: 1, or 2, 4 or 8 for glyphs that keep their grey
    // coverage (CGlyph::coverage).
    int32_t bpp = 1;
    // Rows from the top of the cell to the baseline the glyphs were drawn on (the face's
    // ascent plus the origin's offset, which may put it outside the cell); none where it is
    // not known (glyphs read from a file).
    std::optional<int32_t> baseline;
    // The font's lines and the pen origin, where known (an extraction, a file that holds them).
    std::optional<LineMetrics> lineMetrics;
    CodeRange range = RANGE_NONE;
    uint32_t boldGroups = GROUP_ALL;
    uint32_t italicGroups = GROUP_ALL;
    uint8_t exceptUnused = 0;
    // The glyphs of a Custom set carry the codes of their characters (a character subset).
    bool keepsCodes = false;

private:
    void RenumberFrom(int first, int last);
};

}  // namespace brivo
