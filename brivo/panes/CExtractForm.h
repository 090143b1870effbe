#pragma once

#include <QWidget>

struct LogFont;

namespace brivo {

// The right-hand pane: font choice, code ranges, extraction and the glyph grid (template 130).
// For now an empty pane that only holds its place in the view.
class CExtractForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 130;

    // `logFont` is the view's font description; it outlives the form.
    explicit CExtractForm(LogFont* logFont, QWidget* parent = nullptr);

    // Cancels a running extraction and waits for it. The view calls this before it empties
    // the glyph set, so the worker never appends to a list that is being cleared.
    bool StopExtraction() { return true; }

protected:
    LogFont* logFont;
};

}  // namespace brivo
