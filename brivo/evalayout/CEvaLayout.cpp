#include "evalayout/CEvaLayout.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

namespace brivo {

CEvaLayout::CEvaLayout(QObject* parent) : QObject(parent) {}

// A widget that nobody has sized yet only has Qt's placeholder size; its size hint is what an
// automatic column or row should make room for.
static QSize AutoSizeOf(const QWidget* widget) {
    if (!widget) return {};
    if (widget->testAttribute(Qt::WA_Resized) || !widget->sizeHint().isValid())
        return widget->size();
    return widget->sizeHint();
}

void CEvaLayout::BindWidget(const QString& name, QWidget* widget) {
    BindWidget(name, widget, AutoSizeOf(widget));
}

void CEvaLayout::BindWidget(const QString& name, QWidget* widget, QSize autoSize) {
    core_.BindWidget(name.toStdString(), autoSize.width(), autoSize.height());
    widgets_.emplace_back(widget);
}

void CEvaLayout::SetSheet(const EvaSheet& sheet) { core_.SetSheet(sheet); }

void CEvaLayout::Resize(int width, int height) {
    const std::vector<EvaPlacement> placements = core_.Resize(width, height);
    for (size_t k = 0; k < placements.size(); ++k) {
        QWidget* widget = widgets_[k];
        if (!widget) continue;  // destroyed since it was bound
        const EvaPlacement& placement = placements[k];
        widget->setVisible(placement.placed);
        if (!placement.move) continue;
        const EvaRect& r = placement.rect;
        widget->setGeometry(r.x, r.y, r.width, r.height);
        widget->update();
    }
}

void CEvaLayout::TrackResizeOf(QWidget* pane) {
    if (pane_) pane_->removeEventFilter(this);
    pane_ = pane;
    if (!pane) return;
    pane->installEventFilter(this);
    Resize(pane->width(), pane->height());
}

bool CEvaLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pane_ && event->type() == QEvent::Resize)
        Resize(pane_->width(), pane_->height());
    return QObject::eventFilter(watched, event);
}

bool CheckLayoutsLoaded(const EvaSheetSet& sheets, QWidget* parent) {
    if (sheets.Count() > 0) return true;
    QMessageBox::critical(parent, QStringLiteral("Error"),
                          QStringLiteral("Error there are no layouts loaded!"), QMessageBox::Ok);
    QMetaObject::invokeMethod(QCoreApplication::instance(), "quit", Qt::QueuedConnection);
    return false;
}

}  // namespace brivo
