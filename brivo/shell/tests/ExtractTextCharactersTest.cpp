#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/FileDialogDriver.h"
#include "testing/MessageBoxAnswerer.h"
#include "testing/Patience.h"

using namespace brivo;
using Dialog = CFileOptionDialog;

// "Extract Characters of a Text File…" and the text save of the character subset it makes.
class ExtractTextCharactersTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { app.reset(); }
    void fileMenuOffersTheCommand();
    void charactersOfATextBecomeACustomSetKeepingCodes();
    void textSaveWritesTheCodeTableUnderTheChosenName();
    void badTextChangesNothing();
    void cp949TextIsReadAsSuchWhenAccepted();

private:
    CBrivoView* View() const { return app->MainFrame()->View(); }
    CGlyphSet& Set() const { return View()->GlyphSet(); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile file(Path(name));
        if (file.open(QIODevice::WriteOnly)) file.write(bytes);
        return Path(name);
    }
    // Extracts the characters of "확인 취소" and waits for the run to end.
    void ExtractMenu();

    TestProfile profile;
    QTemporaryDir dir;
    std::unique_ptr<CBrivoApp> app;
};

void ExtractTextCharactersTest::init() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    QVERIFY(QTest::qWaitForWindowExposed(app->MainFrame(), kPatienceMs));
}

void ExtractTextCharactersTest::ExtractMenu() {
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    // The run is over (and recorded in the history) when the form says so.
    QSignalSpy finished(View()->ExtractForm(), &CExtractForm::ExtractionFinished);
    QCOMPARE(View()->ExtractTextCharacters(Write("menu.txt", "확인 취소\n")), 1);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kPatienceMs);
    QTRY_COMPARE_WITH_TIMEOUT(Set().Count(), 5, kPatienceMs);
}

void ExtractTextCharactersTest::fileMenuOffersTheCommand() {
    QAction* command = app->MainFrame()->FindCommand(ID_EXTRACT_TEXT_CHARS);
    QVERIFY(command);
    QCOMPARE(command->text(), QString("Extract Characters of a Text File…"));
    QVERIFY(command->isEnabled());
}

void ExtractTextCharactersTest::charactersOfATextBecomeACustomSetKeepingCodes() {
    CExtractForm* form = View()->ExtractForm();
    form->settings.fontSizeX = 12;
    form->settings.fontSizeY = 14;
    ExtractMenu();
    const CGlyphSet& set = Set();
    QCOMPARE(int(set.range), int(RANGE_CUSTOM));
    QVERIFY(set.keepsCodes);
    QCOMPARE(set.width, 12);
    QCOMPARE(set.height, 14);
    QCOMPARE(set.GetRangeName(false), std::string("Custom (5 characters)"));
    const uint16_t codes[] = {0x20, 0xBCD2, 0xC0CE, 0xC3EB, 0xC8AE};
    for (int n = 0; n < 5; ++n) QCOMPARE(set.GlyphAt(n)->code, codes[n]);
    QCOMPARE(QString::fromStdString(Cp949ToUtf8(set.GetLabel(4))), QString("확[0xc8ae]"));
    QVERIFY(static_cast<QRadioButton*>(form->Control(CExtractForm::IDC_CUSTOM))->isChecked());

    // Characters without a code are listed with where they are; Yes extracts the others.
    View()->History().setClean();  // nothing unsaved, so no question about saving first
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    QCOMPARE(View()->ExtractTextCharacters(Write("more.txt", "OK\ncaf\xC3\xA9")), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!form->Running(), kPatienceMs);
    QTRY_COMPARE_WITH_TIMEOUT(Set().Count(), 5, kPatienceMs);  // O K c a f
    QVERIFY(!answerer.texts.isEmpty());
    QVERIFY2(answerer.texts[0].contains("2줄 4번째 글자: 'é' (U+00E9)\n"),
             qPrintable(answerer.texts[0]));
}

