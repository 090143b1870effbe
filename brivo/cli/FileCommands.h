#pragma once

#include <CLI/CLI.hpp>

namespace brivo {

// `convert`: reads a .fnt or C source file and writes it in the other form (or the same
// form with other options). `info`: prints the glyph count, size and blank glyphs of a
// file. Their callbacks set `exitCode`.
void AddConvertCommand(CLI::App& app, int& exitCode);
void AddInfoCommand(CLI::App& app, int& exitCode);

}  // namespace brivo
