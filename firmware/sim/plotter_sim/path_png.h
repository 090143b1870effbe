// The carriage path as a PNG picture on a millimetre grid.
#pragma once

#include <string>

#include "sim/plotter_sim/plotter_run.h"

namespace plotter_sim {

// The part of the plane a picture shows, in coordinate units (millimetres):
// the path and the figures' points, 2 mm around them, edges on whole
// millimetres.
struct Frame {
    double left, bottom, right, top;
};
Frame picture_frame(const RunResult& result);

// PNG bytes of the path at `dpi`: laser-on stretches dark red, moves thin
// light blue, grid lines every millimetre (darker every ten). The top left
// pixel's corner is (frame.left, frame.top). Empty when libpng fails.
std::string path_png(const RunResult& result, int dpi);

}  // namespace plotter_sim
