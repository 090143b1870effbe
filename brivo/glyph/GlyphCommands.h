#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/GlyphMetrics.h"

namespace brivo {

class CGlyphSet;

// One edit of the glyph set or of a bitmap that can be taken back. Do makes the change and
// tells whether there was anything to change; Undo (after Do) restores the exact state
// before it, bytes, order and indices. Do may be called again after Undo.
class CGlyphCommand {
public:
    CGlyphCommand() = default;
    CGlyphCommand(const CGlyphCommand&) = delete;
    CGlyphCommand& operator=(const CGlyphCommand&) = delete;
    virtual ~CGlyphCommand() = default;

    virtual bool Do() = 0;
    virtual void Undo() = 0;
    // Memory the command keeps for its undo or redo (glyphs taken out, saved bytes), so that
    // a history can stay within a budget.
    virtual std::size_t HeldBytes() const { return 0; }
};

// Puts a glyph with a blank bitmap at `position` (the end when it is not a position of the
// list or the end itself); its code and index are its position.
class CInsertBlankGlyph : public CGlyphCommand {
public:
    CInsertBlankGlyph(CGlyphSet& set, int position) : set(set), position(position) {}

    bool Do() override;
    void Undo() override;
    // Where the glyph went, once done.
    int Position() const { return position; }

private:
    CGlyphSet& set;
    int position;
    GlyphPtr undone;  // the glyph taken back by Undo, for the next Do
    bool done = false;
};

// Takes the glyph at `position` out of the list; Undo puts the same glyph back.
class CRemoveGlyph : public CGlyphCommand {
public:
    CRemoveGlyph(CGlyphSet& set, int position) : set(set), position(position) {}

    bool Do() override;
    void Undo() override;
    std::size_t HeldBytes() const override;

private:
    CGlyphSet& set;
    int position;
    GlyphPtr removed;
    bool done = false;
};

// Moves the glyph at `from` to `to`, shifting those between by one.
class CMoveGlyph : public CGlyphCommand {
public:
    CMoveGlyph(CGlyphSet& set, int from, int to) : set(set), from(from), to(to) {}

    bool Do() override;
    void Undo() override;

private:
    CGlyphSet& set;
    int from, to;
    bool done = false;
};

// Where the glyph at `from` of `count` goes when moved `steps` places back (direction < 0)
// or forward, held at the ends of the list; -1 when it cannot move that way (it is first or
// last already, or `from` is no position). A step of one page is the grid's visible count.
int MoveTarget(int from, int count, int direction, int steps);

// Puts `glyphs` (taken over) with their size in place of every glyph of the set; the set's
// range, masks and description stay. Undo puts the old glyphs back.
class CReplaceAllGlyphs : public CGlyphCommand {
public:
    CReplaceAllGlyphs(CGlyphSet& set, std::vector<GlyphPtr> glyphs, int width, int height,
                      uint8_t halfWidth);
    // Takes the set's glyphs aside, with their size, range, exceptUnused, baseline and line
    // metrics, and leaves the set empty: the command counts as done, and whatever fills the
    // set next (a file read, an extraction) is what Undo trades back for them.
    explicit CReplaceAllGlyphs(CGlyphSet& set);

    bool Do() override;
    void Undo() override;
    std::size_t HeldBytes() const override;

private:
    // Do and Undo both trade the held glyphs and size for the set's.
    void Exchange();

    CGlyphSet& set;
    std::vector<GlyphPtr> held;
    int32_t width, height;
    uint8_t halfWidth;
    CodeRange range;
    uint8_t exceptUnused;
    std::optional<int32_t> baseline;  // none for glyphs given to the constructor
    std::optional<LineMetrics> lineMetrics;
};

// Gives the set another code range (a hand edit turns an extracted set into a custom one).
class CSetGlyphRange : public CGlyphCommand {
public:
    CSetGlyphRange(CGlyphSet& set, CodeRange range) : set(set), range(range) {}

    bool Do() override;
    void Undo() override;

private:
    CGlyphSet& set;
    CodeRange range;
    CodeRange before = RANGE_NONE;
    bool done = false;
};

// Writes `bytes` (one bitmap of the set's size) into the glyph at `position`, giving it a
// bitmap when it has none.
class CSetGlyphBits : public CGlyphCommand {
public:
    CSetGlyphBits(CGlyphSet& set, int position, std::vector<uint8_t> bytes)
        : set(set), position(position), bytes(std::move(bytes)) {}

    bool Do() override;
    void Undo() override;
    std::size_t HeldBytes() const override { return bytes.size() + before.size(); }

private:
    CGlyphSet& set;
    int position;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> before;  // empty: the glyph had no bitmap
    bool done = false;
};

}  // namespace brivo
