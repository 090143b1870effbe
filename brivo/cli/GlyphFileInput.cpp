#include "cli/GlyphFileInput.h"

#include <cstdio>
#include <filesystem>

#include "cli/CliCommon.h"
#include "fontfile/BdfWriter.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"

namespace brivo {

void AddLayoutOptions(CLI::App& command, LayoutOptions& options, const std::string& prefix,
                      bool reading) {
    const std::string scanDefault =
        reading ? "as the \"Bit Layout\" line of a C source file says, else rows" : "rows";
    const std::string scanHelp =
        prefix.empty()
            ? "Byte layout of the glyphs: rows = row by row, ceil(W/8) bytes each, leftmost "
              "pixel first; columns = column by column, ceil(H/8) bytes each, top pixel first; "
              "pages = per band of 8 rows one byte per column, top pixel first (monochrome "
              "OLED/LCD controllers such as the SSD1306). Default: "
            : "Byte layout of the output, as --scan. Default: ";
    const std::string orderHelp =
        (prefix.empty() ? "Where the first pixel of a byte goes: msb = bit 7, lsb = bit 0"
                        : "Bit order of the output, as --bit-order") +
        std::string(". Default: msb, with pages lsb (the top pixel in bit 0)");
    command.add_option("--" + prefix + "scan", options.scan, scanHelp + scanDefault)
        ->check(CLI::IsMember(ScanKeywords()));
    command.add_option("--" + prefix + "bit-order", options.bitOrder, orderHelp)
        ->check(CLI::IsMember(BitOrderKeywords()));
}

std::optional<BitLayout> AskedLayout(const LayoutOptions& options) {
    if (options.scan.empty() && options.bitOrder.empty()) return std::nullopt;
    const ScanOrder scan = ScanFromKeyword(options.scan).value_or(ScanOrder::Rows);
    return BitLayout{scan, BitOrderFromKeyword(options.bitOrder).value_or(DefaultBitOrder(scan))};
}

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
                     "Read a C source file as --size and --range say, whatever its header says "
                     "(and a .fnt file whatever its length suggests)");
    command.add_flag("--ignore-index", input.ignoreIndex,
                     "Read a .fnt file without the code table (IN.idx) beside it");
    command.add_option("--skip", input.skip, "Bytes before the records of a .fnt file")
        ->check(CLI::Range(0, kMaxSkipBytes))
        ->capture_default_str();
    AddLayoutOptions(command, input.layout, "", true);
}

Result LoadGlyphFile(const GlyphFileInput& input, CGlyphSet& set, BitLayout* readIn) {
    if (IsBdfPath(input.path))
        return Result::Failure("cannot read " + input.path +
                               ": BDF is written, not read; read the .fnt or C source it was "
                               "made from");
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
    const std::optional<BitLayout> layout = AskedLayout(input.layout);
    if (header && !input.ignoreHeader) {
        if (const std::string contradiction = HeaderContradiction(*header); !contradiction.empty())
            return Result::Failure(input.path + ": " + contradiction +
                                   ": the file contradicts itself (--ignore-header reads it as "
                                   "--size and --range say)");
    }
    // ASCII cells are written half as wide as --size says: a read given the same --size would
    // take two glyphs for one.
    if (range == RANGE_ASCII && !input.ignoreHeader && width % 2 == 0 && width > 0) {
        const std::string half = std::to_string(width / 2) + "x" + std::to_string(height);
        if (header && header->range == RANGE_ASCII && header->width * 2 == width &&
            header->height == height)
            return Result::Failure(input.path + ": the file holds " + std::to_string(width / 2) +
                                   " x " + std::to_string(height) + " ASCII glyphs: give --size " +
                                   half + ", or --size auto");
        std::error_code error;
        const std::uintmax_t bytes = std::filesystem::file_size(input.path, error);
        const BitLayout packed = layout.value_or(BitLayout{});
        const auto glyphs = static_cast<std::uintmax_t>(RangeGlyphCount(RANGE_ASCII, false));
        if (binary && !error && CheckGlyphSize(width, height) &&
            bytes == input.skip + glyphs * LayoutBytesPerGlyph(width / 2, height, packed) &&
            bytes != input.skip + glyphs * LayoutBytesPerGlyph(width, height, packed))
            return Result::Failure(input.path + " holds " + std::to_string(width / 2) + " x " +
                                   std::to_string(height) + " ASCII glyphs (" +
                                   std::to_string(bytes) + " bytes): give --size " + half +
                                   " (--ignore-header reads it as " + input.size + ")");
    }
    if (header && !input.ignoreHeader && CheckLoadOptions(width, height, range)) {
        const std::string mismatch =
            HeaderMismatch(*header, width, height, range, exceptUnused, layout);
        if (!mismatch.empty())
            return Result::Failure(input.path + ": " + mismatch + " (--size auto --range auto" +
                                   (layout ? " without --scan and --bit-order" : "") +
                                   " read it as the file says, --ignore-header as asked)");
    }
    std::string warning;
    const Result read = binary ? ReadFontFile(set, input.path, width, height, range, input.skip,
                                              exceptUnused, &warning, layout.value_or(BitLayout{}))
                               : ReadTextFile(set, input.path, width, height, range, true,
                                              exceptUnused, false, &warning, layout);
    if (!read) return read;
    if (!warning.empty()) Warn(warning);
    // The code table a .fnt file was written with. One that does not fit belongs to another
    // font: wrong labels are worse than none.
    if (const std::string index = CodeIndexPath(input.path);
        binary && !input.ignoreIndex && index != input.path && std::filesystem::exists(index)) {
        std::string note;
        if (Result codes = ReadCodeIndexFile(set, index, &note); !codes)
            return Result::Failure(codes.message + ": it is not the code table of " + input.path +
                                   " (--ignore-index reads the file without it)");
        set.keepsCodes = range == RANGE_CUSTOM;
        if (!note.empty()) Warn(note);
    }
    set.range = range;
    set.exceptUnused = exceptUnused ? 1 : 0;
    if (readIn != nullptr) *readIn = layout.value_or(header ? header->layout : BitLayout{});
    return Result::Success();
}

