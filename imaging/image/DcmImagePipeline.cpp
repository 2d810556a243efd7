#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "DcmImage.h"
#include "PixelOps.h"

namespace {

int ClampToInt(long value)
{
    return static_cast<int>(std::max<long>(INT_MIN, std::min<long>(INT_MAX, value)));
}

}  // namespace

int CDcmImage::IsRgb() const
{
    return m_DicomInfo.m_strPhotometricInterpretation == "RGB";
}

int CDcmImage::IsRgbWithThreeSamples() const
{
    return IsRgb() && m_DicomInfo.m_nSamplesPerPixel == 3;
}

int CDcmImage::IsPlanarColour() const
{
    return m_DicomInfo.m_nPlanarConfiguration == 1;
}

size_t CDcmImage::StoredBytesPerPixel() const
{
    return IsRgb() ? 3 : static_cast<size_t>(std::max(0, m_DicomInfo.m_nBitsAllocated / 8));
}

// Bytes that every frame holds, as the reader and the open roads made them.
size_t CDcmImage::FrameBytes() const
{
    const CDicomInfo& info = m_DicomInfo;
    if (info.m_nRows < 1 || info.m_nColumns < 1 || info.m_nBitsAllocated < 8)
        return 0;
    const size_t samples = std::max(1, info.m_nSamplesPerPixel);
    size_t rowBytes = static_cast<size_t>(info.m_nColumns) * samples * (info.m_nBitsAllocated / 8);
    if (m_bAlignedRows && IsRgb())
        rowBytes = PixelOps::RoundUpTo4(rowBytes);
    return rowBytes * info.m_nRows;
}

// One pass over the text: a vector of a million frame times must cost what
// its text costs, not that text once for every time in it.
void CDcmImage::SplitFrameTimes(const CString& vector)
{
    const char* text = vector;
    const int length = vector.GetLength();
    if (length == 0)
        return;
    // A closing separator ends the list; it opens no empty last time.
    const int count = static_cast<int>(std::count(text, text + length, '\\')) + (text[length - 1] == '\\' ? 0 : 1);
    m_FrameTimes.SetSize(count);
    int start = 0;
    for (int i = 0; i < count; ++i) {
        const char* slash = static_cast<const char*>(std::memchr(text + start, '\\', size_t(length - start)));
        const int end = slash ? static_cast<int>(slash - text) : length;
        m_FrameTimes.SetAt(i, CString(text + start, end - start));
        start = end + 1;
    }
}

int CDcmImage::ParseDicomInfo()
{
    const CDicomInfo& info = m_DicomInfo;
    m_bSignedData = info.m_nPixelRepresentation != 0 || info.m_dRescaleIntercept < 0 ||
                    info.m_dRescaleSlope < 0;
    SplitFrameTimes(info.m_strFrameTimeVector);
    ParsePatientOrientations();
    ParseOverLay();
    return 1;
}

int CDcmImage::ChangeYBRtoRGB()
{
    CDicomInfo& info = m_DicomInfo;
    if (info.m_strPhotometricInterpretation != "YBR_FULL")
        return 1;
    if (info.m_nBitsAllocated != 8 || info.m_nSamplesPerPixel != 3)
        return 1;
    // Interleaved data stays interleaved: treating it as planes would scramble it.
    const size_t pixels = static_cast<size_t>(info.m_nRows) * info.m_nColumns;
    if (FrameBytes() >= pixels * 3) {
        for (int i = 0; i < m_Frames.GetSize(); ++i) {
            BYTE* frame = static_cast<BYTE*>(m_Frames.GetAt(i));
            if (IsPlanarColour())
                PixelOps::YbrFullPlanesToRgb(frame, pixels);
            else
                PixelOps::YbrFullPixelsToRgb(frame, pixels);
        }
    }
    info.m_strPhotometricInterpretation = "RGB";
    return 1;
}

