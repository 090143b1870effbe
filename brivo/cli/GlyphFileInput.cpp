#include "cli/GlyphFileInput.h"

#include <cstdio>
#include <filesystem>

#include "cli/CliCommon.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"

namespace brivo {

void AddGlyphFileInput(CLI::App& command, GlyphFileInput& input) {
    command.add_option("IN", input.path, "Glyph file: *.fnt = binary font file, else C source")
        ->required();
    command
        .add_option("--size", input.size,
                    "Glyph WIDTHxHEIGHT the file was written with, or auto (from the header "
                    "of a C source file)")
        ->required();
    std::vector<std::string> ranges = RangeKeywords(true);
    ranges.push_back("auto");
    command
        .add_option("--range", input.range,
                    "Code range the file holds, or auto (from the header of a C source file)")
        ->check(CLI::IsMember(ranges))
        ->required();
    command.add_flag("--except-unused", input.exceptUnused,
                     "The file leaves out the unused lead bytes 0xAD-0xAF and 0xC9");
    command.add_flag("--ignore-header", input.ignoreHeader,
                     "Read a C source file as --size and --range say, whatever its header says");
    command.add_option("--skip", input.skip, "Bytes before the records of a .fnt file")
        ->check(CLI::Range(0, kMaxSkipBytes))
        ->capture_default_str();
}

Result LoadGlyphFile(const GlyphFileInput& input, CGlyphSet& set) {
    const bool binary = IsBinaryFontPath(input.path);
    const bool sizeAuto = input.size == "auto", rangeAuto = input.range == "auto";
    std::optional<TextFileHeader> header;
    if (!binary)
        if (Result read = ReadTextFileHeader(input.path, header); !read) return read;
    if ((sizeAuto || rangeAuto) && !header) {
        const std::string which = sizeAuto ? "--size auto" : "--range auto";
        return Result::Failure(binary ? which + " needs a C source file: a .fnt file has no header"
                                      : which + ": " + input.path +
                                            " has no \"Font Width\", \"Font Height\" and "
                                            "\"Font Type\" header lines; give the value");
    }
    int width = 0, height = 0;
    if (sizeAuto) {
        width = header->width;
        height = header->height;
    } else if (!ParsePair(input.size, 'x', width, height)) {
        return Result::Failure("--size must be WIDTHxHEIGHT or auto, e.g. 16x16, not \"" +
                               input.size + "\"");
    }
    const CodeRange range =
        rangeAuto ? header->range : RangeFromKeyword(input.range).value_or(RANGE_NONE);
    const bool exceptUnused = rangeAuto ? header->exceptUnused : input.exceptUnused;
    if (input.skip < 0) return Result::Failure("--skip must not be negative");
    if (header && !input.ignoreHeader && CheckLoadOptions(width, height, range)) {
        const std::string mismatch = HeaderMismatch(*header, width, height, range, exceptUnused);
        if (!mismatch.empty())
            return Result::Failure(input.path + ": " + mismatch +
                                   " (--size auto --range auto read it as the file says, "
                                   "--ignore-header as asked)");
    }
    std::string warning;
    const Result read = binary ? ReadFontFile(set, input.path, width, height, range, input.skip,
                                              exceptUnused, &warning)
                               : ReadTextFile(set, input.path, width, height, range, true,
                                              exceptUnused, false, &warning);
    if (!read) return read;
    if (!warning.empty()) std::fprintf(stderr, "brivo-cli: warning: %s\n", warning.c_str());
    set.range = range;
    set.exceptUnused = exceptUnused ? 1 : 0;
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

}  // namespace brivo
