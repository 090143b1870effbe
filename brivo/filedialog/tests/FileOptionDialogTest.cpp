#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "filedialog/CFileOptionDialog.h"
#include "testing/MessageBoxAnswerer.h"
#include "testing/Patience.h"

using namespace brivo;
using Dialog = CFileOptionDialog;

namespace {

const QString kSizeText = QStringLiteral("폰트 사이즈는 1에서 256 사이의 정수를 입력하십시오.");
constexpr char kBinaryFilter[] = "FNT File (*.fnt)|*.fnt|All Files(*.*)|*.*||";
constexpr char kTextFilter[] = "Header File (*.h)|*.h|CPP File (*.cpp)|*.cpp|All Files(*.*)|*.*||";

const int kRangeIds[] = {Dialog::IDC_ASCII, Dialog::IDC_HANGUL,     Dialog::IDC_FULLWIDTH1,
                         Dialog::IDC_ALL,   Dialog::IDC_FULLWIDTH2, Dialog::IDC_CUSTOM};

bool Checked(const Dialog& dialog, int id) {
    return static_cast<QAbstractButton*>(dialog.Control(id))->isChecked();
}

QString Text(const Dialog& dialog, int id) {
    return static_cast<QLineEdit*>(dialog.Control(id))->text();
}

void SetText(Dialog& dialog, int id, const QString& text) {
    static_cast<QLineEdit*>(dialog.Control(id))->setText(text);
}

void ClickSpin(Dialog& dialog, int id, const char* arrow, int times) {
    auto* button = dialog.Control(id)->findChild<QToolButton*>(arrow);
    for (int i = 0; i < times; ++i) button->click();
}

}  // namespace

class FileOptionDialogTest : public QObject {
    Q_OBJECT
private slots:
    void optionAreaHasTheTemplateControls();
    void saveDialogShowsSizeAndRangeOnly_data();
    void saveDialogShowsSizeAndRangeOnly();
    void rangeRadiosAreExclusiveAndMapToRanges_data();
    void rangeRadiosAreExclusiveAndMapToRanges();
    void noRangeShowsCustom();
    void arrayFormIsTaken();
    void bitLayoutIsChosenAsOnTheCommandLine();
    void arrayNameAndCodeTableOfATextSave_data();
    void arrayNameAndCodeTableOfATextSave();
    void skipBytesIsReadLikeStrtol_data();
    void skipBytesIsReadLikeStrtol();
    void skipBytesBeyondTheLimitIsRefusedAsTheBoxIsLeft();
    void spinsAndArrowKeysStepByOneWithinLimits();
    void badSizesAreRefused_data();
    void badSizesAreRefused();
    void badSizeIsRefusedAsTheBoxIsLeft();
    void filtersBecomeNameFilters();
    void acceptingReturnsTheTypedPath();
};

void FileOptionDialogTest::optionAreaHasTheTemplateControls() {
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    QCOMPARE(dialog.OptionArea()->property("controlId").toInt(), 134);
    const QList<std::pair<int, QString>> texts{
        {1049, "폰트 사이즈"},
        {1050, "X"},
        {1051, "Y"},
        {1019, "ASCII (0x00 - 0x7F)"},
        {1020, "한글 (0xB0A0 - 0xC8FF)"},
        {1024, "전각1 (0xA1A0 - 0xAFFF)"},
        {1021, "ALL (0xA1A0 - 0xFDFF)"},
        {1025, "전각2 (0xC9A0 - 0xFDFF)"},
        {1022, "Custom"},
        {1046, "Skip Bytes"},
        {1048, "Bytes"},
        {1026, "SingleArray Type"},
        {1027, "Double Array Type"},
    };
    for (const auto& [id, text] : texts) {
        QWidget* control = dialog.Control(id);
        QVERIFY2(control, qPrintable(QString::number(id)));
        const QString shown = qobject_cast<QLabel*>(control)
                                  ? static_cast<QLabel*>(control)->text()
                                  : static_cast<QAbstractButton*>(control)->text();
        QCOMPARE(shown, text);
    }
    for (int id : {1002, 1003, 1004, 1005, 1047, 1079}) QVERIFY(dialog.Control(id));
    auto* exceptText = dialog.OptionArea()->findChild<QLabel*>("exceptUnusedText");
    QCOMPARE(exceptText->text(), "사용하지 않는 0xADxx - 0xAFxx, 0xC9xx 제외시키기");
    QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));

    // Shown below the dialog's own controls.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog, kPatienceMs));
    auto* nameEdit = dialog.findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(nameEdit);
    QVERIFY(dialog.OptionArea()->isVisible());
    QVERIFY(dialog.OptionArea()->y() > nameEdit->y());
}

