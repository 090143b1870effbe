#pragma once

#include <QWidget>

namespace brivo {

// Gives a pane its template id as the property "controlId" (tests and tools find panes and
// controls by their ids) and names it after its class.
inline void MarkPaneTemplate(QWidget* pane, int templateId) {
    pane->setProperty("controlId", templateId);
    pane->setObjectName(QString::fromLatin1(pane->metaObject()->className()).section("::", -1));
}

}  // namespace brivo
