#pragma once

#include <QEvent>
#include <cstdint>

class QObject;
class QWidget;

namespace brivo {

// Messages between the panes. Each is a custom event type with the message's own number.
inline constexpr int WM_GLYPH_NOTIFY = 6125;    // lParam: selected glyph position or -1
inline constexpr int WM_GLYPHS_CHANGED = 6126;  // lParam: changed glyph position or -1 (all)
inline constexpr int WM_FONTLIST_SELECT = 0x1640;

// Receiver bits of a relay word; the low 16 bits hold the message to deliver.
inline constexpr uint32_t ROUTE_EDITOR = 0x10000;
inline constexpr uint32_t ROUTE_INFO = 0x20000;
inline constexpr uint32_t ROUTE_FORM = 0x40000;
inline constexpr uint32_t RELAY_NOTIFY_PANES = ROUTE_EDITOR | ROUTE_INFO | WM_GLYPH_NOTIFY;
inline constexpr uint32_t RELAY_CHANGED_FORM = ROUTE_FORM | WM_GLYPHS_CHANGED;

// A window message carried as an event: the handler reads wParam and lParam and may set
// result, which the sender gets back from SendPaneMessage.
class CPaneMessage : public QEvent {
public:
    CPaneMessage(int message, uintptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam) {}

    int Message() const { return static_cast<int>(type()); }

    const uintptr_t wParam;
    const intptr_t lParam;
    intptr_t result = 0;
};

// Whether `message` can travel as an event: only numbers of the user event range, so that
// a stray number never arrives as one of the toolkit's own events.
constexpr bool IsPaneMessageNumber(int message) {
    return message >= QEvent::User && message <= QEvent::MaxUser;
}

// The pane message inside `event`, or null when it is some other event.
CPaneMessage* AsPaneMessage(QEvent* event);

// Delivers the message at once and returns the handler's result (0 when nobody set one, or
// when the target is null or the number is outside the pane message range).
intptr_t SendPaneMessage(QObject* target, int message, uintptr_t wParam, intptr_t lParam);

// Queues the message; it is delivered in order with the other events of the target.
void PostPaneMessage(QObject* target, int message, uintptr_t wParam, intptr_t lParam);

// The same to the window the pane reports to (its view, see CPaneSplitter::OwnerOf).
intptr_t SendToOwner(const QWidget* pane, int message, uintptr_t wParam, intptr_t lParam);
void PostToOwner(const QWidget* pane, int message, uintptr_t wParam, intptr_t lParam);

}  // namespace brivo
