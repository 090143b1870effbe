#include "cli/GlyphFileInput.h"

#include <cstdio>
#include <filesystem>

#include "cli/CliCommon.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"

void AddGlyphFileInput(CLI::App& command, GlyphFileInput& input) {
    command.add_option("IN", input.path, "Glyph file: *.fnt = binary font file, else C source")
        ->required();
    command.add_option("--size", input.size, "Glyph WIDTHxHEIGHT the file was written with")
        ->required();
    command.add_option("--range", input.range, "Code range the file holds")
        ->check(CLI::IsMember(RangeKeywords(true)))
        ->required();
    command.add_flag("--except-unused", input.exceptUnused,
                     "The file leaves out the unused lead bytes 0xAD-0xAF and 0xC9");
    command.add_option("--skip", input.skip, "Bytes before the records of a .fnt file")
        ->check(CLI::Range(0, kMaxSkipBytes))
        ->capture_default_str();
}

Result LoadGlyphFile(const GlyphFileInput& input, CGlyphSet& set) {
    int width = 0, height = 0;
    if (!ParsePair(input.size, 'x', width, height))
        return Result::Failure("--size must be WIDTHxHEIGHT, e.g. 16x16, not \"" + input.size +
                               "\"");
    if (input.skip < 0) return Result::Failure("--skip must not be negative");
    const CodeRange range = RangeFromKeyword(input.range).value_or(RANGE_NONE);
    const Result read =
        IsBinaryFontPath(input.path)
            ? ReadFontFile(set, input.path, width, height, range, input.skip, input.exceptUnused)
            : ReadTextFile(set, input.path, width, height, range, true, input.exceptUnused);
    if (!read) return read;
    set.range = range;
    set.exceptUnused = input.exceptUnused ? 1 : 0;
    return Result::Success();
}

Result SaveGlyphFile(const CGlyphSet& set, const std::string& path, int skip, bool doubleArray) {
    return IsBinaryFontPath(path) ? WriteFontFile(set, path, skip)
                                  : WriteTextFile(set, path, doubleArray);
}

const char* FileKindName(const std::string& path) {
    return IsBinaryFontPath(path) ? "binary font file" : "C source";
}

void PrintRead(const std::string& path, const CGlyphSet& set) {
    std::printf("Read %s (%s): %d glyphs, %s, %dx%d\n", std::filesystem::absolute(path).c_str(),
                FileKindName(path), set.Count(), set.GetRangeName(false).c_str(), set.width,
                set.height);
}

void PrintWrote(const std::string& path, bool doubleArray) {
    std::printf("Wrote %s (%s%s)\n", std::filesystem::absolute(path).c_str(), FileKindName(path),
                IsBinaryFontPath(path) ? ""
                : doubleArray          ? ", 2d array"
                                       : ", 1d array");
}
