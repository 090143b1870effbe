#include "CExtractForm.h"

#include "PaneTemplate.h"

namespace brivo {

CExtractForm::CExtractForm(LogFont* logFont, QWidget* parent) : QWidget(parent), logFont(logFont) {
    MarkPaneTemplate(this, kTemplateId);
}

}  // namespace brivo
