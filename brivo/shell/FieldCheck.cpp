#include "FieldCheck.h"

#include <QEvent>
#include <QLineEdit>

#include "ErrorMessages.h"

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
    if (watched == edit && event->type() == QEvent::FocusOut && edit->isModified()) {
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
