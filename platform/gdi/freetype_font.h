// A LOGFONT's glyphs rendered by FreeType in 1-bit coverage, from faces
// that every instance shares: each font file is opened once per process and
// an instance holds only its own sizes of them, a few kilobytes. The shared
// faces allow one rendering at a time in the process: callers serialise
// every use (the font cache does).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "gdi/font.h"

namespace gdi {

struct FaceFiles;

class FreeTypeFont {
public:
    explicit FreeTypeFont(const LOGFONT& log);
    ~FreeTypeFont();
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;

    const FontMetrics& metrics() const { return metrics_; }
    // False when no face has the character, or its turned ink would be
    // larger than any upright glyph.
    bool render(char32_t code, const GlyphTransform& turn, GlyphImage& g);

    // The bytes FreeType holds for every face and size in the process.
    static size_t libraryBytes();

private:
    struct Sized {
        FT_Face face = nullptr;
        FT_Size size = nullptr;  // made the first time the face renders
        bool emboldenSynthetic = false;
        bool slantSynthetic = false;
    };

    void addFace(const FaceFiles& files, bool bold, bool italic);
    void computeMetrics();
    bool sizeFor(Sized& s);
    bool renderFrom(Sized& s, FT_UInt index, const GlyphTransform& turn, GlyphImage& g);

    LOGFONT log_;
    std::vector<Sized> faces_;
    FontMetrics metrics_;
    long ppem26_ = 16 * 64;
    long ppemX26_ = 16 * 64;  // wider or narrower than ppem26_ for a font of a given width
};

}  // namespace gdi
