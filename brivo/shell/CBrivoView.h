#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "fontfile/gui/CFileOptionDialog.h"
#include "glyph/CodeRange.h"
#include "glyph/LogFont.h"

namespace brivo {

class CGlyphSet;
struct Result;

class CPaneSplitter;
class CExtractForm;
class CGlyphEditPane;
class CGlyphInfoPane;

// The main window's working area: the glyph editor over the information pane on the left, the
// extraction form on the right, in two nested splitters. Panes never call each other; they
// send or post WM_GLYPH_NOTIFY / WM_GLYPHS_CHANGED to the view with a relay word, and the view
// passes the message on to the panes the word names. The view hands its glyph set to each
// pane.
class CBrivoView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kInnerSplitterId = 61446;
    static constexpr int kOuterSplitterId = 61447;
    static constexpr int kMinFirst = 90;
    static constexpr int kMinSecond = 110;

    // Works on `glyphSet`, which outlives the view.
    explicit CBrivoView(CGlyphSet& glyphSet, QWidget* parent = nullptr);
    // Stops the extraction and empties the glyph set; the splitters then store their positions
    // as they are destroyed with the view.
    ~CBrivoView() override;

    // Creates the panes and the splitters; later calls leave them as they are.
    void OnInitialUpdate();

    // Sends message wParam & 0xFFFF with wParam 0 and the same lParam to the editor, the
    // information pane and the extraction form, each if its route bit is set, in that order.
    intptr_t OnRelay(uintptr_t wParam, intptr_t lParam);

    // The font-file commands of the File menu and the toolbar (32771-32774): each asks for a
    // file and its options, then saves or loads the glyph set.
    void OnFontFileSave();
    void OnFontFileLoad();
    void OnTextFileSave();
    void OnTextFileLoad();

    // Save the glyph set, waiting for a running extraction to end first so that a
    // half-built set is never written. A file that cannot be written is reported; 1 always.
    int WriteFontFile(const QString& path, int32_t skipBytes);
    int WriteTextFile(const QString& path, int32_t doubleArray);
    // Replace the glyph set by a file's glyphs: 1 when loaded. Options out of range are
    // refused before anything changes; otherwise a running extraction is stopped and the
    // panes are told that nothing is selected, and a file that cannot be read is reported
    // and leaves the set as it was. Either way the form then repaints and re-announces
    // its selection. A load that succeeds but is doubtful (a .fnt length that does not fit
    // the range, a Custom load cut at 65536 glyphs) is told in the status bar. Where a C
    // source file's header disagrees with the size or range, a question offers the file's
    // values: Yes loads with them, No as asked, Cancel loads nothing.
    int ReadFontFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                     int32_t skipBytes, int32_t exceptUnused);
    int ReadTextFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                     int32_t doubleArray, int32_t exceptUnused);

    // "굴림체12_16x16_한글.fnt": face, point size, glyph size and short range name.
    QString DefaultFileName(const QString& extension) const;

    LogFont logFont;

    CGlyphSet& GlyphSet() const { return glyphSet; }

    CExtractForm* ExtractForm() const { return extractForm; }
    CGlyphEditPane* EditPane() const { return editPane; }
    CGlyphInfoPane* InfoPane() const { return infoPane; }
    CPaneSplitter* OuterSplitter() const { return outerSplitter; }
    CPaneSplitter* InnerSplitter() const { return innerSplitter; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Runs the file dialog of a command with the set's size and range; null on Cancel.
    std::unique_ptr<CFileOptionDialog> AskForFile(bool open, const QString& extension,
                                                  const QString& filter, FileKind kind);
    void WaitForExtraction();
    // Where a C source file's header disagrees with the load, asks: Yes takes the file's
    // values, No keeps them; false on Cancel or when the file cannot be read (reported).
    bool AgreeOnHeader(const QString& path, int32_t& width, int32_t& height, CodeRange& rangeId,
                       int32_t& exceptUnused);
    // `read` loads the set and leaves in `warning` what the status bar should tell.
    int LoadGlyphs(int32_t width, int32_t height, CodeRange rangeId,
                   const std::function<Result(std::string& warning)>& read);
    void ReportFailure(const Result& result);

    CGlyphSet& glyphSet;
    // Children of the view (through the splitters); Qt deletes them with it.
    CPaneSplitter* outerSplitter = nullptr;
    CPaneSplitter* innerSplitter = nullptr;
    CExtractForm* extractForm = nullptr;
    CGlyphEditPane* editPane = nullptr;
    CGlyphInfoPane* infoPane = nullptr;
};

}  // namespace brivo
