#include "DcmImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "ExtensionFormat.h"
#include "FileStream.h"
#include "JpegFile.h"
#include "RasterGIF.h"
#include "RasterImage.h"
#include "RasterTIF.h"
#include "OverLayManager.h"
#include "PixelLimit.h"
#include "PixelOps.h"

namespace {

bool EndsWithNoCase(const CString& text, const char* suffix)
{
    const int length = static_cast<int>(std::strlen(suffix));
    return text.GetLength() >= length && text.Right(length).CompareNoCase(suffix) == 0;
}

// Files of a folder in name order, so that frames follow their numbering;
// every listed file is read, the last one included.
std::vector<CString> ListFiles(const CString& folder)
{
    std::vector<CString> files;
    CFileFind finder;
    BOOL more = finder.FindFile(folder + "/*.*");
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots() && !finder.IsDirectory())
            files.push_back(finder.GetFilePath());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class LockGuard {
public:
    explicit LockGuard(CRITICAL_SECTION* lock) : m_pLock(lock) { EnterCriticalSection(m_pLock); }
    ~LockGuard() { LeaveCriticalSection(m_pLock); }

private:
    CRITICAL_SECTION* m_pLock;
};

// Raster frames are held to the limit of DICOM pixel data, applied by the
// decoders before they allocate.
class RasterPixelBudget {
public:
    RasterPixelBudget() : m_previous(CRasterImage::GetPixelLimit()) {}
    ~RasterPixelBudget() { CRasterImage::SetPixelLimit(m_previous); }
    // Makes the next decode leave room for what the frames already hold.
    bool Reserve(unsigned long long used)
    {
        if (used >= kMaxPixelBytes)
            return false;
        CRasterImage::SetPixelLimit(kMaxPixelBytes - used);
        return true;
    }

private:
    uint64_t m_previous;
};

// GIF and TIFF frames come from one pass over the file: loading it again
// for each frame would cost the whole file, or every frame before it, per
// frame.
bool DecodesFramesInOnePass(DWORD type)
{
    return type == RASTER_FORMAT_GIF || type == RASTER_FORMAT_TIF;
}

bool DecodeFramesInOnePass(const CString& path, DWORD type, const RasterFrameSink& sink)
{
    FILE* fp = std::fopen(path, "rb");
    if (fp == nullptr)
        return false;
    CFileStream stream(fp);
    bool ok;
    if (type == RASTER_FORMAT_GIF) {
        CRasterGIF codec;
        ok = codec.DecodeFrames(&stream, sink);
    } else {
        CRasterTIF codec;
        ok = codec.DecodeFrames(&stream, sink);
    }
    std::fclose(fp);
    return ok;
}

}  // namespace

CDcmImage::CDcmImage()
    : m_pBitmapInfo(nullptr), m_pBitmapBits(nullptr), m_pCurrentPixels(nullptr),
      m_pOrientedPixels(nullptr), m_nIsReportImage(0), m_ScoutImageType(SCOUT_IMAGE_NONE),
      m_bSignedData(1), m_nInterpolationOptimize(0), m_ColorMode(COLOR_MODE_NONE),
      m_nShutterLeft(0), m_nShutterRight(0), m_nShutterTop(0), m_nShutterBottom(0),
      m_Lock(), m_pBitmap(nullptr), m_fScale(0.0f), m_nRotateAngle(0), m_nWindowCenter(0),
      m_nWindowWidth(0), m_bWindowChanged(0), m_nMaxLevel(0), m_nMinLevel(0), m_bOpened(0),
      m_bInverse(0), m_bFlip(0), m_bReverse(0), m_bShowLocalizer(0), m_bDoubleLocalizer(0),
      m_nDisplayHeight(0), m_nDisplayWidth(0), m_nScaledHeight(0), m_nScaledWidth(0),
      m_nDisplayBytesPerPixel(0), m_nMatrixWidth(0), m_nMatrixHeight(0),
      m_hDibSection(nullptr), m_nCurrentFrame(0), m_pOverLayManager(nullptr), m_nImgPosX(0),
      m_nImgPosY(0), m_bIsImgPos(0), m_bAlignedRows(0), m_bBitmapBitsMapped(0), m_bHasResetBoth(0)
{
    InitializeCriticalSection(&m_Lock);
    m_pBitmap = CreateBitmapWrapper();
}

