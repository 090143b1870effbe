#pragma once

#include <QWidget>
#include <cstdint>

#include "extract/LogFont.h"

namespace brivo {

class CPaneSplitter;
class CExtractForm;
class CGlyphEditPane;
class CGlyphInfoPane;

// The main window's working area: the glyph editor over the information pane on the left, the
// extraction form on the right, in two nested splitters. Panes never call each other; they
// send or post WM_GLYPH_NOTIFY / WM_GLYPHS_CHANGED to the view with a relay word, and the view
// passes the message on to the panes the word names.
class CBrivoView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kInnerSplitterId = 61446;
    static constexpr int kOuterSplitterId = 61447;
    static constexpr int kMinFirst = 90;
    static constexpr int kMinSecond = 110;

    explicit CBrivoView(QWidget* parent = nullptr);
    // Stops the extraction and empties the glyph set; the splitters then store their positions
    // as they are destroyed with the view.
    ~CBrivoView() override;

    // Creates the panes and the splitters; later calls leave them as they are.
    void OnInitialUpdate();

    // Sends message wParam & 0xFFFF with wParam 0 and the same lParam to the editor, the
    // information pane and the extraction form, each if its route bit is set, in that order.
    intptr_t OnRelay(uintptr_t wParam, intptr_t lParam);

    // The font-file commands of the File menu and the toolbar (32771-32774).
    void OnFontFileSave() {}
    void OnFontFileLoad() {}
    void OnTextFileSave() {}
    void OnTextFileLoad() {}

    LogFont logFont;

    CExtractForm* ExtractForm() const { return extractForm; }
    CGlyphEditPane* EditPane() const { return editPane; }
    CGlyphInfoPane* InfoPane() const { return infoPane; }
    CPaneSplitter* OuterSplitter() const { return outerSplitter; }
    CPaneSplitter* InnerSplitter() const { return innerSplitter; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Children of the view (through the splitters); Qt deletes them with it.
    CPaneSplitter* outerSplitter = nullptr;
    CPaneSplitter* innerSplitter = nullptr;
    CExtractForm* extractForm = nullptr;
    CGlyphEditPane* editPane = nullptr;
    CGlyphInfoPane* infoPane = nullptr;
};

}  // namespace brivo
