// The sender against a fake plotter with the firmware's order and timing, on
// a simulated clock: a job of minutes runs in milliseconds, and no wait
// depends on how busy the machine is.
#include "Sender.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "FakePlotter.h"
#include "FigureStream.h"

namespace {

using plotter::Figure;
using plotter::Segment;

// The fake plotter on the line, its clock the time of the test.
class FakeLink : public plotter::PlotterLink, public plotter::Clock {
public:
    explicit FakeLink(fake::Faults faults) : plotter_(faults) {}
    std::string send(std::string_view bytes) override {
        plotter_.receive(std::string(bytes), now_);
        return {};
    }
    std::optional<std::string> readLine(int timeoutMs, bool&) override {
        const long long due = plotter_.nextLineMs();
        if (due >= 0 && due <= now_ + timeoutMs) {
            now_ = std::max(now_, due);
            return plotter_.takeLine();
        }
        now_ += timeoutMs;
        return std::nullopt;
    }
    long long nowMs() override { return now_; }
    const fake::Plotter& plotter() const { return plotter_; }

private:
    fake::Plotter plotter_;
    long long now_ = 0;
};

struct Outcome {
    int status = -1;
    std::string log;
    long long endedMs = 0;
};

Outcome send(FakeLink& link, const std::vector<Figure>& figures, std::function<bool()> stop = {}) {
    plotter::SendOptions options;
    options.stopRequested = std::move(stop);
    char* text = nullptr;
    size_t size = 0;
    std::FILE* log = open_memstream(&text, &size);
    Outcome outcome;
    outcome.status = plotter::sendFigures(link, figures, options, link, log);
    std::fclose(log);
    outcome.log.assign(text, size);
    std::free(text);
    outcome.endedMs = link.nowMs();
    return outcome;
}

// A zigzag across the X travel and up by a unit at each turn, about 40 s.
Figure zigzag() {
    Figure figure{{10, 10, false}};
    for (int turn = 1; turn <= 9; ++turn)
        figure.push_back({turn % 2 ? 310 : 10, 10 + 10 * turn, true});
    return figure;
}

const std::vector<Figure> kLongJob = {zigzag(), zigzag(), zigzag()};

TEST(SenderTest, DrawsAJobOfFiguresThatTakeLongerThanTheAcceptanceTimeout) {
    int x = 0, y = 0;
    const long long first = fake::Plotter::drawingMs(plotter::formatFigures({zigzag()}), x, y);
    ASSERT_GT(first, 40000);  // each figure outlasts the 30 s acceptance timeout

    fake::Faults faults;
    faults.firstNumber = 5;  // the plotter drew four figures of an earlier job
    FakeLink link(faults);
    const Outcome run = send(link, kLongJob);
    ASSERT_EQ(run.status, plotter::kSendDone) << run.log;

    // Every figure arrived whole, and the next only once the last was accepted:
    // the plotter never held more than one figure it had not parsed.
    const auto& received = link.plotter().received();
    ASSERT_EQ(received.size(), 3u);
    const auto& accepted = link.plotter().acceptedAtMs();
    ASSERT_EQ(accepted.size(), 3u);
    for (size_t f = 0; f < 3; ++f) {
        std::string stored = plotter::formatFigures({kLongJob[f]});  // line ends are not stored
        std::erase(stored, '\n');
        EXPECT_EQ(received[f].bytes, stored);
        EXPECT_EQ(received[f].waiting, 1);
        if (f > 0) {
            EXPECT_GE(received[f].atMs, accepted[f - 1]);
        }
    }
    // Done as soon as the plotter is: homing, then three figures back to back.
    long long plotterEnds = 20000;
    x = y = 0;
    for (const Figure& f : kLongJob)
        plotterEnds += 500 + fake::Plotter::drawingMs(plotter::formatFigures({f}), x, y);
    EXPECT_EQ(run.endedMs, plotterEnds);
    EXPECT_TRUE(std::regex_search(run.log, std::regex("figure 1/3, 2:1\\d of about 2:1\\d left")))
        << run.log;
    EXPECT_TRUE(std::regex_search(run.log, std::regex("figure 3/3, 0:4\\d of about 2:1\\d left")))
        << run.log;
    EXPECT_TRUE(std::regex_search(run.log, std::regex("\n3 figures drawn in 2:3\\d\n$")))
        << run.log;
}

TEST(SenderTest, StopsWithWhatThePlotterWasDoing) {
    struct Case {
        const char* name;
        fake::Faults faults;
        int status;
        const char* message;
        long long latestMs;  // when the sender must have given up at the latest
    };
    fake::Faults silentFromStart, silentWhileDrawing2, slower, resetDuring2, alarmDuring2;
    silentFromStart.silentFrom = -1;
    silentWhileDrawing2.silentFrom = 2;
    slower.slowdown = 2;
    resetDuring2.resetDuring = 2;
    alarmDuring2.alarmDuring = 2;
    const Case cases[] = {
        {"plotter not running", silentFromStart, plotter::kSendFailed,
         "no reply to figure 1 of 3 within 1:10 (homing included): is plotter_main running and "
         "the baud rate right? it does not answer \"?\" either",
         73000},
        {"silent while drawing", silentWhileDrawing2, plotter::kSendFailed,
         "no \"done\" for figure 2 of 3 within 1:07 (drawing it takes about 0:46): the plotter "
         "stopped answering while it drew the figure; it does not answer \"?\" either",
         132000},
        // Figure 1 still fits its allowance (homing's comes on top), figure 2 does not.
        {"twice as slow", slower, plotter::kSendFailed,
         "no \"done\" for figure 2 of 3 within 1:07 (drawing it takes about 0:46): the plotter "
         "stopped answering while it drew the figure; asked for its state, it answered <Run,",
         20000 + 2 * 42000 + 70000},
        {"reset while drawing", resetDuring2, plotter::kSendFailed,
         "the plotter was reset (\"reset\") while figure 2 of 3 was drawn", 86000},
        {"alarm while drawing", alarmDuring2, plotter::kSendFailed,
         "alarm: X limit while figure 2 of 3 was drawn; nothing more was sent", 86000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLink link(c.faults);
        const Outcome run = send(link, kLongJob);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.log.find(c.message), std::string::npos) << run.log;
        EXPECT_LE(run.endedMs, c.latestMs);
        // Nothing goes out after an alarm: the figure waiting was dropped
        // with the plotter's queue, and a figure now would be refused.
        const long long alarm = link.plotter().alarmAtMs();
        if (alarm >= 0) {
            EXPECT_NE(run.log.find("send it $H"), std::string::npos) << run.log;
            for (const auto& r : link.plotter().received()) EXPECT_LT(r.atMs, alarm);
        }
    }
}

TEST(SenderTest, StopRequestHoldsAndResetsThePlotter) {
    FakeLink link(fake::Faults{});
    const Outcome run = send(link, kLongJob, [&] { return link.nowMs() >= 80000; });
    EXPECT_EQ(run.status, plotter::kSendInterrupted);
    const auto& received = link.plotter().received();
    ASSERT_EQ(received.size(), 5u);  // the three figures, then the two commands
    EXPECT_EQ(received[3].bytes, "!");
    EXPECT_EQ(received[4].bytes, "\x18");
    EXPECT_LT(received[4].atMs, 80000 + 1000);
    EXPECT_NE(run.log.find("stopped while figure 2 of 3 was drawn: sent feed hold (!) and reset "
                           "(Ctrl-X) to the plotter; it answered reset"),
              std::string::npos)
        << run.log;
}

TEST(SenderTest, RefusedFigureStopsWithThePlottersReason) {
    // The plotter still locked by an alarm before this job.
    fake::Faults faults;
    faults.alarmDuring = 1;
    FakeLink link(faults);
    link.send("LX01.0Y01.0\nZ\n");  // an earlier job's figure hits the switch
    while (link.plotter().alarmAtMs() < 0 || link.nowMs() < link.plotter().alarmAtMs()) {
        bool closed = false;
        link.readLine(1000, closed);
    }
    const Outcome run = send(link, kLongJob);
    EXPECT_EQ(run.status, plotter::kSendFailed);
    EXPECT_NE(run.log.find("the plotter refused figure 1 of 3: alarm active: send $H to re-home"),
              std::string::npos)
        << run.log;
    EXPECT_EQ(link.plotter().received().size(), 2u);
}

}  // namespace
