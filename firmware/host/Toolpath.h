// A drawing as the laser would follow it: moves from the machine origin, each
// with the laser on or off, in plotter units (one unit is one millimetre).
#pragma once

#include <optional>
#include <vector>

namespace plotter {

struct Point {
    double x = 0, y = 0;
};

// A circular arc from the previous move's end to `to` around `center`.
struct Arc {
    Point center;
    bool clockwise = false;
};

struct Move {
    Point to;
    bool laser = false;
    std::optional<Arc> arc;
};

using Toolpath = std::vector<Move>;  // starts at (0, 0)

struct Bounds {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool empty = true;
    void add(Point p);
    double width() const { return maxX - minX; }
    double height() const { return maxY - minY; }
};

// Where the drawing goes: p * scale + offset.
struct Placement {
    double scale = 1;
    Point offset;
    Point apply(Point p) const { return {p.x * scale + offset.x, p.y * scale + offset.y}; }
};

// The smallest box holding every move, arcs included (the start at the
// origin is not part of the drawing).
Bounds toolpathBounds(const Toolpath& path);

// The placement that scales `drawing` uniformly into a width x height box
// whose lower left corner is `corner`.
Placement fitPlacement(const Bounds& drawing, double width, double height, Point corner);

// Places every move and replaces arcs by chords that stay within `tolerance`
// of the arc (in placed units).
Toolpath placeAndFlatten(const Toolpath& path, const Placement& placement, double tolerance);

}  // namespace plotter
