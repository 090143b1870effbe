#include "FigureStream.h"

#include <cmath>
#include <cstdio>

#include "Text.h"

namespace plotter {

namespace {

std::string tenthsText(int tenths) {
    const int value = std::abs(tenths);
    return textf("%s%02d.%d", tenths < 0 ? "-" : "", value / 10, value % 10);
}

// "L" + "X" dd.d + "Y" dd.d; a laser marker is two bytes; "Z" one.
constexpr int kSegmentBytes = 11;
constexpr int kMarkerBytes = 2;

// Describes how far the rounded coordinates on one axis leave 0..limit.
void checkAxis(char axis, int lowest, int highest, int limit, std::string& problems) {
    auto add = [&](int reach, int beyond) {
        if (!problems.empty()) problems += "; ";
        problems +=
            textf("%c reaches %s, %s beyond its travel 0..%s", axis, tenthsText(reach).c_str(),
                  tenthsText(beyond).c_str(), tenthsText(limit).c_str());
    };
    if (highest > limit) add(highest, highest - limit);
    if (lowest < 0) add(lowest, -lowest);
}

int toTenths(double value) { return static_cast<int>(std::lround(value * 10)); }

}  // namespace

int storedBytes(const Figure& figure) {
    int bytes = 1;  // "Z"
    bool laser = false;
    for (const Segment& s : figure) {
        if (s.laser != laser) bytes += kMarkerBytes;
        laser = s.laser;
        bytes += kSegmentBytes;
    }
    return bytes;
}

FiguresResult buildFigures(const Toolpath& placed, const Travel& travel) {
    FiguresResult result;
    std::vector<Segment> segments;
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    Segment at{0, 0, false};
    for (const Move& move : placed) {
        const Segment next{toTenths(move.to.x), toTenths(move.to.y), move.laser};
        minX = std::min(minX, next.x), maxX = std::max(maxX, next.x);
        minY = std::min(minY, next.y), maxY = std::max(maxY, next.y);
        if (next.x == at.x && next.y == at.y) continue;  // nothing to draw at 0.1
        segments.push_back(next);
        at = next;
    }
    std::string problems;
    checkAxis('x', minX, maxX, std::min(toTenths(travel.width), kMaxTenths), problems);
    checkAxis('y', minY, maxY, std::min(toTenths(travel.height), kMaxTenths), problems);
    if (!problems.empty()) {
        result.error = "the drawing does not fit the plotter's travel: " + problems +
                       " (place it with --scale and --offset, or --fit WxH)";
        return result;
    }

    Figure figure;
    int markers = 0, bytes = 1;
    bool laser = false;  // every figure starts with the laser off
    for (const Segment& s : segments) {
        bool toggles = s.laser != laser;
        if (static_cast<int>(figure.size()) == kMaxSegments || markers + toggles > kMaxMarkers ||
            bytes + toggles * kMarkerBytes + kSegmentBytes > kMaxFigureBytes) {
            result.figures.push_back(std::move(figure));
            figure.clear();
            markers = 0, bytes = 1, laser = false;
            toggles = s.laser;
        }
        markers += toggles;
        bytes += kSegmentBytes + toggles * kMarkerBytes;
        laser = s.laser;
        figure.push_back(s);
    }
    if (!figure.empty()) result.figures.push_back(std::move(figure));
    return result;
}

std::string formatFigures(const std::vector<Figure>& figures) {
    std::string text;
    for (const Figure& figure : figures) {
        bool laser = false;
        for (const Segment& s : figure) {
            if (s.laser != laser) text += s.laser ? "S1\n" : "S0\n";
            laser = s.laser;
            text += textf("LX%sY%s\n", tenthsText(s.x).c_str(), tenthsText(s.y).c_str());
        }
        text += "Z\n";
    }
    return text;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One figure's markers as the plotter's scanner collects them.
struct ScannedFigure {
    int segments = 0;
    std::vector<int> xs, ys;  // tenths, in order of arrival
    struct Marker {
        int segment;  // number of "L" before it
        char digit;
    };
    std::vector<Marker> markers;
    int bytes = 0;
    int line = 1;  // where the figure starts
};

}  // namespace

FiguresResult readFigures(std::string_view text) {
    FiguresResult result;
    ScannedFigure scan;
    int line = 1;
    auto fail = [&](std::string message) {
        result.error = textf("line %d: %s", line, message.c_str());
        result.figures.clear();
        return result;
    };
    // The next byte the plotter would store: it drops CR, LF and "n".
    size_t pos = 0;
    auto nextByte = [&]() -> int {
        while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n' || text[pos] == 'n')) {
            if (text[pos] == '\n') ++line;
            ++pos;
        }
        if (pos == text.size()) return -1;
        ++scan.bytes;
        return static_cast<unsigned char>(text[pos++]);
    };
    bool inFigure = false;
    for (int c; (c = nextByte()) >= 0;) {
        if (c == ' ' || c == '\t') {
            --scan.bytes;  // a sender may indent; the plotter ignores them anyway
            continue;
        }
        if (!inFigure) scan.line = line, inFigure = true;
        switch (c) {
            case 'L':
                ++scan.segments;
                break;
            case 'X':
            case 'Y': {
                int payload[4];
                for (int& b : payload) b = nextByte();
                // The scanner sees marker letters even inside a payload.
                const bool separatorIsMarker =
                    payload[2] >= 0 && std::string_view("LXYSZ").find(
                                           static_cast<char>(payload[2])) != std::string_view::npos;
                if (!isDigit(payload[0]) || !isDigit(payload[1]) || payload[2] < 0 ||
                    separatorIsMarker || !isDigit(payload[3]))
                    return fail(textf("%c needs a coordinate such as %c12.3", c, c));
                const int tenths =
                    (payload[0] - '0') * 100 + (payload[1] - '0') * 10 + (payload[3] - '0');
                (c == 'X' ? scan.xs : scan.ys).push_back(tenths);
                break;
            }
            case 'S': {
                const int digit = nextByte();
                if (digit != '0' && digit != '1') return fail("S needs 0 or 1");
                scan.markers.push_back({scan.segments, static_cast<char>(digit)});
                break;
            }
            case 'Z': {
                const int number = static_cast<int>(result.figures.size()) + 1;
                if (scan.xs.size() != static_cast<size_t>(scan.segments) ||
                    scan.ys.size() != static_cast<size_t>(scan.segments))
                    return fail(textf("figure %d has %d segments (L) but %zu X and %zu Y", number,
                                      scan.segments, scan.xs.size(), scan.ys.size()));
                if (scan.segments > kMaxSegments)
                    return fail(textf("figure %d has %d segments; the plotter holds %d", number,
                                      scan.segments, kMaxSegments));
                if (static_cast<int>(scan.markers.size()) > kMaxMarkers)
                    return fail(textf("figure %d has %zu laser markers; the plotter holds %d",
                                      number, scan.markers.size(), kMaxMarkers));
                if (scan.bytes > kMaxFigureBytes)
                    return fail(textf("figure %d is %d bytes long; the plotter holds %d", number,
                                      scan.bytes, kMaxFigureBytes));
                // The plotter's rule: before segment j, the next marker toggles the laser
                // if it was written before the j-th "L"; one marker per segment start.
                Figure figure;
                bool laser = false;
                size_t next = 0;
                for (int j = 0; j < scan.segments; ++j) {
                    if (next < scan.markers.size() && scan.markers[next].segment == j) {
                        laser = !laser;
                        if ((scan.markers[next].digit == '1') != laser)
                            result.warnings.push_back(textf(
                                "figure %d: S%c before segment %d turns the laser %s (each "
                                "marker toggles it)",
                                number, scan.markers[next].digit, j + 1, laser ? "on" : "off"));
                        ++next;
                    }
                    figure.push_back({scan.xs[j], scan.ys[j], laser});
                }
                if (next < scan.markers.size())
                    result.warnings.push_back(
                        textf("figure %d: %zu laser marker(s) from segment %d on never fire",
                              number, scan.markers.size() - next, scan.markers[next].segment + 1));
                result.figures.push_back(std::move(figure));
                scan = ScannedFigure{};
                inFigure = false;
                break;
            }
            default:
                return fail(textf("unexpected '%c' in a figure stream", c));
        }
    }
    if (inFigure) {
        line = scan.line;
        return fail("the last figure has no Z at its end");
    }
    return result;
}

}  // namespace plotter
