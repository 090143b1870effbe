// The guard on unsaved work: the title's mark, the question before quit, a new extraction
// and a load with each of its answers, the Update question before a save, and what the
// status bar says a command did.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/MessageBoxAnswerer.h"
#include "testing/Patience.h"
#include "widgets/DialogUnits.h"
#include "widgets/PaneMessage.h"

using namespace brivo;

namespace {

const QString kSaveQuestion = "변경된 내용을 저장하시겠습니까?";
const QString kUpdateQuestion = "Font가 변경되었습니다. Update를 하시겠습니까?";

// Works every file dialog that opens: a save dialog is confirmed with `savePath`, an open
// dialog cancelled; each is noted as "save" or "open".
class FileDialogs : public QObject {
public:
    explicit FileDialogs(QString savePath) : savePath(std::move(savePath)) {
        connect(&poll, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<CFileOptionDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            seen << (dialog->isOpenDialog ? "open" : "save");
            folders << dialog->directory().absolutePath();
            if (dialog->isOpenDialog) return dialog->reject();
            dialog->selectFile(this->savePath);
            dialog->accept();
        });
        poll.start(5);
    }
    QStringList seen;
    QStringList folders;  // where each dialog started

private:
    QString savePath;
    QTimer poll;
};

}  // namespace

class UnsavedChangesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { app.reset(); }
    void titleMarksChangesSinceTheLastSave();
    void replacingOrQuittingAsksFirst_data();
    void replacingOrQuittingAsksFirst();
    void saveOffersToUpdateTheCanvasFirst_data();
    void saveOffersToUpdateTheCanvasFirst();
    void statusBarTellsWhatTheCommandDid();
    void saveAnswerWritesTheCurrentFileAsItIs();
    void titleFollowsTheFileOfTheStateShown();
    void fileDialogsStartInTheFolderLastUsed();
    void declinedUpdateIsNoChangeToSave();

private:
    CMainFrame* Frame() const { return app->MainFrame(); }
    CBrivoView* View() const { return Frame()->View(); }
    CExtractForm* Form() const { return View()->ExtractForm(); }
    CGlyphEditPane* Editor() const { return View()->EditPane(); }
    CGlyphSet& Set() const { return View()->GlyphSet(); }
    QString StatusText() const { return Frame()->statusBar()->currentMessage(); }
    // Inks a pixel of glyph 0 on the canvas; `update` writes it back.
    void EditGlyph(bool update);
    QByteArray FileBytes(const QString& path) const;

    TestProfile profile;
    QTemporaryDir dir;
    std::unique_ptr<CBrivoApp> app;
};

void UnsavedChangesTest::init() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    QVERIFY(QTest::qWaitForWindowExposed(Frame(), kPatienceMs));
    CGlyphSet& set = Set();
    set.ClearGlyphs();
    set.SetGlyphSize(8, 16);
    set.range = RANGE_ASCII;
    for (int i = 0; i < 128; ++i) set.SetGlyphAt(i, NewGlyph(uint16_t(i), 16, i, i));
}

void UnsavedChangesTest::EditGlyph(bool update) {
    Form()->FontList()->selectedIndex = 0;
    SendPaneMessage(View(), WM_GLYPH_NOTIFY, RELAY_NOTIFY_PANES, 0);
    Editor()->Canvas()->SetCell(0, 0, 1);
    if (update) Editor()->OnUpdate();
}

QByteArray UnsavedChangesTest::FileBytes(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void UnsavedChangesTest::titleMarksChangesSinceTheLastSave() {
    QCOMPARE(Frame()->windowTitle(), "Brivo");
    EditGlyph(true);
    QCOMPARE(Frame()->windowTitle(), "Brivo *");
    const QString path = dir.filePath("굴림체12_8x16_ASCII.h");
    View()->WriteTextFile(path, 1);
    QCOMPARE(Frame()->windowTitle(), "굴림체12_8x16_ASCII.h — Brivo");
    View()->Undo();
    QCOMPARE(Frame()->windowTitle(), "굴림체12_8x16_ASCII.h * — Brivo");
    View()->Redo();
    QCOMPARE(Frame()->windowTitle(), "굴림체12_8x16_ASCII.h — Brivo");
    // A save that fails leaves the mark.
    EditGlyph(true);
    MessageBoxAnswerer ok;
    View()->WriteTextFile(dir.filePath("no such folder/x.h"), 1);
    QCOMPARE(ok.texts.size(), 1);
    QCOMPARE(Frame()->windowTitle(), "굴림체12_8x16_ASCII.h * — Brivo");
}

void UnsavedChangesTest::replacingOrQuittingAsksFirst_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("answer");
    for (const char* action : {"quit", "extraction", "load"}) {
        QTest::addRow("%s, Save", action) << action << int(QMessageBox::Save);
        QTest::addRow("%s, Discard", action) << action << int(QMessageBox::Discard);
        QTest::addRow("%s, Cancel", action) << action << int(QMessageBox::Cancel);
    }
}

