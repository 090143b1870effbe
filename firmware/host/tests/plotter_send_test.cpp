// plotter-send end to end against a fake plotter on a pseudo-terminal that
// answers as the firmware does, in its order and in real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "FakePlotter.h"

extern char** environ;

namespace {

// Three figures of about two seconds each.
const char* kJob =
    "LX01.0Y01.0\nS1\nLX13.0Y01.0\nZ\nLX13.0Y13.0\nZ\nS1\nLX01.0Y13.0\nLX01.0Y12.0\nZ\n";

struct SendRun {
    int exitCode = -1;
    std::string output;                    // plotter-send's stderr and stdout
    std::vector<fake::Received> received;  // what the plotter received
    long long alarmAtMs = -1;
};

std::string tempFile(const std::string& text) {
    char name[] = "/tmp/plotter_send_test_XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    return name;
}

long long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Runs plotter-send against the fake plotter on a pseudo-terminal, in real
// time. `whenSecondFigureArrives` (optional) is called once the plotter has
// received figure 2 (so plotter-send has seen "ok 1"), with plotter-send's
// process id.
SendRun runPlotterSend(const std::string& jobText, fake::Faults faults,
                       std::vector<std::string> extraArgs = {},
                       const std::function<void(pid_t)>& whenSecondFigureArrives = {}) {
    int master = -1, slave = -1;
    char slaveName[64];
    EXPECT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    SendRun run;
    const std::string job = tempFile(jobText);
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    std::vector<std::string> args = {PLOTTER_SEND, job, "--port", slaveName};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, master);
    pid_t child = 0;
    EXPECT_EQ(posix_spawn(&child, PLOTTER_SEND, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    // The fake plotter on the clock since the start: each line goes out when
    // it is due, bytes are taken as they come, until plotter-send has ended.
    std::atomic<bool> ended = false;
    fake::Plotter plotter(faults);
    std::thread line([&] {
        const auto start = std::chrono::steady_clock::now();
        bool called = false;
        while (!ended) {
            // Lines due together ("done 1", "ok 2") go out together, as the
            // firmware sends them within a millisecond.
            const long long now = millisecondsSince(start);
            std::string text;
            for (long long due; (due = plotter.nextLineMs()) >= 0 && due <= now;)
                text += plotter.takeLine() + "\r\n";
            if (!text.empty() && write(master, text.data(), text.size()) < 0) return;
            const long long due = plotter.nextLineMs();
            pollfd p{master, POLLIN, 0};
            const int wait = static_cast<int>(due < 0 ? 100 : std::clamp(due - now, 0LL, 100LL));
            if (poll(&p, 1, wait) <= 0) continue;
            char buffer[256];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) continue;
            plotter.receive(std::string(buffer, static_cast<size_t>(n)), millisecondsSince(start));
            if (!called && whenSecondFigureArrives && plotter.received().size() >= 2) {
                called = true;
                whenSecondFigureArrives(child);
            }
        }
    });
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, n);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ended = true;
    line.join();
    run.received = plotter.received();
    run.alarmAtMs = plotter.alarmAtMs();
    close(slave);
    close(master);
    close(out[0]);
    unlink(job.c_str());
    return run;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

fake::Faults quickHoming() {
    fake::Faults faults;
    faults.homingEndsMs = 300;
    return faults;
}

}  // namespace

TEST(PlotterSendTest, DrawsFiguresThatTakeLongerThanTheTimeoutOneAfterTheOther) {
    // Each figure takes about 2 s; the plotter can accept the next only when
    // the last is done, which the 1 s acceptance timeout must allow for.
    const SendRun run = runPlotterSend(kJob, quickHoming(), {"--timeout", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ASSERT_EQ(run.received.size(), 3u);
    EXPECT_EQ(run.received[0].bytes, "LX01.0Y01.0S1LX13.0Y01.0Z");
    EXPECT_EQ(run.received[1].bytes, "LX13.0Y13.0Z");
    EXPECT_EQ(run.received[2].bytes, "S1LX01.0Y13.0LX01.0Y12.0Z");
    for (const fake::Received& r : run.received) EXPECT_EQ(r.waiting, 1);
    EXPECT_TRUE(contains(run.output, "figure 3/3, 0:02 of about 0:07 left")) << run.output;
    // Not sooner than the plotter could draw them.
    std::smatch took;
    ASSERT_TRUE(std::regex_search(run.output, took, std::regex("3 figures drawn in 0:(\\d\\d)\n")))
        << run.output;
    EXPECT_GE(std::stoi(took[1]), 7);
}

TEST(PlotterSendTest, AlarmStopsBeforeAnythingMoreIsSent) {
    fake::Faults faults = quickHoming();
    faults.alarmDuring = 2;
    const SendRun run = runPlotterSend(kJob, faults);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.output,
                         "alarm: X limit while figure 2 of 3 was drawn; nothing more was sent. "
                         "The plotter refuses every figure until it is homed again: send it $H"))
        << run.output;
    ASSERT_GE(run.alarmAtMs, 0);
    for (const fake::Received& r : run.received) EXPECT_LT(r.atMs, run.alarmAtMs);
}

TEST(PlotterSendTest, CtrlCHoldsAndResetsThePlotter) {
    const SendRun run =
        runPlotterSend(kJob, quickHoming(), {}, [](pid_t child) { kill(child, SIGINT); });
    EXPECT_EQ(run.exitCode, 130) << run.output;
    ASSERT_GE(run.received.size(), 2u);
    EXPECT_EQ(run.received[run.received.size() - 2].bytes, "!");
    EXPECT_EQ(run.received.back().bytes, "\x18");
    EXPECT_TRUE(contains(run.output,
                         "stopped while figure 1 of 3 was drawn: sent feed hold (!) "
                         "and reset (Ctrl-X) to the plotter; it answered reset"))
        << run.output;
}

TEST(PlotterSendTest, RefusesABadFileBeforeSendingAnything) {
    const SendRun run = runPlotterSend("LX10.0Y10.0\nLX2", quickHoming());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.received.empty());
    EXPECT_TRUE(contains(run.output, "line 2: X needs a coordinate")) << run.output;
}
