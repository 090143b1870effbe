#include "cli/PreviewCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/ContactSheet.h"
#include "cli/GlyphFileInput.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

// A bigger sheet would take more memory than a look at the glyphs is worth.
constexpr int64_t kMaxSheetPixels = int64_t{1} << 28;

struct PreviewOptions {
    GlyphFileInput input;
    int scale = 4;
    std::string codes;
    std::string out;
    std::string format;
    std::optional<std::string> text;  // UTF-8
    bool proportional = false;
};

// "0xB0A1-0xB0FE" (or decimal) as the first and last code; false unless it is that.
bool ParseCodes(const std::string& text, unsigned long& first, unsigned long& last) {
    const std::size_t dash = text.find('-', 1);
    if (dash == std::string::npos) return false;
    try {
        std::size_t used1 = 0, used2 = 0;
        const std::string a = text.substr(0, dash), b = text.substr(dash + 1);
        if (a.empty() || b.empty() || a[0] == '-' || b[0] == '-') return false;
        first = std::stoul(a, &used1, 0);
        last = std::stoul(b, &used2, 0);
        return used1 == a.size() && used2 == b.size() && first <= last && last <= 0xFFFF;
    } catch (const std::exception&) {
        return false;
    }
}

// Why the whole sheet cannot be drawn, and what would do.
std::string TooBig(const CGlyphSet& set, int scale) {
    for (int smaller = scale - 1; smaller >= 1; --smaller)
        if (ContactSheetPixels(set, smaller) <= kMaxSheetPixels)
            return "the sheet would be too big at --scale " + std::to_string(scale) + "; --scale " +
                   std::to_string(smaller) + " fits";
    const int64_t perGlyph = std::max<int64_t>(1, ContactSheetPixels(set, 1) / set.Count());
    return "the sheet of " + std::to_string(set.Count()) +
           " glyphs would be too big even at --scale 1; show part of them with --codes FIRST-LAST "
           "(about " +
           std::to_string(kMaxSheetPixels / perGlyph) + " fit at --scale 1)";
}

// "'가' (U+AC00)".
std::string Named(char32_t character) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(character));
    const bool printable = character >= 0x20 && character != 0x7F;
    return (printable ? "'" + EncodeUtf8(character) + "' (" : "(") + number + ")";
}

// A line of the text with the set's glyphs; the characters the set lacks are left blank and
// named in a warning.
std::vector<TextGlyph> LayOutTextWarning(const CGlyphSet& set, const std::vector<char32_t>& text,
                                         bool proportional) {
    const TextLine line = LayOutText(set, text, proportional);
    if (!line.missing.empty()) {
        std::string names;
        for (const char32_t character : line.missing)
            names += (names.empty() ? "" : ", ") + Named(character);
        Warn("the glyphs have no " +
             std::string(line.missing.size() == 1 ? "character " : "characters ") + names +
             " of --text: left blank");
    }
    return line.glyphs;
}

// Draws --text with the set's glyphs instead of the sheet.
int RunTextPreview(const PreviewOptions& options, const std::vector<char32_t>& text,
                   const CGlyphSet& set, const OutputFile& out) {
    if (set.range == RANGE_CUSTOM && !set.keepsCodes)
        return Fail("preview", "the glyphs of " + options.input.path +
                                   " have no character codes (a Custom set without a code "
                                   "table): --text needs a range or a set with its codes");
    if (options.proportional && !HasFontAdvances(set))
        Warn(options.input.path +
             " holds no advances of the font (they come with C source written with --metrics, "
             "from a face that is not fixed-pitch): --proportional draws the glyphs a cell apart");
    const std::vector<TextGlyph> line = LayOutTextWarning(set, text, options.proportional);
    if (TextLinePixels(set, line, options.scale) > kMaxSheetPixels)
        return Fail("preview", "the line would be too big at --scale " +
                                   std::to_string(options.scale) +
                                   "; give a shorter --text or a smaller --scale");
    const GrayImage image = DrawTextLine(set, line, options.scale, !options.proportional);
    if (Result saved = WritePng(image, out.Path()); !saved) return Fail("preview", saved.message);
    Status("Wrote %s (%dx%d pixels)\n", out.Shown().c_str(), image.width, image.height);
    return 0;
}

int RunPreview(const PreviewOptions& options) {
    unsigned long first = 0, last = 0xFFFF;
    if (!options.codes.empty() && !ParseCodes(options.codes, first, last))
        return UsageFail("preview", "--codes must be FIRST-LAST, e.g. 0xB0A1-0xB0FE, not \"" +
                                        options.codes + "\"");
    if (options.text && !options.codes.empty())
        return UsageFail("preview",
                         "--text and --codes do not go together: --text draws the "
                         "glyphs of its characters");
    if (options.proportional && !options.text)
        return UsageFail("preview", "--proportional is for --text");
    std::vector<char32_t> text;
    for (std::size_t at = 0; options.text && at < options.text->size();) {
        char32_t character = 0;
        if (!DecodeUtf8(*options.text, at, character))
            return UsageFail("preview",
                             "--text is not valid UTF-8 at byte offset " + std::to_string(at));
        text.push_back(character);
    }
    if (options.text && text.empty())
        return UsageFail("preview", "--text is empty: give the characters to draw");
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
    PrintRead(options.input.path,
              FileKindName(IsBinaryInput(options.input) ? FileForm::Binary : FileForm::CSource),
              set);
    if (options.text) return RunTextPreview(options, text, set, out);
    for (int n = set.Count() - 1; n >= 0; --n)
        if (set.glyphs[n]->code < first || set.glyphs[n]->code > last) set.RemoveGlyphAt(n);
    if (set.Count() == 0)
        return Fail("preview",
                    "no glyph of " + options.input.path + " has a code in " + options.codes);
    if (ContactSheetPixels(set, options.scale) > kMaxSheetPixels)
        return Fail("preview", TooBig(set, options.scale));

    CLabelPainter labels;
    const GrayImage sheet = DrawContactSheet(set, options.scale, &labels);
    if (Result saved = WritePng(sheet, out.Path()); !saved) return Fail("preview", saved.message);
    if (!labels.Ready()) Status("No font for the labels: the sheet has none\n");
    Status("Wrote %s (%dx%d pixels)\n", out.Shown().c_str(), sheet.width, sheet.height);
    return 0;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* cmd = app.add_subcommand(
        "preview",
        "Write a PNG contact sheet of the glyphs of a .fnt or C source file, or a line of text "
        "drawn with them");
    cmd->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    AddGlyphFileInput(*cmd, options->input);
    cmd->add_option("--scale", options->scale, "Magnification of the glyphs, 1-16")
        ->capture_default_str();
    cmd->add_option("--codes", options->codes,
                    "Show only the glyphs with codes FIRST-LAST (e.g. 0xB0A1-0xB0FE)")
        ->type_name("FIRST-LAST");
    cmd->add_option("--text", options->text,
                    "Draw this UTF-8 text on one baseline with the glyphs instead of the sheet");
    cmd->add_flag("--proportional", options->proportional,
                  "With --text: advance each glyph by the font's own advance (C source written "
                  "with --metrics), not by its cell");
    cmd->add_option("-o,--output", options->out, "PNG file to write; - = standard output")
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
        ->required();
    AddOutputFormat(*cmd, options->format, true);
    AddQuietFlag(*cmd);
    cmd->callback([options, &exitCode] { exitCode = RunPreview(*options); });
}

}  // namespace brivo
