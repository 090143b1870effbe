#include "Toolpath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plotter {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// The sweep of an arc in radians, positive, a full turn when it ends where it starts.
double arcSweep(Point from, Point to, const Arc& arc) {
    const double a0 = std::atan2(from.y - arc.center.y, from.x - arc.center.x);
    const double a1 = std::atan2(to.y - arc.center.y, to.x - arc.center.x);
    double sweep = arc.clockwise ? a0 - a1 : a1 - a0;
    while (sweep <= 1e-12) sweep += kTwoPi;
    return sweep;
}

// Points along the arc from `from` to `to`, `to` included.
template <typename Emit>
void arcPoints(Point from, Point to, const Arc& arc, double tolerance, Emit emit) {
    const double radius = std::hypot(from.x - arc.center.x, from.y - arc.center.y);
    const double sweep = arcSweep(from, to, arc);
    int pieces = 1;
    if (radius > tolerance) {
        const double maxStep = 2 * std::acos(1 - tolerance / radius);
        pieces = std::max(1, static_cast<int>(std::ceil(sweep / maxStep)));
    }
    const double a0 = std::atan2(from.y - arc.center.y, from.x - arc.center.x);
    const double sense = arc.clockwise ? -1 : 1;
    for (int k = 1; k < pieces; ++k) {
        const double a = a0 + sense * sweep * k / pieces;
        emit(Point{arc.center.x + radius * std::cos(a), arc.center.y + radius * std::sin(a)});
    }
    emit(to);
}

}  // namespace

void Bounds::add(Point p) {
    if (empty) {
        minX = maxX = p.x;
        minY = maxY = p.y;
        empty = false;
        return;
    }
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
}

Bounds toolpathBounds(const Toolpath& path) {
    Bounds bounds;
    Point at;
    for (const Move& move : path) {
        bounds.add(move.to);
        if (move.arc) {
            // The arc's extreme points on each axis that lie within its sweep.
            const Arc& arc = *move.arc;
            const double radius = std::hypot(at.x - arc.center.x, at.y - arc.center.y);
            const double a0 = std::atan2(at.y - arc.center.y, at.x - arc.center.x);
            const double sweep = arcSweep(at, move.to, arc);
            for (int quarter = 0; quarter < 4; ++quarter) {
                const double a = quarter * std::numbers::pi / 2;
                double along = arc.clockwise ? a0 - a : a - a0;
                along = std::fmod(std::fmod(along, kTwoPi) + kTwoPi, kTwoPi);
                if (along <= sweep)
                    bounds.add(
                        {arc.center.x + radius * std::cos(a), arc.center.y + radius * std::sin(a)});
            }
        }
        at = move.to;
    }
    return bounds;
}

Placement fitPlacement(const Bounds& drawing, double width, double height, Point corner) {
    Placement placement;
    if (drawing.empty) return placement;
    const double sx = drawing.width() > 0 ? width / drawing.width() : INFINITY;
    const double sy = drawing.height() > 0 ? height / drawing.height() : INFINITY;
    placement.scale = std::isfinite(std::min(sx, sy)) ? std::min(sx, sy) : 1;
    placement.offset = {corner.x - drawing.minX * placement.scale,
                        corner.y - drawing.minY * placement.scale};
    return placement;
}

Toolpath placeAndFlatten(const Toolpath& path, const Placement& placement, double tolerance) {
    Toolpath out;
    Point at;  // unplaced
    for (const Move& move : path) {
        if (!move.arc) {
            out.push_back({placement.apply(move.to), move.laser, {}});
        } else {
            // A uniform scale keeps arcs arcs: flatten in placed units.
            const Arc placedArc{placement.apply(move.arc->center), move.arc->clockwise};
            arcPoints(placement.apply(at), placement.apply(move.to), placedArc, tolerance,
                      [&](Point p) {
                          out.push_back({p, move.laser, {}});
                      });
        }
        at = move.to;
    }
    return out;
}

}  // namespace plotter
