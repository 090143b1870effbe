// Every text of the main window and the dialogs fits the room its control gives it, at
// 1024 x 768 with the default font, and every control of the main window can be reached
// (scrolled to where the window is small);
// CTest runs this again with QT_SCALE_FACTOR=1.25 and 1.5.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionToolButton>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "filedialog/CFileOptionDialog.h"
#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontChooser.h"
#include "panes/CFontLoadDialog.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "panes/CGroupStyleDialog.h"
#include "shell/CAboutDlg.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/Patience.h"
#include "widgets/CImageButton.h"
#include "widgets/CWrapCheckBox.h"
#include "widgets/DialogUnits.h"

using namespace brivo;

namespace {

// Text as shown: mnemonic ampersands removed, "&&" kept as one.
QString Shown(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// Widest line of `text`.
int Advance(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// What a cut text looks like in the report.
QString Cut(const QWidget* w, const QString& text, const QString& why) {
    return QStringLiteral("%1 \"%2\": %3")
        .arg(QString::fromLatin1(w->metaObject()->className()), text, why);
}

// A text laid out in `room`, one line per '\n' or wrapped at words.
QString Check(const QWidget* w, const QString& text, const QRect& room, bool wrap) {
    const QFontMetrics fm = w->fontMetrics();
    if (!wrap) {
        const int need = Advance(fm, text);
        if (need > room.width())
            return Cut(w, text, QStringLiteral("needs %1 px, has %2").arg(need).arg(room.width()));
        return QString();
    }
    const QRect laid = fm.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, text);
    if (laid.width() > room.width() || laid.height() > room.height())
        return Cut(w, text,
                   QStringLiteral("wrapped needs %1 x %2 px, has %3 x %4")
                       .arg(laid.width())
                       .arg(laid.height())
                       .arg(room.width())
                       .arg(room.height()));
    return QString();
}

QString CheckLabel(const QLabel* label) {
    const QString text = label->text();
    if (text.isEmpty()) return QString();
    QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                -label->margin());
    // The indent of a framed label, on the side the text is aligned to.
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0)
        indent = label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - label->margin();
    const Qt::Alignment align =
        QStyle::visualAlignment(label->layoutDirection(), label->alignment());
    if (indent > 0 && (align & Qt::AlignLeft)) room.setLeft(room.left() + indent);
    if (indent > 0 && (align & Qt::AlignRight)) room.setRight(room.right() - indent);
    if (label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setHtml(text);
        document.setDocumentMargin(0);
        const int need = static_cast<int>(std::ceil(document.idealWidth()));
        if (!label->wordWrap() && need > room.width())
            return Cut(label, text,
                       QStringLiteral("needs %1 px, has %2").arg(need).arg(room.width()));
        return QString();
    }
    return Check(label, Shown(text), room, label->wordWrap());
}

QString CheckButton(const QAbstractButton* button) {
    const QString text = Shown(button->text());
    if (text.isEmpty()) return QString();
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    QRect room;
    if (auto* image = qobject_cast<const CImageButton*>(button)) {
        // Captions wrap at words inside their rectangle.
        return Check(button, text, image->CaptionRect(), true);
    } else if (auto* wrapping = qobject_cast<const CWrapCheckBox*>(button)) {
        return Check(button, text, wrapping->TextRect(), true);
    } else if (qobject_cast<const QCheckBox*>(button)) {
        room = button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button);
    } else if (qobject_cast<const QRadioButton*>(button)) {
        room = button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
    } else if (auto* push = qobject_cast<const QPushButton*>(button)) {
        if (push->autoDefault() || push->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    } else if (auto* tool = qobject_cast<const QToolButton*>(button)) {
        if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull())
            return QString();  // the text is not shown
        QStyleOptionToolButton toolOption;
        toolOption.initFrom(tool);
        toolOption.subControls = QStyle::SC_ToolButton;
        toolOption.toolButtonStyle = tool->toolButtonStyle();
        toolOption.text = tool->text();
        toolOption.icon = tool->icon();
        toolOption.iconSize = tool->iconSize();
        const int frame =
            tool->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &toolOption, tool);
        room = tool->style()
                   ->subControlRect(QStyle::CC_ToolButton, &toolOption, QStyle::SC_ToolButton, tool)
                   .adjusted(frame, frame, -frame, -frame);
        // Only a text beside its icon shares the width with it.
        if (tool->toolButtonStyle() != Qt::ToolButtonTextBesideIcon)
            return Check(button, text, room, false);
    } else {
        room = button->contentsRect();
    }
    room.setLeft(room.left() + icon);
    return Check(button, text, room, false);
}

QString CheckGroupBox(const QGroupBox* box) {
    const QString text = Shown(box->title());
    if (text.isEmpty()) return QString();
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    // The title has the width of the box less the frame's corners.
    const QRect frame =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, box);
    const QRect room = frame.adjusted(8, 0, -8, 0);
    return Check(box, text, room, false);
}

