#include "shell/CBrivoApp.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "glyph/GlyphSet.h"
#include "shell/CAboutDlg.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "widgets/BrivoProfile.h"

namespace brivo {

CBrivoApp::CBrivoApp() = default;
CBrivoApp::~CBrivoApp() {
    mainFrame.reset();
    QCoreApplication::removeTranslator(&qtTexts);
}

bool CBrivoApp::InitInstance(const QStringList& arguments) {
    QCoreApplication::setOrganizationName(kProfileOrganisation);
    QCoreApplication::setApplicationName(kProfileApplication);
    QCoreApplication::setApplicationVersion(BRIVO_VERSION);
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QIcon icon;
    for (int size : {32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/brivo/icons/brivo-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    // Without the translation (qt6-translations-l10n) Qt's buttons stay English.
    if (qtTexts.load(QStringLiteral("qtbase_ko"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription("Turns the characters of an outline font into bitmaps.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("files", "Glyph files to open, in turn: .fnt or C source.",
                                 "[FILE...]");
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "brivo: %s\n", qPrintable(parser.errorText()));
        return false;
    }
    if (parser.isSet("help") || parser.isSet("help-all")) parser.showHelp(0);
    if (parser.isSet("version")) {
        // The program's own name, as every program of the suite says it, not the profile's.
        std::printf("brivo %s\n", BRIVO_VERSION);
        std::exit(0);
    }

    // The program's one glyph set, taken here and handed down to the view and its panes.
    CGlyphSet* glyphSet = CGlyphSet::GetInstance();
    if (glyphSet == nullptr) {
        std::fprintf(stderr, "brivo: the glyph set is gone (the program is shutting down)\n");
        return false;
    }
    mainFrame = std::make_unique<CMainFrame>(*glyphSet);
    QObject::connect(mainFrame->FindCommand(ID_APP_ABOUT), &QAction::triggered,
                     [this] { OnAppAbout(); });
    mainFrame->View()->OnInitialUpdate();
    mainFrame->resize(kStartWidth, kStartHeight);
    mainFrame->showMaximized();
    // The files of the command line open once the window is up, each as File > Open would
    // (its questions and errors in the window); the last one stays shown.
    QStringList files;
    for (const QString& file : parser.positionalArguments())
        files << QFileInfo(file).absoluteFilePath();
    QTimer::singleShot(0, mainFrame.get(), [view = mainFrame->View(), files] {
        for (const QString& file : files) view->OpenFile(file);
    });
    return true;
}

int CBrivoApp::ExitInstance(int exitCode) {
    mainFrame.reset();
    QCoreApplication::removeTranslator(&qtTexts);
    SingletonRegistry::DestroyAll();
    return exitCode;
}

void CBrivoApp::OnAppAbout() {
    CAboutDlg about(mainFrame.get());
    about.exec();
}

}  // namespace brivo
