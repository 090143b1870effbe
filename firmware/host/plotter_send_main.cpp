// plotter-send: streams a figure file to the plotter and waits for its replies.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "CommandLine.h"
#include "FigureStream.h"
#include "OutputFile.h"
#include "PlotterLink.h"
#include "Sender.h"
#include "Text.h"
#include "helpformat/HelpFormatter.h"

using namespace plotter;

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "plotter-send: %s\n", message.c_str());
    return 1;
}

// plotter-sim beside this program (installed, or in the build tree), else on PATH.
std::string simulatorProgram() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<size_t>(n));
        dir.erase(dir.rfind('/') + 1);
        for (const char* candidate : {"plotter-sim", "../sim/plotter_sim/plotter-sim"})
            if (access((dir + candidate).c_str(), X_OK) == 0) return dir + candidate;
    }
    return "plotter-sim";
}

volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signal) { stopSignal = signal; }

// Ctrl-C and a polite kill stop the plotter before this program ends. No
// SA_RESTART: a wait for the plotter's reply returns at once.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

// Simulated seconds plotter-sim may run the job: homing, every figure with
// its allowance, and a minute to spare.
long long simulatedTimeLimit(const std::vector<Figure>& figures) {
    long long ms = kHomingAllowanceMs + 60000;
    Segment from;
    for (const Figure& figure : figures) ms += drawingAllowanceMs(drawingMs(figure, from));
    return std::min((ms + 999) / 1000, 1'000'000LL);  // the most plotter-sim takes
}

// A file in the temporary folder for plotter-sim to draw the PNG to when it goes
// to standard output: plotter-sim's own standard output carries its report.
class TemporaryFile {
public:
    TemporaryFile() {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir && *dir ? dir : "/tmp") + "/plotter-send-XXXXXX.png";
        const int fd = mkstemps(path_.data(), 4);
        if (fd < 0)
            path_.clear();
        else
            close(fd);
    }
    ~TemporaryFile() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"stream a figure file to the plotter, one figure at a time", "plotter-send"};
    app.formatter(std::make_shared<helpformat::WrappingFormatter>());
    app.set_version_flag("--version", "plotter-send " PLOTTER_VERSION);
    std::string file, port, simulator;
    int baud = 115200;
    double timeout = 30;
    bool sim = false, quiet = false;
    long long timeLimit = 0;
    app.add_option("file", file,
                   "figure stream (plotter-figure writes one); - reads standard input")
        ->required()
        ->check(kInputFile);
    auto* portOption =
        app.add_option("--port", port, "serial port of the plotter, e.g. /dev/ttyUSB0");
    app.add_option("--baud", baud, "baud rate")->default_val(115200)->check(CLI::PositiveNumber);
    app.add_option("--timeout", timeout,
                   "seconds to wait for the plotter to accept a figure once it can (after the "
                   "figure before is drawn; homing comes on top for the first)")
        ->default_val(30)
        ->check(CLI::PositiveNumber);
    auto* simFlag = app.add_flag("--sim", sim, "send to plotter-sim instead of a board");
    app.add_option("--sim-program", simulator, "the plotter-sim to run (default: beside this one)");
    std::string png;
    int dpi = 96;
    auto* pngOption =
        app.add_option("--png", png,
                       "with --sim: plotter-sim draws the job to OUT.png; - writes standard "
                       "output")
            ->type_name("OUT.png")
            ->needs(simFlag);
    app.add_option("--dpi", dpi, "with --png: pixels per inch")
        ->default_val(96)
        ->check(CLI::Range(10, 2400))
        ->needs(pngOption);
    app.add_option("--time-limit", timeLimit,
                   "with --sim: simulated seconds plotter-sim may run (default: the job's "
                   "drawing time with its allowances)")
        ->check(CLI::Range(1LL, 1'000'000LL))
        ->needs(simFlag);
    portOption->excludes(simFlag);
    addQuietFlag(app, quiet);
    if (const int status = parseCommandLine(app, argc, argv); status >= 0) return status;
    if (!sim && port.empty()) return fail("give --port DEVICE, or --sim");

    std::string text;
    if (const std::string error = readInputFile(file, text); !error.empty()) return fail(error);
    const FiguresResult figures = readFigures(text);
    if (!figures.error.empty()) return fail(inputName(file) + ": " + figures.error);
    for (const std::string& w : figures.warnings)
        std::fprintf(stderr, "plotter-send: warning: %s\n", w.c_str());

    std::optional<TemporaryFile> pngToStdout;
    if (png == "-") {
        pngToStdout.emplace();
        if (pngToStdout->path().empty())
            return fail(
                textf("cannot make a temporary file for the PNG: %s", std::strerror(errno)));
    }
    std::vector<std::string> simOptions;
    if (!png.empty())
        simOptions = {"--png", pngToStdout ? pngToStdout->path() : png, "--dpi",
                      std::to_string(dpi)};
    if (sim)
        for (const std::string& o :
             {std::string("--time-limit"),
              std::to_string(timeLimit > 0 ? timeLimit : simulatedTimeLimit(figures.figures))})
            simOptions.push_back(o);
    std::string error;
    const std::unique_ptr<PlotterLink> link =
        sim ? startSimulator(simulator.empty() ? simulatorProgram() : simulator, text, simOptions,
                             error)
            : openPort(port, baud, error);
    if (!link) return fail(error);
    catchStopSignals();
    SendOptions options;
    options.acceptTimeoutMs = static_cast<int>(timeout * 1000);
    options.overwriteProgress = isatty(STDERR_FILENO) && !quiet;
    options.quiet = quiet;
    options.simulatedTime = sim;
    options.stopRequested = [] { return stopSignal != 0; };
    SteadyClock clock;
    const int status = sendFigures(*link, figures.figures, options, clock, stderr);
    if (status == kSendDone && pngToStdout) {
        std::string picture;
        if (std::string error = readInputFile(pngToStdout->path(), picture); !error.empty())
            return fail(error);
        if (std::string error = writeOutputFile("-", picture); !error.empty()) return fail(error);
    }
    return status == kSendInterrupted ? 128 + stopSignal : status;
}