void FileOptionDialogTest::saveDialogShowsSizeAndRangeOnly_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("enabled");
    QTest::addColumn<QList<int>>("disabled");
    const QList<int> sizeAndRange{1002, 1003, 1004, 1005, 1019, 1020, 1021, 1022, 1024, 1025, 1079};
    QTest::newRow("binary") << int(FILE_KIND_BINARY) << QList<int>{1046, 1047, 1048, 1094, 1095}
                            << (sizeAndRange + QList<int>{1026, 1027});
    QTest::newRow("text") << int(FILE_KIND_TEXT) << QList<int>{1026, 1027, 1094, 1095}
                          << (sizeAndRange + QList<int>{1046, 1047, 1048});
}

void FileOptionDialogTest::saveDialogShowsSizeAndRangeOnly() {
    QFETCH(int, kind);
    QFETCH(QList<int>, enabled);
    QFETCH(QList<int>, disabled);
    Dialog dialog(false, "fnt", "굴림체12_16x16_ALL(ExceptUnused).fnt", kBinaryFilter);
    dialog.SetOptions(16, 16, RANGE_ALL, 1, 0);
    dialog.SetFileKind(FileKind(kind));
    QCOMPARE(Text(dialog, 1002), "16");
    QCOMPARE(Text(dialog, 1003), "16");
    QCOMPARE(Text(dialog, 1047), "0");
    QVERIFY(Checked(dialog, Dialog::IDC_ALL));
    QVERIFY(Checked(dialog, Dialog::IDC_DOUBLE_ARRAY));
    QVERIFY(!Checked(dialog, Dialog::IDC_EXCEPT_UNUSED));
    for (int id : enabled)
        QVERIFY2(dialog.Control(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : disabled)
        QVERIFY2(!dialog.Control(id)->isEnabled(), qPrintable(QString::number(id)));
    // A save keeps the set's size, whatever the disabled boxes say.
    SetText(dialog, 1002, "abc");
    QVERIFY(dialog.TakeControls());
    QCOMPARE(dialog.sizeX, 16);
}

void FileOptionDialogTest::rangeRadiosAreExclusiveAndMapToRanges_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("range");
    QTest::newRow("ASCII") << 1019 << int(RANGE_ASCII);
    QTest::newRow("Hangul") << 1020 << int(RANGE_HANGUL);
    QTest::newRow("full-width 1") << 1024 << int(RANGE_FULLWIDTH1);
    QTest::newRow("full-width 2") << 1025 << int(RANGE_FULLWIDTH2);
    QTest::newRow("ALL") << 1021 << int(RANGE_ALL);
    QTest::newRow("Custom") << 1022 << int(RANGE_CUSTOM);
}

void FileOptionDialogTest::rangeRadiosAreExclusiveAndMapToRanges() {
    QFETCH(int, id);
    QFETCH(int, range);
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 0);
    dialog.SetFileKind(FILE_KIND_BINARY);
    static_cast<QAbstractButton*>(dialog.Control(id))->click();
    for (int other : kRangeIds) QCOMPARE(Checked(dialog, other), other == id);
    QVERIFY(dialog.TakeControls());
    QCOMPARE(int(dialog.rangeId), range);
}

