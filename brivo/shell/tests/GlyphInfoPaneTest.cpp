#include <QPlainTextEdit>

#include "panes/CGlyphInfoPane.h"
#include "testing/GlyphPaneTestSupport.h"
#include "widgets/DialogUnits.h"

using namespace brivo;

namespace {

std::vector<uint8_t> Counting(int count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

}  // namespace

class GlyphInfoPaneTest : public QObject {
    Q_OBJECT
private slots:
    void init() { fixture = std::make_unique<ViewWithGlyphs>(); }
    void cleanup() { fixture.reset(); }
    void showsTheGlyphAsACArray_data();
    void showsTheGlyphAsACArray();
    void deselectingEmptiesTheText();
    void glyphWithoutBitmapShowsBlankBytes();
    void emptySlotShowsNothing();

private:
    CGlyphInfoPane* Pane() const { return fixture->view->InfoPane(); }
    QPlainTextEdit* TextControl() const {
        return qobject_cast<QPlainTextEdit*>(FindControl(Pane(), CGlyphInfoPane::kTextId));
    }
    std::unique_ptr<ViewWithGlyphs> fixture;
};

void GlyphInfoPaneTest::showsTheGlyphAsACArray_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("bits");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("expected");

    const auto bytes = [](const std::vector<uint8_t>& v) {
        return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<int>(v.size()));
    };
    QTest::newRow("16x16, four full lines")
        << 16 << 16 << 0x41 << bytes(Counting(32, 0)) << 0
        << QString(
               "/* character = A[0x0041] */\r\nunsigned char Data0[]=\r\n{\r\n"
               "/*----------------------------------------\r\n;hexcode : 0x41\r\n"
               ";width x height : 16 x 16\r\n;size : 32 bytes\r\n"
               "------------------------------------------*/\r\n"
               "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, \r\n"
               "0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, \r\n"
               "0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, \r\n"
               "0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f, \r\n};");
    QTest::newRow("12x12 Hangul, named by position")
        << 12 << 12 << 0xB0A1 << bytes(Counting(24, 0xa0)) << 1
        << QString(
               "/* character = 가[0xb0a1] */\r\nunsigned char Data1[]=\r\n{\r\n"
               "/*----------------------------------------\r\n;hexcode : 0xb0a1\r\n"
               ";width x height : 12 x 12\r\n;size : 24 bytes\r\n"
               "------------------------------------------*/\r\n"
               "0xa0, 0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, \r\n"
               "0xa8, 0xa9, 0xaa, 0xab, 0xac, 0xad, 0xae, 0xaf, \r\n"
               "0xb0, 0xb1, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, \r\n};");
    QTest::newRow("5x7, one short line")
        << 5 << 7 << 0x41 << bytes({0xf8, 0x88, 0x88, 0xf8, 0x88, 0x88, 0x88}) << 0
        << QString(
               "/* character = A[0x0041] */\r\nunsigned char Data0[]=\r\n{\r\n"
               "/*----------------------------------------\r\n;hexcode : 0x41\r\n"
               ";width x height : 5 x 7\r\n;size : 7 bytes\r\n"
               "------------------------------------------*/\r\n"
               "0xf8, 0x88, 0x88, 0xf8, 0x88, 0x88, 0x88, };");
}

void GlyphInfoPaneTest::showsTheGlyphAsACArray() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, code);
    QFETCH(QByteArray, bits);
    QFETCH(int, position);
    QFETCH(QString, expected);
    // The glyph of interest at `position`, after a blank 'A' when it is not the first.
    ViewWithGlyphs::FillSet(width, height, {});
    if (position == 1) ViewWithGlyphs::AddGlyph(0x41, {});
    ViewWithGlyphs::AddGlyph(static_cast<uint16_t>(code), {bits.begin(), bits.end()});

    QCOMPARE(fixture->Select(position), 0);
    QCOMPARE(Pane()->InfoText(), expected);
    QCOMPARE(TextControl()->toPlainText(), QString(expected).replace("\r\n", "\n"));
    QVERIFY(TextControl()->isReadOnly());
}

void GlyphInfoPaneTest::deselectingEmptiesTheText() {
    ViewWithGlyphs::FillSet(16, 16, {0x41, 0x42}, Counting(32, 1));
    fixture->Select(1);
    QVERIFY(!TextControl()->toPlainText().isEmpty());
    for (const intptr_t position : {intptr_t(-1), intptr_t(2), intptr_t(1) << 40}) {
        fixture->Select(1);
        QCOMPARE(Pane()->OnGlyphNotify(position), -1);
        QCOMPARE(Pane()->InfoText(), QString());
        QCOMPARE(TextControl()->toPlainText(), QString());
    }
}

void GlyphInfoPaneTest::glyphWithoutBitmapShowsBlankBytes() {
    ViewWithGlyphs::FillSet(8, 2, {0x41});
    QCOMPARE(fixture->Select(0), 0);
    QVERIFY2(Pane()->InfoText().endsWith("------------------------------------------*/\r\n"
                                         "0x00, 0x00, };"),
             qPrintable(Pane()->InfoText()));
}

void GlyphInfoPaneTest::emptySlotShowsNothing() {
    ViewWithGlyphs::FillSet(16, 16, {0x41}, Counting(32, 1));
    TestGlyphSet().SetGlyphAt(1, nullptr);
    QCOMPARE(Pane()->OnGlyphNotify(1), -1);
    QCOMPARE(Pane()->InfoText(), QString());
}

QTEST_MAIN(GlyphInfoPaneTest)
#include "GlyphInfoPaneTest.moc"