void ExtractTextCharactersTest::textSaveWritesTheCodeTableUnderTheChosenName() {
    ExtractMenu();
    bool tableOffered = false;
    {
        FileDialogDriver driver(Path("menu.h"), [&](Dialog& dialog) {
            auto* table = static_cast<QCheckBox*>(dialog.Control(Dialog::IDC_CODE_TABLE));
            tableOffered = table->isEnabled() && table->isChecked();
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_ARRAY_NAME))->setText("menu16");
        });
        app->MainFrame()->FindCommand(ID_TEXTFILE_SAVE)->trigger();
    }
    QVERIFY(tableOffered);
    QFile file(Path("menu.h"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("/* Font Type  : Custom (5 characters)\r\n"));
    QVERIFY(text.contains("const unsigned char menu16[5][32] = {"));
    QVERIFY(
        text.contains("const unsigned short menu16_codes[5] = {\r\n"
                      "0x0020, 0xbcd2, 0xc0ce, 0xc3eb, 0xc8ae,\r\n};"));
    QCOMPARE(View()->arrayName, QString("menu16"));

    // Loaded back as Custom, the glyphs have their codes again.
    Set().ClearGlyphs();
    Set().keepsCodes = false;
    {
        FileDialogDriver driver(Path("menu.h"), [](Dialog& dialog) {
            static_cast<QAbstractButton*>(dialog.Control(Dialog::IDC_CUSTOM))->click();
        });
        app->MainFrame()->FindCommand(ID_TEXTFILE_LOAD)->trigger();
    }
    QCOMPARE(Set().Count(), 5);
    QCOMPARE(Set().GlyphAt(4)->code, uint16_t{0xC8AE});
    QVERIFY(Set().keepsCodes);

    // Without the check mark, and under a bad name (refused first), no table.
    bool refused = false;
    {
        MessageBoxAnswerer answerer;
        FileDialogDriver driver(Path("plain.h"), [&](Dialog& dialog) {
            auto* name = static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_ARRAY_NAME));
            QCOMPARE(name->text(), QString("menu16"));  // the last name comes back
            name->setText("9menu");
            refused = !dialog.TakeControls();
            name->setText("plain");
            static_cast<QCheckBox*>(dialog.Control(Dialog::IDC_CODE_TABLE))->setChecked(false);
        });
        app->MainFrame()->FindCommand(ID_TEXTFILE_SAVE)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!answerer.texts.isEmpty(), kPatienceMs);
        QVERIFY(answerer.texts[0].contains("C 식별자"));
    }
    QVERIFY(refused);
    QFile plain(Path("plain.h"));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    const QByteArray plainText = plain.readAll();
    QVERIFY(plainText.contains("const unsigned char plain[5][32] = {"));
    QVERIFY(!plainText.contains("_codes"));
}

void ExtractTextCharactersTest::badTextChangesNothing() {
    ExtractMenu();
    {
        MessageBoxAnswerer answerer(QMessageBox::No);
        QCOMPARE(View()->ExtractTextCharacters(Write("bad.txt", "ok\xFF")), 0);
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts[0].contains("CP949"), qPrintable(answerer.texts[0]));
    }
    {
        MessageBoxAnswerer answerer(QMessageBox::No);
        QCOMPARE(View()->ExtractTextCharacters(Write("accents.txt", "\xC3\xA9t\xC3\xA9")), 0);
    }
    QCOMPARE(Set().Count(), 5);
    QCOMPARE(Set().GlyphAt(4)->code, uint16_t{0xC8AE});
}

// The text of Korean Windows (code page 949, as iconv writes it) gives the characters its
// UTF-8 form gives.
void ExtractTextCharactersTest::cp949TextIsReadAsSuchWhenAccepted() {
    ExtractMenu();
    std::vector<uint16_t> fromUtf8;
    for (int i = 0; i < Set().Count(); ++i) fromUtf8.push_back(Set().GlyphAt(i)->code);
    const std::string cp949 = ConvertEncoding("확인 취소\n", "CP949", "UTF-8");
    QVERIFY(cp949.size() == 10);
    Set().ClearGlyphs();
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    QCOMPARE(
        View()->ExtractTextCharacters(Write("menu-cp949.txt", QByteArray::fromStdString(cp949))),
        1);
    QTRY_VERIFY_WITH_TIMEOUT(!View()->ExtractForm()->Running(), kPatienceMs);
    QTRY_COMPARE_WITH_TIMEOUT(Set().Count(), 5, kPatienceMs);
    for (int i = 0; i < 5; ++i) QCOMPARE(Set().GlyphAt(i)->code, fromUtf8[i]);
    QVERIFY(answerer.texts.value(0).contains("CP949"));
}

QTEST_MAIN(ExtractTextCharactersTest)
#include "ExtractTextCharactersTest.moc"
