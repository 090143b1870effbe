// plotter-send end to end against a fake plotter on a pseudo-terminal that
// answers as the firmware does: "ok N", "done N", "error N: ...", "alarm: ...".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const char* kJob = "LX10.0Y10.0\nS1\nLX20.0Y10.0\nZ\nLX20.0Y20.0\nZ\nS1\nLX10.0Y20.0\nZ\n";
const std::vector<std::string> kFigures = {"LX10.0Y10.0\nS1\nLX20.0Y10.0\nZ\n", "LX20.0Y20.0\nZ\n",
                                           "S1\nLX10.0Y20.0\nZ\n"};

// Replies of the fake plotter to the figure it has just received (1, 2, ...).
using Script = std::function<std::string(int figure)>;

struct SendRun {
    int exitCode = -1;
    std::string output;                // plotter-send's stderr and stdout
    std::vector<std::string> figures;  // what the plotter received, figure by figure
};

std::string tempFile(const std::string& text) {
    char name[] = "/tmp/plotter_send_test_XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    return name;
}

SendRun runPlotterSend(const std::string& jobText, const Script& script,
                       std::vector<std::string> extraArgs = {}) {
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

    // The fake plotter: collects bytes up to each "Z" and answers per the script.
    std::thread plotter([&] {
        std::string current;
        char c;
        for (;;) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0 || read(master, &c, 1) != 1) return;
            current += c;
            if (c != 'Z') continue;
            if (read(master, &c, 1) == 1) current += c;  // the line end after Z
            run.figures.push_back(current);
            current.clear();
            const std::string reply = script(static_cast<int>(run.figures.size()));
            if (write(master, reply.data(), reply.size()) < 0) return;
        }
    });
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, n);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    close(slave);  // the fake plotter reads what is left, then the line reads as closed
    plotter.join();
    close(master);
    close(out[0]);
    unlink(job.c_str());
    return run;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(PlotterSendTest, SendsEachFigureAfterTheLastWasAcceptedAndWaitsUntilAllAreDrawn) {
    const SendRun run = runPlotterSend(kJob, [](int n) {
        return (n == 1 ? "plotter_main ready\r\n" : "") + std::string("ok ") + std::to_string(n) +
               "\r\ndone " + std::to_string(n) + "\r\n";
    });
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.figures, kFigures);
    EXPECT_TRUE(contains(run.output, "figures sent 3/3, drawn 3/3")) << run.output;
    EXPECT_TRUE(contains(run.output, "3 figure(s) drawn in 0:0")) << run.output;
}

TEST(PlotterSendTest, StopsWithThePlottersReason) {
    const struct {
        Script script;
        size_t figuresSent;
        const char* message;
    } cases[] = {
        {[](int n) {
             return n == 2 ? std::string("error 2: X beyond the travel\r\n")
                           : "ok " + std::to_string(n) + "\r\ndone " + std::to_string(n) + "\r\n";
         },
         2, "the plotter refused figure 2 of 3: X beyond the travel"},
        // Figure 2 goes out on "ok 1", before the alarm arrives.
        {[](int n) { return n == 1 ? "ok 1\r\nalarm: Y limit\r\n" : std::string(); }, 2,
         "alarm while figure 1 of 3 was drawn: Y limit"},
    };
    for (const auto& c : cases) {
        const SendRun run = runPlotterSend(kJob, c.script);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.figures.size(), c.figuresSent);
        EXPECT_TRUE(contains(run.output, c.message)) << run.output;
    }
}

TEST(PlotterSendTest, GivesUpWhenThePlotterDoesNotAnswer) {
    const SendRun run =
        runPlotterSend(kJob, [](int) { return std::string(); }, {"--timeout", "0.3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.figures.size(), 1u);
    EXPECT_TRUE(contains(run.output, "no reply to figure 1")) << run.output;
}

TEST(PlotterSendTest, RefusesABadFileBeforeSendingAnything) {
    const SendRun run = runPlotterSend("LX10.0Y10.0\nLX2", [](int) { return std::string(); });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.figures.empty());
    EXPECT_TRUE(contains(run.output, "line 2: X needs a coordinate")) << run.output;
}
