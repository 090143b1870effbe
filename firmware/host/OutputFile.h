#pragma once

#include <string>

namespace plotter {

// Writes `text` to `path` through a temporary file beside it that is renamed
// into place, so an existing file is never left half written. "-" is stdout.
// Returns an error message, or an empty string.
std::string writeOutputFile(const std::string& path, const std::string& text);

}  // namespace plotter
