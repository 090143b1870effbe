#pragma once

#include <string>

#include "glyph/Result.h"

// "16x16" with separator 'x', "0,-2" with ','; false unless both parts are whole numbers.
bool ParsePair(const std::string& text, char separator, int& first, int& second);

bool EndsWith(const std::string& text, const std::string& tail);

// A file named *.fnt is a binary font file; anything else is C source.
inline bool IsBinaryFontPath(const std::string& path) { return EndsWith(path, ".fnt"); }

// Whether `path` can be created: its folder exists and is writable, and it is no folder.
Result CheckWritableFolder(const std::string& path);

// Prints "brivo-cli COMMAND: MESSAGE" to stderr and returns the failure exit status.
int Fail(const std::string& command, const std::string& message);
