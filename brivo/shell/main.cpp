#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

#include "shell/CBrivoApp.h"

namespace {

int quitPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(quitPipe[1], &byte, 1);
}

// Ctrl+C in the terminal and SIGTERM (logout, kill) end the program as its Exit command
// does, so that the splitter positions are stored and everything is released in order.
// The handlers go in first thing, so a signal that comes while the program is still
// starting waits in the pipe and is acted on once the event loop runs.
void CatchQuitSignals() {
    if (pipe(quitPipe) != 0) return;
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void CloseOnQuitSignals(QApplication& application) {
    if (quitPipe[0] < 0) return;
    auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
}

}  // namespace

int main(int argc, char** argv) {
    CatchQuitSignals();
    QApplication application(argc, argv);
    brivo::CBrivoApp app;
    if (!app.InitInstance(QApplication::arguments())) return 1;
    CloseOnQuitSignals(application);
    return app.ExitInstance(QApplication::exec());
}