// The cut texts among the visible controls inside `top`.
QStringList CutTexts(const QWidget* top) {
    QStringList cuts;
    for (const QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top->window()) || !w->isVisible()) continue;
        QString cut;
        if (auto* label = qobject_cast<const QLabel*>(w))
            cut = CheckLabel(label);
        else if (auto* button = qobject_cast<const QAbstractButton*>(w))
            cut = CheckButton(button);
        else if (auto* box = qobject_cast<const QGroupBox*>(w))
            cut = CheckGroupBox(box);
        if (!cut.isEmpty()) cuts << cut;
    }
    return cuts;
}

// Counts what was looked at, so that a walk that finds nothing fails.
int TextControls(const QWidget* top) {
    int count = 0;
    for (const QWidget* w : top->findChildren<QWidget*>())
        if (w->isVisible() &&
            (qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
             qobject_cast<const QGroupBox*>(w)))
            ++count;
    return count;
}

// Controls of `area` (its children with a control id) that lie over one another.
QStringList Overlapping(const QWidget* area) {
    QList<const QWidget*> controls;
    for (const QWidget* w : area->findChildren<QWidget*>())
        if (w->property("controlId").isValid() && w->parentWidget() == area && w->isVisible())
            controls << w;
    QStringList faults;
    for (const QWidget* a : controls)
        for (const QWidget* b : controls)
            if (a < b && a->geometry().intersects(b->geometry()))
                faults << QStringLiteral("controls %1 and %2 overlap")
                              .arg(a->property("controlId").toInt())
                              .arg(b->property("controlId").toInt());
    return faults;
}

// The scroll area `w` is shown in, if any.
QScrollArea* ScrollerOf(const QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* scroller = qobject_cast<QScrollArea*>(p)) return scroller;
    return nullptr;
}

// The controls of the panes that cannot be reached: hidden, squeezed below `kLeast` pixels,
// reaching out of their pane, overlapping another control, or not to be brought into view:
// scrolled to, a control in a scroll area shows inside its viewport and the window (one
// wider or higher than the viewport fills it), any other control lies inside the window.
QStringList UnreachableControls(const QMainWindow* frame, const QList<QWidget*>& panes) {
    constexpr int kLeast = 8;
    QStringList faults;
    const QWidget* central = frame->centralWidget();
    for (const QWidget* pane : panes) {
        QList<QWidget*> controls;
        for (QWidget* w : pane->findChildren<QWidget*>())
            if (w->property("controlId").isValid() && w->parentWidget() == pane) controls << w;
        if (controls.isEmpty())
            faults << QStringLiteral("no controls in %1").arg(pane->objectName());
        for (QWidget* w : controls) {
            const QString name = QStringLiteral("%1 %2 at %3,%4 %5x%6")
                                     .arg(QString::fromLatin1(w->metaObject()->className()))
                                     .arg(w->property("controlId").toInt())
                                     .arg(w->x())
                                     .arg(w->y())
                                     .arg(w->width())
                                     .arg(w->height());
            QRect room = central->rect();
            if (QScrollArea* scroller = ScrollerOf(w)) {
                scroller->ensureWidgetVisible(w, 0, 0);
                const QWidget* viewport = scroller->viewport();
                room &= QRect(viewport->mapTo(central, QPoint(0, 0)), viewport->size());
            }
            const QRect seen = QRect(w->mapTo(central, QPoint(0, 0)), w->size()) & room;
            if (!w->isVisible())
                faults << name + ": hidden";
            else if (w->width() < kLeast || w->height() < kLeast)
                faults << name + ": squeezed";
            else if (!pane->rect().contains(w->geometry()))
                faults << name + ": beyond its pane";
            else if (seen.width() < std::min(w->width(), room.width()) ||
                     seen.height() < std::min(w->height(), room.height()))
                faults << name + QStringLiteral(": out of view (%1 x %2 of it shown in %3 x %4)")
                                     .arg(seen.width())
                                     .arg(seen.height())
                                     .arg(room.width())
                                     .arg(room.height());
        }
        faults << Overlapping(pane);
    }
    return faults;
}

}  // namespace

class TextFitTest : public QObject {
    Q_OBJECT

    TestProfile profile;
    std::unique_ptr<CBrivoApp> app;

    // Shows `dialog` and lists the texts cut inside `area` (the dialog itself by default).
    void ExpectNothingCut(QDialog& dialog, const QWidget* area = nullptr) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, kPatienceMs));
        if (area == nullptr) area = &dialog;
        QVERIFY(TextControls(area) > 0);
        const QStringList cuts = CutTexts(area);
        dialog.close();
        QVERIFY2(cuts.isEmpty(), qPrintable(cuts.join(QLatin1Char('\n'))));
    }

