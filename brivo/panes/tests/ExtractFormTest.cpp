#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "glyph/LogFont.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CFontLoadDialog.h"
#include "testing/PaneTestSupport.h"
#include "testing/Patience.h"

using namespace brivo;
using namespace brivo::test;

namespace {
const QString kToCustom = QStringLiteral("Custom Mode로 변경됩니다. 계속하시겠습니까?");
const QString kOverwrite = QStringLiteral(
    "폰트를 새로 추출하면 기존에 추출한 폰트들은 다 지워집니다. 폰트 추출을 실행하시겠습니까?");
}  // namespace

class ExtractFormTest : public QObject {
    Q_OBJECT

    MessageRecorder* view = nullptr;
    CExtractForm* form = nullptr;

    QAbstractButton* Button(int id) const {
        return qobject_cast<QAbstractButton*>(form->Control(id));
    }
    CGlyphSet& Set() const { return TestGlyphSet(); }
    int Progress() const {
        return qobject_cast<QProgressBar*>(form->Control(CExtractForm::IDC_PROGRESS))->value();
    }
    int ProgressMaximum() const {
        return qobject_cast<QProgressBar*>(form->Control(CExtractForm::IDC_PROGRESS))->maximum();
    }
    // Clicks "Font 추출" with `range` checked and waits for the run to end by itself.
    void ExtractAndWait(int rangeId) {
        Button(rangeId)->click();
        QSignalSpy finished(form, &CExtractForm::ExtractionFinished);
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QVERIFY(finished.wait(20000));
        QVERIFY(!form->Running());
    }
    std::vector<MessageRecorder::Received> Notifications() const {
        std::vector<MessageRecorder::Received> result;
        for (const auto& r : view->received)
            if (r.message == WM_GLYPH_NOTIFY) result.push_back(r);
        return result;
    }

private slots:
    void init() {
        TestGlyphSet().ClearGlyphs();
        Set().range = RANGE_NONE;
        view = new MessageRecorder;
        form = new CExtractForm(TestGlyphSet(), view);
        view->resize(800, 700);
        form->resize(800, 700);
        view->show();
    }
    void cleanup() { delete view; }

