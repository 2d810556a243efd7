// Exports of the image as the window shows it: Save As through the codec
// family, movies through the movie writer, and the direct JPEG and BMP
// writers over the display pixels.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "AviMovieWriter.h"
#include "DcmImage.h"
#include "ExtensionFormat.h"
#include "JpegFile.h"
#include "NoteTextDlg.h"
#include "OffscreenFrame.h"
#include "OverLayManager.h"
#include "RasterImage.h"
#include "WholeImageResampler.h"
#include "base/StagedFile.h"

namespace {

// Direct exports larger than this are refused before allocation.
const unsigned long long kMaxExportBytes = 1ULL << 30;

// Rectangle overlays draw as filled black boxes while a movie is rendered.
class MovieOverlayStyle {
public:
    MovieOverlayStyle() : m_savedColour(RectOverlayColor)
    {
        RectOverlayColor = 0;
        FillRectOverlays = 1;
    }
    ~MovieOverlayStyle()
    {
        RectOverlayColor = m_savedColour;
        FillRectOverlays = 0;
    }

private:
    COLORREF m_savedColour;
};

// "start,length", or a length from the current frame; 0 or no number means
// up to the last frame.
void ParseFrameRange(const CString& text, int currentFrame, int frameCount, int& start, int& length)
{
    const int comma = text.Find(',');
    if (comma > 0) {
        start = std::atoi(text.Left(comma));
        length = std::atoi(text.Mid(comma + 1));
        return;
    }
    start = currentFrame;
    length = std::atoi(text);
    if (length == 0)
        length = frameCount - currentFrame;
}

void WriteLe16(BYTE* p, unsigned value)
{
    p[0] = BYTE(value);
    p[1] = BYTE(value >> 8);
}

void WriteLe32(BYTE* p, unsigned long value)
{
    WriteLe16(p, unsigned(value & 0xFFFF));
    WriteLe16(p + 2, unsigned(value >> 16));
}

}  // namespace

void CDcmImage::RenderExportFrame(CDC* dc, CRect dest, CRect area, int showInfo, int showOverlays)
{
    ShowImage(dc, dest);
    if (showOverlays && m_pOverLayManager) {
        m_pOverLayManager->SetImageRect(dest.left, dest.top, dest.right, dest.bottom, m_nRotateAngle);
        m_pOverLayManager->UpdateScreenPoints();
        m_pOverLayManager->DrawAll(dc, 1.0f);
    }
    if (showInfo)
        ShowImgInfo(dc, this, &area);
}

int CDcmImage::SaveAs(CString path, int width, int height, int showInfo, int showOverlays, CRect* dest)
{
    CString extension = GetFileExtension(path);
    extension.MakeLower();
    if (extension == "avi")
        return SaveAsAvi(path, showInfo, showOverlays);
    const int format = FormatIdFromExtension(extension);
    if (width == 0 || height == 0) {
        width = GetWidth();
        height = GetHeight();
        dest = nullptr;
    }
    // Nothing is rendered for a name no format can be written under.
    if (width <= 0 || height <= 0 || format == 0)
        return 0;
    OffscreenFrame frame(width, height);
    if (!frame.IsValid())
        return 0;
    const CRect target = dest ? *dest : GetFittedImageRect(frame.Area(), GetWidth(), GetHeight(), 5, 5);
    RenderExportFrame(frame.Dc(), target, frame.Area(), showInfo, showOverlays);
    CRasterImage picture;
    return picture.CreateFromHBITMAP(frame.Bitmap()) && picture.Save(path, DWORD(format), 0) ? 1 : 0;
}

int CDcmImage::SaveAsAvi(CString path, int showInfo, int showOverlays)
{
    m_strMovieError.Empty();
    const int width = GetWidth();
    const int height = GetHeight();
    if (width <= 0 || height <= 0)
        return 0;
    OffscreenFrame frame(width, height);
    if (!frame.IsValid())
        return 0;
    const CRect dest = GetFittedImageRect(frame.Area(), width, height, 5, 5);
    // Frame times above a second would give no whole rate: they play at one frame a second.
    const int frameTime = std::atoi(GetCurrentFrameTime());
    const DWORD rate = frameTime > 0 ? DWORD(std::max(1, 1000 / frameTime)) : 15;
    AviMovieWriter writer(path, 0, rate);
    MovieOverlayStyle style;

    CNoteTextDlg dialog(nullptr);
    dialog.m_strCaption.Format("[当前:%d][格式:开始,长度][格式:长度]", m_nCurrentFrame);
    dialog.m_strText.Format("%d", GetFramesCount() - m_nCurrentFrame);
    if (dialog.DoModal() != IDOK)
        return 0;
    int start = 0;
    int length = 0;
    ParseFrameRange(dialog.m_strText, m_nCurrentFrame, GetFramesCount(), start, length);
    if (length > 0)
        writer.ExpectFrames(width, height, 24, DWORD(length));
    // A writer that has failed takes no more frames, so rendering them would be in vain.
    const long long end = static_cast<long long>(start) + length;
    for (long long i = start; i < end && writer.GetState() != 0; ++i) {
        // Indexes past the int range name no frame, like any other index outside the image.
        SetCurrentFrame(static_cast<int>(std::min<long long>(i, INT_MAX)));
        BuildCurrentPixelBits();
        RenderExportFrame(frame.Dc(), dest, frame.Area(), showInfo, showOverlays);
        writer.AddFrame(frame.Bitmap());
    }
    if (FAILED(writer.CloseMovie())) {
        m_strMovieError = writer.GetLastErrorText();
        return 0;
    }
    return 1;
}

