#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "glyph/BitLayout.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// --scan and --bit-order as given; "" where not given.
struct LayoutOptions {
    std::string scan;
    std::string bitOrder;
};

// Adds --PREFIXscan and --PREFIXbit-order, for a file written (`reading` false: the default
// layout unless given) or read (the layout a C source file's header names unless given).
void AddLayoutOptions(CLI::App& command, LayoutOptions& options, const std::string& prefix,
                      bool reading);

// The layout the options name (a bit order not given: the scan's default one); none when
// neither option was given.
std::optional<BitLayout> AskedLayout(const LayoutOptions& options);

// What reading a glyph file needs: the file, and what the file itself does not say.
struct GlyphFileInput {
    std::string path;
    std::string size;
    std::string range;
    bool exceptUnused = false;
    bool ignoreHeader = false;
    int skip = 0;
    LayoutOptions layout;
};

// Adds IN, --size, --range, --except-unused, --ignore-header, --skip, --scan and --bit-order
// to a subcommand.
void AddGlyphFileInput(CLI::App& command, GlyphFileInput& input);

// Reads IN (*.fnt: binary, else C source) into the set, whose range and ExceptUnused
// setting then follow the options, so labels and the "Font Type" line match the file.
// "auto" size or range come from the header of a C source file; a header that disagrees
// with the options (size, range, and the layout where one is asked) refuses the load unless
// ignoreHeader. What the load reports although it
// succeeds (a .fnt length that does not fit the range) is printed to stderr as a warning.
Result LoadGlyphFile(const GlyphFileInput& input, CGlyphSet& set);

// Writes the set to `path`: *.fnt a binary font file after `skip` zero bytes, *.bdf a BDF
// font, anything else C source with a 2d (`doubleArray`) or 1d array; the first and last in
// `layout`.
Result SaveGlyphFile(const CGlyphSet& set, const std::string& path, int skip, bool doubleArray,
                     BitLayout layout = {});

// "C source", "binary font file" or "BDF font".
const char* FileKindName(const std::string& path);

// "Read PATH (KIND): N glyphs, RANGE, WxH" on stdout.
void PrintRead(const std::string& path, const CGlyphSet& set);

// "Wrote PATH (KIND)" on stdout, KIND naming the array form of C source and a layout other
// than the default.
void PrintWrote(const std::string& path, bool doubleArray, BitLayout layout = {});

}  // namespace brivo
