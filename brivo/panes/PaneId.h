#pragma once

#include <QWidget>

namespace brivo {

// Gives a pane its id as the property "controlId" (tests and tools find panes and controls
// by their ids) and names it after its class.
inline void MarkPane(QWidget* pane, int paneId) {
    pane->setProperty("controlId", paneId);
    pane->setObjectName(QString::fromLatin1(pane->metaObject()->className()).section("::", -1));
}

}  // namespace brivo
