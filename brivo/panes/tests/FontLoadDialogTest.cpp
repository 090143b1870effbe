#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "panes/CFontLoadDialog.h"
#include "panes/CFontPreview.h"
#include "panes/CGroupStyleDialog.h"
#include "testing/PaneTestSupport.h"
#include "testing/Patience.h"
#include "widgets/DialogUnits.h"

using namespace brivo;
using namespace brivo::test;

namespace {

ExtractSettings Settings(const LogFont& font, int sizeX, int sizeY, int offsetX, int offsetY,
                         int threshold) {
    ExtractSettings settings;
    settings.logFont = font;
    settings.fontSizeX = sizeX;
    settings.fontSizeY = sizeY;
    settings.offsetX = offsetX;
    settings.offsetY = offsetY;
    settings.threshold = threshold;
    return settings;
}

}  // namespace

class FontLoadDialogTest : public QObject {
    Q_OBJECT

    static QString Text(const CFontLoadDialog& dialog, int id) {
        if (auto* label = qobject_cast<QLabel*>(dialog.Control(id))) return label->text();
        return qobject_cast<QLineEdit*>(dialog.Control(id))->text();
    }
    static LogFont BoldItalicUnderlined() {
        LogFont font;
        font.weight = 700;
        font.italic = 1;
        font.underline = 1;
        return font;
    }
    // Black pixels of the preview inside `band` (rows y0..y1).
    static int InkIn(const QImage& image, int y0, int y1) {
        int ink = 0;
        for (int y = y0; y < y1 && y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) ink += image.pixel(x, y) == qRgb(0, 0, 0);
        return ink;
    }

private slots:
    void init() {
        TestGlyphSet().boldGroups = GROUP_ALL;
        TestGlyphSet().italicGroups = GROUP_ALL;
    }