CDcmImage::~CDcmImage()
{
    ClearUp();
    DeleteBitmapWrapper(m_pBitmap);
    m_pBitmap = nullptr;
    DeleteCriticalSection(&m_Lock);
}

int CDcmImage::ClearUp()
{
    delete[] m_pOrientedPixels;
    m_pOrientedPixels = nullptr;
    delete[] m_pBitmapBits;
    m_pBitmapBits = nullptr;
    delete[] reinterpret_cast<BYTE*>(m_pBitmapInfo);
    m_pBitmapInfo = nullptr;
    m_pCurrentPixels = nullptr;
    for (int i = 0; i < m_Frames.GetSize(); ++i)
        delete[] static_cast<BYTE*>(m_Frames.GetAt(i));
    m_Frames.RemoveAll();
    m_FrameTimes.RemoveAll();
    delete m_pOverLayManager;
    m_pOverLayManager = nullptr;
    DeleteDibSection();
    m_LocalizerList.RemoveAll();
    return 1;
}

int CDcmImage::OpenFile(CString path)
{
    m_bAlignedRows = 0;
    LockGuard lock(&m_Lock);
    if (m_bOpened)
        return 1;
    // Comparisons use the lower-cased path; every file operation uses the path as given.
    CString lower = path;
    lower.MakeLower();
    int result;
    if (FormatIdFromExtension(GetFileExtension(lower)) >= 1) {
        result = OpenImageFile(path);
    } else if (EndsWithNoCase(lower, ".dcm")) {
        result = OpenDicomFile(path);
    } else if (IsMpegFile(path)) {
        SetImageType("Video");
        result = 1;
    } else if (lower.Find("dsa.dcm") >= 0) {
        OpenDicomFile(path);
        ClearUp();
        CString folder = path;
        while (!folder.IsEmpty() && std::strchr(".dcmDCM", folder[folder.GetLength() - 1]))
            folder = folder.Left(folder.GetLength() - 1);
        OpenJpegFileDirectory(folder);
        result = 1;
    } else {
        result = OpenDicomFile(path);
    }
    if (!result)
        return 0;
    m_strFilePath = lower;
    m_bOpened = 1;
    return 1;
}

int CDcmImage::OpenDicomFile(const char* path)
{
    const int result = m_DicomInfo.ReadDicomFile(path, &m_Frames);
    if (!result) {
        // Frames of a refused read must not outlive it.
        ClearUp();
        return 0;
    }
    m_bBitmapBitsMapped = 0;
    ParseDicomInfo();
    ChangeYBRtoRGB();
    MakeImageDwordAlign();
    RescalePixelValue();
    SetCurrentFrame(0);
    SetInitWindowWidthCenter();
    BuildImage();
    OverlayMeasure();
    // A picture the lookup pass of BuildImage could not map (a colour model or
    // sample width it does not know) would show as black: it is refused instead.
    if (!m_bBitmapBitsMapped) {
        ClearUp();
        return 0;
    }
    return result;
}

int CDcmImage::IsMpegFile(CString path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return 0;
    unsigned char head[6] = {0};
    const size_t count = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (count < sizeof head)
        return 0;
    const unsigned char mpeg[6] = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00};
    if (std::memcmp(head, mpeg, 6) == 0)
        return 1;
    if (std::memcmp(head, "RIFF", 4) != 0)
        return 0;
    return (head[4] == 0xAC && head[5] == 0xD9) || (head[4] == 0x34 && head[5] == 0x9B);
}