void FileOptionDialogTest::noRangeShowsCustom() {
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(0, 0, RANGE_NONE, 1, 0);
    QVERIFY(Checked(dialog, Dialog::IDC_CUSTOM));
}

void FileOptionDialogTest::arrayFormIsTaken() {
    Dialog dialog(false, "h", "", kTextFilter);
    dialog.SetOptions(8, 16, RANGE_ASCII, 1, 0);
    dialog.SetFileKind(FILE_KIND_TEXT);
    QVERIFY(Checked(dialog, Dialog::IDC_DOUBLE_ARRAY));
    static_cast<QAbstractButton*>(dialog.Control(Dialog::IDC_SINGLE_ARRAY))->click();
    QVERIFY(!Checked(dialog, Dialog::IDC_DOUBLE_ARRAY));
    QVERIFY(dialog.TakeControls());
    QCOMPARE(dialog.doubleArray, 0);
    dialog.SetOptions(8, 16, RANGE_ASCII, 1, 0);
    QVERIFY(Checked(dialog, Dialog::IDC_DOUBLE_ARRAY));
    QVERIFY(dialog.TakeControls());
    QCOMPARE(dialog.doubleArray, 1);
}

// Skip Bytes is read as strtol reads it and taken from 0 to 65536; beyond that the dialog
// stays open with the reason (-1: refused).
// Rows, MSB first unless set; another scan brings its own bit order (pages: LSB), which can
// still be changed. A text file names its layout itself: its load offers none.
void FileOptionDialogTest::bitLayoutIsChosenAsOnTheCommandLine() {
    Dialog save(false, "h", "font.h", kTextFilter);
    save.SetFileKind(FILE_KIND_TEXT);
    auto* scan = static_cast<QComboBox*>(save.Control(Dialog::IDC_SCAN));
    auto* order = static_cast<QComboBox*>(save.Control(Dialog::IDC_BIT_ORDER));
    QVERIFY(save.TakeControls());
    QCOMPARE(save.bitLayout, BitLayout{});
    for (const auto& [scanOrder, bitOrder] : {std::pair{ScanOrder::Pages, BitOrder::Lsb},
                                              std::pair{ScanOrder::Columns, BitOrder::Msb}}) {
        scan->setCurrentIndex(scan->findData(int(scanOrder)));
        emit scan->activated(scan->currentIndex());
        QVERIFY(save.TakeControls());
        QCOMPARE(save.bitLayout, (BitLayout{scanOrder, bitOrder}));
    }
    order->setCurrentIndex(order->findData(int(BitOrder::Lsb)));
    QVERIFY(save.TakeControls());
    QCOMPARE(save.bitLayout, (BitLayout{ScanOrder::Columns, BitOrder::Lsb}));
    save.SetBitLayout({ScanOrder::Pages, BitOrder::Msb});
    QCOMPARE(scan->currentData().toInt(), int(ScanOrder::Pages));
    QCOMPARE(order->currentData().toInt(), int(BitOrder::Msb));

    Dialog load(true, "h", "", kTextFilter);
    load.SetFileKind(FILE_KIND_TEXT);
    QVERIFY(!load.Control(Dialog::IDC_SCAN)->isEnabled());
}

void FileOptionDialogTest::skipBytesIsReadLikeStrtol_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("number") << "16" << 16;
    QTest::newRow("blanks and trailing text") << "  12abc" << 12;
    QTest::newRow("no digits") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("largest") << "65536" << 65536;
    QTest::newRow("one too many") << "65537" << -1;
    QTest::newRow("a billion") << "1000000000" << -1;
    QTest::newRow("sign") << "-5" << -1;
    QTest::newRow("beyond 32 bits") << "99999999999" << -1;
}

