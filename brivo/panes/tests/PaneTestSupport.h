#pragma once

#include <QWidget>
#include <vector>

#include "MessageBoxAnswerer.h"
#include "PaneMessage.h"
#include "glyph/GlyphSet.h"

namespace brivo::test {

// Fills the glyph set with `count` glyphs of the given size; glyph i has code i and, when
// `ink` is set, every pixel inked.
inline void FillSet(int count, int width = 16, int height = 16, CodeRange range = RANGE_HANGUL,
                    bool ink = false) {
    CGlyphSet& set = *CGlyphSet::GetInstance();
    set.ClearGlyphs();
    set.SetGlyphSize(width, height);
    set.range = range;
    for (int i = 0; i < count; ++i) {
        auto* glyph = new CGlyph;
        auto* bits = new uint8_t[BytesPerGlyph(width, height)];
        std::fill_n(bits, BytesPerGlyph(width, height), ink ? 0xFF : 0x00);
        glyph->SetCodeAndBits(static_cast<uint16_t>(0xB0A1 + i), bits);
        glyph->index = glyph->originalIndex = i;
        set.SetGlyphAt(i, glyph);
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