// Top-down R,G,B rows of the picture's current frame, width and height
// reduced to multiples of 4; 0 with the reason shown when it cannot be had.
// Palette pictures are looked up as they are copied: promoting them to 24
// bits first would cost a call or two per pixel.
int CDcmImage::AddRasterFrame(CRasterImage& picture)
{
    if (!picture.IsIndexed())
        picture.IncreaseBpp(24);
    // The crop to multiples of 4 from (0, 0) of the picture turned upside
    // down keeps its first columns and its last rows, which are the first
    // stored rows of the bottom-up picture.
    const long width = static_cast<long>(picture.GetWidth()) / 4 * 4;
    const long height = static_cast<long>(picture.GetHeight()) / 4 * 4;
    const bool indexed = picture.IsIndexed();
    BYTE* bits = (indexed || picture.GetBpp() == 24) && width > 0 && height > 0 ? picture.GetBits() : nullptr;
    if (bits == nullptr) {
        AfxMessageBox("打开图片失败");
        return 0;
    }
    // Frames of another size than the first cannot share the frame list.
    if (!m_Frames.IsEmpty() && (width != m_DicomInfo.m_nColumns || height != m_DicomInfo.m_nRows))
        return 1;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    BYTE* frame = new (std::nothrow) BYTE[rowBytes * height];
    if (frame == nullptr) {
        AfxMessageBox("分配影像内存失败");
        return 0;
    }
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = picture.GetPaletteColor(static_cast<BYTE>(i));
    for (long y = 0; y < height; ++y) {
        const long stored = height - 1 - y;
        const BYTE* source = bits + static_cast<size_t>(stored) * picture.GetEffWidth();
        BYTE* target = frame + y * rowBytes;
        for (long x = 0; x < width; ++x) {
            if (indexed) {
                const RGBQUAD& c = palette[picture.BlindGetPixelIndex(x, stored)];
                target[3 * x] = c.rgbRed;
                target[3 * x + 1] = c.rgbGreen;
                target[3 * x + 2] = c.rgbBlue;
            } else {
                target[3 * x] = source[3 * x + 2];
                target[3 * x + 1] = source[3 * x + 1];
                target[3 * x + 2] = source[3 * x];
            }
        }
    }
    m_Frames.Add(frame);
    m_DicomInfo.m_nColumns = static_cast<int>(width);
    m_DicomInfo.m_nRows = static_cast<int>(height);
    return 1;
}

int CDcmImage::OpenImageFile(CString path)
{
    RasterPixelBudget budget;
    budget.Reserve(0);
    CRasterImage picture(0);
    if (!picture.Load(path, 0))
        return 0;
    const long frames = std::max(1L, picture.GetNumFrames());
    unsigned long long used = 0;
    bool failed = false;
    // Frames of another size than the first are decoded and left out; they
    // count all the same, so that a file of them cannot cost work without end.
    auto add = [&](CRasterImage& frame) {
        const unsigned long long bytes = 3ULL * (frame.GetWidth() / 4 * 4) * (frame.GetHeight() / 4 * 4);
        failed = !AddRasterFrame(frame);
        // The decoded picture is not needed beside its frame.
        frame.Destroy();
        used += bytes;
        return !failed && budget.Reserve(used);
    };
    const DWORD type = picture.GetType();
    if (frames > 1 && DecodesFramesInOnePass(type)) {
        picture.Destroy();
        DecodeFramesInOnePass(path, type, add);
    } else {
        for (long i = 0; i < frames && add(picture); ++i) {
            picture.SetFrame(i + 1);
            if (i + 1 < frames && !picture.Load(path, 0))
                break;
        }
    }
    if (failed || m_Frames.IsEmpty())
        return 0;
    CDicomInfo& info = m_DicomInfo;
    info.m_strPhotometricInterpretation = "RGB";
    info.m_nSamplesPerPixel = 3;
    m_bAlignedRows = 1;
    RunRasterPipeline();
    info.m_strFilePath = path;
    return 1;
}

