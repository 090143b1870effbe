#include "fontfile/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

std::string Reason(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

mode_t NewFileMode(const std::filesystem::path& path) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

Result ReplaceFileContents(const std::string& path, std::string_view contents) {
    namespace fs = std::filesystem;
    if (path.empty()) return Result::Failure("no output file given");
    std::error_code error;
    if (fs::is_directory(path, error))
        return Result::Failure("cannot write " + path + ": it is a folder");
    // A link stays a link: the file it points to is replaced.
    fs::path target(path);
    if (fs::is_symlink(target, error)) target = fs::weakly_canonical(target, error);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) return Result::Failure(Reason("cannot write", path, errno));

    const char* data = contents.data();
    std::size_t left = contents.size();
    int failure = 0;
    while (left > 0 && failure == 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0)
            failure = written < 0 ? errno : ENOSPC;
        else {
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    if (failure == 0 && fchmod(fd, NewFileMode(target)) != 0) failure = errno;
    // On disk before the rename, so a crash leaves the old file or the new one, never an empty one.
    if (failure == 0 && fsync(fd) != 0) failure = errno;
    if (close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && rename(temp.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        unlink(temp.c_str());
        return Result::Failure(Reason("cannot write", path, failure));
    }
    return Result::Success();
}
