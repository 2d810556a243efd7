// What the font cache would hold if a drawing's own text were all it had
// seen: the fonts and glyphs the drawing has made it drop, and must open or
// render again. Metafile playback counts that work from it, the same for a
// drawing whatever was drawn before.
#pragma once

#include <cstdint>
#include <string>

#include "gdi/font.h"
#include "gdi/least_recently_used.h"

namespace gdi {

class FontCacheModel {
public:
    struct Work {
        int fontsOpened = 0;
        double renderedPixels = 0;  // the cells of the glyphs rendered
    };

    // Text drawn in a font whose cells, as the turn draws them, have the
    // given area and height, each glyph looked up as drawing does: once to
    // measure, once to paint.
    Work Draw(uint64_t font, const std::u32string& text, uint64_t cell, long height, const GlyphTransform& turn = {});

private:
    struct Use {
        uint64_t font;
        char32_t code;
        GlyphTransform turn;
        bool operator==(const Use& o) const { return font == o.font && code == o.code && turn == o.turn; }
    };
    struct UseHash {
        size_t operator()(const Use& u) const { return (std::hash<uint64_t>()(u.font) * 31 + u.code) * 31 + u.turn.hash(); }
    };
    static constexpr char32_t kWhole = 0xFFFFFFFF;

    // False when the use is new: the cache is then trimmed.
    bool Touch(const Use& use, size_t bytes);

    LeastRecentlyUsed<Use, UseHash> m_held;
};

}  // namespace gdi
