#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

namespace plotter {

// An input that must be an existing file, or "-" for standard input.
inline const CLI::Validator kInputFile(
    [](std::string& name) { return name == "-" ? std::string{} : CLI::ExistingFile(name); },
    "FILE|-");

// -q/--quiet, the same in every program that prints status lines.
inline CLI::Option* addQuietFlag(CLI::App& app, bool& quiet) {
    return app.add_flag("-q,--quiet", quiet,
                        "print no status lines (warnings and errors still go to standard error)");
}

// Parses the command line: help and --version as CLI11 prints them (exit 0), a
// usage error as one line on stderr with exit status 2. Returns -1 to go on.
inline int parseCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s (see --help)\n", app.get_name().c_str(), e.what());
        return 2;
    }
    return -1;
}

}  // namespace plotter
