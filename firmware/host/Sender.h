// Streams figures to the plotter as its firmware takes them: the plotter
// parses and answers a figure ("ok N") only once the figure before it has been
// drawn ("done N-1"), so the next figure goes out on "ok N" and waits in the
// plotter's receive buffer while figure N is drawn. Each wait has a limit of
// its own: acceptance from the moment the plotter can accept, drawing from the
// figure's own length at the plotter's speed.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "FigureStream.h"
#include "PlotterLink.h"

namespace plotter {

// How fast the plotter draws: 1500 step events a unit, 10 000 step events a
// second along the path, laser on or off (a diagonal runs at the path speed of
// a single-axis move), after a half-second pause once a figure is parsed.
constexpr double kStepsPerUnit = 1500;
constexpr double kPathStepsPerSecond = 10000;
constexpr long long kParsePauseMs = 500;
// The longest homing takes after power-up: Y runs the whole travel to its
// switch, X backs off and both approach again slowly.
constexpr long long kHomingAllowanceMs = 40000;

// The time the plotter takes for `figure` from its "ok" to its "done", the
// carriage starting at `from`; `from` becomes the figure's end point.
long long drawingMs(const Figure& figure, Segment& from);

// How long to wait for "done" of a figure that takes `drawing` ms: the
// estimate, a quarter more and ten seconds for a plotter that is slower than
// its nominal rate.
long long drawingAllowanceMs(long long drawing);

// "M:SS", or "H:MM:SS" from an hour.
std::string clockText(long long ms);

// Milliseconds from any fixed start; tests drive their own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual long long nowMs() = 0;
};

class SteadyClock : public Clock {
public:
    long long nowMs() override;
};

struct SendOptions {
    int acceptTimeoutMs = 30000;              // from the moment the plotter can take the figure
    long long homingMs = kHomingAllowanceMs;  // before the first figure can be taken
    int pollMs = 200;                         // how often a stop request is looked at
    bool overwriteProgress = false;           // a terminal: one progress line, rewritten
    bool quiet = false;                       // failures only: no status or progress lines
    bool simulatedTime = false;  // the plotter runs faster than the clock: no time in progress
    std::function<bool()> stopRequested;  // Ctrl-C: hold, reset the plotter, stop
};

// Exit statuses of a send.
constexpr int kSendDone = 0;
constexpr int kSendFailed = 1;
constexpr int kSendInterrupted = 130;

// Returns kSendDone when every figure was drawn; otherwise prints why to `log`
// and returns kSendFailed (refused, alarm, no reply, reset, line closed) or
// kSendInterrupted (a stop request: the plotter got feed hold and reset).
int sendFigures(PlotterLink& link, const std::vector<Figure>& figures, const SendOptions& options,
                Clock& clock, std::FILE* log);

}  // namespace plotter
