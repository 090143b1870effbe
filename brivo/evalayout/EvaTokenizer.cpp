#include "evalayout/EvaTokenizer.h"

#include <climits>

namespace brivo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Drops one pair of enclosing quotes and turns every doubled quote into one.
std::string Unquote(std::string_view cell) {
    cell = Trim(cell);
    if (cell.size() >= 2) {
        if (cell.front() == '"') cell.remove_prefix(1);
        if (!cell.empty() && cell.back() == '"') cell.remove_suffix(1);
    }
    std::string out;
    out.reserve(cell.size());
    for (size_t i = 0; i < cell.size(); ++i) {
        out += cell[i];
        if (cell[i] == '"' && i + 1 < cell.size() && cell[i + 1] == '"') ++i;
    }
    return out;
}

// Position of the quote that closes the quoted text opened at `open`, or npos.
size_t ClosingQuote(std::string_view text, size_t open) {
    size_t pos = open + 1;
    while (true) {
        size_t quote = text.find('"', pos);
        if (quote == std::string_view::npos) return quote;
        if (quote + 1 < text.size() && text[quote + 1] == '"') {
            pos = quote + 2;
            continue;
        }
        return quote;
    }
}

}  // namespace

std::vector<std::string> TokenizeEvaLine(std::string_view line) {
    std::vector<std::string> cells;
    // Only the front is trimmed before each cut: blanks after a final comma still make one
    // more, empty, cell, while a comma at the very end of the line does not.
    std::string_view rest = line;
    while (!rest.empty()) {
        rest = TrimLeft(rest);
        size_t comma = rest.find(',');
        size_t quote = rest.find('"');
        if (quote != std::string_view::npos && (comma == std::string_view::npos || quote < comma)) {
            size_t close = ClosingQuote(rest, quote);
            if (close == std::string_view::npos) {
                cells.push_back(Unquote(rest));
                break;
            }
            cells.push_back(Unquote(rest.substr(0, close + 1)));
            rest = TrimLeft(rest.substr(close + 1));
            if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
            continue;
        }
        if (comma == std::string_view::npos) {
            cells.push_back(Unquote(rest));
            break;
        }
        cells.push_back(Unquote(rest.substr(0, comma)));
        rest = rest.substr(comma + 1);
    }
    return cells;
}

int EvaIntValue(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace brivo
