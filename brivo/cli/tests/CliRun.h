#pragma once

#include <sys/wait.h>

#include <cstdio>
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
