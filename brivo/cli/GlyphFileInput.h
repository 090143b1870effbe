#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/CliCommon.h"
#include "fontfile/TextFontWriter.h"
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
    std::string path;    // "-": standard input
    std::string format;  // "c" or "fnt" whatever the name says; "" to go by the name
    std::string size;
    std::string range;
    bool exceptUnused = false;
    bool ignoreHeader = false;
    bool ignoreIndex = false;
    int skip = 0;
    int bpp = 1;  // of a .fnt file's glyphs (a C source file's header says its own)
    LayoutOptions layout;
};

// Whether the input is read as a binary font file (--in-format fnt, else a *.fnt name).
bool IsBinaryInput(const GlyphFileInput& input);

// Adds IN, --in-format, --size, --range, --except-unused, --ignore-header, --ignore-index, --skip,
// --bpp, --scan and --bit-order to a subcommand.
void AddGlyphFileInput(CLI::App& command, GlyphFileInput& input);

// Whether the options of the input are well formed (--size, --in-format for standard
// input); a failure is a usage error.
Result CheckGlyphFileInput(const GlyphFileInput& input);

// Reads IN (*.fnt: binary, else C source) into the set, whose range and ExceptUnused
// setting then follow the options, so labels and the "Font Type" line match the file.
// "auto" size or range come from the header of a C source file; a header that disagrees
// with the options (size, range, and the layout where one is asked) refuses the load unless
// ignoreHeader. What the load reports although it
// succeeds (a .fnt length that does not fit the range) is printed to stderr as a warning.
// A .fnt file takes the codes of the code table beside it (IN.idx); one that does not fit
// the file refuses the load unless ignoreIndex.
// `layout`, where given, receives the bit layout the file was read in.
Result LoadGlyphFile(const GlyphFileInput& input, CGlyphSet& set, BitLayout* layout = nullptr);

// How a glyph file is written beyond its form: the array name, the code table, and how C
// source declares its arrays for a firmware build.
struct GlyphFileOutput {
    std::string name = "data_table";
    std::string index;  // "", "euc-kr" or "unicode"
    FirmwareOptions firmware;
    bool compress = false;  // for a form that compresses its bitmaps
};

// Adds --name, --index, --static, --guard, --split, --section, --progmem and --compress to a
// subcommand.
void AddGlyphFileOutput(CLI::App& command, GlyphFileOutput& output);

// Whether the output options go together and with the form of `out` (the firmware options
// are for C source to a file, --compress for a form that compresses); a failure is a usage
// error. Checked before any work.
Result CheckGlyphFileOutput(const GlyphFileOutput& output, const OutputFile& out);

// CheckOutputTarget for each file the output writes (both of a split C source); C source also
// needs a well-formed SOURCE_DATE_EPOCH where one is set.
Result CheckOutputTargets(const OutputFile& out, const GlyphFileOutput& output);

// Checks the options and turns them into what the writers take: a set that keeps its codes
// (a character subset) gets an EUC-KR code table unless --index says otherwise; --index
// unicode puts the glyphs in Unicode order first (unassigned codes go, with a note), an
// EUC-KR table in ascending code order.
Result PrepareOutput(const GlyphFileOutput& output, CGlyphSet& set, TextArrayOptions& array);

// Adds -q,--quiet: no status lines and notes on stderr, only warnings and errors.
void AddQuietFlag(CLI::App& command);

// Adds --format (the keywords of OutputForms(); `png`: png only), the form of the output
// whatever its name.
void AddOutputFormat(CLI::App& command, std::string& format, bool png);

// Writes the set to `output` with its form's writer (see OutputForms()): a binary font file
// after `skip` zero bytes (with a code table, also NAME.idx), a BDF font, or C source with a
// 2d (`doubleArray`) or 1d array; the first and last in `layout`. A code table has no place
// beside standard output. `compress`: the bitmaps of a form that can compress them.
Result SaveGlyphFile(const CGlyphSet& set, const OutputFile& output, int skip, bool doubleArray,
                     const TextArrayOptions& array = {}, BitLayout layout = {},
                     bool compress = false);

// "Read PATH (KIND): N glyphs, RANGE, WxH" on stderr.
void PrintRead(const std::string& path, const char* kind, const CGlyphSet& set);

// "Wrote PATH (KIND)" on stderr, KIND naming the array form of C source and a layout other
// than the default; the code table of a .fnt file on a line of its own.
void PrintWrote(const OutputFile& output, bool doubleArray, const TextArrayOptions& array = {},
                BitLayout layout = {});

}  // namespace brivo
