// Window points to image pixels and back, under rotation and mirroring.
#include "OverLay.h"

#include <cstdint>

#include "DcmImage.h"
#include "OverLayManager.h"

namespace {

// a*b/c truncated, then half added and truncated again: negative quotients
// rise by one.
int Quotient(int a, int b, int c)
{
    const int64_t q = static_cast<int64_t>(a) * b / c;
    return static_cast<int>(q < 0 ? q + 1 : q);
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

CPoint COverLay::ImageToScreen(int ix, int iy)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return CPoint(0, 0);
    CDcmImage* image = m_pManager->m_pImage;
    const int wd = image->GetWidth();
    const int hd = image->GetHeight();
    if (wd == 0 || hd == 0)
        return CPoint(0, 0);
    const CRect& r = m_pManager->m_ImageRect;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const int nc = image->GetColumns();
    const int nr = image->GetRows();
    const int reverse = image->GetReversed();
    const int flip = image->GetFilped();
    const int turn = QuarterTurn(image->GetRotatedAngle());
    if (turn < 0)
        return CPoint(0, 0);
    int px;
    int py;
    if (turn == 0 || turn == 180) {
        px = Quotient(ix, w, wd);
        py = Quotient(iy, h, hd);
    } else {
        px = Quotient(nr - iy, w, wd);
        py = Quotient(nc - ix, h, hd);
    }
    // Whether each axis runs from the rectangle's near edge before mirroring.
    const bool nearX = turn == 0 || turn == 270;
    const bool nearY = turn == 0 || turn == 90;
    const int x = r.left + ((nearX != static_cast<bool>(reverse)) ? px : w - px);
    const int y = r.top + ((nearY != static_cast<bool>(flip)) ? py : h - py);
    return CPoint(x, y);
}

CPoint COverLay::ScreenToImage(int x, int y)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return CPoint(0, 0);
    const CRect& r = m_pManager->m_ImageRect;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w == 0 || h == 0)
        return CPoint(0, 0);
    CDcmImage* image = m_pManager->m_pImage;
    const int wd = image->GetWidth();
    const int hd = image->GetHeight();
    const int nc = image->GetColumns();
    const int nr = image->GetRows();
    const bool reverse = image->GetReversed() != 0;
    const bool flip = image->GetFilped() != 0;
    switch (QuarterTurn(image->GetRotatedAngle())) {
    case 0:
    case 180: {
        const int qx = Quotient(x - r.left, wd, w);
        const int qy = Quotient(y - r.top, hd, h);
        const bool nearX = QuarterTurn(image->GetRotatedAngle()) == 0;
        return CPoint(nearX != reverse ? qx : wd - qx, nearX != flip ? qy : hd - qy);
    }
    case 90: {
        const int ex = reverse ? x - r.left : r.right - x;
        const int ey = flip ? r.bottom - y : y - r.top;
        return CPoint(nc - Quotient(ey, hd, h), nr - Quotient(ex, wd, w));
    }
    case 270: {
        const int ex = reverse ? r.right - x : x - r.left;
        const int ey = flip ? y - r.top : r.bottom - y;
        return CPoint(nc - Quotient(ey, hd, h), nr - Quotient(ex, wd, w));
    }
    default:
        return CPoint(0, 0);
    }
}
