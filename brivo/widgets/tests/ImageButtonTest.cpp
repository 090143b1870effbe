#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

#include "widgets/CImageButton.h"

using brivo::CImageButton;

namespace {

constexpr QRgb kMagenta = 0xFF00FF;

// Magenta with a black 8 x 8 square at (8, 8): the square shows where the image went.
QImage TestImage() {
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(kMagenta);
    for (int y = 8; y < 16; ++y) {
        for (int x = 8; x < 16; ++x) image.setPixel(x, y, 0xFF000000);
    }
    return image;
}

QImage Paint(CImageButton& button) {
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
QRgb Rgb(QColor colour) { return colour.rgb() & 0xFFFFFF; }
QRgb Rgb(const QWidget& widget, QPalette::ColorRole role) {
    return Rgb(widget.palette().color(role));
}

// Top-left pixel of the black square.
QPoint SquareAt(const QImage& painted) {
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            if (Rgb(painted, x, y) == 0) return {x, y};
        }
    }
    return {-1, -1};
}

void SendMouse(QWidget* widget, QEvent::Type type) {
    const QPoint pos(5, 5);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class ImageButtonTest : public QObject {
    Q_OBJECT
private slots:
    void keyColourShowsTheBackground();
    void imageIsCentredOrBesideTheCaption_data();
    void imageIsCentredOrBesideTheCaption();
    void pressedPushButtonMovesCheckedButtonSinks();
    void hoverRaisesTheFrameUntilLeftOrDisabled();
    void framesOfEveryLook();
    void disabledImageIsEmbossed();
    void setBitmapsReportsFailures();
    void everyResourceBitmapLoads();
    void checkModeTogglesAndDoubleClickGivesTwoClicks();
};

void ImageButtonTest::keyColourShowsTheBackground() {
    CImageButton button;
    button.resize(60, 40);
    QCOMPARE(button.SetBitmaps(TestImage(), kMagenta), 0);
    const QImage painted = Paint(button);
    const QRgb background = Rgb(button, QPalette::Button);
    QCOMPARE(Rgb(painted, 18 + 1, 8 + 1), background);  // magenta in the image
    QCOMPARE(Rgb(painted, 18 + 10, 8 + 10), QRgb(0));   // black stays black
    QCOMPARE(Rgb(painted, 0, 0), background);           // flat, no frame when idle

    button.SetColours(CImageButton::LOOK_NORMAL, QColor(10, 200, 30), Qt::black);
    QCOMPARE(Rgb(Paint(button), 18 + 1, 8 + 1), Rgb(QColor(10, 200, 30)));
}

void ImageButtonTest::imageIsCentredOrBesideTheCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QPoint>("square");
    QTest::newRow("no caption") << QString() << QPoint(18 + 8, 8 + 8);
    QTest::newRow("caption") << QString("Update") << QPoint(3 + 8, 8 + 8);
}

void ImageButtonTest::imageIsCentredOrBesideTheCaption() {
    QFETCH(QString, caption);
    QFETCH(QPoint, square);
    CImageButton button(caption, CImageButton::BUTTON_PUSH);
    button.resize(60, 40);
    button.SetBitmaps(TestImage(), kMagenta);
    const QImage painted = Paint(button);
    QCOMPARE(SquareAt(painted), square);
    if (caption.isEmpty()) return;
    // Apart from the black square, everything drawn lies right of the image: the caption.
    bool captionSeen = false;
    const QRgb background = Rgb(button, QPalette::Button);
    const QRect squareRect(square, QSize(8, 8));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            if (Rgb(painted, x, y) == background || squareRect.contains(x, y)) continue;
            QVERIFY2(x >= 27, qPrintable(QString("caption pixel at %1").arg(x)));
            captionSeen = true;
        }
    }
    QVERIFY(captionSeen);
}

void ImageButtonTest::pressedPushButtonMovesCheckedButtonSinks() {
    CImageButton push(QString(), CImageButton::BUTTON_PUSH);
    push.resize(60, 40);
    push.SetBitmaps(TestImage(), kMagenta);
    push.setDown(true);
    QImage painted = Paint(push);
    QCOMPARE(SquareAt(painted), QPoint(27, 17));
    QCOMPARE(Rgb(painted, 0, 0), Rgb(push, QPalette::Dark));
    QCOMPARE(Rgb(painted, 59, 39), Rgb(push, QPalette::Light));

    CImageButton pen(QString(), CImageButton::BUTTON_AUTO_RADIO);
    pen.resize(60, 40);
    pen.SetBitmaps(TestImage(), kMagenta);
    pen.SetCheck(true);
    painted = Paint(pen);
    QCOMPARE(SquareAt(painted), QPoint(26, 16));  // sunken, but the image stays
    QCOMPARE(Rgb(painted, 0, 0), Rgb(pen, QPalette::Dark));
    QCOMPARE(Rgb(painted, 59, 39), Rgb(pen, QPalette::Light));
}

void ImageButtonTest::hoverRaisesTheFrameUntilLeftOrDisabled() {
    CImageButton button;
    button.resize(60, 40);
    const QRgb background = Rgb(button, QPalette::Button);
    auto enter = [&] {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(&button, &event);
    };

    enter();
    QVERIFY(button.IsMouseOver());
    QCOMPARE(Rgb(Paint(button), 0, 0), Rgb(button, QPalette::Light));
    QCOMPARE(Rgb(Paint(button), 59, 39), Rgb(button, QPalette::Dark));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(Rgb(Paint(button), 0, 0), background);

    enter();
    button.setEnabled(false);
    QVERIFY(!button.IsMouseOver());
    enter();
    QVERIFY(!button.IsMouseOver());

    button.setEnabled(true);
    enter();
    QEvent activation(QEvent::ActivationChange);  // the window is not active any more
    QApplication::sendEvent(&button, &activation);
    QVERIFY(!button.IsMouseOver());

    button.SetDrawBorder(false);
    enter();
    QVERIFY(button.IsMouseOver());
    QCOMPARE(Rgb(Paint(button), 0, 0), background);
}

void ImageButtonTest::framesOfEveryLook() {
    struct Case {
        const char* name;
        bool flat, down, isDefault;
        QPalette::ColorRole outerTopLeft, outerBottomRight, innerTopLeft;
    };
    const QPalette::ColorRole kBlack = QPalette::NoRole;  // stands for the black frame
    const Case cases[] = {
        {"flat pressed", true, true, false, QPalette::Dark, QPalette::Light, QPalette::Button},
        {"raised", false, false, false, QPalette::Light, QPalette::Shadow, QPalette::Midlight},
        {"raised pressed", false, true, false, QPalette::Dark, QPalette::Dark, QPalette::Button},
        {"raised default", false, false, true, kBlack, kBlack, QPalette::Light},
    };
    for (const Case& c : cases) {
        CImageButton button;
        button.resize(60, 40);
        button.SetFlat(c.flat);
        button.SetDefault(c.isDefault);
        button.setDown(c.down);
        const QImage painted = Paint(button);
        auto colour = [&](QPalette::ColorRole role) {
            return role == kBlack ? QRgb(0) : Rgb(button, role);
        };
        QCOMPARE(Rgb(painted, 0, 0), colour(c.outerTopLeft));
        QCOMPARE(Rgb(painted, 59, 39), colour(c.outerBottomRight));
        QCOMPARE(Rgb(painted, 1, 1), colour(c.innerTopLeft));
    }
}

void ImageButtonTest::disabledImageIsEmbossed() {
    CImageButton button;
    button.resize(60, 40);
    button.SetBitmaps(TestImage(), kMagenta);
    button.setEnabled(false);
    QImage painted = Paint(button);
    QCOMPARE(Rgb(painted, 18 + 8, 8 + 8), Rgb(button, QPalette::Dark));
    QCOMPARE(Rgb(painted, 18 + 16, 8 + 16), Rgb(button, QPalette::Light));
    QCOMPARE(Rgb(painted, 18 + 1, 8 + 1), Rgb(button, QPalette::Button));

    button.SetGreyWhenDisabled(false);
    QCOMPARE(Rgb(Paint(button), 18 + 8, 8 + 8), QRgb(0));
}

void ImageButtonTest::setBitmapsReportsFailures() {
    CImageButton button;
    button.resize(60, 40);
    QCOMPARE(button.SetBitmaps(140), 0);
    QVERIFY(button.HasImage());
    QCOMPARE(button.SetBitmaps(9999), 1);
    QVERIFY(!button.HasImage());
    QCOMPARE(button.SetBitmaps(QImage()), 1);
    const QImage painted = Paint(button);
    QCOMPARE(Rgb(painted, 30, 20), Rgb(button, QPalette::Button));
}

void ImageButtonTest::everyResourceBitmapLoads() {
    for (int id = 136; id <= 155; ++id) {
        const QImage image = brivo::LoadBitmap(id);
        QVERIFY2(image.size() == QSize(24, 24), qPrintable(QString::number(id)));
        const QImage keyed = brivo::KeyedImage(image);
        QCOMPARE(qAlpha(keyed.pixel(0, 0)), 0);  // every corner shows the background
        int drawn = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) drawn += qAlpha(keyed.pixel(x, y)) != 0;
        }
        QVERIFY2(drawn > 60, qPrintable(QString::number(id)));
    }
}

void ImageButtonTest::checkModeTogglesAndDoubleClickGivesTwoClicks() {
    CImageButton pen("Pen", CImageButton::BUTTON_AUTO_RADIO);
    pen.resize(60, 40);
    QVERIFY(pen.IsCheckMode());
    QSignalSpy clicks(&pen, &QAbstractButton::clicked);
    SendMouse(&pen, QEvent::MouseButtonPress);
    SendMouse(&pen, QEvent::MouseButtonRelease);
    QVERIFY(pen.GetCheck());
    SendMouse(&pen, QEvent::MouseButtonDblClick);
    SendMouse(&pen, QEvent::MouseButtonRelease);
    QCOMPARE(clicks.count(), 2);
    QVERIFY(!pen.GetCheck());

    CImageButton push("Update", CImageButton::BUTTON_DEFAULT_PUSH);
    QVERIFY(push.IsDefault());
    push.SetCheck(true);
    QVERIFY(!push.GetCheck());
    QVERIFY(!push.isChecked());
}

QTEST_MAIN(ImageButtonTest)
#include "ImageButtonTest.moc"
