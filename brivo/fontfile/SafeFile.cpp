#include "fontfile/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "safefile/SafeFile.h"

namespace {

std::string Reason(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

}  // namespace

Result ReplaceFileContents(const std::string& path, std::string_view contents) {
    return Result{safefile::WriteWholeFile(path, contents)};
}

Result ReadWholeFile(const std::string& path, std::string& contents) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return Result::Failure("cannot open " + path + ": it is a folder");
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Result::Failure(Reason("cannot open", path, errno));
    std::string data;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size > 0)
        data.reserve(static_cast<std::size_t>(info.st_size));
    // Read until the end rather than trusting the size: files in /proc report 0.
    char buffer[1 << 16];
    int failure = 0;
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failure = errno;
        if (got <= 0) break;
        data.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (failure != 0) return Result::Failure(Reason("cannot read", path, failure));
    contents = std::move(data);
    return Result::Success();
}