int CDcmImage::MakeImageDwordAlign()
{
    CDicomInfo& info = m_DicomInfo;
    if (info.m_nColumns % 4 == 0 && info.m_nRows % 4 == 0)
        return 1;
    const size_t b = StoredBytesPerPixel();
    const size_t columns = info.m_nColumns, rows = info.m_nRows;
    if (b == 0 || columns == 0 || rows == 0 || FrameBytes() < rows * columns * b)
        return 0;
    const size_t newColumns = PixelOps::RoundUpTo4(columns);
    const size_t newRows = PixelOps::RoundUpTo4(rows);
    const bool planar = IsRgb() && IsPlanarColour();
    const size_t rowBytes = columns * b;
    const size_t srcRowBytes = IsRgb() && m_bAlignedRows ? PixelOps::RoundUpTo4(rowBytes) : rowBytes;
    const size_t newRowBytes = PixelOps::RoundUpTo4(newColumns * b);
    for (int i = 0; i < m_Frames.GetSize(); ++i) {
        const BYTE* frame = static_cast<BYTE*>(m_Frames.GetAt(i));
        BYTE* padded = planar ? PixelOps::PadPlanes(frame, columns, rows, newColumns, newRows)
                              : PixelOps::PadRows(frame, srcRowBytes, rowBytes, rows,
                                                  newRowBytes, newRows);
        if (padded == nullptr)
            return 0;
        delete[] frame;
        m_Frames.SetAt(i, padded);
    }
    info.m_nColumns = static_cast<int>(newColumns);
    info.m_nRows = static_cast<int>(newRows);
    m_bAlignedRows = 0;
    return 1;
}

int CDcmImage::RescalePixelValue()
{
    const CDicomInfo& info = m_DicomInfo;
    const double slope = info.m_dRescaleSlope, intercept = info.m_dRescaleIntercept;
    if ((intercept == 0 && (slope == 0 || slope == 1)) || IsRgb())
        return 0;
    const int b = info.m_nBitsAllocated / 8;
    if (b != 1 && b != 2)
        return 0;
    const size_t values = static_cast<size_t>(info.m_nRows) * info.m_nColumns;
    const bool readSigned = b == 2 && info.m_nPixelRepresentation != 0;
    for (int i = 0; i < m_Frames.GetSize(); ++i)
        PixelOps::Rescale(static_cast<BYTE*>(m_Frames.GetAt(i)), values, b, readSigned,
                          m_bSignedData != 0, slope, intercept);
    return 1;
}

int CDcmImage::SetInitWindowWidthCenter()
{
    if (m_pCurrentPixels == nullptr)
        return 0;
    CDicomInfo& info = m_DicomInfo;
    const CString& photometric = info.m_strPhotometricInterpretation;
    const bool grey = photometric == "MONOCHROME1" || photometric == "MONOCHROME2";
    int scanMin = 0, scanMax = 0, centre = 0, width = 0;
    if (grey && info.m_nBitsAllocated == 16) {
        const size_t values = static_cast<size_t>(info.m_nRows) * info.m_nColumns;
        PixelOps::ScanRange16(m_pCurrentPixels, values, m_bSignedData != 0, scanMin, scanMax);
        m_nMinLevel = scanMin;
        m_nMaxLevel = scanMax;
        width = (scanMax - scanMin) >> 1;
        centre = scanMin + (scanMax - scanMin) / 2;
    } else if ((grey && info.m_nBitsAllocated == 8) || IsRgbWithThreeSamples()) {
        centre = 128;
        width = 256;
        m_nMinLevel = 128;
        m_nMaxLevel = 256;
    }
    if (info.m_nWindowWidth == 0) {
        info.m_nWindowCenter = centre;
        info.m_nWindowWidth = width;
    } else if (info.m_strModality == "CT" && info.m_strInstitutionName == "ELM RIVER GENERAL HOSP" &&
               info.m_strScanOptions == "SCOUT MODE") {
        m_nMinLevel = scanMin;
        m_nMaxLevel = scanMax;
        info.m_nWindowWidth = (scanMax - scanMin) / 2;
        info.m_nWindowCenter = scanMin + (scanMax - scanMin) / 2;
    }
    SetWindowCenter(info.m_nWindowCenter);
    SetWindowWidth(info.m_nWindowWidth);
    return 1;
}

int CDcmImage::SetWindowWidth(int width)
{
    if (width < 1)
        return 0;
    if (IsRgbWithThreeSamples())
        width = std::min(width, 511);
    m_nWindowWidth = width;
    m_bWindowChanged = 1;
    return 1;
}

int CDcmImage::SetWindowCenter(int centre)
{
    if (IsRgbWithThreeSamples())
        centre = std::max(0, std::min(centre, 255));
    m_nWindowCenter = centre;
    m_bWindowChanged = 1;
    return 1;
}

