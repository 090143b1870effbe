#include "extract/FontResolver.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <filesystem>

namespace brivo {

#ifndef BRIVO_FONT_ALIASES
#define BRIVO_FONT_ALIASES ""
#endif

std::string ResolvedFont::Name() const {
    std::string text = family;
    if (!style.empty()) text += " " + style;
    if (embolden) text += " (emboldened)";
    if (oblique) text += " (slanted)";
    return text;
}

std::string ResolvedFont::Describe() const { return Name() + " (" + file + ")"; }

CFallbackFonts::~CFallbackFonts() {
    for (void* charset : charsets) FcCharSetDestroy(static_cast<FcCharSet*>(charset));
}

int CFallbackFonts::Find(char32_t character) const {
    for (std::size_t i = 0; i < charsets.size(); ++i)
        if (FcCharSetHasChar(static_cast<const FcCharSet*>(charsets[i]), character))
            return static_cast<int>(i);
    return -1;
}

CFontResolver& CFontResolver::Instance() {
    static CFontResolver resolver;
    return resolver;
}

CFontResolver::~CFontResolver() {
    if (config != nullptr) FcConfigDestroy(static_cast<FcConfig*>(config));
}

std::string CFontResolver::AliasFile() {
    if (const char* path = std::getenv("BRIVO_FONT_ALIASES"); path != nullptr && *path != 0)
        return path;
    // An installed program finds the file beside its own prefix; a program in the build
    // tree uses the one in the source tree.
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = exe.parent_path().parent_path() / "share/brivo" /
                               std::filesystem::path(BRIVO_FONT_ALIASES).filename();
        if (std::filesystem::is_regular_file(installed, error)) return installed;
    }
    return BRIVO_FONT_ALIASES;
}

namespace {

std::string PatternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch) return {};
    return reinterpret_cast<const char*>(value);
}

int PatternInt(FcPattern* pattern, const char* object, int fallback) {
    int value = fallback;
    FcPatternGetInteger(pattern, object, 0, &value);
    return value;
}

}  // namespace

Result CFontResolver::Resolve(const LogFont& font, ResolvedFont& resolved) {
    const bool bold = font.weight >= kBoldWeight;
    const bool italic = font.italic != 0;
    if (font.faceName.empty()) return Result::Failure("no font face given");
    if (font.faceName.find('/') != std::string::npos) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(font.faceName, error))
            return Result::Failure("font file not found: " + font.faceName);
        resolved = ResolvedFont{
            font.faceName, 0, std::filesystem::path(font.faceName).stem(), "", bold, italic};
        return Result::Success();
    }
    std::lock_guard guard(lock);
    const std::string key = font.faceName + (bold ? "|b" : "|") + (italic ? "i" : "");
    if (auto hit = cache.find(key); hit != cache.end()) {
        resolved = hit->second;
        return Result::Success();
    }
    Result result = Match(font.faceName, bold, italic, resolved);
    if (result) cache.emplace(key, resolved);
    return result;
}

namespace {

// What a matched pattern stands for; false when it names no file.
bool FillResolved(FcPattern* match, bool bold, bool italic, ResolvedFont& resolved) {
    resolved.file = PatternString(match, FC_FILE);
    resolved.faceIndex = PatternInt(match, FC_INDEX, 0);
    resolved.family = PatternString(match, FC_FAMILY);
    resolved.style = PatternString(match, FC_STYLE);
    // The system configuration marks a face that lacks bold or italic with embolden and a
    // slant matrix (reporting the asked-for weight and slant); without it, weight and
    // slant tell.
    FcBool emboldenHint = FcFalse;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &emboldenHint);
    FcMatrix* matrix = nullptr;
    const bool slantHint = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch &&
                           matrix != nullptr && matrix->xy != 0;
    resolved.embolden = bold && (emboldenHint || PatternInt(match, FC_WEIGHT, FC_WEIGHT_REGULAR) <
                                                     FC_WEIGHT_DEMIBOLD);
    resolved.oblique =
        italic && (slantHint || PatternInt(match, FC_SLANT, FC_SLANT_ROMAN) == FC_SLANT_ROMAN);
    return !resolved.file.empty();
}

}  // namespace

