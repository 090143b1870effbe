#include "glyph/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brivo {

InputFile::~InputFile() {
    if (fd >= 0) close(fd);
}

Result InputFile::Open(const std::string& opened) {
    path = opened;
    // Without O_NONBLOCK, opening a FIFO waits until someone writes to it.
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return Result::Failure(ErrorKind::CannotOpen,
                               "cannot open " + path + ": " + std::strerror(errno), path);
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return Result::Failure(ErrorKind::CannotOpen,
                               "cannot open " + path + ": " + std::strerror(errno), path);
    if (S_ISDIR(info.st_mode))
        return Result::Failure(ErrorKind::CannotOpen, "cannot open " + path + ": it is a folder",
                               path);
    if (!S_ISREG(info.st_mode))
        return Result::Failure(
            ErrorKind::CannotRead,
            "cannot read " + path + ": it is not a regular file (a device, FIFO or socket)", path);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<uint64_t>(info.st_size);
    return Result::Success();
}

Result InputFile::OpenStandardInput() {
    path = "standard input";
    fd = dup(STDIN_FILENO);
    if (fd < 0)
        return Result::Failure(ErrorKind::CannotOpen,
                               "cannot read standard input: " + std::string(std::strerror(errno)));
    return Result::Success();
}

std::size_t InputFile::Read(void* out, std::size_t count) {
    auto* at = static_cast<char*>(out);
    std::size_t got = 0;
    while (got < count && error == 0) {
        const ssize_t part = read(fd, at + got, count - got);
        if (part < 0 && errno == EINTR) continue;
        if (part < 0) error = errno;
        if (part <= 0) break;
        got += static_cast<std::size_t>(part);
    }
    return got;
}

Result InputFile::Status() const {
    if (error == 0) return Result::Success();
    return Result::Failure(ErrorKind::CannotRead,
                           "cannot read " + path + ": " + std::strerror(error), path);
}

}  // namespace brivo
