#include "cli/CliCommon.h"

#include <strings.h>

#include <cstdio>
#include <filesystem>

#include "safefile/SafeFile.h"

namespace brivo {

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

bool IsBinaryFontPath(const std::string& path) {
    constexpr std::size_t kSuffix = 4;
    return path.size() >= kSuffix && strcasecmp(path.c_str() + path.size() - kSuffix, ".fnt") == 0;
}

Result CheckOutputTarget(const std::string& path) { return Result{safefile::CheckTarget(path)}; }

bool IsSameFile(const std::string& input, const std::string& output) {
    std::error_code error;
    return std::filesystem::equivalent(input, output, error);
}

int Fail(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "brivo-cli %s: %s\n", command.c_str(), message.c_str());
    return 1;
}

}  // namespace brivo
