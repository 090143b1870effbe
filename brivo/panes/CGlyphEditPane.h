#pragma once

#include <QString>
#include <QWidget>

#include "evalayout/EvaSheet.h"

class QLabel;
class QSlider;

namespace brivo {

class CGlyphSet;

class CEvaLayout;
class CGlyphCanvas;
class CImageButton;

// The upper left pane: the selected glyph enlarged for editing with pen and eraser, shifts,
// mirrors and zoom, an actual-size preview, and "Update" / "Reset" to write the edit back into
// the glyph set or throw it away.
class CGlyphEditPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPaneId = 131;
    enum ControlId {
        ID_ZOOM = 1014,
        ID_PEN = 1026,
        ID_CANVAS = 1028,
        ID_UP = 1033,
        ID_DOWN = 1034,
        ID_LEFT = 1035,
        ID_RIGHT = 1036,
        ID_MIRROR_H = 1037,
        ID_MIRROR_V = 1038,
        ID_ERASER = 1039,
        ID_UPDATE = 1040,
        ID_LABEL = 1041,
        ID_RESET = 1042,
        ID_PREVIEW = 1068,
    };
    static constexpr int kMinZoom = 1;
    static constexpr int kMaxZoom = 30;

    // Shows and edits the glyphs of `glyphSet`, which outlives the pane.
    explicit CGlyphEditPane(CGlyphSet& glyphSet, QWidget* parent = nullptr);

    // Shows the glyph at `position` (asking first whether to keep an unsaved edit); returns
    // 0, or -1 and a blank canvas when there is no glyph there.
    int OnGlyphNotify(intptr_t position);
    // Writes the edited bitmap into the glyph shown and tells the extraction form.
    void OnUpdate();
    // Throws the edit away and shows the glyph as the set has it.
    void OnReset();

    CGlyphCanvas* Canvas() const { return canvas; }
    CGlyphCanvas* Preview() const { return preview; }
    int CurrentIndex() const { return currentIndex; }
    const QString& LabelText() const { return labelText; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CImageButton* AddButton(const char* layoutName, int id, const char* caption, int bitmap);
    void SelectTool(int drawMode);
    // Loads the glyph at `position` into `target`; false when there is none to show.
    bool LoadGlyph(CGlyphCanvas* target, int position) const;
    // Whether the canvas holds a bitmap that fits the glyph at `position`.
    bool CanWriteBack(int position) const;
    void PlacePreview();
    void ShowLabel(int position);

    CGlyphSet& glyphSet;
    CGlyphCanvas* canvas = nullptr;
    CGlyphCanvas* preview = nullptr;
    QSlider* zoom = nullptr;
    QLabel* label = nullptr;
    CImageButton* pen = nullptr;
    CImageButton* eraser = nullptr;
    EvaSheetSet sheets;
    CEvaLayout* layout = nullptr;
    QString labelText;
    int currentIndex = -1;
};

}  // namespace brivo
