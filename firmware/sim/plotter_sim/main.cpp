// plotter-sim: runs plotter_main on the modelled chip and draws what it does.
//
//   plotter-sim [FILE|-] [--start X,Y] [--baud N] [--report] [--svg OUT.svg]
//               [--csv OUT.csv] [--deviation] [--time-limit SECONDS] [--stream]
//               [--fine] [--version]
//
// plotter-sim-fine is the same program around plotter_main_fine; plotter-sim
// --fine runs it (it lies beside plotter-sim) with the other arguments.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "plotter/plotter_figure.h"
#include "safefile/SafeFile.h"
#include "sim/plotter_sim/plotter_run.h"

using namespace plotter_sim;

namespace {

struct Arguments {
    std::string input = "-";
    RunOptions run;
    bool report = false, deviation = false, fine = false;
    std::string svg, csv;
};

// "X,Y": two step counts.
std::string start_position(const std::string& text, RunOptions& run) {
    const auto comma = text.find(',');
    try {
        std::size_t used_x = 0, used_y = 0;
        if (comma == std::string::npos) throw std::invalid_argument(text);
        const long long sx = std::stoll(text.substr(0, comma), &used_x);
        const long long sy = std::stoll(text.substr(comma + 1), &used_y);
        if (used_x != comma || used_y != text.size() - comma - 1 || sx < 0 || sy < 0 ||
            sx > 100'000'000 || sy > 100'000'000)
            throw std::out_of_range(text);
        run.start_x = sx;
        run.start_y = sy;
        return {};
    } catch (const std::exception&) {
        return "expected two step counts X,Y: " + text;
    }
}

void add_options(CLI::App& app, Arguments& args) {
    app.add_option("FILE", args.input, "figure stream to send; - reads standard input");
    app.add_option_function<std::string>(
           "--start",
           [&args](const std::string& text) {
               if (const std::string error = start_position(text, args.run); !error.empty())
                   throw CLI::ValidationError("--start", error);
           },
           "carriage steps from the X and Y limit switches at power-up (20000,20000)")
        ->type_name("X,Y");
    app.add_option("--baud", args.run.baud, "baud rate of the sender (115200)")
        ->check(CLI::Range(300u, 10'000'000u));
    app.add_flag("--report", args.report,
                 "print each segment start, each reply of the firmware and a summary as JSON");
    app.add_option("--svg", args.svg, "draw the carriage path to OUT.svg")->type_name("OUT.svg");
    app.add_option("--csv", args.csv, "trace the counters and the laser to OUT.csv")
        ->type_name("OUT.csv");
    app.add_flag("--deviation", args.deviation,
                 "print the worst distance of the carriage from the ideal path, in steps");
    app.add_option_function<long long>(
           "--time-limit",
           [&args](long long seconds) {
               args.run.time_limit = chip::sim::milliseconds(1000 * seconds);
           },
           "simulated seconds before giving up (600)")
        ->check(CLI::Range(1LL, 1'000'000LL));
    app.add_flag("--stream", args.run.at_once,
                 "send the whole input at power-up in one go, as cat to a serial port does");
    app.add_flag("--fine", args.fine,
                 "run plotter_main_fine, which paces each axis with the timer clock's finest "
                 "prescaler and auto-reload pair");
    app.set_version_flag("--version", std::string("plotter-sim ") + PLOTTER_SIM_VERSION);
}

// The text after the last end marker "Z", when it holds more than line ends:
// a figure that would never end.
bool ends_unfinished(const std::string& stream) {
    const auto last = stream.rfind('Z');
    const auto tail = last == std::string::npos ? 0 : last + 1;
    return stream.find_first_not_of("\r\nn", tail) != std::string::npos;
}

std::optional<std::string> read_input(const std::string& name) {
    if (name == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::ifstream file(name, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

double units(std::int64_t steps) { return static_cast<double>(steps) / resolution; }

std::string svg_text(const RunResult& result) {
    double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
    auto extend = [&](const PathPoint& p) {
        min_x = std::min(min_x, units(p.x));
        max_x = std::max(max_x, units(p.x));
        min_y = std::min(min_y, units(p.y));
        max_y = std::max(max_y, units(p.y));
    };
    for (const PathPoint& p : result.path) extend(p);
    for (const PathPoint& p : result.figure_points) extend(p);
    const double margin = std::max({max_x - min_x, max_y - min_y, 1.0}) * 0.05;
    const double stroke = margin * 0.1;

    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" << min_x - margin << ' '
        << -max_y - margin << ' ' << max_x - min_x + 2 * margin << ' ' << max_y - min_y + 2 * margin
        << "\">\n"
        << "<!-- carriage path in coordinate units; y grows upwards -->\n"
        << "<g stroke-width=\"" << stroke << "\" stroke-linecap=\"round\" fill=\"none\">\n";
    for (std::size_t v = 1; v < result.path.size(); ++v) {
        const PathPoint &a = result.path[v - 1], &b = result.path[v];
        out << "<line x1=\"" << units(a.x) << "\" y1=\"" << -units(a.y) << "\" x2=\"" << units(b.x)
            << "\" y2=\"" << -units(b.y) << "\" stroke=\"" << (a.laser ? "#c00000" : "#a0c0ff")
            << "\"/>\n";
    }
    out << "</g>\n<g fill=\"#202020\">\n";
    for (const PathPoint& p : result.figure_points)
        out << "<circle cx=\"" << units(p.x) << "\" cy=\"" << -units(p.y) << "\" r=\"" << stroke * 2
            << "\"/>\n";
    out << "</g>\n</svg>\n";
    return out.str();
}

// A failed save leaves no half file; a device or FIFO is written directly.
bool save(const std::string& path, const std::string& text) {
    const std::string error = safefile::WriteWholeFile(path, text);
    if (!error.empty()) std::cerr << "plotter-sim: " << error << '\n';
    return error.empty();
}

#ifndef PLOTTER_FINE_PACING
// Replaces this process by plotter-sim-fine from this program's directory,
// with the arguments other than --fine. Returns only when that fails.
int run_fine_image(int argc, char** argv) {
    const std::filesystem::path fine =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "plotter-sim-fine";
    const std::string program = fine.string();
    std::vector<char*> arguments{const_cast<char*>(program.c_str())};
    for (int a = 1; a < argc; ++a)
        if (std::string(argv[a]) != "--fine") arguments.push_back(argv[a]);
    arguments.push_back(nullptr);
    execv(program.c_str(), arguments.data());
    std::cerr << "plotter-sim: cannot run " << program << ": " << std::strerror(errno) << '\n';
    return 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    CLI::App app{"plotter-sim: run plotter_main on the modelled chip and draw what it does"};
    add_options(app, args);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
        std::cerr << "plotter-sim: " << error.what() << "\nRun with --help for more information.\n";
        return 2;
    }
#ifndef PLOTTER_FINE_PACING
    if (args.fine) return run_fine_image(argc, argv);
#endif
    const auto stream = read_input(args.input);
    if (!stream) {
        std::cerr << "plotter-sim: cannot read " << args.input << '\n';
        return 1;
    }
    if (ends_unfinished(*stream)) {
        std::cerr << "plotter-sim: " << args.input
                  << ": the last figure has no end marker \"Z\"; it would never run\n";
        return 1;
    }
    args.run.stream = *stream;

    std::ostringstream csv;
    if (!args.csv.empty()) csv << "time_us,x_cur,y_cur,laser\n";
    auto on_change = [&](const CounterChange& c) {
        csv << std::fixed << std::setprecision(3) << static_cast<double>(c.time) / 168.0 << ','
            << c.x_cur << ',' << c.y_cur << ',' << (c.laser ? 1 : 0) << '\n';
    };
    auto on_segment = [&](const SegmentStart& s) {
        std::cout << "{\"segment\":" << s.segment << ",\"kind\":" << int{s.kind}
                  << ",\"x_goal\":" << s.x_goal << ",\"y_goal\":" << s.y_goal
                  << ",\"arr_x\":" << s.arr_x << ",\"arr_y\":" << s.arr_y
                  << ",\"laser\":" << (s.laser ? 1 : 0) << "}\n";
    };
    auto on_reply = [](const std::string& line) {
        std::cout << "{\"reply\":\"";
        for (char c : line) {
            if (c == '"' || c == '\\') std::cout << '\\';
            std::cout << c;
        }
        std::cout << "\"}\n";
    };
    const RunResult result = run_plotter(
        args.run, args.csv.empty() ? std::function<void(const CounterChange&)>{} : on_change,
        args.report ? std::function<void(const SegmentStart&)>{on_segment}
                    : std::function<void(const SegmentStart&)>{},
        args.report ? std::function<void(const std::string&)>{on_reply}
                    : std::function<void(const std::string&)>{});
    if (!result.finished) {
        std::cerr << "plotter-sim: the figures had not ended after "
                  << args.run.time_limit / chip::sim::milliseconds(1000)
                  << " s of simulated time\n";
        return 1;
    }
    if (args.report)
        std::cout << "{\"segments\":" << result.segments.size() << ",\"x_cur\":" << result.x_cur
                  << ",\"y_cur\":" << result.y_cur << ",\"laser\":" << (result.laser ? 1 : 0)
                  << ",\"sim_ms\":" << result.end_time / chip::sim::milliseconds(1) << "}\n";
    if (args.deviation) std::cout << "{\"max_deviation_steps\":" << result.max_deviation << "}\n";
    if (!args.svg.empty() && !save(args.svg, svg_text(result))) return 1;
    if (!args.csv.empty() && !save(args.csv, csv.str())) return 1;
    return 0;
}
