#include "widgets/PaneMessage.h"

#include <QCoreApplication>

#include "widgets/CPaneSplitter.h"

namespace brivo {

CPaneMessage* AsPaneMessage(QEvent* event) {
    if (!event || !IsPaneMessageNumber(event->type())) return nullptr;
    return dynamic_cast<CPaneMessage*>(event);
}

intptr_t SendPaneMessage(QObject* target, int message, uintptr_t wParam, intptr_t lParam) {
    if (!target || !IsPaneMessageNumber(message)) return 0;
    CPaneMessage event(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &event);
    return event.result;
}

void PostPaneMessage(QObject* target, int message, uintptr_t wParam, intptr_t lParam) {
    if (!target || !IsPaneMessageNumber(message)) return;
    QCoreApplication::postEvent(target, new CPaneMessage(message, wParam, lParam));
}

intptr_t SendToOwner(const QWidget* pane, int message, uintptr_t wParam, intptr_t lParam) {
    return SendPaneMessage(CPaneSplitter::OwnerOf(pane), message, wParam, lParam);
}

void PostToOwner(const QWidget* pane, int message, uintptr_t wParam, intptr_t lParam) {
    PostPaneMessage(CPaneSplitter::OwnerOf(pane), message, wParam, lParam);
}

}  // namespace brivo
