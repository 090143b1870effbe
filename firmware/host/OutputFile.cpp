#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "Text.h"

namespace plotter {

std::string inputName(const std::string& path) { return path == "-" ? "standard input" : path; }

std::string outputName(const std::string& path) { return path == "-" ? "standard output" : path; }

std::string readInputFile(const std::string& path, std::string& text) {
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) return textf("cannot read %s: %s", path.c_str(), std::strerror(errno));
    }
    std::istream& in = path == "-" ? std::cin : file;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    if (in.bad()) return "cannot read " + inputName(path);
    return {};
}

std::string writeOutputFile(const std::string& path, const std::string& text) {
    if (path == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? std::string{} : "cannot write to stdout";
    }
    struct stat target {};
    if (stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode))
        return textf("%s is not a regular file", path.c_str());
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return textf("cannot write %s: %s", path.c_str(), std::strerror(errno));
    fchmod(
        fd, 0644 & ~[] {
            mode_t m = umask(0);
            umask(m);
            return m;
        }());
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const int error = written == text.size() && fsync(fd) == 0 ? 0 : errno;
    if (close(fd) != 0 || error != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(error ? error : errno);
        unlink(temporary.c_str());
        return textf("cannot write %s: %s", path.c_str(), reason.c_str());
    }
    return {};
}

}  // namespace plotter
