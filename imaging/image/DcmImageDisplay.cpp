#include <cstdlib>
#include <cstring>
#include <new>

#include "DcmImage.h"
#include "OverLayManager.h"
#include "PixelOps.h"

namespace {

const size_t kBitmapInfoBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

// Index of the largest absolute value; the first of equal ones wins.
int MajorAxis(double x, double y, double z)
{
    const double ax = std::abs(x), ay = std::abs(y), az = std::abs(z);
    if (ax >= ay && ax >= az)
        return 0;
    return ay >= az ? 1 : 2;
}

const char* Sign(double value, const char* positive, const char* negative)
{
    return value >= 0 ? positive : negative;
}

}  // namespace

int CDcmImage::BuildImage()
{
    const CDicomInfo& info = m_DicomInfo;
    m_nDisplayBytesPerPixel = IsRgb() ? 3 : 1;
    const size_t pixels = static_cast<size_t>(std::max(0, info.m_nRows)) * std::max(0, info.m_nColumns);
    if (m_pBitmapBits == nullptr) {
        m_pBitmapBits = new (std::nothrow) BYTE[std::max<size_t>(1, pixels * m_nDisplayBytesPerPixel)]();
        if (m_pBitmapBits == nullptr)
            return 0;
    }
    if (m_pBitmapInfo == nullptr) {
        m_pBitmapInfo = reinterpret_cast<BITMAPINFO*>(new (std::nothrow) BYTE[kBitmapInfoBytes]());
        if (m_pBitmapInfo == nullptr)
            return 0;
        BITMAPINFOHEADER& header = m_pBitmapInfo->bmiHeader;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biPlanes = 1;
        header.biCompression = BI_RGB;
        header.biWidth = m_nDisplayWidth;
        header.biHeight = m_nDisplayHeight;
        if (IsRgb()) {
            header.biBitCount = 24;
            header.biSizeImage = static_cast<DWORD>(m_nDisplayWidth * m_nDisplayHeight * 3);
            m_ColorMode = COLOR_MODE_RGB;
        } else {
            header.biBitCount = 8;
            header.biSizeImage = static_cast<DWORD>(m_nDisplayWidth * m_nDisplayHeight);
            RGBQUAD* colours = m_pBitmapInfo->bmiColors;
            for (int i = 0; i < 256; ++i)
                colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
            m_ColorMode = COLOR_MODE_GRAY;
        }
    }
    BuildCurrentPixelBits();
    m_nDisplayHeight = info.m_nRows;
    m_nDisplayWidth = info.m_nColumns;
    return 1;
}

int CDcmImage::BuildOrientedPixels()
{
    const CDicomInfo& info = m_DicomInfo;
    const bool rgb = IsRgb();
    if (rgb ? !IsRgbWithThreeSamples() : (info.m_nBitsAllocated != 8 && info.m_nBitsAllocated != 16))
        return 0;
    BYTE* frame = GetCurrentPixelData();
    const size_t b = StoredBytesPerPixel();
    const size_t bytes = static_cast<size_t>(info.m_nRows) * info.m_nColumns * b;
    if (frame == nullptr || FrameBytes() < bytes)
        return 0;
    if (m_pOrientedPixels == nullptr) {
        m_pOrientedPixels = new (std::nothrow) BYTE[bytes]();
        if (m_pOrientedPixels == nullptr)
            return 0;
    }
    PixelOps::OrientFrame(frame, m_pOrientedPixels, info.m_nRows, info.m_nColumns,
                          static_cast<int>(b), rgb && IsPlanarColour(), m_nRotateAngle,
                          m_bFlip != 0, m_bReverse != 0);
    return 1;
}

int CDcmImage::BuildCurrentPixelBits()
{
    const CDicomInfo& info = m_DicomInfo;
    RotatePatientOrientations();
    if (m_nRotateAngle == 0 && !m_bFlip && !m_bReverse) {
        delete[] m_pOrientedPixels;
        m_pOrientedPixels = nullptr;
        m_pCurrentPixels = GetCurrentPixelData();
        m_nDisplayHeight = info.m_nRows;
        m_nDisplayWidth = info.m_nColumns;
    } else {
        if (!BuildOrientedPixels())
            return 0;
        m_pCurrentPixels = m_pOrientedPixels;
        const bool quarter = m_nRotateAngle == 90 || m_nRotateAngle == 270;
        m_nDisplayWidth = quarter ? info.m_nRows : info.m_nColumns;
        m_nDisplayHeight = quarter ? info.m_nColumns : info.m_nRows;
    }
    SetShutterOff();
    ResetBitmapBits();
    if (m_pBitmapInfo) {
        m_pBitmapInfo->bmiHeader.biWidth = m_nDisplayWidth;
        m_pBitmapInfo->bmiHeader.biHeight = m_nDisplayHeight;
    }
    RecreateDibSection();
    return 1;
}

