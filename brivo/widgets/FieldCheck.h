#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;

namespace brivo {

// The value of a number field: an integer from `minimum` to `maximum` (blanks around it
// allowed), or nothing.
std::optional<int> IntegerIn(const QString& text, int minimum, int maximum);

// Checks a line edit when the user leaves it for another control after typing. `check` returns why
// the text is refused (empty: it is not): the box then shows `lastGood()` again and the reason in a
// warning box. Accepted text goes to `take`. Owned by the edit.
class CFieldCheck : public QObject {
public:
    CFieldCheck(QLineEdit* edit, std::function<QString(const QString&)> check,
                std::function<QString()> lastGood, std::function<void()> take);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit;
    std::function<QString(const QString&)> check;
    std::function<QString()> lastGood;
    std::function<void()> take;
};

}  // namespace brivo
