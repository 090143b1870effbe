// G-code as laser tool-chains write it, in and out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "FigureStream.h"
#include "Toolpath.h"

namespace plotter {

struct GcodeResult {
    Toolpath path;                      // millimetres, arcs kept as arcs
    std::vector<std::string> warnings;  // one per kind of thing ignored
    std::string error;                  // empty on success
};

// Reads G0/G1/G2/G3 (arcs by I J or R), G90/G91, G20/G21, G17, M3/M4 laser
// on, M5 off, S0 as off, M2/M30 as the end; comments ";" and "( )", line
// numbers and checksums. G0 never burns, as in a laser controller's laser mode.
GcodeResult readGcode(std::string_view text);

// The figures as G-code that readGcode turns back into the same points:
// millimetres, absolute, G0 with the laser off and G1 with it on.
std::string writeGcode(const std::vector<Figure>& figures);

}  // namespace plotter
