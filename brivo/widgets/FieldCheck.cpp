#include "widgets/FieldCheck.h"

#include <QFocusEvent>
#include <QLineEdit>

#include "widgets/ErrorMessages.h"

namespace brivo {

std::optional<int> IntegerIn(const QString& text, int minimum, int maximum) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < minimum || value > maximum) return std::nullopt;
    return value;
}

CFieldCheck::CFieldCheck(QLineEdit* edit, std::function<QString(const QString&)> check,
                         std::function<QString()> lastGood, std::function<void()> take)
    : QObject(edit),
      edit(edit),
      check(std::move(check)),
      lastGood(std::move(lastGood)),
      take(std::move(take)) {
    edit->installEventFilter(this);
}

bool CFieldCheck::eventFilter(QObject* watched, QEvent* event) {
    // Only leaving the box for another control of its window counts: not the window losing
    // the focus to another one or closing, nor a menu opening.
    const auto left = [event] {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    };
    if (watched == edit && event->type() == QEvent::FocusOut && edit->isModified() && left() &&
        edit->window()->isVisible()) {
        edit->setModified(false);
        const QString refused = check(edit->text());
        if (refused.isEmpty()) {
            take();
        } else {
            edit->setText(lastGood());
            ShowError(edit->window(), refused);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivo
