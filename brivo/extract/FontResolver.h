#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "glyph/LogFont.h"
#include "glyph/Result.h"

namespace brivo {

// The installed font file that a face name, weight and italic flag stand for, and what has
// to be synthesised because the family lacks that face.
struct ResolvedFont {
    std::string file;
    int faceIndex = 0;
    std::string family;
    std::string style;
    bool embolden = false;  // bold asked for, the family has no bold face
    bool oblique = false;   // italic asked for, the family has no italic face
    // No installed family and no alias of ours has the face's name: fontconfig put another
    // family in its place.
    bool substituted = false;

    std::string Name() const;      // "UnDotum Regular", "Foo Regular (emboldened)"
    std::string Describe() const;  // "UnDotum Regular (/usr/share/fonts/...)"
    bool SameFile(const ResolvedFont& other) const {
        return file == other.file && faceIndex == other.faceIndex;
    }
};

// The installed fonts in fontconfig's fallback order for one face, each with the set of
// characters it has: desktop text rendering takes a character the face lacks from the first
// of them that has it. Read-only once made, so threads may share it.
class CFallbackFonts {
public:
    CFallbackFonts() = default;
    ~CFallbackFonts();
    CFallbackFonts(const CFallbackFonts&) = delete;
    CFallbackFonts& operator=(const CFallbackFonts&) = delete;

    // The position of the first font that has `character`, or -1.
    int Find(char32_t character) const;
    const ResolvedFont& Font(int position) const { return fonts[position]; }
    int Count() const { return static_cast<int>(fonts.size()); }

private:
    friend class CFontResolver;
    std::vector<ResolvedFont> fonts;
    std::vector<void*> charsets;  // FcCharSet*, one per font
};

// Finds fonts through fontconfig, with our alias file loaded on top of the system
// configuration so that the Windows face names of the default fonts ("굴림체", "굴림",
// "GulimChe", "Gulim") resolve to an installed Korean font covering KS X 1001.
// A face name containing '/' is taken as the path of a font file.
class CFontResolver {
public:
    static CFontResolver& Instance();

    Result Resolve(const LogFont& font, ResolvedFont& resolved);

    // The fallback order for the face, weight and slant of `font`; empty for a font file
    // given by its path (that file is used alone).
    std::shared_ptr<const CFallbackFonts> Fallbacks(const LogFont& font);

    // The alias file in use (BRIVO_FONT_ALIASES overrides the built-in path).
    static std::string AliasFile();

private:
    CFontResolver() = default;
    ~CFontResolver();
    Result LoadConfig();
    void* Pattern(const std::string& face, bool bold, bool italic);  // FcPattern*, substituted
    Result Match(const std::string& face, bool bold, bool italic, ResolvedFont& resolved);

    std::mutex lock;
    void* config = nullptr;  // FcConfig*, made on first use
    std::map<std::string, ResolvedFont> cache;
    std::map<std::string, std::shared_ptr<const CFallbackFonts>> fallbackCache;
};

}  // namespace brivo
