// A window built from the desktop building blocks: two nested pane splitters, panes laid out
// from EvaLayout texts, and image buttons. `brivo-blocks-demo --screenshot file.png` saves a
// picture of the window instead of running it.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <initializer_list>

#include "BrivoProfile.h"
#include "CEvaLayout.h"
#include "CImageButton.h"
#include "CPaneSplitter.h"

using namespace brivo;

namespace {

// A pane that lays out its children from a layout text.
QWidget* MakePane(std::initializer_list<const char*> lines,
                  std::initializer_list<std::pair<const char*, QWidget*>> widgets) {
    auto* pane = new QWidget;
    auto* layout = new CEvaLayout(pane);
    EvaSheetSet sheets;
    sheets.AddSheet(EvaSheet("first"));
    EvaSheet& sheet = sheets.FindSheet("first");
    for (const char* line : lines) sheet.AddRow(line);
    for (auto [name, widget] : widgets) {
        widget->setParent(pane);
        layout->BindWidget(name, widget);
    }
    layout->SetSheet(sheets.SheetAt(0));
    layout->TrackResizeOf(pane);
    return pane;
}

CImageButton* MakeButton(const char* caption, int bitmap,
                         CImageButton::ButtonType type = CImageButton::BUTTON_PUSH) {
    auto* button = new CImageButton(caption, type);
    button->SetBitmaps(bitmap);
    return button;
}

QWidget* MakeEditorPane() {
    auto* info = new QLabel("0xB0A1 (가)");
    info->setAlignment(Qt::AlignCenter);
    auto* canvas = new QFrame;
    canvas->setFrameStyle(QFrame::Box);
    canvas->setAutoFillBackground(true);
    canvas->setPalette(QPalette(Qt::white));
    auto* pen = MakeButton("Pen", 146, CImageButton::BUTTON_AUTO_RADIO);
    pen->SetCheck(true);
    // clang-format off
    return MakePane(
        {
            "EvaLayout, 10, 10, 5, 5",
            "grid, 5        , 5        , 26       , 13       , 13       , 26       , 5        , 10       , X        ,",
            "  24,          , pen      , -        , -        , eraser   , -        , -        ,          , fontinfo ,",
            "   7,          , +        , -        , -        , +        , -        , -        ,          , fontctrl ,",
            "   5,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
            "  12,          ,          ,          , up       , -        ,          ,          ,          , +        ,",
            "  12,          ,          , left     , +        , -        , right    ,          ,          , +        ,",
            "  12,          ,          , +        , down     , -        , +        ,          ,          , +        ,",
            "  12,          ,          ,          , +        , -        ,          ,          ,          , +        ,",
            "   5,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
            "  24,          , mirrorh  , -        , -        , mirrorv  , -        , -        ,          , +        ,",
            "   3,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
            "  24,          , update   , -        , -        , -        , -        , -        ,          , +        ,",
            "  24,          , reset    , -        , -        , -        , -        , -        ,          , +        ,",
            "   3,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
            "  20,          , zoom     , -        , -        , -        , -        , -        ,          , +        ,",
            "   X,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
        },
        // clang-format on
        {
            {"pen", pen},
            {"eraser", MakeButton("Eraser", 145, CImageButton::BUTTON_AUTO_RADIO)},
            {"up", MakeButton("", 141)},
            {"down", MakeButton("", 142)},
            {"left", MakeButton("", 140)},
            {"right", MakeButton("", 143)},
            {"mirrorh", MakeButton("Hor Mirror", 149)},
            {"mirrorv", MakeButton("Ver Mirror", 148)},
            {"update", MakeButton("Update", 144)},
            {"reset", MakeButton("Reset", 147)},
            {"zoom", new QSlider(Qt::Horizontal)},
            {"fontinfo", info},
            {"fontctrl", canvas},
        });
}

QWidget* MakeInfoPane() {
    auto* text = new QPlainTextEdit("Font : 굴림체, 16\nSize : 16 x 16\nGlyphs : 2350");
    text->setReadOnly(true);
    return MakePane(
        {"EvaLayout, 10, 10, 5, 5", "grid, 50       , X        ,", "  10,          ,          ,",
         "   X,          , fontinfo ,", "   A,          ,          ,"},
        {{"fontinfo", text}});
}

QWidget* MakeListPane() {
    auto* grid = new QFrame;
    grid->setFrameStyle(QFrame::Box);
    return MakePane(
        {"EvaLayout, 10, 10, 5, 5",
         "grid, 30       , 30       , 30       , 30       , 10       , 30       , 30       , X ,",
         "   X, fontlist , -        , -        , -        , -        , -        , -        , - ,",
         "  22, movefp   , movep    , movef    , moveff   ,          , insert   , remove   ,   ,"},
        {
            {"fontlist", grid},
            {"movefp", MakeButton("", 154)},
            {"movep", MakeButton("", 155)},
            {"movef", MakeButton("", 152)},
            {"moveff", MakeButton("", 153)},
            {"insert", MakeButton("", 151)},
            {"remove", MakeButton("", 150)},
        });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setPixelSize(11);  // the panes were drawn for a small dialog font
    QApplication::setFont(font);
    // The demo keeps its splitter positions away from the program's own profile.
    QTemporaryDir profileDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profileDir.path());
    // Start with a wider left column than the first-run default, as a stored position would.
    QSettings(QSettings::IniFormat, QSettings::UserScope, kProfileOrganisation, kProfileApplication)
        .setValue("splt/init_v61447/VertSplitPos", 330);

    QWidget view;
    view.setWindowTitle("Brivo building blocks");
    view.resize(760, 520);
    auto* inner = new CPaneSplitter(&view);
    inner->Create(CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_HORIZONTAL, &view,
                  MakeEditorPane(), MakeInfoPane(), 61446, view.rect(), 90, 110);
    auto* outer = new CPaneSplitter(&view);
    outer->Create(
        CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_BORDER | CPaneSplitter::SPLIT_VERTICAL,
        &view, inner, MakeListPane(), 61447, view.rect(), 90, 110);
    view.show();

    const QStringList args = app.arguments();
    const int shot = args.indexOf("--screenshot");
    if (shot < 0 || shot + 1 >= args.size()) return app.exec();
    QTimer::singleShot(0, [&] { app.exit(view.grab().save(args[shot + 1]) ? 0 : 1); });
    return app.exec();
}
