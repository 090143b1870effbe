#pragma once

#include <string>
#include <vector>

#include "glyph/Result.h"

namespace brivo {

// "16x16" with separator 'x', "0,-2" with ','; false unless both parts are whole numbers.
bool ParsePair(const std::string& text, char separator, int& first, int& second);

// A file named *.fnt (any case: *.FNT too) is a binary font file, *.bdf a BDF font; anything
// else is C source.
bool IsBinaryFontPath(const std::string& path);
bool IsBdfPath(const std::string& path);

// Whether a save to `path` can start (see safefile::CheckTarget), checked before the work.
Result CheckOutputTarget(const std::string& path);

// Whether `output` names the file `input` names (also through a link or another path).
bool IsSameFile(const std::string& input, const std::string& output);

// The text with its control characters written out ("\\n", "\\x1b"), so that a file name
// holding a line feed cannot break a message in two.
std::string Escaped(const std::string& text);

// Prints "brivo-cli COMMAND: MESSAGE" to stderr, each of `details` on a line of its own
// under it, and returns the failure exit status.
int Fail(const std::string& command, const std::string& message,
         const std::vector<std::string>& details = {});

// "brivo-cli: warning: MESSAGE" and "brivo-cli: note: MESSAGE" on stderr.
void Warn(const std::string& message, const std::vector<std::string>& details = {});
void Note(const std::string& message);

}  // namespace brivo
