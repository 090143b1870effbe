#pragma once

#include <string>

#include "glyph/Result.h"

namespace brivo {

// "16x16" with separator 'x', "0,-2" with ','; false unless both parts are whole numbers.
bool ParsePair(const std::string& text, char separator, int& first, int& second);

// A file named *.fnt (any case: *.FNT too) is a binary font file; anything else is C source.
bool IsBinaryFontPath(const std::string& path);

// Whether a save to `path` can start (see safefile::CheckTarget), checked before the work.
Result CheckOutputTarget(const std::string& path);

// Whether `output` names the file `input` names (also through a link or another path).
bool IsSameFile(const std::string& input, const std::string& output);

// Prints "brivo-cli COMMAND: MESSAGE" to stderr and returns the failure exit status.
int Fail(const std::string& command, const std::string& message);

}  // namespace brivo
