#include <CLI/CLI.hpp>
#include <clocale>

#include "cli/ExtractCommand.h"
#include "cli/FileCommands.h"
#include "cli/PreviewCommand.h"
#include "glyph/Singleton.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    SingletonTraceStream() = nullptr;  // stdout carries the tool's own report

    CLI::App app{"brivo-cli: turn the characters of an installed font into glyph bitmaps"};
    app.require_subcommand(1);
    int exitCode = 0;
    AddExtractCommand(app, exitCode);
    AddConvertCommand(app, exitCode);
    AddPreviewCommand(app, exitCode);
    AddInfoCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    return exitCode;
}