int CDcmImage::DisplayChannels() const
{
    const CString& photometric = m_DicomInfo.m_strPhotometricInterpretation;
    if (photometric == "RGB" && m_DicomInfo.m_nSamplesPerPixel == 3)
        return 3;
    if (photometric == "MONOCHROME2" || photometric == "MONOCHROME1")
        return 1;
    return 0;
}

// The display pixels resampled into their place in a W x H picture, with
// the information text burned in; rows top-down. Null when there is
// nothing to write.
BYTE* CDcmImage::ComposeDirectExport(int width, int height, CRelativeRect* rect, int useSize, int showInfo,
                                     int& outWidth, int& outHeight, int& channels)
{
    channels = DisplayChannels();
    if (m_pBitmapBits == nullptr || channels == 0 || GetWidth() < 1 || GetHeight() < 1)
        return nullptr;
    int w = GetWidth();
    int h = GetHeight();
    if (useSize && width != 0 && height != 0) {
        w = width / 4 * 4 + 4;
        h = height / 4 * 4 + 4;
    } else if (!(w >= 257 && h > 256)) {
        w *= 2;
        h *= 2;
    }
    if (w < 1 || h < 1 || static_cast<unsigned long long>(w) * h * channels > kMaxExportBytes)
        return nullptr;
    const CRelativeRect place = rect ? *rect : CRelativeRect(0.0f, 0.0f, 1.0f, 1.0f);
    const int x0 = int(w * place.left);
    const int y0 = int(h * place.top);
    const int pw = int(w * place.right) - x0;
    const int ph = int(h * place.bottom) - y0;
    std::unique_ptr<BYTE[]> out(new (std::nothrow) BYTE[size_t(w) * h * channels]());
    if (!out)
        return nullptr;
    if (pw > 0 && ph > 0 && static_cast<unsigned long long>(pw) * ph * channels <= kMaxExportBytes) {
        std::unique_ptr<BYTE[]> placed(new (std::nothrow) BYTE[size_t(pw) * ph * channels]());
        if (!placed)
            return nullptr;
        const int ok = channels == 1
                           ? WholeImageResampler::Gray8(m_pBitmapBits, GetWidth(), GetHeight(), placed.get(), pw, ph)
                           : WholeImageResampler::Rgb(m_pBitmapBits, GetWidth(), GetHeight(), placed.get(), pw, ph);
        if (!ok)
            return nullptr;
        for (int y = std::max(0, y0); y < std::min(h, y0 + ph); ++y) {
            const int xs = std::max(0, x0);
            const int xe = std::min(w, x0 + pw);
            if (xe > xs)
                std::memcpy(out.get() + (size_t(y) * w + xs) * channels,
                            placed.get() + (size_t(y - y0) * pw + (xs - x0)) * channels, size_t(xe - xs) * channels);
        }
    }
    if (showInfo)
        BurnInfoTextInto(out.get(), w, h, channels);
    outWidth = w;
    outHeight = h;
    return out.release();
}

int CDcmImage::WriteToJPGFile(CString path, int width, int height, CRelativeRect* rect, int useSize, int showInfo)
{
    if (path.IsEmpty())
        return 0;
    int w = 0;
    int h = 0;
    int channels = 0;
    std::unique_ptr<BYTE[]> pixels(ComposeDirectExport(width, height, rect, useSize, showInfo, w, h, channels));
    if (!pixels)
        return 0;
    std::vector<BYTE> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < size_t(w) * h; ++i)
        for (int c = 0; c < 3; ++c)
            rgb[3 * i + c] = pixels[i * channels + (channels == 3 ? c : 0)];
    JpegFile::SwapRedBlue(rgb.data(), UINT(w), UINT(h));
    return JpegFile::WriteRGB(path, rgb.data(), UINT(w), UINT(h), 1, 100);
}

int CDcmImage::WriteToBMPFile(CString path, int width, int height, CRelativeRect* rect, int useSize, int showInfo)
{
    if (path.IsEmpty() || m_pBitmapInfo == nullptr)
        return 0;
    int w = 0;
    int h = 0;
    int channels = 0;
    std::unique_ptr<BYTE[]> pixels(ComposeDirectExport(width, height, rect, useSize, showInfo, w, h, channels));
    if (!pixels)
        return 0;
    const size_t rowBytes = size_t(w) * channels;
    JpegFile::FlipRows(pixels.get(), UINT(rowBytes), UINT(h));
    // Rows are stored padded to 4 bytes, as every reader of the format expects.
    const size_t fileRow = (rowBytes + 3) & ~size_t(3);
    const size_t pixelBytes = fileRow * h;
    const size_t infoBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
    BYTE fileHeader[14] = {'B', 'M'};
    WriteLe32(fileHeader + 2, static_cast<unsigned long>(pixelBytes + 14 + infoBytes));
    WriteLe32(fileHeader + 10, static_cast<unsigned long>(m_pBitmapInfo->bmiHeader.biSize + 1038));
    std::vector<BYTE> info(infoBytes);
    std::memcpy(info.data(), m_pBitmapInfo, infoBytes);
    BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header->biWidth = w;
    header->biHeight = h;
    header->biSizeImage = DWORD(pixelBytes);
    StagedFile file;
    if (!file.Open(path) || !file.Write(fileHeader, sizeof fileHeader) || !file.Write(info.data(), info.size()))
        return 0;
    const BYTE padding[3] = {0, 0, 0};
    for (int y = 0; y < h; ++y)
        if (!file.Write(pixels.get() + size_t(y) * rowBytes, rowBytes) ||
            !file.Write(padding, fileRow - rowBytes))
            return 0;
    return file.Commit() ? 1 : 0;
}
