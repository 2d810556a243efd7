#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "DcmImage.h"
#include "OverLayManager.h"
#include "PixelOps.h"

namespace {

// A memory DC compatible with the screen, for creating DIB sections and thumbnails.
class ScreenMemoryDC {
public:
    ScreenMemoryDC() : m_hScreen(GetDC(nullptr))
    {
        m_hMemory = CreateCompatibleDC(m_hScreen);
    }
    ~ScreenMemoryDC()
    {
        if (m_hMemory)
            DeleteDC(m_hMemory);
        ReleaseDC(nullptr, m_hScreen);
    }
    HDC Screen() const { return m_hScreen; }
    HDC Memory() const { return m_hMemory; }

private:
    HDC m_hScreen;
    HDC m_hMemory;
};

bool CreateGreyPalette(CPalette& palette)
{
    std::vector<BYTE> block(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(block.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        logical->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i),
                                               static_cast<BYTE>(i), 0};
    return palette.CreatePalette(logical) != FALSE;
}

}  // namespace

CBitmap* CDcmImage::CreateBitmapWrapper()
{
    return new CBitmap;
}

void CDcmImage::DeleteBitmapWrapper(CBitmap* bitmap)
{
    // The wrapper only borrows the DIB section, which the image deletes itself.
    if (bitmap)
        bitmap->Detach();
    delete bitmap;
}

void CDcmImage::DeleteDibSection()
{
    if (m_pBitmap && m_pBitmap->GetSafeHandle() == m_hDibSection)
        m_pBitmap->Detach();
    if (m_hDibSection)
        DeleteObject(m_hDibSection);
    m_hDibSection = nullptr;
}