int CDcmImage::SetFlip(int flip, int rebuild)
{
    if (flip == m_bFlip)
        return 0;
    m_bFlip = flip;
    if (m_pOverLayManager)
        m_pOverLayManager->UpdateScreenPoints();
    return rebuild ? BuildCurrentPixelBits() : 1;
}

int CDcmImage::SetReverse(int reverse, int rebuild)
{
    if (reverse == m_bReverse)
        return 0;
    m_bReverse = reverse;
    if (m_pOverLayManager)
        m_pOverLayManager->UpdateScreenPoints();
    return rebuild ? BuildCurrentPixelBits() : 1;
}

int CDcmImage::SetInverse(int inverse, int rebuild)
{
    if (inverse == m_bInverse)
        return 0;
    m_bInverse = inverse;
    return rebuild ? ResetBitmapBits() : 1;
}

int CDcmImage::SetRotateAngle(int angle, int rebuild)
{
    if (angle == m_nRotateAngle)
        return 0;
    m_nRotateAngle = (angle % 360 + 360) % 360;
    return rebuild ? BuildCurrentPixelBits() : 1;
}

int CDcmImage::SetShowLocalizer(int show)
{
    m_bShowLocalizer = show;
    return show;
}

CRect CDcmImage::GetFittedImageRect(CRect area, int width, int height, int marginX, int marginY)
{
    if (width < 1 || height < 1)
        return area;
    CRect shrunk(area.left + marginX, area.top + marginY, area.right - marginX,
                 area.bottom - marginY);
    if (shrunk.Height() < 1 || shrunk.Width() < 1)
        return area;
    const int aw = shrunk.Width(), ah = shrunk.Height();
    int fw, fh;
    if (static_cast<double>(ah) / aw < static_cast<double>(height) / width) {
        fh = ah;
        fw = static_cast<int>(static_cast<long long>(ah) * width / height);
    } else {
        fw = aw;
        fh = static_cast<int>(static_cast<long long>(aw) * height / width);
    }
    const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
    return CRect(cx - fw / 2, cy - fh / 2, cx + fw / 2, cy + fh / 2);
}

int CDcmImage::GetRotatedColumns()
{
    const bool quarter = m_nRotateAngle == 90 || m_nRotateAngle == 270;
    return quarter ? m_DicomInfo.m_nRows : m_DicomInfo.m_nColumns;
}

int CDcmImage::GetRotatedRows()
{
    const bool quarter = m_nRotateAngle == 90 || m_nRotateAngle == 270;
    return quarter ? m_DicomInfo.m_nColumns : m_DicomInfo.m_nRows;
}

// The current pixels are the oriented copy, whose rows are display-width long.
int CDcmImage::GetClientPixelValue(CRect dest, CPoint point)
{
    if (dest.Width() == 0 || dest.Height() == 0 || m_pCurrentPixels == nullptr)
        return 0;
    const int x = static_cast<int>((point.x - dest.left) * m_nDisplayWidth / dest.Width() + 0.5);
    const int y = static_cast<int>((point.y - dest.top) * m_nDisplayHeight / dest.Height() + 0.5);
    if (m_nRotateAngle % 90 != 0)
        return GetPixelValue(0, 0);
    if (x < 0 || y < 0 || x >= m_nDisplayWidth || y >= m_nDisplayHeight)
        return 0;
    const size_t index = static_cast<size_t>(y) * m_nDisplayWidth + x;
    switch (m_DicomInfo.m_nBitsAllocated / 8) {
    case 1: return static_cast<short>(m_pCurrentPixels[index]);
    case 2:
        return static_cast<short>(m_pCurrentPixels[2 * index] | (m_pCurrentPixels[2 * index + 1] << 8));
    default: return 0;
    }
}

int CDcmImage::ClearBitmapBits()
{
    if (m_pBitmapBits)
        std::memset(m_pBitmapBits, 0, static_cast<size_t>(m_nDisplayWidth) * m_nDisplayHeight);
    return 1;
}

