#pragma once

#include <QWidget>
#include <vector>

#include "glyph/GlyphSet.h"
#include "testing/MessageBoxAnswerer.h"
#include "widgets/PaneMessage.h"

namespace brivo::test {

// The glyph set the tests hand to the panes. It lives as long as the process (never
// destroyed, so that no pane outlives it).
inline CGlyphSet& TestGlyphSet() {
    static CGlyphSet* set = [] {
        SingletonTraceStream() = nullptr;
        return new CGlyphSet;
    }();
    return *set;
}

// Fills the test glyph set with `count` glyphs of the given size; glyph i has code
// 0xB0A1 + i and, when `ink` is set, every pixel inked.
inline void FillSet(int count, int width = 16, int height = 16, CodeRange range = RANGE_HANGUL,
                    bool ink = false) {
    CGlyphSet& set = TestGlyphSet();
    set.ClearGlyphs();
    set.SetGlyphSize(width, height);
    set.range = range;
    const int bytes = BytesPerGlyph(width, height);
    for (int i = 0; i < count; ++i) {
        GlyphPtr glyph = NewGlyph(static_cast<uint16_t>(0xB0A1 + i), bytes, i, i);
        std::fill_n(glyph->bits.get(), bytes, ink ? 0xFF : 0x00);
        set.SetGlyphAt(i, std::move(glyph));
    }
}

// A parent window that records the pane messages it receives.
class MessageRecorder : public QWidget {
public:
    struct Received {
        int message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    std::vector<Received> received;

protected:
    bool event(QEvent* event) override {
        if (CPaneMessage* message = AsPaneMessage(event)) {
            received.push_back({message->Message(), message->wParam, message->lParam});
            return true;
        }
        return QWidget::event(event);
    }
};

}  // namespace brivo::test
