// How a line of text lies on the device, and text drawn along it: what
// ExtTextOut draws for a font's escapement, and metafile playback for text
// that a world transform turns, stretches or mirrors.
#pragma once

#include "gdi/font.h"
#include "gdi/gdidefs.h"

namespace gdi {

// The line's matrix gives the device step {xx, xy, yx, yy} of one font
// pixel along the text (x) and one down from it (y), both axes pointing
// right and down: the pen's advance, the alignment about the reference
// point, the background and the underline follow it. The glyphs are turned
// by their own transform, the same as the line's but where characters are
// turned apart from their line.
struct TextFrame {
    double line[4] = {1, 0, 0, 1};
    GlyphTransform glyphs;

    bool upright() const { return line[0] == 1 && line[1] == 0 && line[2] == 0 && line[3] == 1 && glyphs.identity(); }
    // Turned counter-clockwise on the screen by tenths of a degree.
    static TextFrame turnedBy(int tenths);
};

// The rotation matrix counter-clockwise on the screen (y down) by tenths of
// a degree, exact at quarter turns.
void turnMatrix(int tenths, double m[4]);

// Text drawn in the font as ExtTextOut draws it, the reference point and
// the box in the DC's logical coordinates. box: the corners, in order, of
// the ETO_OPAQUE or ETO_CLIPPED area, or null. dx: each character's advance
// in font pixels along the line or, with ETO_PDY, pairs of advance and
// rise (up the glyphs). The line's entries lie within +-4.
BOOL drawTextAlong(HDC dc, const LOGFONT& font, const TextFrame& frame, int x, int y, UINT options,
                   const POINT* box, const char* text, UINT length, const INT* dx);

}  // namespace gdi
