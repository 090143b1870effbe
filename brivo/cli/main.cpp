#include <CLI/CLI.hpp>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/ExtractCommand.h"
#include "cli/FileCommands.h"
#include "cli/PreviewCommand.h"
#include "glyph/Singleton.h"
#include "helpformat/HelpFormatter.h"

namespace {

using brivo::kUsageExit;

// A usage error as one line on stderr: "brivo-cli extract: MESSAGE (see ... --help)".
int UsageError(const CLI::App& app, const CLI::ParseError& error) {
    std::string where = app.get_name();
    for (const CLI::App* command : app.get_subcommands()) where += " " + command->get_name();
    std::string message = error.what();
    std::replace(message.begin(), message.end(), '\n', ' ');
    std::fprintf(stderr, "%s: %s (see %s --help)\n", where.c_str(), message.c_str(), where.c_str());
    return kUsageExit;
}

// The first word that is no option, when it names no subcommand: CLI11 would only say that
// a subcommand is required.
int UnknownSubcommand(const CLI::App& app, int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return 0;
    std::string known;
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == argv[1]) return 0;
        known += (known.empty() ? "" : ", ") + command->get_name();
    }
    std::fprintf(stderr,
                 "brivo-cli: unknown subcommand \"%s\": give one of %s (see brivo-cli --help)\n",
                 brivo::Escaped(argv[1]).c_str(), known.c_str());
    return kUsageExit;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    brivo::SingletonTraceStream() = nullptr;  // stdout carries the tool's own report

    CLI::App app{"brivo-cli: turn the characters of an installed font into glyph bitmaps",
                 "brivo-cli"};
    app.formatter(std::make_shared<helpformat::WrappingFormatter>());
    app.set_version_flag("--version", "brivo-cli " BRIVO_VERSION);
    app.require_subcommand(1);
    int exitCode = 0;
    brivo::AddExtractCommand(app, exitCode);
    brivo::AddConvertCommand(app, exitCode);
    brivo::AddPreviewCommand(app, exitCode);
    brivo::AddInfoCommand(app, exitCode);
    if (const int unknown = UnknownSubcommand(app, argc, argv); unknown != 0) return unknown;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end the parse too, successfully.
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
            return app.exit(error);
        return UsageError(app, error);
    }
    return exitCode;
}
