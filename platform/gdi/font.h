// Fonts: LOGFONT faces resolved to pinned installed font files, rendered
// with FreeType in 1-bit coverage so that text is the same everywhere, and
// held in a cache of bounded size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gdi/gdidefs.h"

namespace gdi {

// How a glyph is turned, stretched or sheared on the device: the device
// step, in 16.16 fixed point, of a step of one font pixel along the text
// (x) and one down from it (y), both axes pointing right and down. Upright
// text is the identity.
struct GlyphTransform {
    int32_t xx = 0x10000;
    int32_t xy = 0;
    int32_t yx = 0;
    int32_t yy = 0x10000;

    // From a matrix of doubles {xx, xy, yx, yy}, each entry held within +-4.
    static GlyphTransform of(const double m[4]);
    bool identity() const { return xx == 0x10000 && xy == 0 && yx == 0 && yy == 0x10000; }
    // Quarter turns and mirrors move whole pixels.
    bool byQuarters() const;
    bool operator==(const GlyphTransform& o) const { return xx == o.xx && xy == o.xy && yx == o.yx && yy == o.yy; }
    size_t hash() const;
};

// Set pixels [x0, x1) of a glyph's row.
struct GlyphRun {
    int row;
    int x0;
    int x1;
};

struct GlyphImage {
    int left = 0;     // ink offset from the pen position
    int top = 0;      // ink top above the baseline
    int width = 0;
    int rows = 0;
    int pitch = 0;    // bytes per row of bits, most significant bit first
    int advance = 0;
    std::vector<uint8_t> bits;
    // The set pixels row by row, found once: text is painted from them.
    std::vector<GlyphRun> runs;
    bool isSet(int x, int y) const { return (bits[static_cast<size_t>(y) * pitch + x / 8] >> (7 - x % 8)) & 1; }
    void findRuns();
    // The pixels moved by a quarter turn or mirror (a transform whose
    // entries are 0 and whole ones), pixel for pixel.
    void turnByQuarters(const GlyphTransform& turn);
};

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
};

class FontInstance {
public:
    virtual ~FontInstance() = default;
    virtual const FontMetrics& metrics() const = 0;
    // Null when no face has the character. The glyph stays whole while it
    // is held, however the cache is trimmed meanwhile. Its ink is turned by
    // the transform; its advance is the upright one, along the text.
    virtual std::shared_ptr<const GlyphImage> glyph(char32_t code, const GlyphTransform& turn = {}) = 0;
};

// Fonts of one key render alike, whatever face names they give: the face
// family, weight, slant, height and width.
uint64_t fontKeyOf(const LOGFONT& log);

// The shared instance for a LOGFONT; never null (without font files it
// draws nothing but still measures). The cache keeps it while it is held.
std::shared_ptr<FontInstance> fontFor(const LOGFONT& log);

// The bytes the font cache may hold once trimmed: fonts, glyphs and
// FreeType's memory for them and for the faces they share.
constexpr size_t kFontCacheLimit = 16 << 20;

struct FontCacheCount {
    size_t bytes = 0;    // held now
    size_t peak = 0;     // the most held after a font or glyph was added
    size_t fonts = 0;
    size_t glyphs = 0;   // characters looked up in each held font, those no face has included
    size_t entries = 0;  // fonts and glyphs in the order the cache drops them: fonts + glyphs
    size_t renders = 0;  // glyphs rendered since the process began
};

FontCacheCount fontCacheCount();

// The font file a face resolves to (for tests and diagnostics).
std::string fontFileFor(const LOGFONT& log);

std::u32string decodeUtf8(const char* text, size_t length);

}  // namespace gdi
