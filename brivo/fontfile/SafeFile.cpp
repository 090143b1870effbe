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
