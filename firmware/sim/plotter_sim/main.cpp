// plotter-sim: runs plotter_main on the modelled chip and draws what it does.
//
//   plotter-sim [FILE|-] [--start X,Y] [--baud N] [--report] [--svg OUT.svg]
//               [--png OUT.png [--dpi N]] [--csv OUT.csv] [--deviation]
//               [--time-limit SECONDS] [--stream] [--fine] [--version]
//               [--switch AXIS[:release]@WHEN]... [--send BYTES@WHEN]...
//
// WHEN is a simulated time since power-up ("12000ms", "12s") or the first
// moment the carriage reaches a position, in steps from the origin homing
// set ("x=20000", "y=0").
//
// plotter-sim-fine is the same program around plotter_main_fine; plotter-sim
// --fine runs it (it lies beside plotter-sim) with the other arguments.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "helpformat/HelpFormatter.h"
#include "plotter/plotter_figure.h"
#include "safefile/SafeFile.h"
#include "sim/plotter_sim/path_png.h"
#include "sim/plotter_sim/plotter_run.h"

using namespace plotter_sim;

namespace {

#ifdef PLOTTER_FINE_PACING
constexpr const char* kProgram = "plotter-sim-fine";
constexpr const char* kSummary =
    "plotter-sim-fine: run plotter_main_fine (each axis paced with the timer clock's finest "
    "prescaler and auto-reload pair) on the modelled chip and draw what it does";
#else
constexpr const char* kProgram = "plotter-sim";
constexpr const char* kSummary =
    "plotter-sim: run plotter_main on the modelled chip and draw what it does";
#endif

struct Arguments {
    std::string input = "-";
    RunOptions run;
    bool report = false, deviation = false, fine = false;
    std::string svg, png, csv;
    int dpi = 96;
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

// "12000ms", "12s", "x=20000".
std::optional<When> parse_when(const std::string& text) {
    When when;
    try {
        std::size_t used = 0;
        if (text.size() > 2 && (text[0] == 'x' || text[0] == 'y') && text[1] == '=') {
            when.at_position = true;
            when.axis = text[0] == 'x' ? 0 : 1;
            when.position = std::stoll(text.substr(2), &used);
            if (used != text.size() - 2) return std::nullopt;
            return when;
        }
        const long long value = std::stoll(text, &used);
        const std::string unit = text.substr(used);
        if (value < 0 || (unit != "ms" && unit != "s")) return std::nullopt;
        when.time =
            chip::sim::milliseconds(static_cast<std::uint64_t>(value) * (unit == "s" ? 1000 : 1));
        return when;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// "x@WHEN" closes the X switch and holds it; "x:release@WHEN" lets it go,
// back to where the carriage puts it.
std::optional<SwitchAction> parse_switch(const std::string& text) {
    const auto at = text.find('@');
    if (at == std::string::npos) return std::nullopt;
    const std::string name = text.substr(0, at);
    SwitchAction action;
    if (name == "x" || name == "x:release")
        action.axis = 0;
    else if (name == "y" || name == "y:release")
        action.axis = 1;
    else
        return std::nullopt;
    if (name.size() == 1) action.closed = true;
    const auto when = parse_when(text.substr(at + 1));
    if (!when) return std::nullopt;
    action.when = *when;
    return action;
}

// "BYTES@WHEN", the bytes with C escapes (\x18 is Ctrl-X, \r, \n, \\).
std::optional<SendAction> parse_send(const std::string& text) {
    const auto at = text.rfind('@');
    if (at == std::string::npos || at == 0) return std::nullopt;
    SendAction action;
    const std::string raw = text.substr(0, at);
    for (std::size_t c = 0; c < raw.size(); ++c) {
        if (raw[c] != '\\' || c + 1 == raw.size()) {
            action.bytes += raw[c];
            continue;
        }
        const char e = raw[++c];
        if (e == 'r') {
            action.bytes += '\r';
        } else if (e == 'n') {
            action.bytes += '\n';
        } else if (e == '\\') {
            action.bytes += '\\';
        } else if (e == 'x' && c + 2 < raw.size() + 0 && std::isxdigit(raw[c + 1]) &&
                   std::isxdigit(raw[c + 2])) {
            action.bytes += static_cast<char>(std::stoi(raw.substr(c + 1, 2), nullptr, 16));
            c += 2;
        } else {
            return std::nullopt;
        }
    }
    const auto when = parse_when(text.substr(at + 1));
    if (!when) return std::nullopt;
    action.when = *when;
    return action;
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
    app.add_option("--svg", args.svg, "draw the carriage path to OUT.svg; - writes standard output")
        ->type_name("OUT.svg");
    auto* png = app.add_option("--png", args.png,
                               "draw the carriage path to OUT.png; - writes standard output")
                    ->type_name("OUT.png");
    app.add_option("--dpi", args.dpi, "pixels per inch of the PNG (96)")
        ->check(CLI::Range(10, 2400))
        ->needs(png);
    app.add_option("--csv", args.csv,
                   "trace the counters and the laser to OUT.csv; - writes standard output")
        ->type_name("OUT.csv");
    app.add_flag("--deviation", args.deviation,
                 "print the worst distance of the carriage from the ideal path, in steps");
    app.add_option_function<long long>(
           "--time-limit",
           [&args](long long seconds) {
               args.run.time_limit = chip::sim::milliseconds(1000 * seconds);
           },
           "simulated seconds before giving up (default: enough for homing and every figure of "
           "the input, three times over)")
        ->check(CLI::Range(1LL, 1'000'000LL));
    app.add_option_function<std::vector<std::string>>(
           "--switch",
           [&args](const std::vector<std::string>& specs) {
               for (const std::string& spec : specs) {
                   const auto action = parse_switch(spec);
                   if (!action)
                       throw CLI::ValidationError("--switch",
                                                  "expected x@WHEN, y@WHEN, x:release@WHEN or "
                                                  "y:release@WHEN with WHEN 12000ms, 12s, "
                                                  "x=20000 or y=300: " +
                                                      spec);
                   args.run.switches.push_back(*action);
               }
           },
           "close a limit switch and hold it (x@12000ms, y@x=20000), or let it go again "
           "(x:release@13s); repeatable")
        ->type_name("AXIS@WHEN")
        ->allow_extra_args(false);
    app.add_option_function<std::vector<std::string>>(
           "--send",
           [&args](const std::vector<std::string>& specs) {
               for (const std::string& spec : specs) {
                   const auto action = parse_send(spec);
                   if (!action)
                       throw CLI::ValidationError(
                           "--send",
                           "expected BYTES@WHEN (e.g. '$H'@20000ms, '\\x18'@5s, "
                           "'!'@x=20000): " +
                               spec);
                   args.run.sends.push_back(*action);
               }
           },
           "send bytes to the plotter at a simulated time or position ('$H'@20000ms; "
           "\\x18 is Ctrl-X); repeatable")
        ->type_name("BYTES@WHEN")
        ->allow_extra_args(false);
    app.add_flag("--stream", args.run.at_once,
                 "send the whole input at power-up in one go, as cat to a serial port does");
    app.add_flag("--fine", args.fine,
                 "run plotter_main_fine, which paces each axis with the timer clock's finest "
                 "prescaler and auto-reload pair");
    app.set_version_flag("--version", std::string(kProgram) + " " + PLOTTER_SIM_VERSION);
}

// Standard output carries one thing: the report lines, or one of the pictures
// or the trace. Returns why the options ask for more, or "".
std::string one_use_of_stdout(const Arguments& args) {
    std::vector<std::string> outputs;  // the files given as "-"
    for (const auto& [option, path] : {std::pair{"--svg", &args.svg}, std::pair{"--png", &args.png},
                                       std::pair{"--csv", &args.csv}})
        if (*path == "-") outputs.push_back(std::string(option) + " -");
    const char* report = args.report ? "--report" : args.deviation ? "--deviation" : nullptr;
    if (outputs.size() > 1)
        return outputs[0] + " and " + outputs[1] + " would both write to standard output";
    if (outputs.size() == 1 && report)
        return std::string(report) + " and " + outputs[0] + " would both write to standard output";
    return {};
}

// The text after the last end marker "Z", when it holds more than line ends
// and commands: a figure that would never end.
bool ends_unfinished(const std::string& stream) {
    const auto last = stream.rfind('Z');
    return !only_commands(stream.substr(last == std::string::npos ? 0 : last + 1));
}

std::optional<std::string> read_input(const std::string& name) {
    if (name == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::ifstream file(name, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

double units(std::int64_t steps) { return static_cast<double>(steps) / resolution; }

// The picture in millimetres (one coordinate unit), y up, with a scale bar.
std::string svg_text(const RunResult& result) {
    const Frame f = picture_frame(result);
    const double width = f.right - f.left, height = f.top - f.bottom;
    const double bar = width >= 24 ? 10 : width >= 8 ? 5 : 1;  // mm
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "mm\" height=\""
        << height << "mm\" viewBox=\"" << f.left << ' ' << -f.top << ' ' << width << ' ' << height
        << "\">\n"
        << "<!-- carriage path in coordinate units (millimetres); y grows upwards -->\n"
        << "<g stroke-width=\"0.2\" stroke-linecap=\"round\" fill=\"none\">\n";
    for (std::size_t v = 1; v < result.path.size(); ++v) {
        const PathPoint &a = result.path[v - 1], &b = result.path[v];
        out << "<line x1=\"" << units(a.x) << "\" y1=\"" << -units(a.y) << "\" x2=\"" << units(b.x)
            << "\" y2=\"" << -units(b.y) << "\" stroke=\"" << (a.laser ? "#c00000" : "#a0c0ff")
            << "\"/>\n";
    }
    out << "</g>\n<g fill=\"#202020\">\n";
    for (const PathPoint& p : result.figure_points)
        out << "<circle cx=\"" << units(p.x) << "\" cy=\"" << -units(p.y) << "\" r=\"0.4\"/>\n";
    out << "</g>\n<g id=\"scale-bar\" font-family=\"sans-serif\" font-size=\"1.2\">\n"
        << "<rect x=\"" << f.left + 0.5 << "\" y=\"" << -f.bottom - 0.9 << "\" width=\"" << bar
        << "\" height=\"0.3\" fill=\"#202020\"/>\n"
        << "<text x=\"" << f.left + 1 + bar << "\" y=\"" << -f.bottom - 0.5 << "\">" << bar
        << " mm</text>\n</g>\n</svg>\n";
    return out.str();
}

// How long each drawn figure ran, from its "ok N" to its "done N", in ms.
std::string figure_durations(const RunResult& result) {
    std::map<std::string, chip::sim::Cycles> accepted;
    std::string list;
    for (std::size_t r = 0; r < result.replies.size(); ++r) {
        const std::string& reply = result.replies[r];
        if (reply.starts_with("ok ")) accepted[reply.substr(3)] = result.reply_times[r];
        const auto ok =
            reply.starts_with("done ") ? accepted.find(reply.substr(5)) : accepted.end();
        if (ok == accepted.end()) continue;
        list += (list.empty() ? "" : ",") +
                std::to_string((result.reply_times[r] - ok->second) / chip::sim::milliseconds(1));
    }
    return "[" + list + "]";
}

// A failed save leaves no half file; a device or FIFO is written directly; "-"
// is stdout.
bool save(const std::string& path, const std::string& text) {
    if (path == "-") {
        std::cout << text << std::flush;
        if (std::cout) return true;
        std::cerr << "plotter-sim: cannot write to standard output\n";
        return false;
    }
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
    CLI::App app{kSummary, kProgram};
    app.formatter(std::make_shared<helpformat::WrappingFormatter>());
    add_options(app, args);
    if (argc == 1) {
        // Nothing asked: say how to ask rather than wait on a terminal for figures.
        std::cerr << app.help();
        return 2;
    }
    // A usage error as one line, as plotter-figure and plotter-send print it.
    auto usage_error = [](std::string message) {
        std::replace(message.begin(), message.end(), '\n', ' ');
        std::cerr << kProgram << ": " << message << " (see --help)\n";
        return 2;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
        return usage_error(error.what());
    }
    if (const std::string clash = one_use_of_stdout(args); !clash.empty())
        return usage_error(clash);
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
        std::cout << "\"}" << std::endl;  // a sender reading the pipe sees it now
    };
    const RunResult result = run_plotter(
        args.run, args.csv.empty() ? std::function<void(const CounterChange&)>{} : on_change,
        args.report ? std::function<void(const SegmentStart&)>{on_segment}
                    : std::function<void(const SegmentStart&)>{},
        args.report ? std::function<void(const std::string&)>{on_reply}
                    : std::function<void(const std::string&)>{});
    if (!result.finished) {
        std::cerr << "plotter-sim: the figures had not ended after "
                  << result.end_time / chip::sim::milliseconds(1000) << " s of simulated time\n";
        return 1;
    }
    if (args.report)
        std::cout << "{\"segments\":" << result.segments.size() << ",\"x_cur\":" << result.x_cur
                  << ",\"y_cur\":" << result.y_cur << ",\"laser\":" << (result.laser ? 1 : 0)
                  << ",\"sim_ms\":" << result.end_time / chip::sim::milliseconds(1)
                  << ",\"figure_ms\":" << figure_durations(result)
                  << ",\"carriage_x\":" << result.carriage_x
                  << ",\"carriage_y\":" << result.carriage_y << ",\"x_limit\":" << result.x_limit
                  << ",\"y_overshoot\":" << result.y_overshoot << "}\n";
    for (const std::string& mismatch : result.mismatches)
        std::cerr << "plotter-sim: the carriage is not where the counters say, at " << mismatch
                  << '\n';
    if (args.deviation) std::cout << "{\"max_deviation_steps\":" << result.max_deviation << "}\n";
    if (!args.svg.empty() && !save(args.svg, svg_text(result))) return 1;
    if (!args.png.empty()) {
        const std::string png = path_png(result, args.dpi);
        if (png.empty()) {
            std::cerr << "plotter-sim: cannot draw the PNG picture\n";
            return 1;
        }
        if (!save(args.png, png)) return 1;
    }
    if (!args.csv.empty() && !save(args.csv, csv.str())) return 1;
    return result.mismatches.empty() ? 0 : 1;
}
