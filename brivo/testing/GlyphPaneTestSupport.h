#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>
#include <cstdint>
#include <memory>
#include <vector>

#include "glyph/GlyphSet.h"
#include "shell/CBrivoView.h"
#include "testing/AppTestProfile.h"
#include "testing/MessageBoxAnswerer.h"
#include "testing/PaneTestSupport.h"
#include "widgets/PaneMessage.h"

namespace brivo {

using brivo::test::TestGlyphSet;

// The main view with its panes, over the test glyph set.
class ViewWithGlyphs {
public:
    ViewWithGlyphs() {
        view = std::make_unique<brivo::CBrivoView>(TestGlyphSet());
        view->resize(1000, 700);
        view->OnInitialUpdate();
        view->show();
    }
    // The view empties the glyph set as it goes.
    ~ViewWithGlyphs() { view.reset(); }

    // Replaces the set by glyphs of the given codes, each with `bits` (or no bitmap when
    // `bits` is empty).
    static void FillSet(int width, int height, const std::vector<uint16_t>& codes,
                        const std::vector<uint8_t>& bits = {}) {
        CGlyphSet& set = TestGlyphSet();
        set.ClearGlyphs();
        set.range = RANGE_NONE;
        set.SetGlyphSize(width, height);
        for (uint16_t code : codes) AddGlyph(code, bits);
    }

    static void AddGlyph(uint16_t code, const std::vector<uint8_t>& bits) {
        CGlyphSet& set = TestGlyphSet();
        const size_t bytes = bits.empty() ? 0 : static_cast<size_t>(set.BytesPerGlyph());
        GlyphPtr glyph = NewGlyph(code, bytes);
        std::copy_n(bits.begin(), std::min(bits.size(), bytes), glyph->bits.get());
        set.InsertGlyphAt(set.Count(), std::move(glyph));
    }

    static std::vector<uint8_t> GlyphBits(int position) {
        const CGlyphSet& set = TestGlyphSet();
        const CGlyph* glyph = set.GlyphAt(position);
        if (glyph == nullptr || glyph->bits == nullptr) return {};
        return {glyph->bits.get(), glyph->bits.get() + set.BytesPerGlyph()};
    }

    // What the extraction form does when the grid selection changes.
    intptr_t Select(intptr_t position) {
        return brivo::SendPaneMessage(view.get(), brivo::WM_GLYPH_NOTIFY, brivo::RELAY_NOTIFY_PANES,
                                      position);
    }

    std::unique_ptr<brivo::CBrivoView> view;

private:
    TestProfile profile;
};

// `count` bytes of a pattern that differs with `seed`.
inline std::vector<uint8_t> Pattern(int count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed * (i + 1) + i);
    return bytes;
}

// Sends a mouse event as the window system would, with the given buttons and keys held.
inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint point, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(point), widget->mapToGlobal(QPointF(point)), button, buttons,
                      keys);
    QApplication::sendEvent(widget, &event);
}

}  // namespace brivo
