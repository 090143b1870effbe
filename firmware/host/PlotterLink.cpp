#include "PlotterLink.h"

#include <fcntl.h>
#include <libserialport.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "Text.h"

extern char** environ;

namespace plotter {

namespace {

// Splits what arrives into lines; the links only say how bytes arrive.
class LineLink : public PlotterLink {
public:
    std::optional<std::string> readLine(int timeoutMs, bool& closed) override {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t eol = pending_.find('\n');
            if (eol != std::string::npos) {
                std::string line = pending_.substr(0, eol);
                pending_.erase(0, eol + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return line;
            }
            // Once the time is up, what has already arrived is still read.
            int wait = -1;
            if (timeoutMs >= 0)
                wait = std::max(
                    0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count()));
            char buffer[256];
            const int n = receive(buffer, sizeof buffer, wait);
            if (n < 0) {
                closed = true;
                return std::nullopt;
            }
            if (n == 0 && wait == 0) return std::nullopt;
            pending_.append(buffer, static_cast<size_t>(n));
        }
    }

protected:
    // Up to `size` bytes within `timeoutMs` (< 0: no limit); 0 on time-out, < 0 when closed.
    virtual int receive(char* buffer, size_t size, int timeoutMs) = 0;

private:
    std::string pending_;
};

// Waits for bytes on a descriptor; the end of the other side reads as closed.
int receiveFrom(int fd, char* buffer, size_t size, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int ready;
    while ((ready = poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    if (ready == 0) return 0;
    const ssize_t n = read(fd, buffer, size);
    return n > 0 ? static_cast<int>(n) : -1;
}

class SerialLink : public LineLink {
public:
    explicit SerialLink(sp_port* port) : port_(port) {}
    ~SerialLink() override {
        sp_close(port_);
        sp_free_port(port_);
    }
    std::string send(std::string_view bytes) override {
        const int n = sp_blocking_write(port_, bytes.data(), bytes.size(), 0);
        if (n != static_cast<int>(bytes.size()))
            return textf("cannot write to %s: %s", sp_get_port_name(port_),
                         sp_last_error_message());
        return {};
    }

protected:
    int receive(char* buffer, size_t size, int timeoutMs) override {
        // libserialport takes a time-out of 0 as none at all.
        const int n = timeoutMs == 0 ? sp_nonblocking_read(port_, buffer, size)
                                     : sp_blocking_read_next(
                                           port_, buffer, size,
                                           timeoutMs < 0 ? 0 : static_cast<unsigned>(timeoutMs));
        return n < 0 ? -1 : n;
    }

private:
    sp_port* port_;
};

class FdLink : public LineLink {
public:
    explicit FdLink(int fd) : fd_(fd) {}
    ~FdLink() override { close(fd_); }
    std::string send(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return textf("cannot write to the plotter: %s", std::strerror(errno));
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return {};
    }

protected:
    int receive(char* buffer, size_t size, int timeoutMs) override {
        return receiveFrom(fd_, buffer, size, timeoutMs);
    }

private:
    int fd_;
};

class SimulatorLink : public LineLink {
public:
    SimulatorLink(pid_t child, int output) : child_(child), output_(output) {}
    ~SimulatorLink() override {
        close(output_);
        if (child_ > 0) {
            kill(child_, SIGTERM);
            waitpid(child_, nullptr, 0);
        }
    }
    std::string send(std::string_view) override { return {}; }  // it has the whole job

    // The simulator still writes its summary and pictures: read to the end
    // (the summary gives the simulated time), then its status.
    std::string finish() override {
        static constexpr std::string_view kSimMs = "\"sim_ms\":";
        for (bool closed = false; !closed;) {
            const std::optional<std::string> line = LineLink::readLine(-1, closed);
            if (!line) continue;
            if (const size_t at = line->find(kSimMs); at != std::string::npos)
                simulatedMs_ = std::atoll(line->c_str() + at + kSimMs.size());
        }
        int status = 0;
        while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
        child_ = 0;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
        return "plotter-sim failed after the job was drawn";
    }
    std::optional<long long> simulatedMs() const override { return simulatedMs_; }
    bool takesCommands() const override { return false; }

    std::optional<std::string> readLine(int timeoutMs, bool& closed) override {
        // Only the reply lines of the report: {"reply":"ok 1"}.
        static constexpr std::string_view kReply = "{\"reply\":\"";
        for (;;) {
            std::optional<std::string> line = LineLink::readLine(timeoutMs, closed);
            if (!line) return line;
            if (line->starts_with(kReply) && line->ends_with("\"}"))
                return line->substr(kReply.size(), line->size() - kReply.size() - 2);
        }
    }

protected:
    int receive(char* buffer, size_t size, int timeoutMs) override {
        return receiveFrom(output_, buffer, size, timeoutMs);
    }

private:
    pid_t child_;
    int output_;
    std::optional<long long> simulatedMs_;
};

}  // namespace

std::unique_ptr<PlotterLink> openPort(const std::string& device, int baud, std::string& error) {
    char resolved[PATH_MAX];
    if (realpath(device.c_str(), resolved) && std::strncmp(resolved, "/dev/pts/", 9) == 0) {
        // libserialport takes real ports only; a pseudo-terminal has no line settings.
        const int fd = open(resolved, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = textf("cannot open %s: %s", device.c_str(), std::strerror(errno));
            return nullptr;
        }
        return std::make_unique<FdLink>(fd);
    }
    sp_port* port = nullptr;
    if (sp_get_port_by_name(device.c_str(), &port) != SP_OK) {
        error = textf("%s is not a serial port", device.c_str());
        return nullptr;
    }
    if (sp_open(port, SP_MODE_READ_WRITE) != SP_OK || sp_set_baudrate(port, baud) != SP_OK ||
        sp_set_bits(port, 8) != SP_OK || sp_set_parity(port, SP_PARITY_NONE) != SP_OK ||
        sp_set_stopbits(port, 1) != SP_OK ||
        sp_set_flowcontrol(port, SP_FLOWCONTROL_NONE) != SP_OK) {
        char* message = sp_last_error_message();
        error = textf("cannot open %s at %d baud: %s", device.c_str(), baud, message);
        sp_free_error_message(message);
        sp_close(port);
        sp_free_port(port);
        return nullptr;
    }
    return std::make_unique<SerialLink>(port);
}

namespace {

// The job in an unnamed file in memory, read from its start: the child reads it
// as its standard input whatever its size, and nothing waits on a pipe.
int jobInMemory(const std::string& stream) {
    const int fd = memfd_create("plotter-job", MFD_CLOEXEC);
    if (fd < 0) return -1;
    size_t written = 0;
    while (written < stream.size()) {
        const ssize_t n = write(fd, stream.data() + written, stream.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    if (written != stream.size() || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::unique_ptr<PlotterLink> startSimulator(const std::string& program, const std::string& stream,
                                            const std::vector<std::string>& options,
                                            std::string& error) {
    const int job = jobInMemory(stream);
    int pipeFds[2];
    if (job < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = textf("cannot start %s: %s", program.c_str(), std::strerror(errno));
        if (job >= 0) close(job);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, job, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<const char*> argv = {program.c_str(), "--report", "-"};
    for (const std::string& option : options) argv.push_back(option.c_str());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int result = posix_spawnp(&child, program.c_str(), &actions, nullptr,
                                    const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(job);
    close(pipeFds[1]);
    if (result != 0) {
        close(pipeFds[0]);
        error = textf("cannot start %s: %s", program.c_str(), std::strerror(result));
        return nullptr;
    }
    return std::make_unique<SimulatorLink>(child, pipeFds[0]);
}

}  // namespace plotter