void UnsavedChangesTest::replacingOrQuittingAsksFirst() {
    QFETCH(QString, action);
    QFETCH(int, answer);
    EditGlyph(true);
    const QString savePath = dir.filePath(QString("saved-%1-%2.h").arg(action).arg(answer));
    FileDialogs dialogs(savePath);
    MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
    bool proceeded = false;
    if (action == "quit") {
        proceeded = Frame()->close();
        QCOMPARE(proceeded, Frame()->isHidden());
    } else if (action == "extraction") {
        static_cast<QRadioButton*>(FindControl(Form(), CExtractForm::IDC_ASCII))->click();
        QSignalSpy finished(Form(), &CExtractForm::ExtractionFinished);
        Form()->StartExtraction();
        proceeded = finished.wait(answer == QMessageBox::Cancel ? 200 : 20000);
    } else {
        Frame()->FindCommand(ID_TEXTFILE_LOAD)->trigger();
        proceeded = dialogs.seen.contains("open");
    }
    // One question only: the extraction form's own overwrite question is not asked on top.
    QCOMPARE(answerer.texts, QStringList{kSaveQuestion});
    QCOMPARE(proceeded, answer != QMessageBox::Cancel);
    QCOMPARE(QFileInfo::exists(savePath), answer == QMessageBox::Save);
    QCOMPARE(dialogs.seen.value(0) == "save", answer == QMessageBox::Save);
    // (A new extraction is itself a change not saved yet.)
    if (answer == QMessageBox::Save && action != "extraction") QVERIFY(!View()->Modified());
    if (answer == QMessageBox::Cancel) {
        QVERIFY(View()->Modified());
        QCOMPARE(Set().Count(), 128);
        QCOMPARE(Set().GlyphAt(0)->bits[0], 0x80);
    }
}

void UnsavedChangesTest::saveOffersToUpdateTheCanvasFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes: the edit is saved") << true;
    QTest::newRow("No: saved without it, the canvas keeps it") << false;
}

void UnsavedChangesTest::saveOffersToUpdateTheCanvasFirst() {
    QFETCH(bool, yes);
    EditGlyph(false);
    const QString path = dir.filePath(QString("update-%1.fnt").arg(yes));
    FileDialogs dialogs(path);
    MessageBoxAnswerer answerer(yes ? QMessageBox::Yes : QMessageBox::No);
    Frame()->FindCommand(ID_FONTFILE_SAVE)->trigger();
    QCOMPARE(answerer.texts, QStringList{kUpdateQuestion});
    QCOMPARE(dialogs.seen, QStringList{"save"});
    QCOMPARE(uint8_t(FileBytes(path).at(0)), yes ? 0x80 : 0x00);
    QCOMPARE(Editor()->Canvas()->modified, !yes);
    QCOMPARE(Editor()->Canvas()->GetCell(0, 0), 1);
}

void UnsavedChangesTest::statusBarTellsWhatTheCommandDid() {
    static_cast<QRadioButton*>(FindControl(Form(), CExtractForm::IDC_ASCII))->click();
    QSignalSpy finished(Form(), &CExtractForm::ExtractionFinished);
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);  // the form's overwrite question
        Form()->StartExtraction();
        QVERIFY(finished.wait(20000));
    }
    QVERIFY2(QRegularExpression("^128 glyphs extracted in \\d+\\.\\d\\d s$")
                 .match(StatusText())
                 .hasMatch(),
             qPrintable(StatusText()));
    QCOMPARE(View()->History().undoText(), "Font 추출");

    const QString path = dir.filePath("ascii.fnt");
    View()->WriteFontFile(path, 0);
    QCOMPARE(StatusText(), "Saved " + path);
    QCOMPARE(View()->ReadFontFile(path, 8, 16, RANGE_ASCII, 0, 0), 1);
    QCOMPARE(StatusText(), "Loaded " + path);
}

