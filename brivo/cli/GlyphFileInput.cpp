#include "cli/GlyphFileInput.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "cli/CliCommon.h"
#include "fontfile/BdfWriter.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/LvglWriter.h"
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

bool IsBinaryInput(const GlyphFileInput& input) {
    return input.format == "fnt" || (input.format.empty() && IsBinaryFontPath(input.path));
}

void AddGlyphFileInput(CLI::App& command, GlyphFileInput& input) {
    command
        .add_option("IN", input.path,
                    "Glyph file: *.fnt = binary font file, else C source; - = standard input")
        ->required();
    command
        .add_option("--in-format", input.format,
                    "Form of IN whatever its name: c = C source, fnt = binary font file (needed "
                    "for IN -)")
        ->check(CLI::IsMember({"c", "fnt"}));
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
    command.add_option("--bpp", input.bpp, "Bits per pixel of a .fnt file's glyphs: 1, 2, 4 or 8")
        ->check(CLI::IsMember({1, 2, 4, 8}))
        ->capture_default_str();
    AddLayoutOptions(command, input.layout, "", true);
}

Result CheckGlyphFileInput(const GlyphFileInput& input) {
    if (input.path == "-" && input.format.empty())
        return Result::Failure("give --in-format c or fnt to read standard input");
    int width = 0, height = 0;
    if (input.size != "auto" && !ParsePair(input.size, 'x', width, height))
        return Result::Failure("--size must be WIDTHxHEIGHT or auto, e.g. 16x16, not \"" +
                               input.size + "\"");
    if (input.size != "auto")
        if (Result size = CheckGlyphSize(width, height); !size) return size;
    if (input.bpp != 1 && !IsBinaryInput(input))
        return Result::Failure("--bpp is for .fnt files: a C source file's header says its own");
    if (BitLayout packed; input.bpp != 1)
        if (Result depth =
                LayoutAtDepth(AskedLayout(input.layout).value_or(BitLayout{}), input.bpp, packed);
            !depth)
            return Result::Failure("--bpp " + std::to_string(input.bpp) + ": " + depth.message);
    return Result::Success();
}

namespace {

// Standard input copied to a temporary file, which the readers can open more than once (a
// header first, then the glyphs) and measure. Removed with the object.
class StdinCopy {
public:
    Result Make() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivo-cli-stdin-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0) return Result::Failure("cannot copy standard input to a temporary file");
        path_ = pattern;
        char buffer[65536];
        for (;;) {
            const std::size_t got = std::fread(buffer, 1, sizeof buffer, stdin);
            if (got > 0 && write(fd, buffer, got) != static_cast<ssize_t>(got)) {
                close(fd);
                return Result::Failure("cannot copy standard input to " + path_);
            }
            if (got < sizeof buffer) break;
        }
        const bool failed = std::ferror(stdin) != 0;
        close(fd);
        if (failed) return Result::Failure("cannot read standard input");
        return Result::Success();
    }
    ~StdinCopy() {
        if (!path_.empty()) std::filesystem::remove(path_);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

Result LoadFile(const GlyphFileInput& input, CGlyphSet& set, BitLayout* readIn,
                const std::string& shownAs = {});

}  // namespace

Result LoadGlyphFile(const GlyphFileInput& given, CGlyphSet& set, BitLayout* readIn) {
    if (given.path != "-") return LoadFile(given, set, readIn);
    if (given.format.empty())
        return Result::Failure("give --in-format c or fnt to read standard input");
    GlyphFileInput input = given;
    StdinCopy copy;
    if (Result made = copy.Make(); !made) return made;
    input.path = copy.Path();
    input.ignoreIndex = true;
    Result loaded = LoadFile(input, set, readIn, "standard input");
    // Messages name what the user gave, not the copy.
    for (std::size_t at; (at = loaded.message.find(copy.Path())) != std::string::npos;)
        loaded.message.replace(at, copy.Path().size(), "standard input");
    return loaded;
}

