// Fonts: LOGFONT faces resolved to pinned installed font files, rendered
// with FreeType in 1-bit coverage so that text is the same everywhere.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gdi/gdidefs.h"

namespace gdi {

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
    // Null when no face has the character.
    virtual const GlyphImage* glyph(char32_t code) = 0;
};

// The shared instance for a LOGFONT; never null (without font files it
// draws nothing but still measures).
FontInstance& fontFor(const LOGFONT& log);

// The font file a face resolves to (for tests and diagnostics).
std::string fontFileFor(const LOGFONT& log);

std::u32string decodeUtf8(const char* text, size_t length);

}  // namespace gdi