void FileOptionDialogTest::skipBytesIsReadLikeStrtol() {
    QFETCH(QString, text);
    QFETCH(int, value);
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 7);
    SetText(dialog, Dialog::IDC_SKIPBYTES, text);
    MessageBoxAnswerer boxes;
    QCOMPARE(dialog.TakeControls(), value >= 0);
    QCOMPARE(dialog.skipBytes, value >= 0 ? value : 7);
    QCOMPARE(boxes.texts, value >= 0 ? QStringList()
                                     : QStringList{"Skip Bytes는 0에서 65536 사이의 정수를 "
                                                   "입력하십시오."});
}

void FileOptionDialogTest::skipBytesBeyondTheLimitIsRefusedAsTheBoxIsLeft() {
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 0);
    dialog.SetFileKind(FILE_KIND_BINARY);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
    auto* skip = static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SKIPBYTES));
    auto* sizeX = static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEX));
    skip->setFocus();
    skip->selectAll();
    QTest::keyClicks(skip, "100");
    sizeX->setFocus();
    QCOMPARE(dialog.skipBytes, 100);

    skip->setFocus();
    skip->selectAll();
    QTest::keyClicks(skip, "1000000000");
    MessageBoxAnswerer boxes;
    sizeX->setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts,
                              QStringList{"Skip Bytes는 0에서 65536 사이의 정수를 입력하십시오."},
                              kPatienceMs);
    QCOMPARE(skip->text(), "100");
    QCOMPARE(dialog.skipBytes, 100);
}

void FileOptionDialogTest::spinsAndArrowKeysStepByOneWithinLimits() {
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 0);
    ClickSpin(dialog, Dialog::IDC_SPINX, "up", 3);
    QCOMPARE(Text(dialog, 1002), "19");
    QCOMPARE(dialog.sizeX, 19);
    ClickSpin(dialog, Dialog::IDC_SPINY, "down", 2);
    QCOMPARE(Text(dialog, 1003), "14");
    QVERIFY(dialog.TakeControls());
    QCOMPARE(dialog.sizeX, 19);
    QCOMPARE(dialog.sizeY, 14);

    // A value typed but not yet taken is where the spin starts.
    SetText(dialog, 1002, "100");
    ClickSpin(dialog, Dialog::IDC_SPINX, "up", 1);
    QCOMPARE(Text(dialog, 1002), "101");

    dialog.SetOptions(255, 2, RANGE_HANGUL, 1, 0);
    ClickSpin(dialog, Dialog::IDC_SPINX, "up", 3);
    ClickSpin(dialog, Dialog::IDC_SPINY, "down", 3);
    QCOMPARE(Text(dialog, 1002), "256");
    QCOMPARE(Text(dialog, 1003), "1");

    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 0);
    auto* edit = static_cast<QLineEdit*>(dialog.Control(1003));
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->text(), "17");
}

void FileOptionDialogTest::badSizesAreRefused_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("zero") << "0"
                          << "16";
    QTest::newRow("negative") << "16"
                              << "-8";
    QTest::newRow("too wide") << "257"
                              << "16";
    QTest::newRow("not a number") << "16"
                                  << "1x";
    QTest::newRow("empty") << ""
                           << "16";
}

void FileOptionDialogTest::badSizesAreRefused() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(8, 8, RANGE_HANGUL, 1, 0);
    SetText(dialog, 1002, width);
    SetText(dialog, 1003, height);
    MessageBoxAnswerer boxes;
    QVERIFY(!dialog.TakeControls());
    QCOMPARE(boxes.texts, QStringList{kSizeText});
    QCOMPARE(dialog.sizeX, 8);
    QCOMPARE(dialog.sizeY, 8);
}

void FileOptionDialogTest::badSizeIsRefusedAsTheBoxIsLeft() {
    Dialog dialog(true, "fnt", "", kBinaryFilter);
    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
    auto* sizeX = static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEX));
    auto* sizeY = static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEY));
    sizeX->setFocus();
    sizeX->selectAll();
    QTest::keyClicks(sizeX, "24");
    sizeY->setFocus();
    QCOMPARE(dialog.sizeX, 24);  // a good value is taken as the box is left

    sizeY->selectAll();
    QTest::keyClicks(sizeY, "1x");
    MessageBoxAnswerer boxes;
    sizeX->setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts, QStringList{kSizeText}, kPatienceMs);
    QCOMPARE(sizeY->text(), "16");
    QCOMPARE(dialog.sizeY, 16);
}