namespace {

// The text with `path` named as `shownAs` (standard input, for its copy).
std::string Shown(std::string text, const std::string& path, const std::string& shownAs) {
    if (shownAs.empty()) return text;
    for (std::size_t at; (at = text.find(path)) != std::string::npos;)
        text.replace(at, path.size(), shownAs);
    return text;
}

Result LoadFile(const GlyphFileInput& input, CGlyphSet& set, BitLayout* readIn,
                const std::string& shownAs) {
    if (input.format.empty() && IsBdfPath(input.path))
        return Result::Failure("cannot read " + input.path +
                               ": BDF is written, not read; read the .fnt or C source it was "
                               "made from");
    const bool binary = IsBinaryInput(input);
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
    std::optional<BitLayout> layout = AskedLayout(input.layout);
    if (input.bpp != 1) {
        layout = layout.value_or(BitLayout{});
        layout->bpp = static_cast<uint8_t>(input.bpp);  // rows, by CheckGlyphFileInput
    }
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
    if (!warning.empty()) Warn(Shown(warning, input.path, shownAs));
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

}  // namespace

void AddGlyphFileOutput(CLI::App& command, GlyphFileOutput& output) {
    command
        .add_option(
            "--name", output.name,
            "C array name; the code table is NAME_codes (link several fonts into one "
            "program); also the family of a BDF font on standard output, and the lv_font_t of "
            "an LVGL font (else named after its file)")
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
    FirmwareOptions& firmware = output.firmware;
    command.add_flag("--static", firmware.isStatic,
                     "C source: static arrays, so that several source files can include the font");
    command.add_flag("--guard", firmware.guard, "C source: an include guard NAME_H");
    command.add_flag("--split", firmware.split,
                     "C source: OUT.h with the extern declarations and sizes (NAME_WIDTH, "
                     "NAME_HEIGHT, NAME_GLYPH_BYTES, NAME_COUNT), OUT.c with the data (OUT.c the "
                     "output itself unless it names a header)");
    command
        .add_option("--section", firmware.section,
                    "C source: put the arrays in this linker section (GNU C attribute)")
        ->type_name("NAME");
    command.add_flag("--progmem", firmware.progmem,
                     "C source: put the arrays in AVR flash (PROGMEM of <avr/pgmspace.h>)");
    command.add_flag("--compress", output.compress,
                     "LVGL font: compress the glyphs of 2 or 4 bits a pixel (LVGL's own "
                     "run-length code; needs LV_USE_FONT_COMPRESSED)");
}

Result CheckGlyphFileOutput(const GlyphFileOutput& output, const OutputFile& out) {
    if (Result name = CheckArrayName(output.name, "--name"); !name) return name;
    if (output.firmware.Any() && !FormOf(out.form).carries.firmware)
        return Result::Failure(std::string("--static, --guard, --split, --section and --progmem "
                                           "are for C source, not a ") +
                               FileKindName(out.form));
    if (output.compress && !FormOf(out.form).carries.compress)
        return Result::Failure(std::string("--compress is for an LVGL font, not a ") +
                               FileKindName(out.form));
    if (output.firmware.split && out.ToStdout())
        return Result::Failure("--split writes two files, not standard output");
    return CheckFirmwareOptions(output.firmware);
}

Result CheckOutputTargets(const OutputFile& out, const GlyphFileOutput& output) {
    if (CreateTime now; out.form == FileForm::CSource)
        if (Result time = CreateTimeNow(now); !time) return time;
    if (!output.firmware.split) return CheckOutputTarget(out.Path());
    const SplitPaths paths = SplitFilePaths(out.Path());
    if (Result header = CheckOutputTarget(paths.header); !header) return header;
    return CheckOutputTarget(paths.data);
}

Result PrepareOutput(const GlyphFileOutput& output, CGlyphSet& set, TextArrayOptions& array) {
    if (Result name = CheckArrayName(output.name, "--name"); !name) return name;
    array.name = output.name;
    array.firmware = output.firmware;
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

void AddQuietFlag(CLI::App& command) {
    command.add_flag("-q,--quiet", Quiet(),
                     "Print no status lines (warnings and errors still go to standard error)");
}

void AddOutputFormat(CLI::App& command, std::string& format, bool png) {
    if (png) {
        command.add_option("--format", format, "Form of the output: png (needed for -o -)")
            ->check(CLI::IsMember({"png"}));
        return;
    }
    std::vector<std::string> keywords;
    std::string help = "Form of the output whatever its name: ";
    for (const OutputForm& form : OutputForms()) {
        help += std::string(keywords.empty() ? "" : ", ") + form.keyword + " = " + form.kind;
        keywords.push_back(form.keyword);
    }
    command.add_option("--format", format, help + " (needed for -o -, standard output)")
        ->check(CLI::IsMember(keywords));
}

Result SaveGlyphFile(const CGlyphSet& set, const OutputFile& output, int skip, bool doubleArray,
                     const TextArrayOptions& array, BitLayout layout, bool compress) {
    SaveOptions options;
    options.compress = compress;
    options.doubleArray = doubleArray;
    options.skip = skip;
    options.array = array;
    options.layout = layout;
    options.toPipe = output.ToStdout();
    // The glyphs have 1 bit a pixel.
    if (compress && !LvglCompresses(1))
        Note(
            "--compress: LVGL v9 decompresses 2 and 4 bits a pixel only; a 1-bit font is "
            "written plain");
    return FormOf(output.form).Write(set, output.Path(), options);
}

void PrintRead(const std::string& path, const char* kind, const CGlyphSet& set) {
    const std::string shown =
        path == "-" ? "standard input" : std::filesystem::absolute(path).string();
    Status("Read %s (%s): %d glyphs, %s, %dx%d\n", shown.c_str(), kind, set.Count(),
           set.GetRangeName(false).c_str(), set.width, set.height);
}

void PrintWrote(const OutputFile& output, bool doubleArray, const TextArrayOptions& array,
                BitLayout layout) {
    std::string kind = FileKindName(output.form);
    if (FormOf(output.form).carries.arrayForm) kind += doubleArray ? ", 2d array" : ", 1d array";
    if (FormOf(output.form).carries.layout && !layout.IsDefault())
        kind += ", " + BitLayoutText(layout);
    else if (layout.bpp > 1)
        kind += ", " + std::to_string(layout.bpp) + " bits per pixel";
    if (output.form == FileForm::CSource && array.firmware.split) {
        const SplitPaths paths = SplitFilePaths(output.name);
        Status("Wrote %s (C header)\n", std::filesystem::absolute(paths.header).c_str());
        Status("Wrote %s (%s)\n", std::filesystem::absolute(paths.data).c_str(), kind.c_str());
        return;
    }
    Status("Wrote %s (%s)\n", output.Shown().c_str(), kind.c_str());
    if (output.form == FileForm::Binary && array.codeTable != CodeIndex::None)
        Status("Wrote %s (code table)\n",
               std::filesystem::absolute(CodeIndexPath(output.name)).c_str());
}

}  // namespace brivo
