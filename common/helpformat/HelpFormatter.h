#pragma once

// CLI11's help with descriptions wrapped to fit a terminal of 80 columns: the right column
// of options and subcommands, and a program's or command's own description.
//
//   app.formatter(std::make_shared<helpformat::WrappingFormatter>());

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>
#include <string>

namespace helpformat {

constexpr std::size_t kHelpWidth = 80;

// The characters of a UTF-8 text (a Hangul syllable counts as one).
inline std::size_t Columns(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The text broken at spaces into lines of at most `width` characters (a longer word stands
// alone); its own line breaks stay.
inline std::string Wrapped(const std::string& text, std::size_t width) {
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

}  // namespace helpformat