int CDcmImage::AddRgbFrame(const BYTE* rows, int width, int height, int rowBytes)
{
    if (!m_Frames.IsEmpty() && (width != m_DicomInfo.m_nColumns || height != m_DicomInfo.m_nRows ||
                                m_DicomInfo.m_nSamplesPerPixel != 3))
        return 0;
    const size_t bytes = static_cast<size_t>(rowBytes) * height;
    BYTE* frame = new (std::nothrow) BYTE[bytes];
    if (frame == nullptr)
        return 0;
    std::memcpy(frame, rows, bytes);
    m_Frames.Add(frame);
    m_DicomInfo.m_strPhotometricInterpretation = "RGB";
    m_DicomInfo.m_nSamplesPerPixel = 3;
    m_DicomInfo.m_nColumns = width;
    m_DicomInfo.m_nRows = height;
    return 1;
}

// Frames of one run must share size and colour kind; a file that differs is skipped.
int CDcmImage::AddJpegFrame(const CString& path)
{
    int kind = -1;
    UINT width = 0, height = 0;
    if (!JpegFile::ReadSize(&kind, path, &width, &height) || (kind != 1 && kind != 2))
        return 0;
    if (!m_Frames.IsEmpty() &&
        (static_cast<int>(width) != m_DicomInfo.m_nColumns ||
         static_cast<int>(height) != m_DicomInfo.m_nRows ||
         (kind == 1) != (m_DicomInfo.m_nSamplesPerPixel == 3)))
        return 0;
    if (kind == 1) {
        BYTE* rgb = JpegFile::ReadRGB(path, &width, &height);
        UINT rowBytes = 0;
        BYTE* aligned = JpegFile::AlignRows(rgb, width, height, &rowBytes);
        delete[] rgb;
        const int added = aligned && AddRgbFrame(aligned, width, height, rowBytes);
        delete[] aligned;
        if (added)
            m_bAlignedRows = 1;
        return added;
    }
    BYTE* grey = JpegFile::ReadNative(path, &width, &height);
    if (grey == nullptr)
        return 0;
    m_Frames.Add(grey);
    m_DicomInfo.m_strPhotometricInterpretation = "MONOCHROME2";
    m_DicomInfo.m_nSamplesPerPixel = 1;
    m_DicomInfo.m_nColumns = width;
    m_DicomInfo.m_nRows = height;
    return 1;
}

int CDcmImage::OpenJpegFileDirectory(CString folder)
{
    const std::vector<CString> files = ListFiles(folder);
    if (files.empty())
        return 0;
    for (const CString& file : files)
        AddJpegFrame(file);
    return m_Frames.IsEmpty() ? 0 : RunRasterPipeline();
}

int CDcmImage::OpenJpegFile(CString path)
{
    return AddJpegFrame(path) ? RunRasterPipeline() : 0;
}

int CDcmImage::RunRasterPipeline()
{
    CDicomInfo& info = m_DicomInfo;
    info.m_nBitsAllocated = 8;
    info.m_nBitsStored = 8;
    info.m_nHighBit = 7;
    info.m_nWindowCenter = 128;
    info.m_nWindowWidth = 255;
    info.m_nPlanarConfiguration = 0;
    // These roads build unsigned 8-bit frames, whatever an earlier read set.
    m_bSignedData = 0;
    MakeImageDwordAlign();
    SetCurrentFrame(0);
    SetInitWindowWidthCenter();
    BuildImage();
    OverlayMeasure();
    ResetBitmapBits();
    return 1;
}

BYTE* CDcmImage::DecodeJpeg(int size, BYTE* buffer)
{
    BYTE* rows = nullptr;
    char folder[MAX_PATH] = {0};
    char path[MAX_PATH] = {0};
    if (buffer && size > 0 && GetTempPath(MAX_PATH, folder) && GetTempFileName(folder, "jpeg", 0, path)) {
        FILE* file = std::fopen(path, "wb");
        const bool written = file && std::fwrite(buffer, 1, size, file) == static_cast<size_t>(size);
        if (file)
            std::fclose(file);
        UINT width = 0, height = 0, rowBytes = 0;
        BYTE* rgb = written ? JpegFile::ReadRGB(path, &width, &height) : nullptr;
        rows = JpegFile::AlignRows(rgb, width, height, &rowBytes);
        delete[] rgb;
        DeleteFile(path);
    }
    delete[] buffer;
    return rows;
}

