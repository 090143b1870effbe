#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "glyph/GlyphBitmap.h"

namespace brivo {

class CGlyph;
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
};

// Puts a glyph with a blank bitmap at `position` (the end when it is not a position of the
// list or the end itself); its code and index are its position.
class CInsertBlankGlyph : public CGlyphCommand {
public:
    CInsertBlankGlyph(CGlyphSet& set, int position) : set(set), position(position) {}
    ~CInsertBlankGlyph() override;

    bool Do() override;
    void Undo() override;
    // Where the glyph went, once done.
    int Position() const { return position; }

private:
    CGlyphSet& set;
    int position;
    CGlyph* undone = nullptr;  // the glyph taken back by Undo, for the next Do
    bool done = false;
};

// Takes the glyph at `position` out of the list; Undo puts the same glyph back.
class CRemoveGlyph : public CGlyphCommand {
public:
    CRemoveGlyph(CGlyphSet& set, int position) : set(set), position(position) {}
    ~CRemoveGlyph() override;

    bool Do() override;
    void Undo() override;

private:
    CGlyphSet& set;
    int position;
    CGlyph* removed = nullptr;
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
    CReplaceAllGlyphs(CGlyphSet& set, std::vector<CGlyph*> glyphs, int width, int height,
                      uint8_t halfWidth);
    ~CReplaceAllGlyphs() override;

    bool Do() override;
    void Undo() override;

private:
    // Do and Undo both trade the held glyphs and size for the set's.
    void Exchange();

    CGlyphSet& set;
    std::vector<CGlyph*> held;
    int32_t width, height;
    uint8_t halfWidth;
};

// Writes `bytes` (one bitmap of the set's size) into the glyph at `position`, giving it a
// bitmap when it has none.
class CSetGlyphBits : public CGlyphCommand {
public:
    CSetGlyphBits(CGlyphSet& set, int position, std::vector<uint8_t> bytes)
        : set(set), position(position), bytes(std::move(bytes)) {}

    bool Do() override;
    void Undo() override;

private:
    CGlyphSet& set;
    int position;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> before;  // empty: the glyph had no bitmap
    bool done = false;
};

// An edit of a bitmap held elsewhere (a shift, a mirror, a pixel): Do is false when it
// changed no byte; Undo restores the bytes.
class CEditBitmap : public CGlyphCommand {
public:
    using Edit = std::function<void(CGlyphBitmap&)>;

    CEditBitmap(CGlyphBitmap target, Edit edit) : target(target), edit(std::move(edit)) {}

    bool Do() override;
    void Undo() override;

private:
    CGlyphBitmap target;
    Edit edit;
    std::vector<uint8_t> before;
};

}  // namespace brivo
