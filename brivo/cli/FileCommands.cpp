#include "cli/FileCommands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/GlyphFileInput.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

struct ConvertOptions {
    GlyphFileInput input;
    std::string out;
    std::string format;
    std::string array = "2d";
    int outSkip = 0;
    GlyphFileOutput output;
    LayoutOptions outLayout;
};

int RunConvert(const ConvertOptions& options) {
    if (Result checked = CheckGlyphFileInput(options.input); !checked)
        return UsageFail("convert", checked.message);
    OutputFile out;
    if (Result resolved = ResolveOutput(options.out, options.format, false, out); !resolved)
        return UsageFail("convert", resolved.message);
    if (Result checked = CheckGlyphFileOutput(options.output, out); !checked)
        return UsageFail("convert", checked.message);
    if (Result writable = CheckOutputTargets(out, options.output); !writable)
        return Fail("convert", writable.message);
    CGlyphSet set;
    if (Result loaded = LoadGlyphFile(options.input, set); !loaded)
        return Fail("convert", loaded.message);

    PrintRead(options.input.path,
              FileKindName(IsBinaryInput(options.input) ? FileForm::Binary : FileForm::CSource),
              set);
    const bool doubleArray = options.array == "2d";
    TextArrayOptions array;
    if (Result prepared = PrepareOutput(options.output, set, array); !prepared)
        return Fail("convert", prepared.message);
    const BitLayout layout = AskedLayout(options.outLayout).value_or(BitLayout{});
    const Result saved = SaveGlyphFile(set, out, options.outSkip, doubleArray, array, layout,
                                       options.output.compress);
    if (!saved) return Fail("convert", saved.message);
    PrintWrote(out, doubleArray, array, layout);
    return 0;
}

bool IsBlank(const CGlyph* glyph, int bytes) {
    return glyph == nullptr || glyph->bits == nullptr ||
           std::all_of(glyph->bits.get(), glyph->bits.get() + bytes,
                       [](uint8_t b) { return b == 0; });
}

int RunInfo(const GlyphFileInput& input) {
    if (Result checked = CheckGlyphFileInput(input); !checked)
        return UsageFail("info", checked.message);
    CGlyphSet set;
    BitLayout layout;
    if (Result loaded = LoadGlyphFile(input, set, &layout); !loaded)
        return Fail("info", loaded.message);
    const int blank = static_cast<int>(std::count_if(
        set.glyphs.begin(), set.glyphs.end(),
        [&](const GlyphPtr& glyph) { return IsBlank(glyph.get(), set.BytesPerGlyph()); }));
    std::printf(
        "File: %s (%s)\n",
        input.path == "-" ? "standard input" : std::filesystem::absolute(input.path).c_str(),
        FileKindName(IsBinaryInput(input) ? FileForm::Binary : FileForm::CSource));
    std::printf("Range: %s\n", set.GetRangeName(false).c_str());
    std::printf("Glyphs: %d\n", set.Count());
    // The bytes a glyph takes in the file, in the layout it was read in.
    std::printf("Size: %dx%d pixels, %d bytes per glyph%s\n", set.width, set.height,
                LayoutBytesPerGlyph(set.width, set.height, layout),
                layout.IsDefault() ? "" : (" (" + BitLayoutText(layout) + ")").c_str());
    std::printf("Blank glyphs: %d\n", blank);
    return 0;
}

}  // namespace

void AddConvertCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* cmd = app.add_subcommand(
        "convert", "Read a .fnt or C source file and write it as a .fnt, C source or BDF file");
    cmd->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    AddGlyphFileInput(*cmd, options->input);
    cmd->add_option("-o,--output", options->out, OutputFileHelp())
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
        ->required();
    AddOutputFormat(*cmd, options->format, false);
    AddQuietFlag(*cmd);
    cmd->add_option("--array", options->array, "C source array form of the output")
        ->check(CLI::IsMember({"1d", "2d"}))
        ->capture_default_str();
    cmd->add_option("--out-skip", options->outSkip,
                    "Zero bytes before the records of a .fnt output")
        ->check(CLI::Range(0, kMaxSkipBytes))
        ->capture_default_str();
    AddGlyphFileOutput(*cmd, options->output);
    AddLayoutOptions(*cmd, options->outLayout, "out-", false);
    cmd->callback([options, &exitCode] { exitCode = RunConvert(*options); });
}

void AddInfoCommand(CLI::App& app, int& exitCode) {
    auto input = std::make_shared<GlyphFileInput>();
    CLI::App* cmd = app.add_subcommand("info",
                                       "Print the glyph count, size and blank glyphs of a "
                                       ".fnt or C source file");
    cmd->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    AddGlyphFileInput(*cmd, *input);
    cmd->callback([input, &exitCode] { exitCode = RunInfo(*input); });
}

}  // namespace brivo