int CDcmImage::SetCurrentFrame(int index)
{
    if (index < 0 || index >= m_Frames.GetSize())
        return 0;
    m_nCurrentFrame = index;
    m_pCurrentPixels = static_cast<BYTE*>(m_Frames.GetAt(index));
    return 1;
}

BYTE* CDcmImage::GetCurrentPixelData()
{
    if (m_nCurrentFrame < 0 || m_nCurrentFrame >= m_Frames.GetSize())
        return nullptr;
    return static_cast<BYTE*>(m_Frames.GetAt(m_nCurrentFrame));
}

int CDcmImage::FirstFrame()
{
    SetCurrentFrame(0);
    ResetBitmapBits();
    return 1;
}

int CDcmImage::LastFrame()
{
    if (GetFramesCount() < 2 || !SetCurrentFrame(GetFramesCount() - 1))
        return 0;
    ResetBitmapBits();
    return 1;
}

int CDcmImage::ForWardFrame()
{
    if (GetFramesCount() < 2 || !SetCurrentFrame(m_nCurrentFrame + 1))
        return 0;
    ResetBitmapBits();
    return 1;
}

int CDcmImage::BackWardFrame()
{
    if (GetFramesCount() < 2 || !SetCurrentFrame(m_nCurrentFrame - 1))
        return 0;
    ResetBitmapBits();
    return 1;
}

CString CDcmImage::GetCurrentFrameTime()
{
    if (m_nCurrentFrame < 0 || m_nCurrentFrame >= m_FrameTimes.GetSize())
        return CString();
    return m_FrameTimes.GetAt(m_nCurrentFrame);
}

int CDcmImage::IsQmHospital()
{
    return m_DicomInfo.m_strPrivateList.IsEmpty() ? 0 : 1;
}

int CDcmImage::IsAreaMeasurable()
{
    return m_DicomInfo.m_dRowSpacing != 0.0 && m_DicomInfo.m_dColumnSpacing != 0.0;
}

int CDcmImage::IsImageCompressed()
{
    const CString& syntax = m_DicomInfo.m_strTransferSyntaxUID;
    return syntax.Compare("1.2.840.10008.1.2.4.50") >= 0 &&
           syntax.Compare("1.2.840.10008.1.2.5") <= 0 &&
           m_DicomInfo.m_strImageType.Left(7) == "DERIVED";
}

CString CDcmImage::GetPhotoMetricInterpretation()
{
    return m_DicomInfo.m_strPhotometricInterpretation;
}

int CDcmImage::SetOverLayManager(COverLayManager* manager)
{
    m_pOverLayManager = manager;
    return 1;
}

COverLayManager* CDcmImage::CreateOverLayManager()
{
    if (m_pOverLayManager == nullptr) {
        m_pOverLayManager = new (std::nothrow) COverLayManager;
        if (m_pOverLayManager)
            m_pOverLayManager->SetImage(this);
    }
    return m_pOverLayManager;
}

void CDcmImage::OverlayMeasure()
{
    if (m_pOverLayManager)
        m_pOverLayManager->MeasureAll();
}

int CDcmImage::ParseOverLay()
{
    const CDicomInfo& info = m_DicomInfo;
    if (!info.m_bOverlayBlobPresent || info.m_pOverlayBlob == nullptr)
        return 0;
    if (CreateOverLayManager() == nullptr)
        return 0;
    m_pOverLayManager->ParseRecords(reinterpret_cast<const short*>(info.m_pOverlayBlob),
                                    info.m_nOverlayBlobLength);
    CurrentOverlayMode = 3;
    CurrentOverlayTool = 0;
    m_pOverLayManager->SetCurrentOverlay(nullptr);
    return 0;
}

int CDcmImage::WriteOverLayToFile()
{
    if (m_pOverLayManager == nullptr || !m_pOverLayManager->IsModified())
        return 0;
    m_pOverLayManager->BuildRecords();
    const int vrOB = 12;
    return m_DicomInfo.WriteElement(0x6061, 0x0030, vrOB, m_pOverLayManager->GetRecordsBlobSize(),
                                    m_pOverLayManager->GetRecordsBlob());
}