    void opensWithItsLabels() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 16, 2, 3, 77));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Font Loading"));
        QCOMPARE(dialog.Description(), QStringLiteral("굴림체, 12"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_ZOOM_LABEL), QStringLiteral("2x"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_STRENGTH_LABEL), QStringLiteral("[1] 77 [255]"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_SIZE_X), QStringLiteral("16"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_OFFSET_Y), QStringLiteral("3"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_SAMPLE), CFontPreview::kDefaultText);
        // a normal font: both group rows greyed and empty
        for (int id : {1066, 1054, 1056, 1067, 1055, 1057})
            QVERIFY(!dialog.Control(id)->isEnabled());
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_BOLD_TEXT), QString());
        QVERIFY(!dialog.Control(CFontLoadDialog::IDC_WIDTH_PLUS)->isEnabled());
        QVERIFY(!dialog.Control(CFontLoadDialog::IDC_WIDTH_MINUS)->isEnabled());
        QVERIFY(dialog.Control(CFontLoadDialog::IDC_REFRESH)->isHidden());
        QCOMPARE(dialog.Preview()->settings.threshold, 77);
        QCOMPARE(dialog.settings.threshold, 77);
    }

    void styledFontEnablesItsGroupRows() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(BoldItalicUnderlined(), 16, 16, 0, 0, 128));
        QCOMPARE(dialog.Description(), QStringLiteral("굴림체, 12, Bold, Italic, Underline"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_STRENGTH_LABEL),
                 QStringLiteral("[1] 128 [255]"));
        for (int id : {1066, 1054, 1056, 1067, 1055, 1057})
            QVERIFY(dialog.Control(id)->isEnabled());
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_BOLD_TEXT), QStringLiteral("All"));
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_ITALIC_TEXT), QStringLiteral("All"));
    }

    void choosingAFontResetsTheOffsets() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 16, 4, -2, 128));
        QFont chosen("DejaVu Sans");
        chosen.setPixelSize(20);
        chosen.setBold(true);
        dialog.ApplyChosenFont(chosen);
        QCOMPARE(dialog.settings.offsetX, 0);
        QCOMPARE(dialog.settings.offsetY, 0);
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_OFFSET_X), QStringLiteral("0"));
        QCOMPARE(dialog.settings.logFont.height, -20);
        QCOMPARE(dialog.settings.logFont.weight, 700);
        QCOMPARE(dialog.Preview()->settings.logFont.height, -20);
        QVERIFY(dialog.Control(CFontLoadDialog::IDC_BOLD_TEXT)->isEnabled());
    }

    void spinsChangeTheirValue_data() {
        QTest::addColumn<int>("spin");
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("shown");
        QTest::newRow("width up") << 1004 << "up" << 1002 << "17";
        QTest::newRow("width down") << 1004 << "down" << 1002 << "15";
        QTest::newRow("height up") << 1005 << "up" << 1003 << "17";
        QTest::newRow("offset x right") << 1008 << "right" << 1006 << "6";
        QTest::newRow("offset x left") << 1008 << "left" << 1006 << "4";
        QTest::newRow("offset y up moves the text up") << 1009 << "up" << 1007 << "4";
        QTest::newRow("offset y down") << 1009 << "down" << 1007 << "6";
    }
    void spinsChangeTheirValue() {
        QFETCH(int, spin);
        QFETCH(QString, arrow);
        QFETCH(int, field);
        QFETCH(QString, shown);
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 16, 5, 5, 128));
        dialog.Control(spin)->findChild<QToolButton*>(arrow)->click();
        QCOMPARE(Text(dialog, field), shown);
        const CFontPreview* preview = dialog.Preview();
        QCOMPARE(QString::number(field == 1002   ? preview->settings.fontSizeX
                                 : field == 1003 ? preview->settings.fontSizeY
                                 : field == 1006 ? preview->settings.offsetX
                                                 : preview->settings.offsetY),
                 shown);
    }

    void heightButtonsStepAwayFromAndTowardZero_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("-16 +") << -16 << 1010 << -17;
        QTest::newRow("12 +") << 12 << 1010 << 13;
        QTest::newRow("0 +") << 0 << 1010 << 1;
        QTest::newRow("-16 -") << -16 << 1011 << -15;
        QTest::newRow("12 -") << 12 << 1011 << 11;
        QTest::newRow("0 -") << 0 << 1011 << 0;
    }
    void heightButtonsStepAwayFromAndTowardZero() {
        QFETCH(int, height);
        QFETCH(int, button);
        QFETCH(int, result);
        LogFont font;
        font.height = height;
        CFontLoadDialog dialog(TestGlyphSet(), Settings(font, 16, 16, 0, 0, 128));
        qobject_cast<QPushButton*>(dialog.Control(button))->click();
        QCOMPARE(dialog.settings.logFont.height, result);
        QCOMPARE(dialog.Preview()->settings.logFont.height, result);
    }

    void slidersUpdateLabelsAndPreview() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 16, 0, 0, 128));
        qobject_cast<QSlider*>(dialog.Control(CFontLoadDialog::IDC_STRENGTH))->setValue(200);
        QCOMPARE(dialog.settings.threshold, 200);
        QCOMPARE(dialog.Preview()->settings.threshold, 200);
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_STRENGTH_LABEL),
                 QStringLiteral("[1] 200 [255]"));
        qobject_cast<QSlider*>(dialog.Control(CFontLoadDialog::IDC_ZOOM))->setValue(3);
        QCOMPARE(dialog.Preview()->zoom, 3);
        QCOMPARE(Text(dialog, CFontLoadDialog::IDC_ZOOM_LABEL), QStringLiteral("3x"));
    }

    // What a number field takes: sizes are integers from 1 to 256, offsets any integer.
    // An empty message: taken.
    static void TypedValues() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const int sizeX = CFontLoadDialog::IDC_SIZE_X, sizeY = CFontLoadDialog::IDC_SIZE_Y;
        const int offsetX = CFontLoadDialog::IDC_OFFSET_X, offsetY = CFontLoadDialog::IDC_OFFSET_Y;
        const QString integer = QStringLiteral("정수를 입력하십시오.");
        const QString size = QStringLiteral("폰트 사이즈는 1에서 256 사이의 정수를 입력하십시오.");
        QTest::newRow("size 256") << sizeX << "256"
                                  << "";
        QTest::newRow("size 1") << sizeY << "1"
                                << "";
        QTest::newRow("size 24 with blanks") << sizeY << " 24 "
                                             << "";
        QTest::newRow("size 512") << sizeX << "512" << size;
        QTest::newRow("size 257") << sizeY << "257" << size;
        QTest::newRow("size 0") << sizeX << "0" << size;
        QTest::newRow("size -16") << sizeY << "-16" << size;
        QTest::newRow("size 12.5") << sizeX << "12.5" << integer;
        QTest::newRow("size text") << sizeY << "abc" << integer;
        QTest::newRow("size beyond 32 bits") << sizeX << "99999999999" << integer;
        QTest::newRow("offset -3") << offsetY << "-3"
                                   << "";
        QTest::newRow("offset 1000") << offsetX << "1000"
                                     << "";
        QTest::newRow("offset 1.5") << offsetX << "1.5" << integer;
        QTest::newRow("offset 1x") << offsetY << "1x" << integer;
    }
    static int Value(const CFontLoadDialog& dialog, int field) {
        switch (field) {
            case CFontLoadDialog::IDC_SIZE_X:
                return dialog.settings.fontSizeX;
            case CFontLoadDialog::IDC_SIZE_Y:
                return dialog.settings.fontSizeY;
            case CFontLoadDialog::IDC_OFFSET_X:
                return dialog.settings.offsetX;
            default:
                return dialog.settings.offsetY;
        }
    }

    void typedValueIsCheckedAsTheBoxIsLeft_data() { TypedValues(); }
    void typedValueIsCheckedAsTheBoxIsLeft() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 20, 2, 3, 128));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
        auto* edit = qobject_cast<QLineEdit*>(dialog.Control(field));
        const QString before = edit->text();
        const int valueBefore = Value(dialog, field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        MessageBoxAnswerer boxes;
        dialog.Control(CFontLoadDialog::IDC_SAMPLE)->setFocus();  // leave the box
        if (message.isEmpty()) {
            QTest::qWait(20);
            QCOMPARE(boxes.texts, QStringList());
            QCOMPARE(Value(dialog, field), typed.trimmed().toInt());
            QCOMPARE(dialog.Preview()->settings.fontSizeX, dialog.settings.fontSizeX);
            QCOMPARE(dialog.Preview()->settings.offsetY, dialog.settings.offsetY);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(boxes.texts, QStringList{message}, kPatienceMs);
            QCOMPARE(edit->text(), before);  // the last good value is back
            QCOMPARE(Value(dialog, field), valueBefore);
        }
    }

    void cancellingWithARefusedValueSaysNothing() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 20, 2, 3, 128));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
        auto* edit = qobject_cast<QLineEdit*>(dialog.Control(CFontLoadDialog::IDC_SIZE_X));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "512");
        MessageBoxAnswerer boxes;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::qWait(30);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(boxes.texts, QStringList());
        QCOMPARE(dialog.settings.fontSizeX, 16);
    }

    void okRefusesWhatTheBoxRefuses_data() { TypedValues(); }
    void okRefusesWhatTheBoxRefuses() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 20, 2, 3, 128));
        qobject_cast<QLineEdit*>(dialog.Control(field))->setText(typed);
        MessageBoxAnswerer boxes;
        dialog.accept();
        QCOMPARE(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(dialog.result(), int(message.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
        if (message.isEmpty()) QCOMPARE(Value(dialog, field), typed.trimmed().toInt());
    }

    void sizeSpinsStayWithinTheSizes() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 256, 1, 0, 0, 128));
        dialog.Spin(CFontLoadDialog::IDC_SPIN_SIZE_X, -1);  // up
        dialog.Spin(CFontLoadDialog::IDC_SPIN_SIZE_Y, 1);   // down
        QCOMPARE(dialog.settings.fontSizeX, 256);
        QCOMPARE(dialog.settings.fontSizeY, 1);
    }

    void okTakesIntegersAndRefusesOtherText() {
        CFontLoadDialog dialog(TestGlyphSet(), Settings(LogFont{}, 16, 16, 0, 0, 128));
        auto* sizeX = qobject_cast<QLineEdit*>(dialog.Control(CFontLoadDialog::IDC_SIZE_X));
        sizeX->setText("abc");
        {
            MessageBoxAnswerer answer(QMessageBox::Ok);
            dialog.accept();
            QCOMPARE(answer.texts, QStringList{"정수를 입력하십시오."});
        }
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.settings.fontSizeX, 16);
        sizeX->setText("24");
        qobject_cast<QLineEdit*>(dialog.Control(CFontLoadDialog::IDC_OFFSET_Y))->setText("-3");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.settings.fontSizeX, 24);
        QCOMPARE(dialog.settings.offsetY, -3);
    }

    void groupDialogWritesTheMaskOnOkOnly() {
        TestGlyphSet().boldGroups = GROUP_HANGUL | GROUP_SYMBOL;
        {
            CGroupStyleDialog dialog(TestGlyphSet(), CGroupStyleDialog::MODE_BOLD);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Bold Option"));
            QVERIFY(dialog.GroupBox(0)->isChecked() && dialog.GroupBox(6)->isChecked());
            QVERIFY(!dialog.GroupBox(7)->isChecked());
            QCOMPARE(dialog.GroupBox(6)->text(), QStringLiteral("한글(0xb0a1 - 0xc8fe)"));
            qobject_cast<QPushButton*>(FindControl(&dialog, CGroupStyleDialog::IDC_SELECT_ALL))
                ->click();
            dialog.reject();
        }
        QCOMPARE(TestGlyphSet().boldGroups, uint32_t(GROUP_HANGUL | GROUP_SYMBOL));
        {
            CGroupStyleDialog dialog(TestGlyphSet(), CGroupStyleDialog::MODE_ITALIC);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Italic Option"));
            qobject_cast<QPushButton*>(FindControl(&dialog, CGroupStyleDialog::IDC_CLEAR_ALL))
                ->click();
            dialog.GroupBox(7)->click();
            dialog.accept();
        }
        QCOMPARE(TestGlyphSet().italicGroups, uint32_t(GROUP_HANJA));
        QCOMPARE(TestGlyphSet().boldGroups, uint32_t(GROUP_HANGUL | GROUP_SYMBOL));
    }

    void previewBreaksLinesAtCrAndLf() {
        CFontPreview preview(TestGlyphSet());
        preview.resize(600, 160);
        preview.previewText = QStringLiteral("AB\r\n가");
        const QImage image = preview.RenderImage();
        const std::vector<QRect> expected{QRect(0, 0, 16, 32), QRect(15, 0, 16, 32),
                                          QRect(0, 64, 32, 32)};
        QCOMPARE(preview.LastCells(), expected);
        QCOMPARE(image.pixel(0, 64), qRgb(255, 0, 0));
        QVERIFY(InkIn(image, 1, 31) > 0);
        QCOMPARE(InkIn(image, 32, 64), 0);  // the empty second line
        QVERIFY(InkIn(image, 65, 95) > 0);
    }

    void previewWrapsAtTheRightEdge() {
        CFontPreview preview(TestGlyphSet());
        preview.resize(70, 160);
        preview.previewText = QStringLiteral("가나다");
        preview.RenderImage();
        const std::vector<QRect> expected{QRect(0, 0, 32, 32), QRect(31, 0, 32, 32),
                                          QRect(0, 32, 32, 32)};
        QCOMPARE(preview.LastCells(), expected);
    }

    // A cell larger than the preview is drawn smaller, whole and inked, never left blank.
    void previewShrinksCellsLargerThanItself_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("cellWidth");
        QTest::newRow("64 x 64 at the chosen zoom") << 64 << 128;
        QTest::newRow("128 x 128 at one") << 128 << 128;
        QTest::newRow("256 x 256 shrunk") << 256 << 200;
    }
    void previewShrinksCellsLargerThanItself() {
        QFETCH(int, size);
        QFETCH(int, cellWidth);
        CFontPreview preview(TestGlyphSet());
        preview.resize(300, 200);
        preview.settings.fontSizeX = preview.settings.fontSizeY = size;
        preview.previewText = QStringLiteral("가");
        const QImage image = preview.RenderImage();
        QCOMPARE(image.size(), QSize(300, 200));
        QCOMPARE(preview.LastCells().size(), size_t(1));
        const QRect cell = preview.LastCells()[0];
        QCOMPARE(cell.topLeft(), QPoint(0, 0));
        QCOMPARE(cell.width(), cellWidth);
        QVERIFY(QRect(0, 0, 300, 200).contains(cell));
        int dark = 0;
        for (int y = cell.top() + 2; y < cell.bottom() - 1; ++y)
            for (int x = cell.left() + 2; x < cell.right() - 1; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY(dark > 0);
    }

    void previewStylesHangulByItsGroup() {
        CFontPreview preview(TestGlyphSet());
        preview.resize(200, 40);
        preview.previewText = QStringLiteral("가A");
        const QImage plain = preview.RenderImage();
        preview.settings.logFont.weight = 700;
        const QImage bold = preview.RenderImage();
        QVERIFY(plain != bold);
        TestGlyphSet().boldGroups = 0;
        const QImage hangulPlain = preview.RenderImage();
        // the Hangul cell is drawn as without bold, the ASCII cell stays bold
        QCOMPARE(hangulPlain.copy(0, 0, 32, 32), plain.copy(0, 0, 32, 32));
        QCOMPARE(hangulPlain.copy(31, 0, 16, 32), bold.copy(31, 0, 16, 32));
    }
};

QTEST_MAIN(FontLoadDialogTest)
#include "FontLoadDialogTest.moc"
