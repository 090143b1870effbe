#include "cli/CliCommon.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

bool ParsePair(const std::string& text, char separator, int& first, int& second) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) return false;
    try {
        std::size_t used1 = 0, used2 = 0;
        first = std::stoi(text.substr(0, at), &used1);
        second = std::stoi(text.substr(at + 1), &used2);
        return used1 == at && used2 == text.size() - at - 1;
    } catch (const std::exception&) {
        return false;
    }
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

Result CheckWritableFolder(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return Result::Failure("cannot write " + path + ": folder " + folder.string() +
                               " does not exist");
    if (fs::is_directory(target, error))
        return Result::Failure("cannot write " + path + ": it is a folder");
    if (access(folder.c_str(), W_OK) != 0)
        return Result::Failure("cannot write " + path + ": folder " + folder.string() +
                               " is not writable");
    return Result::Success();
}

int Fail(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "brivo-cli %s: %s\n", command.c_str(), message.c_str());
    return 1;
}
