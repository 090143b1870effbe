#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "evalayout/EvaSheet.h"

class QLabel;
class QScrollArea;
class QSlider;

namespace brivo {

class CGlyphSet;

class CEvaLayout;
class CGlyphCanvas;
class CGlyphUndoStack;
class CImageButton;
struct GlyphViewState;

// The upper left pane: the selected glyph enlarged for editing with pen and eraser, shifts,
// mirrors and zoom, an actual-size preview, and "Update" / "Reset" to write the edit back into
// the glyph set or throw it away. The drawing surface scrolls when the enlarged glyph is
// larger than its room; until the zoom is set by hand (slider or Ctrl+wheel) it fits the glyph
// to the room, and a glyph of another size or Ctrl+0 in the pane fits again.
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
    // Where the canvas holds an edit not written back, asks whether to Update it first; No
    // throws the edit away when `discardOnNo` (a step that can be undone), else keeps it.
    void SettleEdit(bool discardOnNo);
    // Records the edits of the canvas and the Updates in `history` (none: not recorded).
    void SetUndoStack(CGlyphUndoStack* history) { undoStack = history; }
    // Shows the state of a step undone or redone, without asking anything.
    void ShowState(const GlyphViewState& state);
    // Writes the edited bitmap into the glyph shown and tells the extraction form.
    void OnUpdate();
    // Throws the edit away and shows the glyph as the set has it.
    void OnReset();

    // Gives the keyboard to the canvas.
    void FocusCanvas();
    // Zooms so that the whole glyph fills the drawing surface, from now on as it resizes.
    void FitZoom();
    bool FitsZoom() const { return fitZoom; }

    CGlyphCanvas* Canvas() const { return canvas; }
    QScrollArea* Surface() const { return surface; }
    QSlider* Zoom() const { return zoom; }
    CGlyphCanvas* Preview() const { return preview; }
    int CurrentIndex() const { return currentIndex; }
    const QString& LabelText() const { return labelText; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Ctrl+wheel over the tools or the preview zooms as over the canvas, round its middle.
    void wheelEvent(QWheelEvent* event) override;

private:
    int ShowGlyph(int position);
    GlyphViewState CanvasState() const;
    // Records the change of the canvas since `before` as the step `text`.
    void RecordCanvasStep(const QString& text, const GlyphViewState& before);
    CImageButton* AddButton(const char* layoutName, int id, const char* caption, int bitmap);
    void SelectTool(int drawMode);
    // Loads the glyph at `position` into `target`; false when there is none to show.
    bool LoadGlyph(CGlyphCanvas* target, int position) const;
    // Whether the canvas holds a bitmap that fits the glyph at `position`.
    bool CanWriteBack(int position) const;
    // Lays out the controls, the preview and the drawing surface for the pane's size and the
    // glyph's size.
    void Arrange();
    void PlacePreview();
    // The largest cell size at which the whole glyph fits the drawing surface.
    int FitCellSize() const;
    // Sizes the canvas to the enlarged glyph, at least to the visible room.
    void SizeCanvas();
    // Zooms by `notches` keeping the glyph point under `at` (canvas coordinates) in place.
    void ZoomAt(int notches, QPoint at);
    void ShowLabel(int position);

    CGlyphSet& glyphSet;
    CGlyphCanvas* canvas = nullptr;
    CGlyphCanvas* preview = nullptr;
    QScrollArea* surface = nullptr;
    QSlider* zoom = nullptr;
    QLabel* label = nullptr;
    CImageButton* pen = nullptr;
    CImageButton* eraser = nullptr;
    EvaSheetSet sheets;
    CEvaLayout* layout = nullptr;
    QString labelText;
    int currentIndex = -1;
    bool fitZoom = true;   // the zoom follows the room until it is set by hand
    bool fitting = false;  // the pane itself is moving the zoom slider
    CGlyphUndoStack* undoStack = nullptr;
    std::vector<uint8_t> strokeStart;  // the canvas as a mouse stroke found it
    bool strokeModified = false;
    int wheelRest = 0;  // wheel turn over the pane short of a whole notch
};

}  // namespace brivo