// "저장" in the question writes the file the title names, in its own form (here with Skip
// Bytes), without asking for a file.
void UnsavedChangesTest::saveAnswerWritesTheCurrentFileAsItIs() {
    const QString path = dir.filePath("current.fnt");
    View()->WriteFontFile(path, 4);
    QCOMPARE(FileBytes(path).size(), 4 + 128 * 16);
    EditGlyph(true);
    FileDialogs dialogs(dir.filePath("elsewhere.h"));
    MessageBoxAnswerer answerer(QMessageBox::Save);
    QVERIFY(Frame()->close());
    QCOMPARE(answerer.texts, QStringList{kSaveQuestion});
    QCOMPARE(dialogs.seen, QStringList{});
    const QByteArray bytes = FileBytes(path);
    QCOMPARE(bytes.size(), 4 + 128 * 16);
    QCOMPARE(uint8_t(bytes.at(4)), 0x80);
    QVERIFY(!QFileInfo::exists(dir.filePath("elsewhere.h")));
}

// The title names the file of the set shown: through undo and redo of a load, and none
// after a new extraction.
void UnsavedChangesTest::titleFollowsTheFileOfTheStateShown() {
    View()->WriteTextFile(dir.filePath("first.h"), 1);
    View()->WriteFontFile(dir.filePath("second.fnt"), 0);
    View()->WriteTextFile(dir.filePath("first.h"), 1);
    QCOMPARE(View()->ReadFontFile(dir.filePath("second.fnt"), 8, 16, RANGE_ASCII, 0, 0), 1);
    QCOMPARE(Frame()->windowTitle(), "second.fnt — Brivo");
    View()->Undo();
    QCOMPARE(Frame()->windowTitle(), "first.h * — Brivo");
    QCOMPARE(View()->CurrentFile(), dir.filePath("first.h"));
    View()->Redo();
    QCOMPARE(Frame()->windowTitle(), "second.fnt — Brivo");

    static_cast<QRadioButton*>(FindControl(Form(), CExtractForm::IDC_ASCII))->click();
    QSignalSpy finished(Form(), &CExtractForm::ExtractionFinished);
    MessageBoxAnswerer yes(QMessageBox::Yes);
    Form()->StartExtraction();
    QVERIFY(finished.wait(20000));
    QCOMPARE(Frame()->windowTitle(), "Brivo *");
    View()->Undo();
    QCOMPARE(Frame()->windowTitle(), "second.fnt — Brivo");
}

// The file dialogs start where the last one ended, also in the next session.
void UnsavedChangesTest::fileDialogsStartInTheFolderLastUsed() {
    QVERIFY(QDir(dir.path()).mkpath("sub"));
    const QString folder = QFileInfo(dir.filePath("sub")).absoluteFilePath();
    {
        FileDialogs dialogs(folder + "/font.fnt");
        Frame()->FindCommand(ID_FONTFILE_SAVE)->trigger();
        QCOMPARE(dialogs.seen, QStringList{"save"});
    }
    QVERIFY(QFileInfo::exists(folder + "/font.fnt"));
    app.reset();
    init();
    FileDialogs dialogs(dir.filePath("unused.h"));
    Frame()->FindCommand(ID_TEXTFILE_LOAD)->trigger();
    Frame()->FindCommand(ID_TEXTFILE_SAVE)->trigger();
    QCOMPARE(dialogs.seen, (QStringList{"open", "save"}));
    QCOMPARE(dialogs.folders, (QStringList{folder, folder}));
}

// A stroke whose Update is declined leaves the set as saved: no question about saving it.
void UnsavedChangesTest::declinedUpdateIsNoChangeToSave() {
    View()->WriteTextFile(dir.filePath("saved.h"), 1);
    Form()->FontList()->selectedIndex = 0;
    SendPaneMessage(View(), WM_GLYPH_NOTIFY, RELAY_NOTIFY_PANES, 0);
    CGlyphCanvas* canvas = Editor()->Canvas();
    const int cell = canvas->CellSize();
    QTest::mouseClick(canvas, Qt::LeftButton, {},
                      canvas->DrawRect().topLeft() + QPoint(cell / 2, cell / 2));
    QVERIFY(canvas->modified);
    QVERIFY(View()->Modified());
    MessageBoxAnswerer no(QMessageBox::No);
    QVERIFY(View()->MayDiscardChanges());
    QCOMPARE(no.texts, QStringList{kUpdateQuestion});
    QCOMPARE(Set().GlyphAt(0)->bits[0], 0x00);
}

QTEST_MAIN(UnsavedChangesTest)
#include "UnsavedChangesTest.moc"
