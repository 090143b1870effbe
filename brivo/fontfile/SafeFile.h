#pragma once

#include <string>
#include <string_view>

#include "glyph/Result.h"

namespace brivo {

// Saves `contents` to `path` with safefile::SafeFileWriter: a failed save never leaves a
// truncated or half-written file behind; devices and FIFOs are written directly.
Result ReplaceFileContents(const std::string& path, std::string_view contents);

}  // namespace brivo
