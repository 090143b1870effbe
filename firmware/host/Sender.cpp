#include "Sender.h"

#include <chrono>

#include "Text.h"

namespace plotter {

namespace {

std::string elapsed(std::chrono::steady_clock::time_point start) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    return textf("%lld:%02lld", static_cast<long long>(seconds / 60),
                 static_cast<long long>(seconds % 60));
}

}  // namespace

int sendFigures(PlotterLink& link, const std::vector<std::string>& figures,
                const SendOptions& options, std::FILE* log) {
    const auto start = std::chrono::steady_clock::now();
    const size_t total = figures.size();
    size_t sent = 0, accepted = 0, drawn = 0;
    auto progress = [&] {
        std::fprintf(log, "%sfigures sent %zu/%zu, drawn %zu/%zu, %s%s",
                     options.overwriteProgress ? "\r" : "", sent, total, drawn, total,
                     elapsed(start).c_str(), options.overwriteProgress ? "" : "\n");
        std::fflush(log);
    };
    auto fail = [&](const std::string& message) {
        std::fprintf(log, "%splotter-send: %s\n", options.overwriteProgress ? "\n" : "",
                     message.c_str());
        return 1;
    };
    auto sendNext = [&]() -> std::string {
        if (sent == total) return {};
        const std::string error = link.send(figures[sent]);
        if (error.empty()) ++sent;
        return error;
    };
    if (total == 0) return fail("the file holds no figure");
    if (std::string error = sendNext(); !error.empty()) return fail(error);
    progress();
    while (drawn < total) {
        bool closed = false;
        const bool waitingForAccept = accepted < sent;
        const std::optional<std::string> reply =
            link.readLine(waitingForAccept ? options.acceptTimeoutMs : -1, closed);
        if (closed)
            return fail(textf("the plotter's line closed after %zu of %zu figures were drawn",
                              drawn, total));
        if (!reply)
            return fail(
                textf("no reply to figure %zu within %d s: is plotter_main running and "
                      "the baud rate right?",
                      accepted + 1, options.acceptTimeoutMs / 1000));
        const std::string& line = *reply;
        if (line.starts_with("ok ")) {
            ++accepted;
            if (std::string error = sendNext(); !error.empty()) return fail(error);
        } else if (line.starts_with("done ")) {
            ++drawn;
        } else if (line.starts_with("error ")) {
            const size_t colon = line.find(": ");
            return fail(
                textf("the plotter refused figure %zu of %zu: %s", accepted + 1, total,
                      colon == std::string::npos ? line.c_str() : line.c_str() + colon + 2));
        } else if (line.starts_with("alarm: ")) {
            return fail(textf("alarm while figure %zu of %zu was drawn: %s", drawn + 1, total,
                              line.c_str() + 7));
        } else {
            continue;  // a line that is no reply (a banner, noise)
        }
        progress();
    }
    if (std::string error = link.finish(); !error.empty()) return fail(error);
    std::fprintf(log, "%s%zu figure(s) drawn in %s\n", options.overwriteProgress ? "\n" : "", total,
                 elapsed(start).c_str());
    return 0;
}

}  // namespace plotter
