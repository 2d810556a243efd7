// Burning outlines and measurement texts into pixel buffers.
#include "OverLay.h"

#include "DcmImage.h"
#include "OverLayManager.h"
#include "PixelOps.h"
#include "RasteriseGlyphs.h"

void COverLay::BurnPixel(BYTE* pixels, int pixelType, int index)
{
    switch (pixelType) {
    case 1:
        pixels[index] = 255;
        break;
    case 2:
        reinterpret_cast<WORD*>(pixels)[index] = 4095;
        break;
    case 3:
        pixels[3 * static_cast<size_t>(index)] = 255;
        pixels[3 * static_cast<size_t>(index) + 1] = 255;
        pixels[3 * static_cast<size_t>(index) + 2] = 255;
        break;
    default:
        break;
    }
}

namespace {

// Positions this far off lie outside every buffer; keeping them there
// keeps the orientation arithmetic inside int.
int NearBuffer(int v)
{
    const int limit = 1 << 24;
    return v < -limit ? -limit : (v > limit ? limit : v);
}

// (x, y) moved as the image is turned and mirrored, on an image grown by
// grow columns and rows.
CPoint Oriented(const CDcmImage* image, int x, int y, int grow)
{
    if (image == nullptr)
        return CPoint(x, y);
    CPoint p;
    PixelOps::OrientedPosition(NearBuffer(y), NearBuffer(x), image->GetRows() + grow, image->GetColumns() + grow,
                               image->GetRotatedAngle(), image->GetFilped() != 0, image->GetReversed() != 0, p.y,
                               p.x);
    return p;
}

}  // namespace

CPoint COverLay::BufferPixel(int x, int y)
{
    return Oriented(m_pManager != nullptr ? m_pManager->m_pImage : nullptr, x, y, 0);
}

// Points lie on pixel corners: corner (x, y) moves as pixel (x, y) of an
// image one column and one row larger would.
CPoint COverLay::BufferPoint(int x, int y)
{
    return Oriented(m_pManager != nullptr ? m_pManager->m_pImage : nullptr, x, y, 1);
}

void COverLay::BurnPoints(BYTE* pixels, int pixelType, int rowWidth, const CArray<CPoint, CPoint>& points)
{
    if (pixels == nullptr || pixelType < 1 || pixelType > 3)
        return;
    // Points off the buffer would wrap into a neighbouring row or run past its end.
    for (int i = 0; i < points.GetSize(); ++i) {
        const CPoint p = BufferPixel(points[i].x, points[i].y);
        if (p.x >= 0 && p.x < rowWidth && p.y >= 0 && p.y < m_nBurnRows)
            BurnPixel(pixels, pixelType, p.y * rowWidth + p.x);
    }
}

void COverLay::BurnLine(BYTE* pixels, int pixelType, int rowWidth, int x1, int y1, int x2, int y2)
{
    CArray<CPoint, CPoint> points;
    GetLinePoints(x1, y1, x2, y2, points);
    BurnPoints(pixels, pixelType, rowWidth, points);
}

void COverLay::BurnBox(BYTE* pixels, int pixelType, int rowWidth, int left, int top, int right, int bottom)
{
    BurnLine(pixels, pixelType, rowWidth, left, top, right, top);
    BurnLine(pixels, pixelType, rowWidth, right, top, right, bottom);
    BurnLine(pixels, pixelType, rowWidth, left, bottom, right, bottom);
    BurnLine(pixels, pixelType, rowWidth, left, top, left, bottom);
}

void COverLay::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    if (!ShowsMeasurement())
        return;
    const CString text = GetInfoText();
    const int n = text.GetLength();
    const CPoint corner1 = ScreenToImage(m_rcBounds.left, m_rcBounds.top);
    const CPoint corner2 = ScreenToImage(m_rcBounds.right, m_rcBounds.bottom);
    // A turn or a mirror can swap the corners; the text stands above the top as shown.
    CRect shown(BufferPoint(corner1.x, corner1.y), BufferPoint(corner2.x, corner2.y));
    shown.NormalizeRect();
    const int x = (shown.left + shown.right) / 2 - 3 * n;
    const int y = (shown.top + shown.bottom) / 2 - (shown.bottom - shown.top) / 2 - 16;
    RasteriseGlyphs(pixels, pixelType, rowWidth, m_nBurnRows, x, y, text);
}
