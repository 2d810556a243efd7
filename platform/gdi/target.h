// What a drawing call writes to: a DC's bitmap, its visible clip rectangles
// in device coordinates and the logical-to-device offset.
#pragma once

#include <memory>
#include <vector>

#include "gdi/objects.h"
#include "gdi/pixels.h"

namespace gdi {

struct Target {
    std::shared_ptr<Dc> dc;
    std::shared_ptr<Bitmap> bitmap;
    std::vector<RECT> clip;  // disjoint, device coordinates, inside the bitmap
    RECT bounds{0, 0, 0, 0};  // the union of the clip
    int dx = 0;              // device = logical + (dx, dy)
    int dy = 0;

    // Replaces the clip. Rectangles in bands, as a region gives them, are
    // looked up by row and column: a span under a clip of thousands of
    // parts then costs the parts it meets, not all of them.
    void setClip(std::vector<RECT> rects);
    // Paints device pixels [x0, x1) of row y with a raw value through rop2.
    void span(int y, int x0, int x1, uint32_t raw, int rop2);
    void pixel(int x, int y, uint32_t raw, int rop2) { span(y, x, x + 1, raw, rop2); }
    bool visible(int x, int y) const;
    uint32_t raw(COLORREF color) const { return colorToRaw(*bitmap, color); }

private:
    struct ClipBand {
        int top;
        int bottom;
        size_t first;  // its rectangles in clip, left to right
        size_t last;
    };
    const ClipBand* bandOf(int y) const;
    // The first rectangle of the band whose right edge lies past x.
    const RECT* firstReaching(const ClipBand& band, int x) const;
    void paintPiece(int y, int x0, int x1, uint32_t raw, int rop2);
    std::vector<ClipBand> bands_;  // empty: every rectangle is looked at
    mutable size_t hint_ = 0;  // the band last found
};

// The target of a DC, or false when the DC is invalid, draws nothing or has
// nothing visible.
bool targetOf(HDC handle, Target& out);
std::vector<RECT> visibleRects(const Dc& dc, const Bitmap& bitmap);

// Applies a raster operation without source over a device rectangle.
void patternBlt(Target& t, const RECT& deviceRect, uint32_t pattern, DWORD rop);

// Coordinates are confined to 28 bits so that offsets and extents added to
// them cannot overflow, whatever a caller passes.
constexpr int kCoordLimit = 1 << 28;
inline int clampCoord(long long v)
{
    return static_cast<int>(v < -kCoordLimit ? -kCoordLimit : (v > kCoordLimit ? kCoordLimit : v));
}

inline RECT normalised(int left, int top, int right, int bottom)
{
    RECT r{clampCoord(left), clampCoord(top), clampCoord(right), clampCoord(bottom)};
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    return r;
}

}  // namespace gdi
