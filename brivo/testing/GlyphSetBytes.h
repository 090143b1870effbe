#pragma once

#include <QByteArray>

#include "glyph/GlyphSet.h"

namespace brivo::test {

// The set's bytes, glyph after glyph.
inline QByteArray SetBytes(const CGlyphSet& set) {
    QByteArray bytes;
    for (const GlyphPtr& glyph : set.glyphs)
        bytes.append(reinterpret_cast<const char*>(glyph->bits.get()), set.BytesPerGlyph());
    return bytes;
}

}  // namespace brivo::test
