// Burns one line of text into a byte raster (one byte per pixel, rows
// top-down), glyph by glyph from the 1-bit glyph bitmaps of the font selected
// in a device context: 1 for a set bit, 0 for a clear one. Texts are in code
// page 936 (converted from our UTF-8): a byte of 128 or above starts a
// two-byte character.
#pragma once

#include "ImagePlatform.h"

class GlyphLineBurner {
public:
    // Bytes of the text in code page 936, which right-aligned items count.
    static int CodedLength(const CString& text);
    // The first glyph starts at pen position x; y is the top of the text
    // cell, whose baseline lies `ascent` below it. Bytes outside the
    // raster are never written: glyphs are clipped at every edge.
    static void Burn(CDC* dc, const MAT2& transform, long ascent, int x, int y, const CString& text, BYTE* raster,
                     int width, int height);

private:
    static void BurnGlyph(const BYTE* bits, const GLYPHMETRICS& metrics, long ascent, int x, int y, BYTE* raster,
                          int width, int height);
};
