#include "CGlyphInfoPane.h"

#include "PaneTemplate.h"

namespace brivo {

CGlyphInfoPane::CGlyphInfoPane(QWidget* parent) : QWidget(parent) {
    MarkPaneTemplate(this, kTemplateId);
}

}  // namespace brivo
