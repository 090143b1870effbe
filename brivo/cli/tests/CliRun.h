#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Runs brivo-cli with `arguments` (shell syntax) and collects its exit status and output.
struct CliRun {
    int status;
    std::string output;  // stdout and stderr
};

inline CliRun Cli(const std::string& arguments) {
    const std::string command = std::string(BRIVO_CLI) + " " + arguments + " 2>&1";
    CliRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The whole contents of a file ("" when it cannot be read).
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file of the font fontconfig matches for `pattern` (fc-match), "" when none.
inline std::string FontFile(const std::string& pattern) {
    std::string file;
    FILE* pipe = popen(("fc-match -f '%{file}' '" + pattern + "'").c_str(), "r");
    if (pipe == nullptr) return file;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) file += buffer;
    pclose(pipe);
    return file;
}

// A test with a fresh folder of its own, removed afterwards.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivo-cli-XXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
};
