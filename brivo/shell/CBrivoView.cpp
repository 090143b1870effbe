#include "CBrivoView.h"

#include <QResizeEvent>

#include "CExtractForm.h"
#include "CGlyphEditPane.h"
#include "CGlyphInfoPane.h"
#include "CPaneSplitter.h"
#include "PaneMessage.h"
#include "glyph/GlyphSet.h"

namespace brivo {

CBrivoView::CBrivoView(QWidget* parent) : QWidget(parent) { setObjectName("CBrivoView"); }

CBrivoView::~CBrivoView() {
    if (extractForm) extractForm->StopExtraction();
    if (CGlyphSet* set = CGlyphSet::GetInstance()) set->ClearGlyphs();
}

void CBrivoView::OnInitialUpdate() {
    if (extractForm) return;
    const QRect client = rect();
    extractForm = new CExtractForm(&logFont, this);
    editPane = new CGlyphEditPane(this);
    infoPane = new CGlyphInfoPane(this);

    innerSplitter = new CPaneSplitter(this);
    innerSplitter->Create(CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_HORIZONTAL, this,
                          editPane, infoPane, kInnerSplitterId, client, kMinFirst, kMinSecond);
    outerSplitter = new CPaneSplitter(this);
    outerSplitter->Create(
        CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_BORDER | CPaneSplitter::SPLIT_VERTICAL,
        this, innerSplitter, extractForm, kOuterSplitterId, client, kMinFirst, kMinSecond);
    outerSplitter->show();
}

intptr_t CBrivoView::OnRelay(uintptr_t wParam, intptr_t lParam) {
    const int message = static_cast<int>(wParam & 0xFFFF);
    const std::pair<uint32_t, QWidget*> receivers[] = {
        {ROUTE_EDITOR, editPane}, {ROUTE_INFO, infoPane}, {ROUTE_FORM, extractForm}};
    for (const auto& [route, pane] : receivers) {
        if (wParam & route) SendPaneMessage(pane, message, 0, lParam);
    }
    return 0;
}

bool CBrivoView::event(QEvent* event) {
    CPaneMessage* message = AsPaneMessage(event);
    if (message &&
        (message->Message() == WM_GLYPH_NOTIFY || message->Message() == WM_GLYPHS_CHANGED)) {
        message->result = OnRelay(message->wParam, message->lParam);
        return true;
    }
    return QWidget::event(event);
}

void CBrivoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (outerSplitter) outerSplitter->setGeometry(rect());
}

}  // namespace brivo
