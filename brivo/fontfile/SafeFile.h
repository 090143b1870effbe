#pragma once

#include <string>
#include <string_view>

#include "glyph/Result.h"

// Writes `contents` to a new file in the target's folder and renames it over `path`, so a
// failed save never leaves a truncated or half-written file behind.
Result ReplaceFileContents(const std::string& path, std::string_view contents);