int CDcmImage::RecreateDibSection()
{
    DeleteDibSection();
    if (m_pBitmapInfo == nullptr)
        return 0;
    ScreenMemoryDC dc;
    void* bits = nullptr;
    m_hDibSection = CreateDIBSection(dc.Memory(), m_pBitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    return m_hDibSection ? 1 : 0;
}

bool CDcmImage::AttachBitmapWrapper()
{
    if (m_pBitmap == nullptr || m_hDibSection == nullptr)
        return false;
    if (m_pBitmap->GetSafeHandle() != m_hDibSection) {
        m_pBitmap->Detach();
        m_pBitmap->Attach(m_hDibSection);
    }
    return true;
}

size_t CDcmImage::DisplayBytes() const
{
    return static_cast<size_t>(m_nDisplayBytesPerPixel) * m_nDisplayWidth * m_nDisplayHeight;
}

void CDcmImage::ReSetBitMap()
{
    if (m_pBitmap == nullptr || m_pBitmap->GetSafeHandle() == nullptr || m_pBitmapBits == nullptr)
        return;
    // The whole display, colour pictures included.
    if (AttachBitmapWrapper())
        m_pBitmap->SetBitmapBits(static_cast<DWORD>(DisplayBytes()), m_pBitmapBits);
}

void CDcmImage::ShowImage(CDC* dc, CRect dest)
{
    if (dc == nullptr || m_pBitmapBits == nullptr || m_pBitmapInfo == nullptr ||
        m_nDisplayWidth < 1 || m_nDisplayHeight < 1)
        return;
    BITMAPINFOHEADER& header = m_pBitmapInfo->bmiHeader;
    const bool interpolate = m_nInterpolationOptimize != 0;
    if (interpolate) {
        if (!ResampleToDibSection(dest))
            return;
    } else {
        header.biWidth = m_nDisplayWidth;
        header.biHeight = m_nDisplayHeight;
        FitDibSectionToDisplay();
        if (!AttachBitmapWrapper())
            return;
        BurnOverlayPlane();
        m_pBitmap->SetBitmapBits(static_cast<DWORD>(DisplayBytes()), m_pBitmapBits);
    }

    CDC memory;
    if (!memory.CreateCompatibleDC(dc))
        return;
    CBitmap* oldBitmap = memory.SelectObject(m_pBitmap);
    if (oldBitmap == nullptr)
        return;
    CPalette palette;
    CPalette* oldMemoryPalette = nullptr;
    CPalette* oldPalette = nullptr;
    if (dc->GetDeviceCaps(RASTERCAPS) & RC_PALETTE) {
        const bool made = m_ColorMode == COLOR_MODE_GRAY ? CreateGreyPalette(palette)
                                                         : palette.CreateHalftonePalette(dc) != FALSE;
        if (made) {
            oldMemoryPalette = memory.SelectPalette(&palette, FALSE);
            oldPalette = dc->SelectPalette(&palette, FALSE);
            dc->RealizePalette();
        }
        dc->SetStretchBltMode(COLORONCOLOR);
    } else {
        dc->SetStretchBltMode(m_DicomInfo.m_strModality == "CR" ? COLORONCOLOR : HALFTONE);
    }
    if (interpolate)
        dc->BitBlt(dest.left, dest.top, header.biWidth, header.biHeight, &memory, 0, 0, SRCCOPY);
    else
        dc->StretchBlt(dest.left, dest.top, dest.Width(), dest.Height(), &memory, 0, 0,
                       header.biWidth, header.biHeight, SRCCOPY);
    if (m_bShowLocalizer)
        m_LocalizerList.DrawAll(dc, dest.left, dest.top, dest.right, dest.bottom, this);
    memory.SelectObject(oldBitmap);
    if (oldMemoryPalette)
        memory.SelectPalette(oldMemoryPalette, FALSE);
    if (oldPalette) {
        dc->SelectPalette(oldPalette, FALSE);
        dc->RealizePalette();
    }
}

int CDcmImage::GetIconHBmp(HBITMAP& bitmap, int, int)
{
    if (!m_bOpened)
        return 0;
    EnterCriticalSection(&m_Lock);
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = nullptr;
    ScreenMemoryDC screen;
    HBITMAP icon = CreateCompatibleBitmap(screen.Screen(), 64, 64);
    CDC memory;
    memory.Attach(screen.Memory());
    HGDIOBJ old = icon ? memory.SelectObject(static_cast<HGDIOBJ>(icon)) : nullptr;
    if (old) {
        memory.SetStretchBltMode(COLORONCOLOR);
        ShowImage(&memory, GetFittedImageRect(CRect(0, 0, 64, 64), m_nDisplayWidth, m_nDisplayHeight, 0, 0));
        memory.SelectObject(old);
    }
    memory.Detach();
    bitmap = icon;
    LeaveCriticalSection(&m_Lock);
    return icon ? 1 : 0;
}

// Each set bit of the overlay plane, least significant first, whitens one
// byte of the unturned display; it is burned where the image shows that byte.
void CDcmImage::BurnOverlayPlane()
{
    const BYTE* plane = m_DicomInfo.m_pOverlayPlane;
    const int b = m_nDisplayBytesPerPixel;
    if (plane == nullptr || m_pBitmapBits == nullptr || b < 1 || m_nDisplayWidth < 1)
        return;
    const size_t displayBytes = DisplayBytes();
    const size_t count = std::min<size_t>(m_DicomInfo.m_nOverlayPlaneLength, displayBytes / 8);
    const bool quarter = m_nRotateAngle == 90 || m_nRotateAngle == 270;
    const int rows = quarter ? m_nDisplayWidth : m_nDisplayHeight;
    const int columns = quarter ? m_nDisplayHeight : m_nDisplayWidth;
    for (size_t bit = 0; bit < 8 * count; ++bit) {
        if (!(plane[bit / 8] & (1 << (bit % 8))))
            continue;
        const size_t pixel = bit / b;
        int y, x;
        PixelOps::OrientedPosition(static_cast<int>(pixel / columns), static_cast<int>(pixel % columns), rows,
                                   columns, m_nRotateAngle, m_bFlip != 0, m_bReverse != 0, y, x);
        const size_t at = (static_cast<size_t>(y) * m_nDisplayWidth + x) * b + bit % b;
        if (y >= 0 && x >= 0 && x < m_nDisplayWidth && at < displayBytes)
            m_pBitmapBits[at] = 255;
    }
}

int CDcmImage::GetImageBits(BYTE* out, int withInfo, int withOverlays)
{
    if (out == nullptr || m_pBitmapBits == nullptr)
        return 0;
    const int channels = m_ColorMode == COLOR_MODE_RGB ? 3 : 1;
    const size_t bytes = static_cast<size_t>(m_nDisplayWidth) * m_nDisplayHeight * channels;
    const CRelativeRect& rect = m_RelativeRect;
    BYTE* copy = new (std::nothrow) BYTE[bytes];
    if (copy == nullptr)
        return 0;
    if (rect.left == 0 && rect.top == 0 && (rect.right == 0 || rect.right == 1)) {
        std::memcpy(copy, m_pBitmapBits, bytes);
        if (withInfo)
            BurnInfoTextInto(copy, m_nDisplayWidth, m_nDisplayHeight, channels);
    } else if (DisplayChannels() != channels || !GetPrintStatusBmpBits(copy, withInfo)) {
        delete[] copy;
        return 0;
    }
    if (withOverlays && m_pOverLayManager)
        m_pOverLayManager->BurnAll(copy, m_ColorMode == COLOR_MODE_RGB ? 3 : 1, m_nDisplayWidth, m_nDisplayHeight);
    std::memcpy(out, copy, bytes);
    delete[] copy;
    return 1;
}
