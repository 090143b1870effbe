#include "cli/PreviewCommand.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/ContactSheet.h"
#include "cli/GlyphFileInput.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

// A bigger sheet would take more memory than a look at the glyphs is worth.
constexpr int64_t kMaxSheetPixels = int64_t{1} << 28;

struct PreviewOptions {
    GlyphFileInput input;
    int scale = 4;
    std::string out;
    std::string format;
};

int RunPreview(const PreviewOptions& options) {
    if (options.scale < 1 || options.scale > 16)
        return UsageFail("preview",
                         "--scale must be 1 to 16, not " + std::to_string(options.scale));
    if (Result checked = CheckGlyphFileInput(options.input); !checked)
        return UsageFail("preview", checked.message);
    OutputFile out;
    if (Result resolved = ResolveOutput(options.out, options.format, true, out); !resolved)
        return UsageFail("preview", resolved.message);
    if (Result writable = CheckOutputTarget(out.Path()); !writable)
        return Fail("preview", writable.message);
    if (!out.ToStdout() && IsSameFile(options.input.path, options.out))
        return Fail("preview", "the output " + options.out +
                                   " is the glyph file itself; give the PNG another name");
    CGlyphSet set;
    if (Result loaded = LoadGlyphFile(options.input, set); !loaded)
        return Fail("preview", loaded.message);
    if (ContactSheetPixels(set, options.scale) > kMaxSheetPixels)
        return Fail("preview", "the sheet would be too big; give a smaller --scale");

    CLabelPainter labels;
    const GrayImage sheet = DrawContactSheet(set, options.scale, &labels);
    if (Result saved = WritePng(sheet, out.Path()); !saved) return Fail("preview", saved.message);
    PrintRead(options.input.path,
              FileKindName(IsBinaryInput(options.input) ? FileForm::Binary : FileForm::CSource),
              set);
    if (!labels.Ready()) Status("No font for the labels: the sheet has none\n");
    Status("Wrote %s (%dx%d pixels)\n", out.Shown().c_str(), sheet.width, sheet.height);
    return 0;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* cmd = app.add_subcommand(
        "preview", "Write a PNG contact sheet of the glyphs of a .fnt or C source file");
    cmd->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    AddGlyphFileInput(*cmd, options->input);
    cmd->add_option("--scale", options->scale, "Magnification of the glyphs, 1-16")
        ->capture_default_str();
    cmd->add_option("-o,--output", options->out, "PNG file to write; - = standard output")
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
        ->required();
    AddOutputFormat(*cmd, options->format, true);
    AddQuietFlag(*cmd);
    cmd->callback([options, &exitCode] { exitCode = RunPreview(*options); });
}

}  // namespace brivo
