#pragma once

#include <CLI/CLI.hpp>

namespace brivo {

// `preview`: reads a .fnt or C source file and writes a PNG contact sheet of its glyphs,
// magnified and labelled, or with --text a line of that text drawn with them. Its callback
// sets `exitCode`.
void AddPreviewCommand(CLI::App& app, int& exitCode);

}  // namespace brivo