int CDcmImage::SetShutter(int left, int top, int right, int bottom)
{
    m_nShutterLeft = left;
    m_nShutterTop = top;
    m_nShutterRight = right;
    m_nShutterBottom = bottom;
    return 1;
}

int CDcmImage::GetShutter(int& left, int& top, int& right, int& bottom)
{
    left = m_nShutterLeft;
    top = m_nShutterTop;
    right = m_nShutterRight;
    bottom = m_nShutterBottom;
    return 1;
}

int CDcmImage::SetShutterOff()
{
    return SetShutter(0, 0, m_nDisplayWidth, m_nDisplayHeight);
}

int CDcmImage::ShutterImage(BYTE* bits, int width, int height, int bytesPerPixel)
{
    if (bits == nullptr || width < 1 || height < 1 || bytesPerPixel < 1)
        return 1;
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    const int left = std::max(0, std::min(m_nShutterLeft, width));
    const int right = std::max(left, std::min(m_nShutterRight, width));
    for (int y = 0; y < height; ++y) {
        BYTE* row = bits + y * rowBytes;
        if (y < m_nShutterTop || y >= m_nShutterBottom) {
            std::memset(row, 0, rowBytes);
            continue;
        }
        std::memset(row, 0, static_cast<size_t>(left) * bytesPerPixel);
        std::memset(row + static_cast<size_t>(right) * bytesPerPixel, 0,
                    static_cast<size_t>(width - right) * bytesPerPixel);
    }
    return 1;
}

CString CDcmImage::GetReverseOrientation(CString letter)
{
    if (letter == "L") return "R";
    if (letter == "R") return "L";
    if (letter == "H") return "F";
    if (letter == "F") return "H";
    if (letter == "P") return "A";
    if (letter == "A") return "P";
    return CString();
}

// The right edge's letter follows the row direction, the bottom edge's the
// column direction: the direction in which the index grows points towards
// the patient side that the letter names (x to the left, y to the back, z to the head).
int CDcmImage::ParsePatientOrientations()
{
    const CString& text = m_DicomInfo.m_strImageOrientationPatient;
    if (text.IsEmpty())
        return 0;
    double v[6] = {0, 0, 0, 0, 0, 0};
    CString rest = text;
    for (int i = 0; i < 6; ++i) {
        const int slash = rest.Find('\\');
        v[i] = std::atof(slash < 0 ? static_cast<const char*>(rest) : static_cast<const char*>(rest.Left(slash)));
        if (slash < 0)
            break;
        rest = rest.Mid(slash + 1);
    }
    const int rowAxis = MajorAxis(v[0], v[1], v[2]);
    const int columnAxis = MajorAxis(v[3], v[4], v[5]);
    const char* letters[3][2] = {{"L", "R"}, {"P", "A"}, {"H", "F"}};
    if (rowAxis == columnAxis) {
        m_strFileBottomLabel.Empty();
        m_strFileRightLabel.Empty();
        return 1;
    }
    m_strFileRightLabel = Sign(v[rowAxis], letters[rowAxis][0], letters[rowAxis][1]);
    m_strFileBottomLabel = Sign(v[3 + columnAxis], letters[columnAxis][0], letters[columnAxis][1]);
    return 1;
}

int CDcmImage::RotatePatientOrientations()
{
    const CString& B = m_strFileBottomLabel;
    const CString& R = m_strFileRightLabel;
    switch (m_nRotateAngle) {
    case 0:
        m_strShownBottomLabel = m_bFlip ? GetReverseOrientation(B) : B;
        m_strShownRightLabel = m_bReverse ? GetReverseOrientation(R) : R;
        return 1;
    case 90:
        m_strShownBottomLabel = m_bFlip ? R : GetReverseOrientation(R);
        m_strShownRightLabel = m_bReverse ? GetReverseOrientation(B) : B;
        return 1;
    case 180:
        m_strShownBottomLabel = m_bFlip ? B : GetReverseOrientation(B);
        m_strShownRightLabel = m_bReverse ? R : GetReverseOrientation(R);
        return 1;
    case 270:
        m_strShownBottomLabel = m_bFlip ? GetReverseOrientation(R) : R;
        m_strShownRightLabel = m_bReverse ? B : GetReverseOrientation(B);
        return 1;
    default:
        return 0;
    }
}
