#pragma once

#include <QWidget>

namespace brivo {

// The lower left pane: the selected glyph as C source text (template 132). For now an empty
// pane that only holds its place in the view.
class CGlyphInfoPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 132;

    explicit CGlyphInfoPane(QWidget* parent = nullptr);
};

}  // namespace brivo