    void controlsCarryTheirIdsAndTexts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("font button") << 1018 << "Font 선택";
        QTest::newRow("ascii") << 1019 << "ASCII (0x00 - 0x7F)";
        QTest::newRow("hangul") << 1020 << "한글 (0xB0A0 - 0xC8FF)";
        QTest::newRow("full width 1") << 1024 << "전각1 (0xA1A0 - 0xAFFF)";
        QTest::newRow("full width 2") << 1025 << "전각2 (0xC9A0 - 0xFDFF)";
        QTest::newRow("all") << 1021 << "ALL (0xA1A0 - 0xFDFF)";
        QTest::newRow("custom") << 1022 << "Custom";
        QTest::newRow("except unused")
            << 1055 << "사용하지 않는 0xADxx - 0xAFxx, 0xC9xx 제외시키기";
        QTest::newRow("extract") << 1023 << "Font 추출";
    }
    void controlsCarryTheirIdsAndTexts() {
        QFETCH(int, id);
        QFETCH(QString, text);
        QCOMPARE(Button(id)->text(), text);
        QVERIFY(!Button(id)->isChecked());
        QVERIFY(Button(id)->isVisible());
    }

    void layoutPlacesTheGridAndButtons() {
        QWidget* grid = form->Control(CFontList::kControlId);
        QVERIFY(grid->width() > 600 && grid->height() > 300);
        for (int id : {1069, 1070, 1071, 1072, 1073, 1074}) {
            QVERIFY2(form->Control(id)->isVisible(), qPrintable(QString::number(id)));
            QVERIFY(form->Control(id)->y() > grid->geometry().bottom());
        }
    }

    void describesTheFont() {
        auto* info = qobject_cast<QLabel*>(form->Control(CExtractForm::IDC_FONTINFO));
        QCOMPARE(info->text(), QStringLiteral("굴림체, 12"));
        QCOMPARE(QString::fromStdString(Set().fontDescription), QStringLiteral("굴림체, 12"));
        form->settings.logFont.weight = 700;
        form->settings.logFont.italic = 1;
        form->UpdateFontDescription();
        QCOMPARE(info->text(), QStringLiteral("굴림체, 12, Bold, Italic"));
    }

    void choosingAFontKeepsTheGlyphs() {
        FillSet(4);
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, this, [] {
            auto* dialog = qobject_cast<CFontLoadDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            LogFont bold;
            bold.weight = 700;
            dialog->ApplyChosenFont(CFontLoadDialog::ToQFont(bold));
            qobject_cast<QLineEdit*>(dialog->Control(CFontLoadDialog::IDC_SIZE_X))->setText("24");
            dialog->accept();
        });
        answer.start();
        form->settings.offsetX = 3;
        Button(CExtractForm::IDC_SELECT)->click();
        QCOMPARE(form->settings.logFont.weight, 700);
        QCOMPARE(form->settings.fontSizeX, 24);
        QCOMPARE(form->settings.offsetX, 0);
        QCOMPARE(qobject_cast<QLabel*>(form->Control(CExtractForm::IDC_FONTINFO))->text(),
                 QStringLiteral("굴림체, 12, Bold"));
        QCOMPARE(Set().Count(), 4);
        QCOMPARE(Set().width, 16);
    }

    void extractWithoutARangeOnlyAsks() {
        FillSet(3);
        Button(CExtractForm::IDC_CUSTOM)->click();
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QCOMPARE(answer.texts,
                 QStringList{"추출할 Font Type을 선택해 주세요\n( ASCII, 한글, All )"});
        QVERIFY(!form->Running());
        QCOMPARE(Set().Count(), 3);
    }

    void asciiExtractionFillsTheGridAndTheProgressBar() {
        auto* bar = qobject_cast<QProgressBar*>(form->Control(CExtractForm::IDC_PROGRESS));
        QSignalSpy shown(bar, &QProgressBar::valueChanged);
        ExtractAndWait(CExtractForm::IDC_ASCII);
        QCOMPARE(Set().Count(), 128);
        QCOMPARE(Set().range, RANGE_ASCII);
        QCOMPARE(Set().width, 8);
        QCOMPARE(Set().glyphs[65]->code, 65);
        QCOMPARE(ProgressMaximum(), 128);
        // the bar went up to the full count, then emptied when the run ended
        QVERIFY(shown.count() >= 2);
        QCOMPARE(shown.at(shown.count() - 2).at(0).toInt(), 128);
        QCOMPARE(Progress(), 0);
        QVERIFY(!form->FontList()->busy);
    }

    void aFontThatCannotBeCreatedIsReported() {
        form->settings.logFont.faceName = "/nonexistent/font.ttf";
        MessageBoxAnswerer answer(QMessageBox::Ok);
        ExtractAndWait(CExtractForm::IDC_ASCII);
        QCOMPARE(answer.texts, QStringList{"Font가 정의되지 않았습니다"});
        QCOMPARE(Set().Count(), 0);
        QVERIFY(!form->FontList()->busy);
    }

    void decliningTheOverwriteKeepsTheGlyphs() {
        FillSet(5);
        Button(CExtractForm::IDC_ASCII)->click();
        MessageBoxAnswerer answer(QMessageBox::No);
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QCOMPARE(answer.texts, QStringList{kOverwrite});
        QVERIFY(!form->Running());
        QCOMPARE(Set().Count(), 5);
    }

    void settingsThatCannotBeExtractedAreRefusedBeforeTheOverwriteQuestion() {
        FillSet(5);
        form->settings.fontSizeX = 512;
        Button(CExtractForm::IDC_HANGUL)->click();
        MessageBoxAnswerer answer(QMessageBox::Yes);
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QCOMPARE(answer.texts, QStringList{"폰트 사이즈는 1에서 256 사이의 정수를 입력하십시오."});
        QVERIFY(!form->Running());
        QCOMPARE(Set().Count(), 5);
    }

    void extractingAgainCancelsAndRestarts() {
        Button(CExtractForm::IDC_ALL)->click();
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QVERIFY(form->Running());
        QVERIFY(form->FontList()->busy);

        // a hand edit during the run is refused and leaves the range alone
        Button(CExtractForm::IDC_INSERT)->click();

        QSignalSpy finished(form, &CExtractForm::ExtractionFinished);
        Button(CExtractForm::IDC_ASCII)->click();
        MessageBoxAnswerer answer(QMessageBox::Yes);
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QCOMPARE(answer.texts, QStringList{kOverwrite});
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.count(), 1);  // the cancelled run reports nothing
        QCOMPARE(Set().Count(), 128);
        QCOMPARE(Set().range, RANGE_ASCII);
        QCOMPARE(Progress(), 0);
    }

    // The grid shows the glyphs made so far while the run goes on.
    void gridShowsTheGlyphsAsTheyArrive() {
        Button(CExtractForm::IDC_ALL)->click();
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QTRY_VERIFY_WITH_TIMEOUT(Progress() >= 20, kPatienceMs);
        CFontList* grid = form->FontList();
        if (!grid->busy) QSKIP("the run ended before the grid was looked at");
        const QImage shown = grid->RenderImage();
        QImage white(shown.size(), shown.format());
        white.fill(Qt::white);
        QVERIFY(shown != white);
        QVERIFY(form->StopExtraction());
    }

    void stopKeepsWhatWasRenderedAndResetsTheProgress() {
        Button(CExtractForm::IDC_ALL)->click();
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        QTRY_VERIFY_WITH_TIMEOUT(Progress() >= 20, kPatienceMs);
        QVERIFY(form->StopExtraction());
        QVERIFY(!form->Running());
        QVERIFY(!form->FontList()->busy);
        QCOMPARE(Progress(), 0);
        QVERIFY(Set().Count() >= 20 && Set().Count() < 8742);
        QCOMPARE(Set().range, RANGE_ALL);
        QVERIFY(form->StopExtraction());  // again: nothing to stop
    }

    void insertAsksOnceThenSwitchesToCustom() {
        FillSet(100, 16, 16, RANGE_HANGUL);
        Button(CExtractForm::IDC_HANGUL)->click();
        form->FontList()->selectedIndex = 5;
        {
            MessageBoxAnswerer answer(QMessageBox::Yes);
            Button(CExtractForm::IDC_INSERT)->click();
            QCOMPARE(answer.texts, QStringList{kToCustom});
        }
        QCOMPARE(Set().Count(), 101);
        QCOMPARE(Set().range, RANGE_CUSTOM);
        const CGlyph* inserted = Set().glyphs[5].get();
        QCOMPARE(inserted->code, 5);
        QCOMPARE(inserted->index, 5);
        QCOMPARE(inserted->originalIndex, -1);
        QVERIFY(std::all_of(inserted->bits.get(), inserted->bits.get() + 32,
                            [](uint8_t b) { return b == 0; }));
        QCOMPARE(Set().GetLabel(7), std::string("[7]"));
        QVERIFY(Button(CExtractForm::IDC_CUSTOM)->isChecked());
        QVERIFY(!Button(CExtractForm::IDC_HANGUL)->isChecked());
        QCOMPARE(Notifications().back().wParam, RELAY_NOTIFY_PANES);
        QCOMPARE(Notifications().back().lParam, 5);

        MessageBoxAnswerer none(QMessageBox::No);
        Button(CExtractForm::IDC_INSERT)->click();  // no second question
        QVERIFY(none.texts.isEmpty());
        QCOMPARE(Set().Count(), 102);
    }

    void decliningCustomChangesNothing() {
        FillSet(10, 16, 16, RANGE_HANGUL);
        form->FontList()->selectedIndex = 2;
        MessageBoxAnswerer answer(QMessageBox::No);
        for (int id : {1073, 1074, 1069, 1070, 1071, 1072}) Button(id)->click();
        QCOMPARE(answer.texts.size(), 6);
        QCOMPARE(Set().Count(), 10);
        QCOMPARE(Set().range, RANGE_HANGUL);
        QCOMPARE(Set().glyphs[2]->code, 0xB0A1 + 2);
    }

    void editsWithoutSelection() {
        Set().range = RANGE_NONE;
        MessageBoxAnswerer answer(QMessageBox::Yes);
        Button(CExtractForm::IDC_INSERT)->click();  // empty set: appends glyph 0, no question
        QVERIFY(answer.texts.isEmpty());
        QCOMPARE(Set().Count(), 1);
        QCOMPARE(Set().glyphs[0]->code, 0);

        FillSet(10, 16, 16, RANGE_HANGUL);
        form->FontList()->selectedIndex = -1;
        Button(CExtractForm::IDC_REMOVE)->click();
        QCOMPARE(answer.texts, QStringList{kToCustom});
        QCOMPARE(Set().range, RANGE_CUSTOM);
        QCOMPARE(Set().Count(), 10);
        Button(CExtractForm::IDC_MOVEP)->click();
        QCOMPARE(Set().Count(), 10);
    }

    void movesFollowTheTable_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("from");  // negative: counted from the end
        QTest::addColumn<int>("to");    // -99: nothing moves; other negatives from the end
        QTest::newRow("page back from 3") << 1069 << 3 << 0;
        QTest::newRow("page back from 0") << 1069 << 0 << -99;
        QTest::newRow("one back") << 1070 << 7 << 6;
        QTest::newRow("one back from 0") << 1070 << 0 << -99;
        QTest::newRow("one forward") << 1071 << 7 << 8;
        QTest::newRow("one forward from the last") << 1071 << -1 << -99;
        QTest::newRow("page forward near the end") << 1072 << -5 << -1;
        QTest::newRow("page forward from the last") << 1072 << -1 << -99;
    }
    void movesFollowTheTable() {
        QFETCH(int, button);
        QFETCH(int, from);
        QFETCH(int, to);
        FillSet(200, 16, 16, RANGE_CUSTOM);
        const int n = Set().Count();
        QVERIFY(form->FontList()->VisibleCount() >= 5);
        if (from < 0) from += n;
        if (to != -99 && to < 0) to += n;
        const CGlyph* moving = Set().glyphs[from].get();
        form->FontList()->selectedIndex = from;
        Button(button)->click();
        if (to == -99) {
            QCOMPARE(Set().glyphs[from].get(), moving);
            QCOMPARE(form->FontList()->selectedIndex, from);
            return;
        }
        QCOMPARE(Set().glyphs[to].get(), moving);
        QCOMPARE(moving->index, to);
        QCOMPARE(form->FontList()->selectedIndex, to);
        QCOMPARE(Notifications().back().lParam, to);
    }

    void pageMovesUseTheVisibleCount() {
        FillSet(500, 16, 16, RANGE_CUSTOM);
        const int page = form->FontList()->VisibleCount();
        form->FontList()->selectedIndex = 2 * page;
        Button(CExtractForm::IDC_MOVEFP)->click();
        QCOMPARE(form->FontList()->selectedIndex, page);
        Button(CExtractForm::IDC_MOVEFF)->click();
        QCOMPARE(form->FontList()->selectedIndex, 2 * page);
    }

    void relaysSelectionsAndChanges() {
        FillSet(30);
        QTest::mouseClick(form->FontList(), Qt::LeftButton, {}, QPoint(60, 10));
        QCOMPARE(form->FontList()->selectedIndex, 1);
        QCOMPARE(Notifications().size(), size_t(1));
        QCOMPARE(Notifications().back().wParam, RELAY_NOTIFY_PANES);
        QCOMPARE(Notifications().back().lParam, 1);

        SendPaneMessage(form, WM_GLYPHS_CHANGED, 0, 1);
        QCOMPARE(Notifications().size(), size_t(2));
        QCOMPARE(Notifications().back().lParam, 1);
    }

    void wheelOverTheFormScrollsTheGrid() {
        FillSet(2350);
        form->FontList()->RenderImage();
        QWheelEvent wheel(QPointF(5, 5), form->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form, &wheel);
        QCOMPARE(form->FontList()->ScrollPos(), form->FontList()->ScrollPage());
    }

    void destroyingTheFormStopsAndEmpties() {
        Button(CExtractForm::IDC_ALL)->click();
        Button(CExtractForm::IDC_DOEXTRACT)->click();
        delete view;
        view = nullptr;
        QCOMPARE(Set().Count(), 0);
    }
};

QTEST_MAIN(ExtractFormTest)
#include "ExtractFormTest.moc"