void AddGlyphFileOutput(CLI::App& command, GlyphFileOutput& output) {
    command
        .add_option("--name", output.name,
                    "C array name; the code table is NAME_codes (link several fonts into one "
                    "program)")
        ->type_name("IDENT")
        ->capture_default_str();
    command
        .add_option("--index", output.index,
                    "Write a code table of the glyphs (euc-kr codes, or unicode characters with "
                    "the glyphs in Unicode order): after the array in C source, as OUT.idx "
                    "(16-bit little-endian) beside a .fnt file. A character subset has an "
                    "euc-kr table unless told otherwise")
        ->check(CLI::IsMember({"euc-kr", "unicode"}))
        ->type_name("CODE");
}

Result PrepareOutput(const GlyphFileOutput& output, CGlyphSet& set, TextArrayOptions& array) {
    if (Result name = CheckArrayName(output.name, "--name"); !name) return name;
    array.name = output.name;
    array.codeTable = output.index == "unicode"                    ? CodeIndex::Unicode
                      : output.index == "euc-kr" || set.keepsCodes ? CodeIndex::EucKr
                                                                   : CodeIndex::None;
    if (array.codeTable == CodeIndex::Unicode) {
        if (const int dropped = OrderGlyphsByUnicode(set); dropped > 0)
            Note("--index unicode leaves out " + std::to_string(dropped) +
                 " glyphs of codes that have no character");
        if (set.Count() == 0) return Result::Failure("--index unicode: no glyph has a character");
    } else if (array.codeTable == CodeIndex::EucKr) {
        // A set read in another order (a Unicode table) is searched by its EUC-KR codes.
        OrderGlyphsByCode(set);
    }
    return Result::Success();
}

Result SaveGlyphFile(const CGlyphSet& set, const std::string& path, int skip, bool doubleArray,
                     const TextArrayOptions& array, BitLayout layout) {
    if (IsBdfPath(path)) return WriteBdfFile(set, path);
    if (!IsBinaryFontPath(path)) return WriteTextFile(set, path, doubleArray, {}, array, layout);
    return WriteFontFile(set, path, skip, layout, array.codeTable);
}

const char* FileKindName(const std::string& path) {
    return IsBinaryFontPath(path) ? "binary font file" : IsBdfPath(path) ? "BDF font" : "C source";
}

void PrintRead(const std::string& path, const CGlyphSet& set) {
    std::printf("Read %s (%s): %d glyphs, %s, %dx%d\n", std::filesystem::absolute(path).c_str(),
                FileKindName(path), set.Count(), set.GetRangeName(false).c_str(), set.width,
                set.height);
}

void PrintWrote(const std::string& path, bool doubleArray, const TextArrayOptions& array,
                BitLayout layout) {
    std::string kind = FileKindName(path);
    if (!IsBinaryFontPath(path) && !IsBdfPath(path))
        kind += doubleArray ? ", 2d array" : ", 1d array";
    if (!IsBdfPath(path) && !layout.IsDefault()) kind += ", " + BitLayoutText(layout);
    std::printf("Wrote %s (%s)\n", std::filesystem::absolute(path).c_str(), kind.c_str());
    if (IsBinaryFontPath(path) && array.codeTable != CodeIndex::None)
        std::printf("Wrote %s (code table)\n",
                    std::filesystem::absolute(CodeIndexPath(path)).c_str());
}

}  // namespace brivo