int CDcmImage::AdjustWW(long width, int)
{
    SetWindowWidth(ClampToInt(width));
    ResetBitmapBits();
    return 1;
}

int CDcmImage::AdjustWC(long centre, int)
{
    SetWindowCenter(ClampToInt(centre));
    ResetBitmapBits();
    return 0;
}

int CDcmImage::AdjustBoth(long width, long centre, int)
{
    if (width != 0 || centre != 0) {
        SetWindowCenter(ClampToInt(centre));
        SetWindowWidth(ClampToInt(width));
    }
    return ResetBitmapBits();
}

int CDcmImage::ResetBoth()
{
    SetWindowCenter(m_DicomInfo.m_nWindowCenter);
    SetWindowWidth(m_DicomInfo.m_nWindowWidth);
    ResetBitmapBits();
    ReSetBitMap();
    return 1;
}

int CDcmImage::ResetBitmapBits()
{
    m_bBitmapBitsMapped = MapBitmapBits();
    return m_bBitmapBitsMapped;
}

int CDcmImage::MapBitmapBits()
{
    if (IsRgb())
        return ResetBitmapBitsRGB(), 1;
    const CString& photometric = m_DicomInfo.m_strPhotometricInterpretation;
    const bool mono1 = photometric == "MONOCHROME1";
    const int bits = m_DicomInfo.m_nBitsAllocated;
    if ((!mono1 && photometric != "MONOCHROME2") || (bits != 8 && bits != 16))
        return 0;
    if (m_pBitmapBits == nullptr || m_pCurrentPixels == nullptr)
        return 0;
    std::vector<BYTE> table;
    const bool inverted = mono1 != (m_bInverse != 0);
    if (!PixelOps::BuildGreyTable(table, bits, m_nWindowCenter, m_nWindowWidth, m_bSignedData != 0,
                                  inverted))
        return 0;
    const size_t count = static_cast<size_t>(m_nDisplayHeight) * m_nDisplayWidth;
    PixelOps::MapGrey(m_pCurrentPixels, m_pBitmapBits, count, bits / 8, table.data());
    return 1;
}

int CDcmImage::ResetBitmapBitsRGB()
{
    if (m_nWindowWidth < 1)
        m_nWindowWidth = 1;
    if (m_pBitmapBits == nullptr || m_pCurrentPixels == nullptr)
        return 0;
    const size_t pixels = static_cast<size_t>(m_nDisplayHeight) * m_nDisplayWidth;
    if (FrameBytes() < pixels * 3)
        return 0;
    const int planar = m_DicomInfo.m_nPlanarConfiguration;
    if (planar != 0 && planar != 1) {
        std::memset(m_pBitmapBits, 0, std::min<size_t>(4, pixels * 3));
        return 1;
    }
    BYTE table[256];
    PixelOps::BuildRgbTable(table, m_nWindowCenter, m_nWindowWidth);
    PixelOps::MapRgb(m_pCurrentPixels, m_pBitmapBits, pixels, planar == 1, m_bInverse != 0, table);
    return 1;
}

// (x, y) is a position in the stored image: the current pixels may be the
// rotated or mirrored copy, so the value comes from the current frame itself.
short CDcmImage::GetPixelValue(int x, int y)
{
    const int columns = m_DicomInfo.m_nColumns, rows = m_DicomInfo.m_nRows;
    const BYTE* frame = GetCurrentPixelData();
    if (x < 0 || y < 0 || x >= columns || y >= rows || m_pCurrentPixels == nullptr || frame == nullptr)
        return 0;
    const size_t index = static_cast<size_t>(y) * columns + x;
    switch (m_DicomInfo.m_nBitsAllocated / 8) {
    case 1: return frame[index];
    case 2:
        return static_cast<short>(frame[2 * index] | (frame[2 * index + 1] << 8));
    default: return 0;
    }
}

int CDcmImage::BuildGrayPalette()
{
    RGBQUAD grey[256];
    for (int i = 0; i < 256; ++i)
        grey[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    return BuildPalette(grey);
}

int CDcmImage::BuildPalette(RGBQUAD* table)
{
    if (m_pBitmapInfo == nullptr || table == nullptr)
        return 0;
    std::memcpy(m_pBitmapInfo->bmiColors, table, 256 * sizeof(RGBQUAD));
    return RecreateDibSection();
}
