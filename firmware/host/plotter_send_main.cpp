// plotter-send: streams a figure file to the plotter and waits for its replies.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "CommandLine.h"
#include "FigureStream.h"
#include "PlotterLink.h"
#include "Sender.h"

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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"stream a figure file to the plotter, one figure at a time", "plotter-send"};
    app.set_version_flag("--version", "plotter-send " PLOTTER_VERSION);
    std::string file, port, simulator;
    int baud = 115200;
    double timeout = 30;
    bool sim = false;
    app.add_option("file", file, "figure stream (plotter-figure writes one)")
        ->required()
        ->check(CLI::ExistingFile);
    auto* portOption =
        app.add_option("--port", port, "serial port of the plotter, e.g. /dev/ttyUSB0");
    app.add_option("--baud", baud, "baud rate")->default_val(115200)->check(CLI::PositiveNumber);
    app.add_option("--timeout", timeout, "seconds to wait for the plotter to accept a figure")
        ->default_val(30)
        ->check(CLI::PositiveNumber);
    auto* simFlag = app.add_flag("--sim", sim, "send to plotter-sim instead of a board");
    app.add_option("--sim-program", simulator, "the plotter-sim to run (default: beside this one)");
    std::string png;
    int dpi = 96;
    auto* pngOption =
        app.add_option("--png", png, "with --sim: plotter-sim draws the job to OUT.png")
            ->type_name("OUT.png")
            ->needs(simFlag);
    app.add_option("--dpi", dpi, "with --png: pixels per inch")
        ->default_val(96)
        ->check(CLI::Range(10, 2400))
        ->needs(pngOption);
    portOption->excludes(simFlag);
    if (const int status = parseCommandLine(app, argc, argv); status >= 0) return status;
    if (!sim && port.empty()) return fail("give --port DEVICE, or --sim");

    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const FiguresResult figures = readFigures(text.str());
    if (!figures.error.empty()) return fail(file + ": " + figures.error);
    for (const std::string& w : figures.warnings)
        std::fprintf(stderr, "plotter-send: warning: %s\n", w.c_str());
    std::vector<std::string> texts;
    for (const Figure& figure : figures.figures) texts.push_back(formatFigures({figure}));

    std::vector<std::string> simOptions;
    if (!png.empty()) simOptions = {"--png", png, "--dpi", std::to_string(dpi)};
    std::string error;
    const std::unique_ptr<PlotterLink> link =
        sim ? startSimulator(simulator.empty() ? simulatorProgram() : simulator, file, simOptions,
                             error)
            : openPort(port, baud, error);
    if (!link) return fail(error);
    SendOptions options;
    options.acceptTimeoutMs = static_cast<int>(timeout * 1000);
    options.overwriteProgress = isatty(STDERR_FILENO);
    return sendFigures(*link, texts, options, stderr);
}
