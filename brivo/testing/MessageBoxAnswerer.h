#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers every message box that opens with `button` (OK when the box has no such button)
// and keeps the caption, text and icon of each.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok)
        : button(button) {
        connect(&poll, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            captions << box->windowTitle();
            texts << box->text();
            details << box->detailedText();
            icons << box->icon();
            QAbstractButton* answer = box->button(this->button);
            if (answer == nullptr) answer = box->button(QMessageBox::Ok);
            if (answer != nullptr)
                answer->click();
            else
                box->accept();
        });
        poll.start(5);
    }
    QStringList captions;
    QStringList texts;
    QStringList details;  // the detailed text, "" where there is none
    QList<QMessageBox::Icon> icons;

private:
    QMessageBox::StandardButton button;
    QTimer poll;
};
