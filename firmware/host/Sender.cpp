#include "Sender.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "Text.h"

namespace plotter {

long long drawingMs(const Figure& figure, Segment& from) {
    double tenths = 0;
    for (const Segment& s : figure) {
        tenths += std::hypot(s.x - from.x, s.y - from.y);
        from = s;
    }
    const double steps = tenths / 10 * kStepsPerUnit;
    return kParsePauseMs + std::llround(steps / kPathStepsPerSecond * 1000);
}

long long drawingAllowanceMs(long long drawing) { return drawing + drawing / 4 + 10000; }

std::string clockText(long long ms) {
    const long long seconds = std::max(0LL, (ms + 500) / 1000);
    if (seconds >= 3600)
        return textf("%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return textf("%lld:%02lld", seconds / 60, seconds % 60);
}

long long SteadyClock::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

// The number of a reply "WORD N..." (ok 3, done 3, error 3: ...).
std::optional<long long> replyNumber(const std::string& line, size_t at) {
    const char* begin = line.c_str() + at;
    char* end = nullptr;
    if (at >= line.size() || *begin < '0' || *begin > '9') return std::nullopt;
    const long long n = std::strtoll(begin, &end, 10);
    if (*end != '\0' && *end != ':') return std::nullopt;
    return n;
}

class Job {
public:
    Job(PlotterLink& link, const std::vector<Figure>& figures, const SendOptions& options,
        Clock& clock, std::FILE* log)
        : link_(link), figures_(figures), options_(options), clock_(clock), log_(log) {
        Segment from;
        for (const Figure& figure : figures) {
            estimates_.push_back(drawingMs(figure, from));
            totalMs_ += estimates_.back();
        }
    }

    int run() {
        if (figures_.empty()) return fail("the file holds no figure");
        start_ = clock_.nowMs();
        if (!sendNext()) return kSendFailed;
        if (!options_.quiet) {
            std::fprintf(log_,
                         "%zu figure%s, about %s of drawing; waiting for the plotter to take the "
                         "first (it homes first after power-up)\n",
                         total(), total() == 1 ? "" : "s", clockText(totalMs_).c_str());
            std::fflush(log_);
        }
        while (drawn_ < total()) {
            const long long now = clock_.nowMs();
            const long long deadline = waitDeadline();
            bool closed = false;
            const std::optional<std::string> reply =
                link_.readLine(static_cast<int>(std::clamp(
                                   deadline - now, 0LL, static_cast<long long>(options_.pollMs))),
                               closed);
            if (options_.stopRequested && options_.stopRequested()) return interrupt();
            if (closed) return fail(textf("the plotter's line closed %s", doing().c_str()));
            if (!reply) {
                if (clock_.nowMs() >= deadline) return silence();
                if (options_.overwriteProgress && !options_.simulatedTime) progress(false);
                continue;
            }
            if (const int status = handle(*reply); status >= 0) return status;
        }
        if (std::string error = link_.finish(); !error.empty()) return fail(error);
        const std::optional<long long> simulated = link_.simulatedMs();
        const long long took = simulated ? *simulated : clock_.nowMs() - start_;
        if (!options_.quiet)
            std::fprintf(log_, "%s%zu figure%s drawn in %s%s\n",
                         options_.overwriteProgress ? "\n" : "", total(), total() == 1 ? "" : "s",
                         clockText(took).c_str(), simulated ? " of simulated time" : "");
        return kSendDone;
    }

private:
    size_t total() const { return figures_.size(); }

    // The figure the plotter is busy with (0-based): drawing it, or about to take it.
    size_t current() const { return std::min(drawn_, total() - 1); }

    // When the reply awaited now is overdue.
    long long waitDeadline() const {
        if (accepted_ > drawn_) {  // drawing a figure: its "done"
            long long allowance = drawingAllowanceMs(estimates_[drawn_]);
            if (drawn_ == 0) allowance += options_.homingMs;  // should it home after "ok 1"
            return acceptedAt_ + allowance;
        }
        // Nothing drawing: the plotter can take the figure sent last. The
        // first waits for homing after power-up.
        if (accepted_ == 0) return sentAt_ + options_.homingMs + options_.acceptTimeoutMs;
        return std::max(sentAt_, drawnAt_) + options_.acceptTimeoutMs;
    }

    std::string figureText(size_t index) const {
        return textf("figure %zu of %zu", index + 1, total());
    }

    // What the plotter was doing, for a failure message.
    std::string doing() const {
        if (accepted_ > drawn_) return "while " + figureText(drawn_) + " was drawn";
        if (accepted_ == 0) return "before the plotter accepted " + figureText(0);
        return textf("after %zu of %zu figures were drawn", drawn_, total());
    }

    bool sendNext() {
        if (sent_ == total()) return true;
        const std::string error = link_.send(formatFigures({figures_[sent_]}));
        if (!error.empty()) {
            fail(error);
            return false;
        }
        ++sent_;
        sentAt_ = clock_.nowMs();
        return true;
    }

    // Time left by the estimate: the rest of the figure being drawn and all after it.
    long long leftMs() const {
        long long left = 0;
        for (size_t f = drawn_; f < total(); ++f) left += estimates_[f];
        if (accepted_ > drawn_ && !options_.simulatedTime)
            left -= std::min(estimates_[drawn_], clock_.nowMs() - acceptedAt_);
        return left;
    }

    void progress(bool always) {
        const long long now = clock_.nowMs();
        if (options_.quiet || (!always && now - shownAt_ < 1000)) return;
        shownAt_ = now;
        std::fprintf(log_, "%sfigure %zu/%zu, %s of about %s left%s",
                     options_.overwriteProgress ? "\r" : "", current() + 1, total(),
                     clockText(leftMs()).c_str(), clockText(totalMs_).c_str(),
                     options_.overwriteProgress ? "\033[K" : "\n");
        std::fflush(log_);
    }

    int fail(const std::string& message) {
        std::fprintf(log_, "%splotter-send: %s\n", options_.overwriteProgress ? "\n" : "",
                     message.c_str());
        return kSendFailed;
    }

    int silence() {
        const long long now = clock_.nowMs();
        const std::string state = askState();
        if (accepted_ > drawn_) {
            const size_t f = drawn_;
            return fail(
                textf("no \"done\" for %s within %s (drawing it takes about %s): the "
                      "plotter stopped answering while it drew the figure; %s",
                      figureText(f).c_str(), clockText(now - acceptedAt_).c_str(),
                      clockText(estimates_[f]).c_str(), state.c_str()));
        }
        const long long waited = now - (accepted_ == 0 ? sentAt_ : std::max(sentAt_, drawnAt_));
        return fail(
            textf("no reply to %s within %s%s: is plotter_main running and the baud rate "
                  "right? %s",
                  figureText(accepted_).c_str(), clockText(waited).c_str(),
                  accepted_ == 0 ? " (homing included)"
                                 : textf(" of the end of figure %zu", accepted_).c_str(),
                  state.c_str()));
    }

    // The plotter's own word on what it does ("?": <Idle|Run|Hold|Alarm,x,y,queue>).
    std::string askState() {
        if (!link_.takesCommands() || !link_.send("?").empty()) return {};
        const long long until = clock_.nowMs() + 2000;
        for (long long now; (now = clock_.nowMs()) < until;) {
            bool closed = false;
            const auto line = link_.readLine(static_cast<int>(until - now), closed);
            if (closed) break;
            if (line && line->starts_with("<")) return "asked for its state, it answered " + *line;
        }
        return "it does not answer \"?\" either";
    }

    // Ctrl-C: feed hold stops the carriage at the end of its step with the
    // laser off, reset then drops the figure and everything queued.
    int interrupt() {
        if (!link_.takesCommands()) {
            fail(textf("stopped %s: the simulation ends here", doing().c_str()));
            return kSendInterrupted;
        }
        const std::string held = link_.send("!");
        const std::string reset = held.empty() ? link_.send("\x18") : held;
        std::string answer = "it did not confirm";
        if (!reset.empty()) {
            answer = reset;
        } else {
            const long long until = clock_.nowMs() + 2000;
            for (long long now; (now = clock_.nowMs()) < until;) {
                bool closed = false;
                const auto line = link_.readLine(static_cast<int>(until - now), closed);
                if (closed) break;
                if (line && *line == "reset") {
                    answer = "it answered reset";
                    break;
                }
            }
        }
        fail(textf("stopped %s: sent feed hold (!) and reset (Ctrl-X) to the plotter; %s",
                   doing().c_str(), answer.c_str()));
        return kSendInterrupted;
    }

    // A reply line; returns an exit status to stop with, or -1 to go on.
    int handle(const std::string& line) {
        if (line.starts_with("ok ")) {
            const std::optional<long long> n = replyNumber(line, 3);
            if (!n) return -1;
            if (accepted_ == sent_) return unexpected(line, "while no figure waited");
            if (!base_) base_ = *n - 1 - static_cast<long long>(accepted_);
            if (*n != *base_ + static_cast<long long>(accepted_) + 1)
                return unexpected(line, textf("where \"ok %lld\" was expected",
                                              *base_ + static_cast<long long>(accepted_) + 1));
            ++accepted_;
            acceptedAt_ = clock_.nowMs();
            if (!sendNext()) return kSendFailed;
            progress(true);
            return -1;
        }
        if (line.starts_with("done ")) {
            const std::optional<long long> n = replyNumber(line, 5);
            if (!n || !base_) return -1;  // an earlier job's figure ending
            const long long expected = *base_ + static_cast<long long>(drawn_) + 1;
            if (accepted_ == drawn_ || *n != expected)
                return unexpected(line, textf("where \"done %lld\" was expected", expected));
            ++drawn_;
            drawnAt_ = clock_.nowMs();
            return -1;
        }
        if (line.starts_with("error ")) {
            const size_t colon = line.find(": ");
            const std::string reason = colon == std::string::npos ? line : line.substr(colon + 2);
            return fail(
                textf("the plotter refused %s: %s", figureText(accepted_).c_str(), reason.c_str()));
        }
        if (line.starts_with("alarm: ")) {
            return fail(
                textf("alarm: %s %s; nothing more was sent. The plotter refuses every "
                      "figure until it is homed again: send it $H (or $X once the "
                      "carriage is clear of the switch)",
                      line.c_str() + 7, doing().c_str()));
        }
        if (line == "reset" || line.starts_with("plotter_main"))
            return fail(textf("the plotter was reset (\"%s\") %s; its queue is lost", line.c_str(),
                              doing().c_str()));
        return -1;  // a line that is no reply (a status report, noise)
    }

    int unexpected(const std::string& line, const std::string& why) {
        return fail(
            textf("the plotter answered \"%s\" %s %s: was it reset, or does another "
                  "program talk to it?",
                  line.c_str(), why.c_str(), doing().c_str()));
    }

    PlotterLink& link_;
    const std::vector<Figure>& figures_;
    const SendOptions& options_;
    Clock& clock_;
    std::FILE* log_;
    std::vector<long long> estimates_;
    long long totalMs_ = 0;
    size_t sent_ = 0, accepted_ = 0, drawn_ = 0;
    std::optional<long long> base_;  // the plotter's number of the figure before the first
    long long start_ = 0, sentAt_ = 0, acceptedAt_ = 0, drawnAt_ = 0, shownAt_ = 0;
};

}  // namespace

int sendFigures(PlotterLink& link, const std::vector<Figure>& figures, const SendOptions& options,
                Clock& clock, std::FILE* log) {
    return Job(link, figures, options, clock, log).run();
}

}  // namespace plotter
