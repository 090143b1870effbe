#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

#include "evalayout/EvaLayoutCore.h"
#include "evalayout/EvaSheet.h"

namespace brivo {

// Places the child widgets of one pane from an EvaLayout sheet. Bind every named widget, set
// the sheet, then call Resize with the pane's client size on every resize (or let
// TrackResizeOf do that). Placed widgets are shown and moved; bound widgets that the sheet
// does not place are hidden; widgets that were never bound are not touched.
class CEvaLayout : public QObject {
    Q_OBJECT
public:
    explicit CEvaLayout(QObject* parent = nullptr);

    // Automatic column widths and row heights use the widget's size at binding time: the size
    // it was given (resize, setGeometry), else its size hint, else an explicit autoSize.
    void BindWidget(const QString& name, QWidget* widget);
    void BindWidget(const QString& name, QWidget* widget, QSize autoSize);
    void SetSheet(const EvaSheet& sheet);
    void Resize(int width, int height);
    // Calls Resize with the pane's size whenever the pane is resized.
    void TrackResizeOf(QWidget* pane);

    const EvaLayoutCore& Core() const { return core_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EvaLayoutCore core_;
    std::vector<QPointer<QWidget>> widgets_;
    QPointer<QWidget> pane_;
};

// A pane whose sheet set came out empty tells the user and asks the application to quit
// (exit code 0) once control returns to the event loop. Returns true when there are sheets.
bool CheckLayoutsLoaded(const EvaSheetSet& sheets, QWidget* parent);

}  // namespace brivo