Result CFontResolver::LoadConfig() {
    if (config != nullptr) return Result::Success();
    FcConfig* fresh = FcInitLoadConfig();
    if (fresh == nullptr) return Result::Failure("fontconfig cannot be initialised");
    const std::string aliases = AliasFile();
    if (!aliases.empty())
        FcConfigParseAndLoad(fresh, reinterpret_cast<const FcChar8*>(aliases.c_str()), FcFalse);
    if (!FcConfigBuildFonts(fresh)) {
        FcConfigDestroy(fresh);
        return Result::Failure("fontconfig cannot list the installed fonts");
    }
    config = fresh;
    return Result::Success();
}

void* CFontResolver::Pattern(const std::string& face, bool bold, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(static_cast<FcConfig*>(config), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

namespace {

// Whether `match` is a font of the face itself, or of a family an alias puts before it
// ("굴림체" -> NanumGothicCoding): a family only found after the face in the substituted
// pattern is fontconfig's stand-in for a name it does not know.
bool MatchesFace(FcPattern* pattern, FcPattern* match, const std::string& face) {
    const auto* name = reinterpret_cast<const FcChar8*>(face.c_str());
    std::vector<const FcChar8*> wanted;
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        wanted.push_back(family);
        if (FcStrCmpIgnoreCase(family, name) == 0) break;
    }
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        for (const FcChar8* one : wanted)
            if (FcStrCmpIgnoreCase(family, one) == 0) return true;
    return false;
}

}  // namespace

Result CFontResolver::Match(const std::string& face, bool bold, bool italic,
                            ResolvedFont& resolved) {
    if (Result loaded = LoadConfig(); !loaded) return loaded;
    auto* pattern = static_cast<FcPattern*>(Pattern(face, bold, italic));
    FcResult status = FcResultNoMatch;
    FcPattern* match = FcFontMatch(static_cast<FcConfig*>(config), pattern, &status);
    const bool found = match != nullptr && FillResolved(match, bold, italic, resolved);
    if (found) resolved.substituted = !MatchesFace(pattern, match, face);
    FcPatternDestroy(pattern);
    if (match != nullptr) FcPatternDestroy(match);
    if (!found) return Result::Failure("no installed font matches \"" + face + "\"");
    return Result::Success();
}

std::shared_ptr<const CFallbackFonts> CFontResolver::Fallbacks(const LogFont& font) {
    auto fallbacks = std::make_shared<CFallbackFonts>();
    if (font.faceName.empty() || font.faceName.find('/') != std::string::npos) return fallbacks;
    const bool bold = font.weight >= kBoldWeight;
    const bool italic = font.italic != 0;
    std::lock_guard guard(lock);
    const std::string key = font.faceName + (bold ? "|b" : "|") + (italic ? "i" : "");
    if (auto hit = fallbackCache.find(key); hit != fallbackCache.end()) return hit->second;
    if (!LoadConfig()) return fallbacks;

    auto* fc = static_cast<FcConfig*>(config);
    auto* pattern = static_cast<FcPattern*>(Pattern(font.faceName, bold, italic));
    FcResult status = FcResultNoMatch;
    FcCharSet* coverage = nullptr;
    if (FcFontSet* sorted = FcFontSort(fc, pattern, FcTrue, &coverage, &status)) {
        for (int i = 0; i < sorted->nfont; ++i) {
            FcCharSet* charset = nullptr;
            if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch)
                continue;
            FcPattern* prepared = FcFontRenderPrepare(fc, pattern, sorted->fonts[i]);
            ResolvedFont resolved;
            if (prepared != nullptr && FillResolved(prepared, bold, italic, resolved)) {
                fallbacks->fonts.push_back(resolved);
                fallbacks->charsets.push_back(FcCharSetCopy(charset));
            }
            if (prepared != nullptr) FcPatternDestroy(prepared);
        }
        FcFontSetDestroy(sorted);
    }
    if (coverage != nullptr) FcCharSetDestroy(coverage);
    FcPatternDestroy(pattern);
    fallbackCache.emplace(key, fallbacks);
    return fallbacks;
}

}  // namespace brivo
