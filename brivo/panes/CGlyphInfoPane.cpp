#include "panes/CGlyphInfoPane.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "evalayout/CEvaLayout.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "panes/CTextSample.h"
#include "panes/PaneId.h"
#include "panes/PaneLayouts.h"
#include "widgets/PaneMessage.h"

namespace brivo {

CGlyphInfoPane::CGlyphInfoPane(const CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet) {
    MarkPane(this, kPaneId);

    text = new QPlainTextEdit(this);
    text->setProperty("controlId", kTextId);
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->installEventFilter(this);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The C text keeps its lines (the comment rules are 40 characters); a narrow pane scrolls.
    text->setLineWrapMode(QPlainTextEdit::NoWrap);

    EvaSheet plain("first"), withSample("sample");
    for (const char* line : kGlyphInfoLayout) plain.AddRow(line);
    for (const char* line : kGlyphInfoSampleLayout) withSample.AddRow(line);
    sheets.AddSheet(plain);
    sheets.AddSheet(withSample);
    CheckLayoutsLoaded(sheets, this);
    layout = new CEvaLayout(this);
    sample = new CTextSample(glyphSet, this);
    layout->BindWidget("fontinfo", text);
    layout->BindWidget("sample", sample);
    layout->SetSheet(sheets.SheetAt(0));
    layout->TrackResizeOf(this);
}

void CGlyphInfoPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int sheet = height() >= sample->sizeHint().height() + kRoomForSample ? 1 : 0;
    if (sheet == sheetShown || sheets.Count() < 2) return;
    sheetShown = sheet;
    layout->SetSheet(sheets.SheetAt(sheet));
    layout->Resize(width(), height());
}

bool CGlyphInfoPane::event(QEvent* event) {
    if (CPaneMessage* message = AsPaneMessage(event);
        message && message->Message() == WM_GLYPH_NOTIFY) {
        message->result = OnGlyphNotify(message->lParam);
        return true;
    }
    return QWidget::event(event);
}

bool CGlyphInfoPane::eventFilter(QObject* watched, QEvent* event) {
    // A read-only text control leaves these keys to the window's shortcuts (Ctrl+A is
    // Text File Save there); here they belong to the text.
    if (watched == text && event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy)) {
            key->accept();
            return true;  // the key press then comes to the text
        }
    }
    return QWidget::eventFilter(watched, event);
}

int CGlyphInfoPane::OnGlyphNotify(intptr_t position) {
    infoText = FormatGlyphInfo(position);
    // The control breaks lines at LF; the text keeps CR LF for the firmware sources.
    text->setPlainText(QString(infoText).replace("\r\n", "\n"));
    // The set may have changed with the selection (a load, an extraction, an edit).
    sample->Refresh();
    update();
    return infoText.isEmpty() ? -1 : 0;
}

QString CGlyphInfoPane::FormatGlyphInfo(intptr_t position) const {
    if (position < 0 || position >= glyphSet.Count()) return {};
    const CGlyph* glyph = glyphSet.GlyphAt(static_cast<int>(position));
    if (glyph == nullptr) return {};
    const int width = glyphSet.width;
    const int height = glyphSet.height;
    const int size = width > 0 && height > 0 ? glyphSet.BytesPerGlyph() : 0;

    // A glyph without a bitmap is blank.
    const uint8_t* bits = glyph->bits.get();
    QString bytes;
    for (int i = 1; i <= size; ++i) {
        bytes += QString::asprintf("0x%02x, ", bits != nullptr ? bits[i - 1] : 0);
        if (i % 8 == 0) bytes += "\r\n";
    }
    const QString label =
        QString::fromStdString(Cp949ToUtf8(glyphSet.GetLabel(static_cast<int>(position))));
    return QString::asprintf(
        "/* character = %s */\r\n"
        "unsigned char Data%d[]=\r\n"
        "{\r\n"
        "/*----------------------------------------\r\n"
        ";hexcode : 0x%x\r\n"
        ";width x height : %d x %d\r\n"
        ";size : %d bytes\r\n"
        "------------------------------------------*/\r\n"
        "%s};",
        label.toUtf8().constData(), static_cast<int>(position), glyph->code, width, height, size,
        bytes.toUtf8().constData());
}

}  // namespace brivo
