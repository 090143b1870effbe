#pragma once

#include <CLI/CLI.hpp>

namespace brivo {

// Adds `extract`: renders a code range of an installed font and writes it as a .fnt or
// C source file. Its callback sets `exitCode`.
void AddExtractCommand(CLI::App& app, int& exitCode);

}  // namespace brivo
