// The line to the plotter: a serial port, a pseudo-terminal, or plotter-sim.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plotter {

class PlotterLink {
public:
    virtual ~PlotterLink() = default;
    // Returns an error message, or an empty string.
    virtual std::string send(std::string_view bytes) = 0;
    // The next reply line without its CR LF; nullopt when `timeoutMs` (< 0: no
    // limit) passes first. Sets `closed` when the other end has gone.
    virtual std::optional<std::string> readLine(int timeoutMs, bool& closed) = 0;
    // Called once every figure is drawn: waits for what the other end still
    // does. Returns an error message, or an empty string.
    virtual std::string finish() { return {}; }
    // After finish: how long the job took on a simulated plotter, whose time
    // is not the clock's.
    virtual std::optional<long long> simulatedMs() const { return std::nullopt; }
    // False when the other end takes no commands (plotter-sim runs a whole job).
    virtual bool takesCommands() const { return true; }
};

// A serial port at `baud`, 8N1, no flow control, through libserialport; a
// pseudo-terminal (/dev/pts/N, as socat or a test makes one) as it is set up.
std::unique_ptr<PlotterLink> openPort(const std::string& device, int baud, std::string& error);

// plotter-sim run as a child with the whole job `stream` on its standard input
// (`plotter-sim --report - OPTIONS...`, which sends each figure once the last
// has ended); its {"reply":"..."} lines are the plotter's replies.
std::unique_ptr<PlotterLink> startSimulator(const std::string& program, const std::string& stream,
                                            const std::vector<std::string>& options,
                                            std::string& error);

}  // namespace plotter
