#pragma once

#include <QStringList>
#include <QTranslator>
#include <memory>

namespace brivo {

class CMainFrame;

// Start-up and shutdown of the desktop program; the toolkit's application object and event
// loop belong to main.
class CBrivoApp {
public:
    static constexpr int kStartWidth = 1024;
    static constexpr int kStartHeight = 768;

    CBrivoApp();
    ~CBrivoApp();

    // Names the profile, installs Qt's Korean texts, reads the command line and opens the main
    // window with its panes, 1024 x 768 and then maximised; the glyph files the command line
    // names are opened in turn once the event loop runs. False (with a message on stderr) when
    // the command line is wrong; the program then ends.
    bool InitInstance(const QStringList& arguments);

    // Destroys the main window (the view empties the glyph set, the splitters store their
    // positions), then every single instance, newest first. Returns exitCode.
    int ExitInstance(int exitCode);

    void OnAppAbout();

    CMainFrame* MainFrame() const { return mainFrame.get(); }

private:
    std::unique_ptr<CMainFrame> mainFrame;
    // Qt's own texts (standard buttons, file dialogs) in Korean, as the program's are.
    QTranslator qtTexts;
};

}  // namespace brivo
