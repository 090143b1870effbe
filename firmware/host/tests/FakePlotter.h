// A plotter as plotter_main behaves on the serial line, in its order and
// timing, driven by whatever clock the test gives it (milliseconds):
// - bytes go into a receive ring; each "Z" queues a figure;
// - homing ends at `homingEndsMs`; then the oldest queued figure is parsed
//   and answered "ok N" once the figure before has ended, its drawing starts
//   after a half-second pause and "done N" follows when the carriage has run
//   the figure at the firmware's step rates;
// - after an alarm every figure is refused until "$H"; "!" holds, Ctrl-X
//   clears everything and answers "reset"; "?" gets its state (positions
//   and queue are not modelled).
// Faults a test asks for: silence from some figure on, a reset or an alarm
// half way through a figure.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace fake {

struct Faults {
    int silentFrom = 0;   // the plotter stops answering after "ok N" of this figure
    int resetDuring = 0;  // ... resets half way through this figure ("reset")
    int alarmDuring = 0;  // ... hits the X switch half way through this figure
    int firstNumber = 1;  // the number of the first figure (earlier jobs drew the rest)
    long long homingEndsMs = 20000;
    double slowdown = 1;  // a plotter stepping slower than the firmware's rate
};

struct Received {
    std::string bytes;  // a figure up to its "Z", or a command byte
    long long atMs;
    int waiting;  // figures received and not yet parsed, this one included
};

class Plotter {
public:
    explicit Plotter(Faults faults)
        : faults_(faults), number_(faults.firstNumber - 1), dead_(faults.silentFrom < 0) {}

    // Bytes from the sender at `now`.
    void receive(const std::string& bytes, long long now) {
        for (const char c : bytes) {
            if (c == '!' || c == '~' || c == '\x18' || c == '?') {
                received_.push_back({std::string(1, c), now, static_cast<int>(queue_.size())});
                if (c == '?' && !dead_)
                    add(now + 1, alarmAtMs_ >= 0 && now >= alarmAtMs_ ? "<Alarm,0,0,0>"
                                 : now < freeAtMs_                    ? "<Run,0,0,0>"
                                                                      : "<Idle,0,0,0>");
                if (c == '\x18') {  // stop at once: nothing queued, nothing pending
                    queue_.clear();
                    pending_.clear();
                    freeAtMs_ = now;
                    dead_ = false;
                    add(now + 1, "reset");
                }
                continue;
            }
            if (c == '\r' || c == '\n') continue;
            current_ += c;
            if (c != 'Z') continue;
            queue_.push_back({current_, now});
            const auto unparsed = std::count_if(parsedAtMs_.begin(), parsedAtMs_.end(),
                                                [&](long long at) { return at > now; });
            received_.push_back({current_, now, static_cast<int>(queue_.size() + unparsed)});
            current_.clear();
        }
        schedule();
    }

    // The time of the next line the plotter sends, or -1 when none is due.
    long long nextLineMs() const { return pending_.empty() ? -1 : pending_.front().atMs; }
    std::string takeLine() {
        std::string line = pending_.front().text;
        pending_.pop_front();
        return line;
    }

    const std::vector<Received>& received() const { return received_; }
    // When the alarm was raised (-1: none).
    long long alarmAtMs() const { return alarmAtMs_; }
    // When each figure's "ok" was sent.
    const std::vector<long long>& acceptedAtMs() const { return acceptedAtMs_; }

    // How long the firmware's carriage takes for a figure from (x, y) in
    // tenths: per segment each axis steps at its own period (1 us ticks,
    // 100 for a single-axis move, the diagonal's share for each axis), and
    // the next segment starts once both axes are there.
    static long long drawingMs(const std::string& figure, int& x, int& y) {
        double micros = 0;
        for (size_t at = figure.find('L'); at != std::string::npos; at = figure.find('L', at + 1)) {
            const int nx = tenths(figure, figure.find('X', at));
            const int ny = tenths(figure, figure.find('Y', at));
            const long long sx = std::llabs(goal(nx) - goal(x)),
                            sy = std::llabs(goal(ny) - goal(y));
            if (sx == 0 || sy == 0) {
                micros += 100.0 * static_cast<double>(sx + sy);
            } else {
                const double d = std::sqrt(static_cast<double>(sx * sx + sy * sy));
                const auto period = [&](long long s) {
                    return std::trunc(d / static_cast<double>(s) * 100 - 1) + 1;
                };
                micros += std::max(static_cast<double>(sx) * period(sx),
                                   static_cast<double>(sy) * period(sy));
            }
            x = nx;
            y = ny;
        }
        return std::llround(micros / 1000);
    }

private:
    struct Line {
        long long atMs;
        std::string text;
    };
    struct Queued {
        std::string figure;
        long long atMs;
    };

    static int tenths(const std::string& f, size_t at) {
        return (f[at + 1] - '0') * 100 + (f[at + 2] - '0') * 10 + (f[at + 4] - '0');
    }
    static long long goal(int tenths) { return static_cast<long long>(tenths) * 150; }

    void add(long long at, std::string text) {
        auto place = std::upper_bound(pending_.begin(), pending_.end(), at,
                                      [](long long t, const Line& l) { return t < l.atMs; });
        pending_.insert(place, {at, std::move(text)});
    }

    // Parses queued figures in order, each once the one before has ended.
    void schedule() {
        while (!queue_.empty() && !dead_) {
            const Queued next = queue_.front();
            queue_.pop_front();
            const long long at = std::max({freeAtMs_, faults_.homingEndsMs, next.atMs});
            if (alarmAtMs_ >= 0 && next.atMs < alarmAtMs_) continue;  // cleared by the alarm
            const int n = ++number_;
            const int index = n - faults_.firstNumber + 1;  // of this job, from 1
            parsedAtMs_.push_back(at);
            if (alarmAtMs_ >= 0) {
                add(at, "error " + std::to_string(n) + ": alarm active: send $H to re-home");
                freeAtMs_ = at;
                continue;
            }
            add(at, "ok " + std::to_string(n));
            acceptedAtMs_.push_back(at);
            const auto drawing = std::llround(static_cast<double>(drawingMs(next.figure, x_, y_)) *
                                              faults_.slowdown);
            if (index == faults_.silentFrom) {
                dead_ = true;
            } else if (index == faults_.resetDuring) {
                add(at + 500 + drawing / 2, "reset");
                dead_ = true;
            } else if (index == faults_.alarmDuring) {
                alarmAtMs_ = at + 500 + drawing / 2;
                add(alarmAtMs_, "alarm: X limit");
                queue_.clear();  // what waited is dropped with the ring
                freeAtMs_ = alarmAtMs_;
            } else {
                freeAtMs_ = at + 500 + drawing;
                add(freeAtMs_, "done " + std::to_string(n));
            }
        }
    }

    Faults faults_;
    int number_;
    std::string current_;
    std::deque<Queued> queue_;
    std::deque<Line> pending_;
    std::vector<Received> received_;
    std::vector<long long> acceptedAtMs_, parsedAtMs_;
    long long freeAtMs_ = 0, alarmAtMs_ = -1;
    int x_ = 0, y_ = 0;
    bool dead_ = false;
};

}  // namespace fake
