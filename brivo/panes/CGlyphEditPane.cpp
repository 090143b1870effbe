#include "CGlyphEditPane.h"

#include "PaneTemplate.h"

namespace brivo {

CGlyphEditPane::CGlyphEditPane(QWidget* parent) : QWidget(parent) {
    MarkPaneTemplate(this, kTemplateId);
}

}  // namespace brivo
