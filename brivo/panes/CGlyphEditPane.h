#pragma once

#include <QWidget>

namespace brivo {

// The upper left pane: the enlarged glyph editor (template 131). For now an empty pane that
// only holds its place in the view.
class CGlyphEditPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 131;

    explicit CGlyphEditPane(QWidget* parent = nullptr);
};

}  // namespace brivo
