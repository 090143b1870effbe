#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <vector>

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

// Answers the next message box that opens with `button` and remembers its text.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button) : button(button) {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            texts.push_back(box->text());
            QAbstractButton* answer = box->button(this->button);
            if (!answer) answer = box->button(QMessageBox::Ok);
            if (answer) answer->click();
        });
        timer.start();
    }
    QStringList texts;

private:
    QMessageBox::StandardButton button;
    QTimer timer;
};

}  // namespace brivo::test
