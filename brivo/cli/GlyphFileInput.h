#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// What reading a glyph file needs: the file, and what the file itself does not say.
struct GlyphFileInput {
    std::string path;
    std::string size;
    std::string range;
    bool exceptUnused = false;
    bool ignoreHeader = false;
    int skip = 0;
};

// Adds IN, --size, --range, --except-unused, --ignore-header and --skip to a subcommand.
void AddGlyphFileInput(CLI::App& command, GlyphFileInput& input);

// Reads IN (*.fnt: binary, else C source) into the set, whose range and ExceptUnused
// setting then follow the options, so labels and the "Font Type" line match the file.
// "auto" size or range come from the header of a C source file; a header that disagrees
// with the options refuses the load unless ignoreHeader. What the load reports although it
// succeeds (a .fnt length that does not fit the range) is printed to stderr as a warning.
Result LoadGlyphFile(const GlyphFileInput& input, CGlyphSet& set);

// Writes the set to `path`: *.fnt a binary font file after `skip` zero bytes, anything else
// C source with a 2d (`doubleArray`) or 1d array.
Result SaveGlyphFile(const CGlyphSet& set, const std::string& path, int skip, bool doubleArray);

// "C source" or "binary font file".
const char* FileKindName(const std::string& path);

// "Read PATH (KIND): N glyphs, RANGE, WxH" on stdout.
void PrintRead(const std::string& path, const CGlyphSet& set);

// "Wrote PATH (KIND)" on stdout, KIND naming the array form of C source.
void PrintWrote(const std::string& path, bool doubleArray);

}  // namespace brivo
