// An SVG drawing read through QtSvg: every path, line, polyline, polygon,
// rect, circle and ellipse the renderer paints, with its transforms, in
// millimetres with y growing upwards from the page's lower left corner.
#pragma once

#include <QList>
#include <QPainterPath>
#include <QString>

#include "Toolpath.h"

namespace plotter {

struct SvgDrawing {
    QList<QPainterPath> paths;  // millimetres, y up
    QString error;              // empty on success
    QStringList warnings;
};

// Reads the drawing in `fileName`; "-" is stdin.
SvgDrawing readSvg(const QString& fileName);

Bounds svgBounds(const SvgDrawing& drawing);

// Each subpath drawn with the laser on, the moves between them with it off,
// placed and flattened to within `tolerance` in placed units.
Toolpath svgToolpath(const SvgDrawing& drawing, const Placement& placement, double tolerance);

}  // namespace plotter
