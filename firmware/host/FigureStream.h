// The plotter's figure stream, written and read in one place.
//
// One line per segment, "L" then "X" and "Y" each with `tens units . tenths`
// (LX12.3Y04.5), "S1"/"S0" on a line of its own before the segment where the
// laser changes, "Z" at the end of each figure. The plotter starts every
// figure with the laser off, switches it at each marker and turns it off when
// the figure ends; each figure starts where the last one ended.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Toolpath.h"

namespace plotter {

// What one figure may hold: the firmware's point table, its laser-marker table
// and its receive buffer (bytes it stores, line ends excluded, "Z" included).
constexpr int kMaxSegments = 400;
constexpr int kMaxMarkers = 50;
constexpr int kMaxFigureBytes = 5000;

// The largest coordinate the stream can carry, in tenths.
constexpr int kMaxTenths = 999;

// Where the carriage can go after homing, in units from the origin: the
// travel the firmware draws, which keeps 1.0 unit off the X limit switch at
// 33.4; Y is bounded by the stream's two digits.
struct Travel {
    double width = 32.4;
    double height = 99.9;
};

// One segment to point (x, y), in tenths of a unit, laser on or off.
struct Segment {
    int x = 0, y = 0;
    bool laser = false;
    bool operator==(const Segment&) const = default;
};
using Figure = std::vector<Segment>;

struct FiguresResult {
    std::vector<Figure> figures;
    std::string error;                  // empty on success
    std::vector<std::string> warnings;  // one line each
};

// Rounds a placed, flattened toolpath to tenths, refuses it (saying by how
// much) if it leaves the travel, drops moves that round to nothing, and splits
// it into figures that fit the plotter's tables.
FiguresResult buildFigures(const Toolpath& placed, const Travel& travel);

// The stream text of figures; the bytes the plotter stores for one figure.
std::string formatFigures(const std::vector<Figure>& figures);
int storedBytes(const Figure& figure);

// Reads a stream as the plotter would draw it (the laser toggles at each
// marker), refusing what the plotter would not take: payloads that are not
// digits, points without a segment, figures beyond the tables, a missing "Z".
FiguresResult readFigures(std::string_view text);

}  // namespace plotter
