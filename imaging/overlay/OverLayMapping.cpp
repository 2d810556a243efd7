// Window points to image pixels and back, under rotation and mirroring;
// the image window maps its mouse points with the same routine.
#include "OverLay.h"

#include <algorithm>
#include <climits>

#include "DcmImage.h"
#include "OverLayManager.h"

namespace {

// a*b/c truncated, then half added and truncated again: negative quotients
// rise by one. Points far outside the window stay representable.
long long Quotient(long long a, int b, int c)
{
    const long long q = a * b / c;
    return q < 0 ? q + 1 : q;
}

int Clamp(long long value)
{
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

// 0, 90, 180 or 270 for the quarter turns, -1 for any other angle.
int QuarterTurn(int angle)
{
    switch (angle) {
    case 0: case 360: case -360: return 0;
    case 90: case -270: return 90;
    case 180: case -180: return 180;
    case 270: case -90: return 270;
    default: return -1;
    }
}

}  // namespace

CPoint COverLay::MapImageToWindow(CDcmImage* image, const CRect& r, int ix, int iy)
{
    const int wd = image->GetWidth();
    const int hd = image->GetHeight();
    const int turn = QuarterTurn(image->GetRotatedAngle());
    if (wd == 0 || hd == 0 || turn < 0)
        return CPoint(0, 0);
    const long long w = r.right - r.left;
    const long long h = r.bottom - r.top;
    long long px;
    long long py;
    if (turn == 0 || turn == 180) {
        px = Quotient(ix, static_cast<int>(w), wd);
        py = Quotient(iy, static_cast<int>(h), hd);
    } else {
        px = Quotient(static_cast<long long>(image->GetRows()) - iy, static_cast<int>(w), wd);
        py = Quotient(static_cast<long long>(image->GetColumns()) - ix, static_cast<int>(h), hd);
    }
    // Whether each axis runs from the rectangle's near edge before mirroring.
    const bool nearX = turn == 0 || turn == 270;
    const bool nearY = turn == 0 || turn == 90;
    const bool reverse = image->GetReversed() != 0;
    const bool flip = image->GetFilped() != 0;
    return CPoint(Clamp(r.left + (nearX != reverse ? px : w - px)), Clamp(r.top + (nearY != flip ? py : h - py)));
}

CPoint COverLay::MapWindowToImage(CDcmImage* image, const CRect& r, int x, int y)
{
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const int turn = QuarterTurn(image->GetRotatedAngle());
    if (w == 0 || h == 0 || turn < 0)
        return CPoint(0, 0);
    const int wd = image->GetWidth();
    const int hd = image->GetHeight();
    const bool reverse = image->GetReversed() != 0;
    const bool flip = image->GetFilped() != 0;
    if (turn == 0 || turn == 180) {
        const long long qx = Quotient(static_cast<long long>(x) - r.left, wd, w);
        const long long qy = Quotient(static_cast<long long>(y) - r.top, hd, h);
        const bool nearX = turn == 0;
        return CPoint(Clamp(nearX != reverse ? qx : wd - qx), Clamp(nearX != flip ? qy : hd - qy));
    }
    long long ex;
    long long ey;
    if (turn == 90) {
        ex = reverse ? static_cast<long long>(x) - r.left : static_cast<long long>(r.right) - x;
        ey = flip ? static_cast<long long>(r.bottom) - y : static_cast<long long>(y) - r.top;
    } else {
        ex = reverse ? static_cast<long long>(r.right) - x : static_cast<long long>(x) - r.left;
        ey = flip ? static_cast<long long>(y) - r.top : static_cast<long long>(r.bottom) - y;
    }
    return CPoint(Clamp(image->GetColumns() - Quotient(ey, hd, h)), Clamp(image->GetRows() - Quotient(ex, wd, w)));
}

CPoint COverLay::ImageToScreen(int ix, int iy)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return CPoint(0, 0);
    return MapImageToWindow(m_pManager->m_pImage, m_pManager->m_ImageRect, ix, iy);
}

CPoint COverLay::ScreenToImage(int x, int y)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return CPoint(0, 0);
    return MapWindowToImage(m_pManager->m_pImage, m_pManager->m_ImageRect, x, y);
}