void FileOptionDialogTest::filtersBecomeNameFilters() {
    QCOMPARE(NameFiltersOf(kBinaryFilter), (QStringList{"FNT File (*.fnt)", "All Files (*)"}));
    QCOMPARE(NameFiltersOf(kTextFilter),
             (QStringList{"Header File (*.h)", "CPP File (*.cpp)", "All Files (*)"}));
}

void FileOptionDialogTest::acceptingReturnsTheTypedPath() {
    QTemporaryDir dir;
    const QString path = dir.filePath("glyphs.fnt");
    Dialog dialog(false, "fnt", "default.fnt", kBinaryFilter);
    dialog.setDirectory(dir.path());
    dialog.SetOptions(16, 16, RANGE_HANGUL, 1, 0);
    dialog.SetFileKind(FILE_KIND_BINARY);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText(dir.filePath("glyphs"));
        SetText(dialog, Dialog::IDC_SKIPBYTES, "16");
        dialog.accept();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.FilePath(), path);  // the default extension is added
    QCOMPARE(dialog.skipBytes, 16);
}

void FileOptionDialogTest::arrayNameAndCodeTableOfATextSave_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("subset");
    QTest::addColumn<bool>("nameEnabled");
    QTest::addColumn<bool>("tableEnabled");
    QTest::newRow("text save of a subset") << false << int(FILE_KIND_TEXT) << true << true << true;
    QTest::newRow("text save of a range") << false << int(FILE_KIND_TEXT) << false << true << false;
    QTest::newRow("binary save of a subset")
        << false << int(FILE_KIND_BINARY) << true << false << true;
    QTest::newRow("binary save of a range")
        << false << int(FILE_KIND_BINARY) << false << false << false;
    QTest::newRow("text load") << true << int(FILE_KIND_TEXT) << true << false << false;
}

void FileOptionDialogTest::arrayNameAndCodeTableOfATextSave() {
    QFETCH(bool, open);
    QFETCH(int, kind);
    QFETCH(bool, subset);
    QFETCH(bool, nameEnabled);
    QFETCH(bool, tableEnabled);
    Dialog dialog(open, "h", "", kTextFilter);
    dialog.SetOptions(16, 16, RANGE_CUSTOM, 1, 0);
    dialog.SetFileKind(FileKind(kind));
    dialog.SetTextArray("font16", subset);
    QCOMPARE(Text(dialog, Dialog::IDC_ARRAY_NAME), "font16");
    QCOMPARE(Checked(dialog, Dialog::IDC_CODE_TABLE), subset);
    QCOMPARE(dialog.Control(Dialog::IDC_ARRAY_NAME)->isEnabled(), nameEnabled);
    QCOMPARE(dialog.Control(Dialog::IDC_CODE_TABLE)->isEnabled(), tableEnabled);
    QCOMPARE(static_cast<QAbstractButton*>(dialog.Control(Dialog::IDC_CODE_TABLE))->text(),
             "Code Table");

    // A name that is no C identifier is refused where it counts, and kept as it was.
    SetText(dialog, Dialog::IDC_ARRAY_NAME, "font-16");
    MessageBoxAnswerer answerer;
    QCOMPARE(dialog.TakeControls(), !nameEnabled);
    QCOMPARE(dialog.arrayName, QString("font16"));
    SetText(dialog, Dialog::IDC_ARRAY_NAME, " small_font ");
    QVERIFY(dialog.TakeControls());
    QCOMPARE(dialog.arrayName, nameEnabled ? QString("small_font") : QString("font16"));
    QCOMPARE(dialog.codeTable, subset ? 1 : 0);
}

QTEST_MAIN(FileOptionDialogTest)
#include "FileOptionDialogTest.moc"
