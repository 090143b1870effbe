#include "cli/ExtractCommand.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/GlyphFileInput.h"
#include "extract/ExtractWorker.h"
#include "extract/FontResolver.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/OutputForm.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

namespace brivo {

namespace {

struct ExtractOptions {
    // --except-unused and --threshold go straight in; MakeSettings fills in the rest.
    ExtractSettings settings;
    std::string range = "hangul";
    std::string face = "굴림체";
    int height = -16;
    int weight = 400;
    bool italic = false, underline = false, strikeout = false;
    std::string boldGroups = "255", italicGroups = "255";
    std::string size = "16x16";
    std::string offset = "0,0";
    std::string render = "auto";
    bool noFallback = false;
    bool strict = false;
    std::string array = "2d";
    int skip = 0;
    LayoutOptions layout;
    std::string out;
    std::string format;
    bool rangeGiven = false;
    std::vector<std::string> chars, charsFiles;
    bool skipUnmapped = false;
    bool metrics = false, proportional = false;
    GlyphFileOutput output;
};

// --bpp above 1 needs a form that holds grey glyphs, packed in rows.
Result CheckDepthOptions(const ExtractOptions& options, FileForm form) {
    const int bpp = options.settings.bpp;
    if (bpp > FormOf(form).carries.maxBpp)
        return Result::Failure("--bpp " + std::to_string(bpp) + ": " +
                               DepthRefusal(FormOf(form), bpp));
    BitLayout packed;
    if (Result depth =
            LayoutAtDepth(AskedLayout(options.layout).value_or(BitLayout{}), bpp, packed);
        !depth)
        return Result::Failure("--bpp " + std::to_string(bpp) + ": " + depth.message);
    return Result::Success();
}

// --metrics and --proportional need a form that holds each glyph's metrics.
Result CheckMetricsOptions(const ExtractOptions& options, FileForm form) {
    if (options.metrics && !FormOf(form).carries.metrics)
        return Result::Failure("--metrics: a .fnt file holds no metrics; write C source or BDF");
    if (!options.proportional) return Result::Success();
    if (form != FileForm::CSource && FormOf(form).carries.metrics) return Result::Success();
    if (form != FileForm::CSource || !options.metrics)
        return Result::Failure(
            "--proportional needs a form that holds each glyph's advance and ink box: BDF, a "
            "display library's font, or C source with --metrics");
    if (AskedLayout(options.layout).value_or(BitLayout{}) != BitLayout{})
        return Result::Failure(
            "--proportional crops glyphs in rows, the default layout: leave out --scan and "
            "--bit-order");
    return Result::Success();
}

bool ParseMask(const std::string& text, uint32_t& mask) {
    try {
        std::size_t used = 0;
        const unsigned long value = std::stoul(text, &used, 0);
        if (used != text.size() || value > 0xFF) return false;
        mask = static_cast<uint32_t>(value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The characters of --chars and --chars-file, with the codes of --range when it is given
// too. Characters without a code fail, listed in `details`, unless --skip-unmapped (then a
// warning).
Result MakeSubset(const ExtractOptions& options, ExtractSettings& settings,
                  std::vector<std::string>& details) {
    CCharacterSubset subset;
    for (const std::string& text : options.chars)
        if (Result added = subset.AddText(text, "--chars"); !added) return added;
    for (const std::string& path : options.charsFiles)
        if (Result added = subset.AddFile(path); !added) return added;
    if (!subset.Unmapped().empty()) {
        std::vector<std::string> list;
        for (const UnmappedCharacter& character : subset.Unmapped())
            list.push_back(DescribeUnmapped(character));
        const std::string count = std::to_string(subset.Unmapped().size());
        if (!options.skipUnmapped) {
            details = std::move(list);
            return Result::Failure(count + " characters are not in ASCII or KS X 1001 (" +
                                   "--skip-unmapped leaves them out):");
        }
        Warn("left out " + count + " characters:", list);
    }
    if (options.rangeGiven)
        subset.AddCodes(
            RangeCodes(*RangeFromKeyword(options.range), options.settings.exceptUnused));
    settings.range = RANGE_CUSTOM;
    settings.codes = subset.Codes();
    if (settings.codes.empty()) return Result::Failure("the text has no character to extract");
    return Result::Success();
}

// Turns the options into extraction settings; the message names the first bad option.
// `usage` tells a malformed or out-of-range option value from a fault of the text or the
// output file.
Result MakeSettings(const ExtractOptions& options, ExtractSettings& settings, CGlyphSet& set,
                    std::vector<std::string>& details, bool& usage) {
    settings = options.settings;
    settings.range = *RangeFromKeyword(options.range);
    if (!options.chars.empty() || !options.charsFiles.empty())
        if (Result subset = MakeSubset(options, settings, details); !subset) return subset;
    usage = true;
    if (!ParsePair(options.size, 'x', settings.fontSizeX, settings.fontSizeY))
        return Result::Failure("--size must be WIDTHxHEIGHT, e.g. 16x16, not \"" + options.size +
                               "\"");
    if (!ParsePair(options.offset, ',', settings.offsetX, settings.offsetY))
        return Result::Failure("--offset must be X,Y, e.g. 0,-2, not \"" + options.offset + "\"");
    if (!ParseMask(options.boldGroups, set.boldGroups))
        return Result::Failure("--bold-groups must be a mask from 0 to 255 (0xFF)");
    if (!ParseMask(options.italicGroups, set.italicGroups))
        return Result::Failure("--italic-groups must be a mask from 0 to 255 (0xFF)");
    settings.renderMode = options.render == "mono"   ? RenderMode::Mono
                          : options.render == "gray" ? RenderMode::Gray
                                                     : RenderMode::Auto;
    settings.fallback = !options.noFallback;
    LogFont& font = settings.logFont;
    font.faceName = options.face;
    font.height = options.height;
    font.weight = options.weight;
    font.italic = options.italic;
    font.underline = options.underline;
    font.strikeOut = options.strikeout;
    if (Result valid = settings.Validate(); !valid) return valid;
    if (Result name = CheckArrayName(options.output.name, "--name"); !name) return name;
    usage = false;
    return CheckOutputTarget(options.out == "-" ? "/dev/stdout" : options.out);
}

int Fail(const std::string& message, const std::vector<std::string>& details = {}) {
    return brivo::Fail("extract", message, details);
}

// "0xa2e6"
std::string CodeText(uint16_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", code);
    return text;
}

// "NanumGothicCoding Regular (2350 glyphs), Baekmuk Gulim Regular (4888)"
std::string FontsText(const std::vector<FontUse>& fonts) {
    if (fonts.empty()) return "no font drew a glyph";
    std::string text;
    for (const FontUse& use : fonts) {
        if (!text.empty()) text += ", ";
        text += use.name + " (" + std::to_string(use.glyphs) + (text.empty() ? " glyphs)" : ")");
    }
    return text;
}

int RunExtract(const ExtractOptions& options) {
    OutputFile out;
    if (Result resolved = ResolveOutput(options.out, options.format, false, out); !resolved)
        return UsageFail("extract", resolved.message);
    if (Result checked = CheckGlyphFileOutput(options.output, out); !checked)
        return UsageFail("extract", checked.message);
    if (Result metrics = CheckMetricsOptions(options, out.form); !metrics)
        return UsageFail("extract", metrics.message);
    if (Result depth = CheckDepthOptions(options, out.form); !depth)
        return UsageFail("extract", depth.message);
    // A character subset keeps its codes in a code table, which a .fnt file has beside it.
    if (out.ToStdout() && out.form == FileForm::Binary &&
        (!options.output.index.empty() || !options.chars.empty() || !options.charsFiles.empty()))
        return UsageFail("extract",
                         "a .fnt file on standard output cannot have its code table beside it: "
                         "write it to a file, or write C source, which holds the table");
    CGlyphSet set;
    ExtractSettings settings;
    std::vector<std::string> details;
    bool usage = false;
    if (Result ok = MakeSettings(options, settings, set, details, usage); !ok)
        return usage ? UsageFail("extract", ok.message) : Fail(ok.message, details);
    if (Result writable = CheckOutputTargets(out, options.output); !writable)
        return Fail(writable.message);

    // fontconfig answers a family it does not know with another one: say which.
    if (ResolvedFont resolved;
        CFontResolver::Instance().Resolve(settings.logFont, resolved) && resolved.substituted) {
        const std::string message =
            "no font family \"" + options.face + "\": drawing with " + resolved.family;
        if (options.strict) return Fail(message + " (--strict)");
        brivo::Fail("extract", message);
    }

    CExtractWorker worker;
    BitLayout layout = AskedLayout(options.layout).value_or(BitLayout{});
    layout.bpp = static_cast<uint8_t>(settings.bpp);  // rows, by CheckDepthOptions
    // A .fnt without a code table needs nothing but the glyphs in code order: each is packed
    // and written as soon as it is rendered, instead of the whole set being held first.
    std::unique_ptr<safefile::SafeFileWriter> stream;
    std::unique_ptr<GlyphPacker> packer;
    if (out.form == FileForm::Binary && options.output.index.empty() &&
        settings.range != RANGE_CUSTOM) {
        const int width = settings.HalfWidth() ? settings.fontSizeX / 2 : settings.fontSizeX;
        packer = std::make_unique<GlyphPacker>(width, settings.fontSizeY, layout);
        stream = std::make_unique<safefile::SafeFileWriter>(out.Path());
        stream->Write(std::string(static_cast<std::size_t>(options.skip), '\0'));
        worker.SetGlyphSink(
            [&stream, &packer](const CGlyph& glyph) { stream->Write(packer->Pack(&glyph)); });
    }
    if (Result started = worker.StartExtraction(settings, set); !started)
        return Fail(started.message);
    worker.Wait();
    const ExtractOutcome& outcome = worker.LastOutcome();
    if (outcome.end == ExtractEnd::FontFailed) return Fail(outcome.message);
    if (outcome.missingGlyphs == set.Count())
        return Fail("the font " + outcome.resolvedFont + " has no glyph for any code of " +
                    set.GetRangeName(false) + " (is \"" + options.face + "\" installed?)");
    // Control codes have no glyph in any font: only a blank printable character counts.
    if (options.strict) {
        std::vector<std::string> blank;
        for (const uint16_t code : outcome.lackingCodes)
            if (code > 0x20 && code != 0x7F) blank.push_back(CodeText(code));
        if (!blank.empty()) {
            const std::string count = std::to_string(blank.size());
            if (blank.size() > 10) blank.resize(10);
            return Fail(
                count + " characters came out blank: " +
                    (options.noFallback ? "the font lacks them" : "no installed font has them") +
                    " (--strict)",
                blank);
        }
    }
    set.fontDescription = FontDescriptionText(settings.logFont);

    const bool doubleArray = options.array == "2d";
    TextArrayOptions array;
    if (Result prepared = PrepareOutput(options.output, set, array); !prepared)
        return Fail(prepared.message);
    array.metrics = options.metrics;
    array.proportional = options.proportional;
    const Result saved = stream ? CommitFontFile(*stream, out.Path(), set.glyphs.size())
                                : SaveGlyphFile(set, out, options.skip, doubleArray, array, layout,
                                                options.output.compress);
    if (!saved) return Fail(saved.message);

    Status("Font: %s -> %s\n", options.face.c_str(), FontsText(outcome.fonts).c_str());
    Status("Glyphs: %d, %s, %dx%d\n", set.Count(), set.GetRangeName(false).c_str(), set.width,
           set.height);
    Status("No glyph: %d codes (%d unassigned in KS X 1001, %d characters %s)\n",
           outcome.missingGlyphs, outcome.unassignedCodes,
           outcome.missingGlyphs - outcome.unassignedCodes,
           options.noFallback ? "the font lacks" : "no installed font has");
    if (outcome.greyGlyphs > 0)
        Status("%d glyph%s drawn in greyscale: too thin for monochrome\n", outcome.greyGlyphs,
               outcome.greyGlyphs == 1 ? "" : "s");
    PrintWrote(out, doubleArray, array, layout);
    return 0;
}

}  // namespace

void AddExtractCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ExtractOptions>();
    CLI::App* cmd = app.add_subcommand(
        "extract",
        "Render a code range or the characters of a text of an installed font into a .fnt, C "
        "source or BDF file");
    cmd->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* range = cmd->add_option("--range", options->range,
                                         "Code range; with --chars or --chars-file, added to "
                                         "their characters")
                             ->check(CLI::IsMember(RangeKeywords(false)))
                             ->capture_default_str();
    cmd->add_option("--chars", options->chars,
                    "Extract only these characters (UTF-8; ASCII and KS X 1001), in code order, "
                    "each keeping its code; may be repeated")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false)
        ->type_name("TEXT");
    cmd->add_option("--chars-file", options->charsFiles,
                    "Extract only the characters of this UTF-8 text file (control characters, "
                    "line ends and a byte-order mark are ignored; - reads standard input; at most "
                    "16 MiB); may be repeated")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false)
        ->type_name("FILE");
    cmd->add_flag("--skip-unmapped", options->skipUnmapped,
                  "Leave out characters that are not ASCII or KS X 1001 with a warning, "
                  "instead of failing");
    cmd->add_flag("--except-unused", options->settings.exceptUnused,
                  "Leave out the unused lead bytes 0xAD-0xAF and 0xC9");
    cmd->add_option("--font", options->face, "Font face name, or the path of a font file")
        ->capture_default_str();
    cmd->add_option("--height", options->height,
                    "Font height in pixels: negative = character height, positive = cell height")
        ->capture_default_str();
    cmd->add_option("--weight", options->weight, "Font weight, 1-1000; 700 and more is bold")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    cmd->add_flag("--italic", options->italic, "Italic");
    cmd->add_flag("--underline", options->underline, "Underline");
    cmd->add_flag("--strikeout", options->strikeout, "Strike-out");
    cmd->add_option("--bold-groups", options->boldGroups,
                    "Lead-byte groups that stay bold (mask, 0-255)")
        ->capture_default_str();
    cmd->add_option("--italic-groups", options->italicGroups,
                    "Lead-byte groups that stay italic (mask, 0-255)")
        ->capture_default_str();
    cmd->add_option("--size", options->size, "Glyph cell WIDTHxHEIGHT, 1-256 each")
        ->capture_default_str();
    cmd->add_option("--offset", options->offset, "Text origin X,Y inside the cell")
        ->capture_default_str();
    cmd->add_option("--threshold", options->settings.threshold,
                    "A greyscale pixel is ink when 255 - coverage is below this (1-255); "
                    "monochrome glyphs ignore it")
        ->capture_default_str();
    cmd->add_option("--render", options->render,
                    "Rasterising: auto = hinted monochrome, greyscale only for glyphs too thin "
                    "for it; mono; gray (thresholded)")
        ->check(CLI::IsMember({"auto", "mono", "gray"}))
        ->capture_default_str();
    cmd->add_option("--bpp", options->settings.bpp,
                    "Bits per pixel: 1, or 2, 4 or 8 for anti-aliased glyphs from FreeType's "
                    "greyscale, quantised evenly (LVGL, C source and .fnt; packed in rows, the "
                    "first pixel in the top bits)")
        ->check(CLI::IsMember({1, 2, 4, 8}))
        ->capture_default_str();
    cmd->add_flag("--no-fallback", options->noFallback,
                  "Draw only with the font the face resolves to; codes it lacks stay blank");
    cmd->add_flag("--strict", options->strict,
                  "Fail, writing nothing, when --font names no installed family or a character "
                  "comes out blank for want of a glyph");
    cmd->add_option("--array", options->array, "C source array form")
        ->check(CLI::IsMember({"1d", "2d"}))
        ->capture_default_str();
    cmd->add_option("--skip", options->skip, "Zero bytes before the records of a .fnt file")
        ->check(CLI::Range(0, kMaxSkipBytes))
        ->capture_default_str();
    AddGlyphFileOutput(*cmd, options->output);
    cmd->add_flag("--metrics", options->metrics,
                  "C source: the font's ascent, descent and line height and each glyph's "
                  "advance and ink box in tables after the glyph array");
    cmd->add_flag("--proportional", options->proportional,
                  "Crop each glyph to its ink and give it the font's own advance (a fixed-pitch "
                  "face keeps the cell): BDF, or C source with --metrics");
    AddLayoutOptions(*cmd, options->layout, "", false);
    cmd->add_option("-o,--output", options->out, OutputFileHelp())
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
        ->required();
    AddOutputFormat(*cmd, options->format, false);
    AddQuietFlag(*cmd);
    cmd->footer(
        "\nExample: the strings of a menu as a 16x16 font with its code table (about 5 KB\n"
        "for 150 characters; firmware finds a glyph by binary search on menu_font_codes):\n"
        "  brivo-cli extract --chars-file menu.txt --name menu_font -o menu_font.h");
    cmd->callback([options, range, &exitCode] {
        options->rangeGiven = range->count() > 0;
        exitCode = RunExtract(*options);
    });
}

}  // namespace brivo