private slots:
    void initTestCase() {
        app = std::make_unique<CBrivoApp>();
        QVERIFY(app->InitInstance({"brivo"}));
        QVERIFY(QTest::qWaitForWindowExposed(app->MainFrame(), kPatienceMs));
    }
    void cleanupTestCase() { app.reset(); }

    // At 1024 x 768 pixels of the screen (fewer logical pixels at a higher scale), and at the
    // window's least size, every text fits and every control of the panes can be reached.
    void mainWindow_data() {
        QTest::addColumn<bool>("least");
        QTest::newRow("1024 x 768") << false;
        QTest::newRow("least size") << true;
    }
    void mainWindow() {
        QFETCH(bool, least);
        CMainFrame* frame = app->MainFrame();
        frame->showNormal();
        // The least size fits the screen at every scale.
        const QSize screen = (QSizeF(1024, 768) / frame->devicePixelRatio()).toSize();
        QVERIFY2(
            frame->minimumWidth() <= screen.width() && frame->minimumHeight() <= screen.height(),
            qPrintable(QStringLiteral("least %1 x %2 on a screen of %3 x %4")
                           .arg(frame->minimumWidth())
                           .arg(frame->minimumHeight())
                           .arg(screen.width())
                           .arg(screen.height())));
        const QSize size = least ? frame->minimumSize() : screen;
        QVERIFY(!size.isEmpty());
        frame->resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(frame->size(), size, kPatienceMs);
        QTest::qWait(50);  // the panes lay out after the resize
        CBrivoView* view = frame->View();
        // Where the window has room for the editor and the whole form, the form does not scroll.
        if (view->width() >= CBrivoView::kEditorLeastWidth + CBrivoView::kSplitterBar +
                                 CBrivoView::kFormLeastWidth) {
            const QScrollArea* scroller = ScrollerOf(view->ExtractForm());
            QVERIFY(scroller);
            QVERIFY(!scroller->horizontalScrollBar()->isVisible());
            QVERIFY(!scroller->verticalScrollBar()->isVisible());
        }
        QVERIFY(TextControls(frame) > 10);
        QStringList faults = CutTexts(frame);
        faults << UnreachableControls(frame,
                                      {view->EditPane(), view->InfoPane(), view->ExtractForm()});
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void fontLoadingDialog_data() {
        QTest::addColumn<int>("weight");
        QTest::addColumn<int>("italic");
        QTest::newRow("regular") << 400 << 0;
        QTest::newRow("bold italic: group rows filled") << 700 << 1;
    }
    void fontLoadingDialog() {
        QFETCH(int, weight);
        QFETCH(int, italic);
        CGlyphSet set;
        ExtractSettings settings;
        settings.logFont.weight = weight;
        settings.logFont.italic = static_cast<uint8_t>(italic);
        CFontLoadDialog dialog(set, settings);
        ExpectNothingCut(dialog);
    }

    void groupStyleDialog_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("bold") << int(CGroupStyleDialog::MODE_BOLD);
        QTest::newRow("italic") << int(CGroupStyleDialog::MODE_ITALIC);
    }
    void groupStyleDialog() {
        QFETCH(int, mode);
        CGlyphSet set;
        CGroupStyleDialog dialog(set, static_cast<CGroupStyleDialog::Mode>(mode));
        ExpectNothingCut(dialog);
    }

    void fileOptionArea_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("kind");
        QTest::newRow("binary load") << true << int(FILE_KIND_BINARY);
        QTest::newRow("binary save") << false << int(FILE_KIND_BINARY);
        QTest::newRow("text load") << true << int(FILE_KIND_TEXT);
        QTest::newRow("text save") << false << int(FILE_KIND_TEXT);
        QTest::newRow("export") << false << int(FILE_KIND_EXPORT);
    }
    void fileOptionArea() {
        QFETCH(bool, open);
        QFETCH(int, kind);
        CFileOptionDialog dialog(open, "fnt", open ? "" : "굴림체12_16x16_ALL(ExceptUnused).fnt",
                                 "FNT File (*.fnt)|*.fnt||");
        dialog.SetOptions(16, 16, RANGE_ALL, 1, 0);
        dialog.SetFileKind(static_cast<FileKind>(kind));
        // The toolkit's own part of the file dialog is not ours to fit.
        ExpectNothingCut(dialog, dialog.OptionArea());
        // "Skip Bytes" ends before its box begins.
        const QWidget* skipLabel = FindControl(&dialog, CFileOptionDialog::IDC_SKIP_LABEL);
        const QWidget* skipBox = FindControl(&dialog, CFileOptionDialog::IDC_SKIPBYTES);
        QVERIFY(skipLabel->x() + QFontMetrics(skipLabel->font()).horizontalAdvance("Skip Bytes") <
                skipBox->x());
    }

    void fontChooserAliasRow() {
        LogFont font;  // "굴림체"
        CFontChooser chooser(font, 96);
        ExpectNothingCut(chooser, chooser.AliasBox()->parentWidget());
    }

    void aboutBox() {
        CAboutDlg dialog;
        ExpectNothingCut(dialog);
    }
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
