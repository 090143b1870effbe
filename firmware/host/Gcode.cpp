#include "Gcode.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>

#include "Text.h"

namespace plotter {

namespace {

struct Word {
    char letter;
    double value;
};

// Splits one line into words, dropping comments, the line number and a checksum.
// Returns an error message, or an empty string.
std::string splitWords(std::string_view line, std::vector<Word>& words) {
    words.clear();
    size_t pos = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == ';' || c == '*') return {};
        if (c == '(') {
            const size_t close = line.find(')', pos);
            if (close == std::string_view::npos) return "a comment \"(\" has no \")\"";
            pos = close + 1;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c)) || c == '%') {
            ++pos;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(c))) return textf("unexpected '%c'", c);
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ++pos;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        size_t start = pos;
        if (pos < line.size() && line[pos] == '+') start = ++pos;
        double value = 0;
        const auto [end, ec] = std::from_chars(line.data() + start, line.data() + line.size(),
                                               value, std::chars_format::fixed);
        if (ec != std::errc{}) return textf("%c needs a number", letter);
        pos = static_cast<size_t>(end - line.data());
        if (letter != 'N') words.push_back({letter, value});
    }
    return {};
}

bool isCode(double value, double code) { return std::abs(value - code) < 1e-9; }

class Reader {
public:
    GcodeResult read(std::string_view text) {
        int lineNumber = 0;
        std::vector<Word> words;
        while (!text.empty() && !ended_) {
            const size_t eol = text.find('\n');
            const std::string_view line = text.substr(0, eol);
            text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
            ++lineNumber;
            std::string error = splitWords(line, words);
            if (error.empty()) error = block(words);
            if (!error.empty()) {
                result_.error = textf("line %d: %s", lineNumber, error.c_str());
                result_.path.clear();
                return std::move(result_);
            }
            line_ = lineNumber;
        }
        for (auto& [kind, line] : ignored_)
            result_.warnings.push_back(textf("%s ignored (first on line %d)", kind.c_str(), line));
        return std::move(result_);
    }

private:
    void ignore(const std::string& kind) { ignored_.try_emplace(kind, line_ + 1); }

    std::string block(const std::vector<Word>& words) {
        std::optional<double> x, y, i, j, r;
        bool motionWord = false;
        for (const Word& w : words) {
            switch (w.letter) {
                case 'G':
                    if (isCode(w.value, 0) || isCode(w.value, 1) || isCode(w.value, 2) ||
                        isCode(w.value, 3)) {
                        motion_ = static_cast<int>(w.value);
                        motionWord = true;
                    } else if (isCode(w.value, 20)) {
                        unit_ = 25.4;
                    } else if (isCode(w.value, 21)) {
                        unit_ = 1;
                    } else if (isCode(w.value, 90)) {
                        relative_ = false;
                    } else if (isCode(w.value, 91)) {
                        relative_ = true;
                    } else if (isCode(w.value, 90.1)) {
                        absoluteCenters_ = true;
                    } else if (isCode(w.value, 91.1)) {
                        absoluteCenters_ = false;
                    } else if (!isCode(w.value, 17)) {
                        ignore(textf("G%g", w.value));
                    }
                    break;
                case 'M':
                    if (isCode(w.value, 3) || isCode(w.value, 4))
                        spindle_ = true;
                    else if (isCode(w.value, 5))
                        spindle_ = false;
                    else if (isCode(w.value, 2) || isCode(w.value, 30))
                        ended_ = true;
                    else
                        ignore(textf("M%g", w.value));
                    break;
                case 'S':
                    power_ = w.value;
                    break;
                case 'X':
                    x = w.value * unit_;
                    break;
                case 'Y':
                    y = w.value * unit_;
                    break;
                case 'I':
                    i = w.value * unit_;
                    break;
                case 'J':
                    j = w.value * unit_;
                    break;
                case 'R':
                    r = w.value * unit_;
                    break;
                case 'F':
                    ignore("feed rates (F: the plotter moves at one speed)");
                    break;
                case 'Z':
                    ignore("Z (the plotter has no Z axis)");
                    break;
                default:
                    ignore(textf("%c words", w.letter));
                    break;
            }
        }
        if (ended_ || (!x && !y)) {
            if (motionWord && (motion_ == 2 || motion_ == 3) && (i || j))
                return "an arc needs an end point (X and/or Y)";
            return {};
        }
        if (motion_ < 0) return "a move without G0 or G1 before it";
        Point to = at_;
        if (x) to.x = relative_ ? at_.x + *x : *x;
        if (y) to.y = relative_ ? at_.y + *y : *y;
        Move move{to, motion_ != 0 && spindle_ && power_ != 0, {}};
        if (motion_ == 2 || motion_ == 3) {
            Arc arc{{}, motion_ == 2};
            if (r) {
                std::string error = centerFromRadius(to, *r, arc);
                if (!error.empty()) return error;
            } else if (i || j) {
                const Point base = absoluteCenters_ ? Point{} : at_;
                arc.center = {base.x + i.value_or(0), base.y + j.value_or(0)};
            } else {
                return textf("G%d needs I/J or R", motion_);
            }
            move.arc = arc;
        }
        result_.path.push_back(move);
        at_ = to;
        return {};
    }

    // An arc given by its radius: the shorter one for R > 0, the longer for R < 0.
    std::string centerFromRadius(Point to, double radius, Arc& arc) const {
        const double dx = to.x - at_.x, dy = to.y - at_.y;
        const double chord = std::hypot(dx, dy);
        if (chord == 0) return "an arc by R cannot be a full circle";
        const double half = chord / 2;
        if (std::abs(radius) < half - 1e-6) return "the arc's R is smaller than half its chord";
        const double h = std::sqrt(std::max(0.0, radius * radius - half * half));
        // Left of the chord for a counter-clockwise short arc, right for a clockwise one.
        double side = arc.clockwise ? -1 : 1;
        if (radius < 0) side = -side;
        arc.center = {at_.x + dx / 2 - side * h * dy / chord,
                      at_.y + dy / 2 + side * h * dx / chord};
        return {};
    }

    GcodeResult result_;
    std::map<std::string, int> ignored_;  // kind -> first line
    Point at_;
    int motion_ = -1;
    int line_ = 0;
    double unit_ = 1;
    bool relative_ = false;
    bool absoluteCenters_ = false;
    bool spindle_ = false;
    std::optional<double> power_;
    bool ended_ = false;
};

}  // namespace

GcodeResult readGcode(std::string_view text) { return Reader{}.read(text); }

std::string writeGcode(const std::vector<Figure>& figures) {
    std::string text = "; plotter figures as G-code\nG21\nG90\n";
    int number = 0;
    for (const Figure& figure : figures) {
        text += textf("; figure %d\n", ++number);
        bool laser = false;
        for (const Segment& s : figure) {
            if (s.laser != laser) text += s.laser ? "M3 S1000\n" : "M5\n";
            laser = s.laser;
            text += textf("%s X%d.%d Y%d.%d\n", laser ? "G1" : "G0", s.x / 10, s.x % 10, s.y / 10,
                          s.y % 10);
        }
        if (laser) text += "M5\n";
    }
    text += "M2\n";
    return text;
}

}  // namespace plotter
