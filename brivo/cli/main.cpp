#include <CLI/CLI.hpp>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <memory>
#include <sstream>

#include "cli/CliCommon.h"
#include "cli/ExtractCommand.h"
#include "cli/FileCommands.h"
#include "cli/PreviewCommand.h"
#include "glyph/Singleton.h"

namespace {

using brivo::kUsageExit;

constexpr std::size_t kHelpWidth = 80;

// The characters of a UTF-8 text (a Hangul syllable counts as one).
std::size_t Columns(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The text broken at spaces into lines of at most `width` characters (a longer word stands
// alone); its own line breaks stay.
std::string Wrapped(const std::string& text, std::size_t width) {
    std::string result, line, word;
    auto endLine = [&] {
        result += line + '\n';
        line.clear();
    };
    auto addWord = [&] {
        if (word.empty()) return;
        if (!line.empty() && Columns(line) + 1 + Columns(word) > width) endLine();
        line += (line.empty() ? "" : " ") + word;
        word.clear();
    };
    for (const char c : text) {
        if (c == ' ') {
            addWord();
        } else if (c == '\n') {
            addWord();
            endLine();
        } else {
            word += c;
        }
    }
    addWord();
    return result + line;
}

// CLI11's help with descriptions wrapped to fit 80 columns: the right column of options and
// subcommands, and a command's own description.
class WrappingFormatter : public CLI::Formatter {
public:
    std::string make_option_desc(const CLI::Option* option) const override {
        return Wrapped(CLI::Formatter::make_option_desc(option), kHelpWidth - get_column_width());
    }
    std::string make_subcommand(const CLI::App* command) const override {
        std::stringstream out;
        CLI::detail::format_help(
            out, command->get_display_name(true),
            Wrapped(command->get_description(), kHelpWidth - get_column_width()),
            get_column_width());
        return out.str();
    }
    std::string make_description(const CLI::App* app) const override {
        return Wrapped(CLI::Formatter::make_description(app), kHelpWidth);
    }
};

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
    app.formatter(std::make_shared<WrappingFormatter>());
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
