// Burning outlines and measurement texts into pixel buffers.
#include "OverLay.h"

#include "OverLayManager.h"
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

void COverLay::BurnPoints(BYTE* pixels, int pixelType, int rowWidth, const CArray<CPoint, CPoint>& points)
{
    if (pixels == nullptr || pixelType < 1 || pixelType > 3)
        return;
    // Points off the buffer would wrap into a neighbouring row or run past its end.
    for (int i = 0; i < points.GetSize(); ++i) {
        const CPoint& p = points[i];
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
    const CPoint p1 = ScreenToImage(m_rcBounds.left, m_rcBounds.top);
    const CPoint p2 = ScreenToImage(m_rcBounds.right, m_rcBounds.bottom);
    const int x = (p1.x + p2.x) / 2 - 3 * n;
    const int y = (p1.y + p2.y) / 2 - (p2.y - p1.y) / 2 - 16;
    RasteriseGlyphs(pixels, pixelType, rowWidth, m_nBurnRows, x, y, text);
}
