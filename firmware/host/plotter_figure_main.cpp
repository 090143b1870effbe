// plotter-figure: G-code and SVG drawings to the plotter's figure stream, and back.
#include <CLI/CLI.hpp>
#include <QGuiApplication>
#include <cstdio>
#include <optional>
#include <sstream>

#include "CommandLine.h"
#include "FigureStream.h"
#include "Gcode.h"
#include "OutputFile.h"
#include "SvgDrawing.h"
#include "helpformat/HelpFormatter.h"

using namespace plotter;

namespace {

struct Options {
    std::string input, output = "-";
    double tolerance = 0.05;
    std::optional<double> scale;
    std::string offset, fit, travel;
    bool quiet = false;
};

int fail(const std::string& message) {
    std::fprintf(stderr, "plotter-figure: %s\n", message.c_str());
    return 1;
}

void warn(const std::string& message) {
    std::fprintf(stderr, "plotter-figure: warning: %s\n", message.c_str());
}

// "A,B" or "AxB" as two numbers.
bool parsePair(const std::string& text, char separator, double& a, double& b) {
    std::istringstream in(text);
    char s = 0;
    return (in >> a >> s >> b) && s == separator && in.peek() == EOF;
}

// Works out the placement from the options and the drawing's bounds.
std::string placementFor(const Options& options, const Bounds& bounds, Placement& placement) {
    Point offset;
    if (!options.offset.empty() && !parsePair(options.offset, ',', offset.x, offset.y))
        return "--offset wants X,Y, e.g. 5,2.5";
    if (!options.fit.empty()) {
        double width = 0, height = 0;
        if (!parsePair(options.fit, 'x', width, height) || width <= 0 || height <= 0)
            return "--fit wants a positive WxH, e.g. 30x30";
        placement = fitPlacement(bounds, width, height, offset);
        return {};
    }
    placement.scale = options.scale.value_or(1);
    placement.offset = offset;
    return {};
}

int writeFigures(const Options& options, const Toolpath& placed) {
    Travel travel;
    if (!options.travel.empty() && (!parsePair(options.travel, 'x', travel.width, travel.height) ||
                                    travel.width <= 0 || travel.height <= 0))
        return fail("--travel wants a positive WxH, e.g. 33.4x99.9");
    const FiguresResult figures = buildFigures(placed, travel);
    if (!figures.error.empty()) return fail(figures.error);
    if (figures.figures.empty()) return fail(inputName(options.input) + " draws nothing");
    if (const std::string error = writeOutputFile(options.output, formatFigures(figures.figures));
        !error.empty())
        return fail(error);
    size_t segments = 0;
    for (const Figure& f : figures.figures) segments += f.size();
    if (!options.quiet)
        std::fprintf(stderr, "%s: %zu figure(s), %zu segments\n",
                     outputName(options.output).c_str(), figures.figures.size(), segments);
    return 0;
}

int fromGcode(const Options& options) {
    std::string text;
    if (const std::string error = readInputFile(options.input, text); !error.empty())
        return fail(error);
    const GcodeResult gcode = readGcode(text);
    if (!gcode.error.empty()) return fail(inputName(options.input) + ": " + gcode.error);
    for (const std::string& w : gcode.warnings) warn(w);
    Placement placement;
    if (const std::string error = placementFor(options, toolpathBounds(gcode.path), placement);
        !error.empty())
        return fail(error);
    return writeFigures(options, placeAndFlatten(gcode.path, placement, options.tolerance));
}

// Qt's own messages as this tool's warnings; not the run-time directory it does not use.
void forwardQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith("QStandardPaths:"))
        warn(message.toStdString());
}

int fromSvg(const Options& options) {
    qInstallMessageHandler(forwardQtMessage);
    static int argc = 3;
    static char* argv[] = {const_cast<char*>("plotter-figure"), const_cast<char*>("-platform"),
                           const_cast<char*>("offscreen"), nullptr};
    QGuiApplication application(argc, argv);  // text in a drawing needs the font database
    const SvgDrawing drawing = readSvg(QString::fromStdString(options.input));
    if (!drawing.error.isEmpty()) return fail(drawing.error.toStdString());
    for (const QString& w : drawing.warnings) warn(w.toStdString());
    Placement placement;
    if (const std::string error = placementFor(options, svgBounds(drawing), placement);
        !error.empty())
        return fail(error);
    return writeFigures(options, svgToolpath(drawing, placement, options.tolerance));
}

int toGcode(const Options& options) {
    std::string text;
    if (const std::string error = readInputFile(options.input, text); !error.empty())
        return fail(error);
    const FiguresResult figures = readFigures(text);
    if (!figures.error.empty()) return fail(inputName(options.input) + ": " + figures.error);
    for (const std::string& w : figures.warnings) warn(w);
    if (const std::string error = writeOutputFile(options.output, writeGcode(figures.figures));
        !error.empty())
        return fail(error);
    return 0;
}

void addPlacementOptions(CLI::App* command, Options& options) {
    command
        ->add_option("--tolerance", options.tolerance,
                     "largest distance of the segments from a curve, in units")
        ->default_val(0.05)
        ->check(CLI::PositiveNumber);
    auto* scale = command->add_option("--scale", options.scale, "multiply every coordinate")
                      ->check(CLI::PositiveNumber);
    command->add_option("--offset", options.offset, "move the drawing by X,Y units");
    command->add_option("--fit", options.fit, "scale the drawing into a WxH box at the offset")
        ->excludes(scale);
    command->add_option("--travel", options.travel,
                        "the plotter's reach WxH from the origin (default 32.4x99.9)");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"turn G-code and SVG drawings into the plotter's figure stream", "plotter-figure"};
    app.formatter(std::make_shared<helpformat::WrappingFormatter>());
    app.set_version_flag("--version", "plotter-figure " PLOTTER_VERSION);
    app.require_subcommand(1);
    Options options;
    int exitCode = 0;
    struct Command {
        const char* name;
        const char* help;
        const char* input;
        int (*run)(const Options&);
        bool placement;
    };
    const Command commands[] = {
        {"from-gcode", "G-code (G0/G1/G2/G3, M3/M4/M5) to a figure stream", "IN.gcode", fromGcode,
         true},
        {"from-svg", "SVG outlines to a figure stream", "IN.svg", fromSvg, true},
        {"to-gcode", "a figure stream to G-code", "IN.txt", toGcode, false},
    };
    for (const Command& c : commands) {
        CLI::App* command = app.add_subcommand(c.name, c.help);
        command
            ->add_option("input", options.input, std::string(c.input) + "; - reads standard input")
            ->required()
            ->check(kInputFile);
        command
            ->add_option("-o,--output", options.output, "where to write; - writes standard output")
            ->required();
        addQuietFlag(*command, options.quiet);
        if (c.placement) addPlacementOptions(command, options);
        command->callback([&, run = c.run] { exitCode = run(options); });
    }
    if (const int status = parseCommandLine(app, argc, argv); status >= 0) return status;
    return exitCode;
}
