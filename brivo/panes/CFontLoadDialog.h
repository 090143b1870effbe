#pragma once

#include <QDialog>
#include <QFont>

#include "extract/ExtractWorker.h"
#include "glyph/LogFont.h"

class QLabel;
class QLineEdit;
class QSlider;

namespace brivo {

class CGlyphSet;

class CFontPreview;

// "Font Loading": font, cell size, offsets, group styles and extraction strength, with a
// live preview. The caller reads the settings back after OK.
class CFontLoadDialog : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        IDC_DESCRIPTION = 1000,
        IDC_CHOOSE_FONT = 1001,
        IDC_SIZE_X = 1002,
        IDC_SIZE_Y = 1003,
        IDC_SPIN_SIZE_X = 1004,
        IDC_SPIN_SIZE_Y = 1005,
        IDC_OFFSET_X = 1006,
        IDC_OFFSET_Y = 1007,
        IDC_SPIN_OFFSET_X = 1008,
        IDC_SPIN_OFFSET_Y = 1009,
        IDC_HEIGHT_PLUS = 1010,
        IDC_HEIGHT_MINUS = 1011,
        IDC_SAMPLE = 1012,
        IDC_ZOOM = 1014,
        IDC_ZOOM_LABEL = 1015,
        IDC_WIDTH_PLUS = 1016,
        IDC_WIDTH_MINUS = 1017,
        IDC_REFRESH = 1052,
        IDC_BOLD_TEXT = 1054,
        IDC_ITALIC_TEXT = 1055,
        IDC_BOLD_CHOOSE = 1056,
        IDC_ITALIC_CHOOSE = 1057,
        IDC_BOLD_LABEL = 1066,
        IDC_ITALIC_LABEL = 1067,
        IDC_STRENGTH = 1074,
        IDC_STRENGTH_LABEL = 1076,
    };

    // The bold and italic groups are read from and chosen into `glyphSet`; the font, cell
    // size, offsets and threshold start as `settings` have them.
    CFontLoadDialog(CGlyphSet& glyphSet, const ExtractSettings& settings,
                    QWidget* parent = nullptr);

    // OK: takes the edit fields into the values; text that is not an integer, or a size
    // outside 1..256, keeps the dialog open. A field is checked the same way when it is left.
    void accept() override;

    void UpdateFontDescription();
    // What choosing `font` in the font chooser does: offsets back to 0, new font, preview.
    void ApplyChosenFont(const QFont& font);
    void ApplyChosenFont(const LogFont& font);
    // Applies a spin's proposed change (-1 for up / right) to the value of that spin.
    void Spin(int spinId, int delta);

    QWidget* Control(int id) const;
    CFontPreview* Preview() const { return preview; }
    QString Description() const;

    // The font description as a toolkit font, and back (sizes in pixels).
    static QFont ToQFont(const LogFont& font);
    static LogFont FromQFont(const QFont& font, int dpi);

    ExtractSettings settings;

private:
    void CreateControls();
    void ChooseFont();
    void ChangeHeight(int direction);
    void ChangeWidth(int delta);
    void ChooseGroups(int mode);
    void ShowValues();
    bool TakeValues(bool complain);
    void PassToPreview();
    void UpdateStrengthLabel();

    CGlyphSet& glyphSet;
    QLabel* description = nullptr;
    QLineEdit* sizeXEdit = nullptr;
    QLineEdit* sizeYEdit = nullptr;
    QLineEdit* offsetXEdit = nullptr;
    QLineEdit* offsetYEdit = nullptr;
    QLineEdit* sampleEdit = nullptr;
    QLabel* boldText = nullptr;
    QLabel* italicText = nullptr;
    QSlider* strength = nullptr;
    QLabel* strengthLabel = nullptr;
    QSlider* zoom = nullptr;
    QLabel* zoomLabel = nullptr;
    CFontPreview* preview = nullptr;
};

}  // namespace brivo
