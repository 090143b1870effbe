#pragma once

#include <string>

namespace plotter {

// Reads the whole of `path` into `text`; "-" is stdin. Returns an error
// message, or an empty string.
std::string readInputFile(const std::string& path, std::string& text);

// How messages name an input or output: "standard input" or "standard output"
// for "-", else the path.
std::string inputName(const std::string& path);
std::string outputName(const std::string& path);

// Writes `text` to `path` through a temporary file beside it that is renamed
// into place, so an existing file is never left half written. "-" is stdout.
// Returns an error message, or an empty string.
std::string writeOutputFile(const std::string& path, const std::string& text);

}  // namespace plotter
