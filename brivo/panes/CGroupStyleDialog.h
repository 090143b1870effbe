#pragma once

#include <QDialog>

class QCheckBox;

namespace brivo {

class CGlyphSet;

// "Bold Option" / "Italic Option": which character groups keep the bold or italic style.
// OK writes the mask straight into the glyph set, which outlives the dialog.
class CGroupStyleDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { MODE_BOLD, MODE_ITALIC };
    enum ControlId { IDC_FIRST_GROUP = 1057, IDC_SELECT_ALL = 1065, IDC_CLEAR_ALL = 1066 };
    static constexpr int kGroupCount = 8;

    CGroupStyleDialog(CGlyphSet& glyphSet, Mode mode, QWidget* parent = nullptr);

    void accept() override;
    QCheckBox* GroupBox(int bit) const { return boxes[bit]; }

private:
    uint32_t Mask() const;
    uint32_t& Mask();
    void CheckAll(bool checked);

    CGlyphSet& glyphSet;
    Mode mode;
    QCheckBox* boxes[kGroupCount] = {};
};

}  // namespace brivo
