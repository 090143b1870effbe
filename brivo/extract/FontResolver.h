#pragma once

#include <map>
#include <mutex>
#include <string>

#include "extract/LogFont.h"
#include "glyph/Result.h"

// The installed font file that a face name, weight and italic flag stand for, and what has
// to be synthesised because the family lacks that face.
struct ResolvedFont {
    std::string file;
    int faceIndex = 0;
    std::string family;
    std::string style;
    bool embolden = false;  // bold asked for, the family has no bold face
    bool oblique = false;   // italic asked for, the family has no italic face

    std::string Describe() const;  // "UnDotum Regular (/usr/share/fonts/...)"
};

// Finds fonts through fontconfig, with our alias file loaded on top of the system
// configuration so that the Windows face names of the default fonts ("굴림체", "굴림",
// "GulimChe", "Gulim") resolve to an installed Korean font covering KS X 1001.
// A face name containing '/' is taken as the path of a font file.
class CFontResolver {
public:
    static CFontResolver& Instance();

    Result Resolve(const LogFont& font, ResolvedFont& resolved);

    // The alias file in use (BRIVO_FONT_ALIASES overrides the built-in path).
    static std::string AliasFile();

private:
    CFontResolver() = default;
    ~CFontResolver();
    Result Match(const std::string& face, bool bold, bool italic, ResolvedFont& resolved);

    std::mutex lock;
    void* config = nullptr;  // FcConfig*, made on first use
    std::map<std::string, ResolvedFont> cache;
};
