// Streams figures to the plotter one at a time: the next figure goes once the
// plotter has accepted the last ("ok N"), so its receive buffer never holds
// more than one waiting figure; the job ends when every figure is "done N".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "PlotterLink.h"

namespace plotter {

struct SendOptions {
    int acceptTimeoutMs = 30000;     // homing comes first after power-up
    bool overwriteProgress = false;  // a terminal: one progress line, rewritten
};

// Returns 0 when every figure was drawn; otherwise prints why to `log` and
// returns 1 (refused, alarm, no reply, line closed).
int sendFigures(PlotterLink& link, const std::vector<std::string>& figures,
                const SendOptions& options, std::FILE* log);

}  // namespace plotter
