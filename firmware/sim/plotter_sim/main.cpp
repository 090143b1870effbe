// plotter-sim: runs plotter_main on the modelled chip and draws what it does.
//
//   plotter-sim [FILE|-] [--start X,Y] [--baud N] [--report] [--svg OUT.svg]
//               [--csv OUT.csv] [--deviation] [--time-limit SECONDS] [--stream]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "plotter/plotter_figure.h"
#include "sim/plotter_sim/plotter_run.h"

using namespace plotter_sim;

namespace {

constexpr const char* kUsage =
    "usage: plotter-sim [FILE|-] [--start X,Y] [--baud N] [--report] [--svg OUT.svg]\n"
    "                   [--csv OUT.csv] [--deviation] [--time-limit SECONDS] [--stream]\n";

struct Arguments {
    std::string input = "-";
    RunOptions run;
    bool report = false, deviation = false;
    std::string svg, csv;
};

std::optional<long long> parse_number(const std::string& text, long long low, long long high) {
    if (text.empty()) return std::nullopt;
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (...) {
        return std::nullopt;
    }
    if (used != text.size() || value < low || value > high) return std::nullopt;
    return value;
}

// Returns an error message, or nothing when the arguments are good.
std::optional<std::string> parse_arguments(int argc, char** argv, Arguments& args) {
    bool have_input = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        auto value = [&]() -> std::optional<std::string> {
            if (a + 1 >= argc) return std::nullopt;
            return std::string(argv[++a]);
        };
        if (arg == "--report") {
            args.report = true;
        } else if (arg == "--deviation") {
            args.deviation = true;
        } else if (arg == "--stream") {
            args.run.at_once = true;
        } else if (arg == "--start" || arg == "--baud" || arg == "--svg" || arg == "--csv" ||
                   arg == "--time-limit") {
            const auto v = value();
            if (!v) return arg + " needs a value";
            if (arg == "--svg") {
                args.svg = *v;
            } else if (arg == "--csv") {
                args.csv = *v;
            } else if (arg == "--baud") {
                const auto baud = parse_number(*v, 300, 10'000'000);
                if (!baud) return "--baud: not a baud rate: " + *v;
                args.run.baud = static_cast<unsigned>(*baud);
            } else if (arg == "--time-limit") {
                const auto seconds = parse_number(*v, 1, 1'000'000);
                if (!seconds) return "--time-limit: not a number of seconds: " + *v;
                args.run.time_limit = chip::sim::milliseconds(1000 * *seconds);
            } else {
                const auto comma = v->find(',');
                const auto sx = parse_number(v->substr(0, comma), 0, 100'000'000);
                const auto sy = comma == std::string::npos
                                    ? std::nullopt
                                    : parse_number(v->substr(comma + 1), 0, 100'000'000);
                if (!sx || !sy) return "--start: expected two step counts X,Y: " + *v;
                args.run.start_x = *sx;
                args.run.start_y = *sy;
            }
        } else if (arg == "--help" || arg == "-h") {
            return std::string();
        } else if ((arg == "-" || arg[0] != '-') && !have_input) {
            args.input = arg;
            have_input = true;
        } else {
            return "unexpected argument: " + arg;
        }
    }
    return std::nullopt;
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

// Writes beside the target and renames, so a failed run leaves no half file.
bool write_file(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file || !(file << text) || !file.flush()) {
            std::filesystem::remove(temporary);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) std::filesystem::remove(temporary);
    return !error;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const auto error = parse_arguments(argc, argv, args)) {
        if (error->empty()) {
            std::cout << kUsage;
            return 0;
        }
        std::cerr << "plotter-sim: " << *error << '\n' << kUsage;
        return 2;
    }
    const auto stream = read_input(args.input);
    if (!stream) {
        std::cerr << "plotter-sim: cannot read " << args.input << '\n';
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
        std::cerr << "plotter-sim: the figure had not ended after "
                  << args.run.time_limit / chip::sim::milliseconds(1000)
                  << " s of simulated time (is its end marker \"Z\" missing?)\n";
        return 1;
    }
    if (args.report)
        std::cout << "{\"segments\":" << result.segments.size() << ",\"x_cur\":" << result.x_cur
                  << ",\"y_cur\":" << result.y_cur << ",\"laser\":" << (result.laser ? 1 : 0)
                  << ",\"sim_ms\":" << result.end_time / chip::sim::milliseconds(1) << "}\n";
    if (args.deviation) std::cout << "{\"max_deviation_steps\":" << result.max_deviation << "}\n";
    if (!args.svg.empty() && !write_file(args.svg, svg_text(result))) {
        std::cerr << "plotter-sim: cannot write " << args.svg << '\n';
        return 1;
    }
    if (!args.csv.empty() && !write_file(args.csv, csv.str())) {
        std::cerr << "plotter-sim: cannot write " << args.csv << '\n';
        return 1;
    }
    return 0;
}
