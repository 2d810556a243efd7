#include "AviMovieWriter.h"

#include <algorithm>
#include <cstring>

#include "base/winmemory.h"
#include "media/AviRiffWriter.h"

AviMovieWriter::AviMovieWriter(const char* fileName, DWORD codec, DWORD frameRate)
    : m_hMemoryDC(nullptr), m_hHeap(nullptr), m_pBuffer(nullptr), m_nBufferSize(0), m_nSampleIndex(0),
      m_pAviFile(nullptr), m_pRawStream(nullptr), m_pCompressedStream(nullptr), m_StreamInfo(),
      m_CompressOptions(), m_nFrameRate(frameRate), m_nCodec(codec), m_strFileName(fileName ? fileName : ""),
      m_szLastError(), m_Format(), m_nState(1)
{
    AVIFileInit();
    m_BitmapOperations[0] = &AviMovieWriter::RejectFrame;
    m_BitmapOperations[1] = &AviMovieWriter::AddFirstFrame;
    m_BitmapOperations[2] = &AviMovieWriter::AddNextFrame;
    SetLastErrorText("Method Succeeded");
}

AviMovieWriter::~AviMovieWriter()
{
    ReleaseMovie();
    AVIFileExit();
}

void AviMovieWriter::SetLastErrorText(const char* text)
{
    std::strncpy(m_szLastError, text ? text : "", sizeof m_szLastError - 1);
    m_szLastError[sizeof m_szLastError - 1] = '\0';
}

HRESULT AviMovieWriter::AddFrame(HBITMAP bitmap)
{
    return (this->*m_BitmapOperations[m_nState])(bitmap);
}

HRESULT AviMovieWriter::RejectFrame(HBITMAP)
{
    return E_FAIL;
}

HRESULT AviMovieWriter::AddFirstFrame(HBITMAP bitmap)
{
    BITMAP bm{};
    if (GetObject(bitmap, sizeof bm, &bm) == 0)
        return FailFrame("Unable to Write Video Stream to the output Movie File");
    if (FAILED(InitMovieStream(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel))) {
        ReleaseMovie();
        return E_FAIL;
    }
    m_nState = 2;
    return AddNextFrame(bitmap);
}

HRESULT AviMovieWriter::InitMovieStream(int width, int height, int bitsPerPixel)
{
    m_hMemoryDC = CreateCompatibleDC(nullptr);
    if (m_hMemoryDC == nullptr) {
        SetLastErrorText("Unable to Create Compatible DC");
        return E_FAIL;
    }
    m_nBufferSize = size_t(std::max(GetSystemMetrics(SM_CYSCREEN), height)) *
                    size_t(std::max(GetSystemMetrics(SM_CXSCREEN), width)) * 4;
    m_hHeap = HeapCreate(HEAP_NO_SERIALIZE, m_nBufferSize, 0);
    if (m_hHeap == nullptr) {
        SetLastErrorText("Unable to Create Heap");
        return E_FAIL;
    }
    m_pBuffer = HeapAlloc(m_hHeap, HEAP_ZERO_MEMORY, m_nBufferSize);
    if (m_pBuffer == nullptr) {
        SetLastErrorText("Unable to Allocate Memory on Heap");
        return E_FAIL;
    }
    if (AVIFileOpen(&m_pAviFile, m_strFileName.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) {
        SetLastErrorText("Unable to Create the Movie File");
        return E_FAIL;
    }
    std::memset(&m_StreamInfo, 0, sizeof m_StreamInfo);
    m_StreamInfo.fccType = streamtypeVIDEO;
    m_StreamInfo.fccHandler = m_nCodec;
    m_StreamInfo.dwScale = 1;
    m_StreamInfo.dwRate = m_nFrameRate;
    m_StreamInfo.dwSuggestedBufferSize = DWORD(m_nBufferSize);
    m_StreamInfo.dwQuality = DWORD(-1);
    m_StreamInfo.rcFrame = RECT{0, 0, width, height};
    std::strcpy(m_StreamInfo.szName, "Video Stream");
    if (AVIFileCreateStream(m_pAviFile, &m_pRawStream, &m_StreamInfo) != AVIERR_OK) {
        SetLastErrorText("Unable to Create Video Stream in the Movie File");
        return E_FAIL;
    }
    std::memset(&m_CompressOptions, 0, sizeof m_CompressOptions);
    m_CompressOptions.fccType = streamtypeVIDEO;
    m_CompressOptions.fccHandler = m_nCodec;
    m_CompressOptions.dwKeyFrameEvery = 1;
    m_CompressOptions.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    if (AVIMakeCompressedStream(&m_pCompressedStream, m_pRawStream, &m_CompressOptions, nullptr) != AVIERR_OK) {
        SetLastErrorText("Unable to Create Compressed Stream: Check your CODEC options");
        return E_FAIL;
    }
    std::memset(&m_Format, 0, sizeof m_Format);
    m_Format.biSize = sizeof(BITMAPINFOHEADER);
    m_Format.biWidth = width;
    m_Format.biHeight = height;
    m_Format.biPlanes = 1;
    m_Format.biBitCount = WORD(bitsPerPixel);
    m_Format.biCompression = BI_RGB;
    m_Format.biSizeImage = DWORD(size_t(width) * height * bitsPerPixel / 8);
    if (AVIStreamSetFormat(m_pCompressedStream, 0, &m_Format, sizeof m_Format) != AVIERR_OK) {
        SetLastErrorText("Unable to Set Video Stream Format");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT AviMovieWriter::ExpectFrames(int width, int height, int bitsPerPixel, DWORD frames)
{
    const uint64_t rowBytes = (uint64_t(std::max(0, width)) * uint64_t(std::max(0, bitsPerPixel)) + 31) / 32 * 4;
    if (AviRiffWriter::FramesFit(frames, rowBytes * uint64_t(std::max(0, height))))
        return S_OK;
    return FailFrame("Unable to Write Video Stream: the Movie File would pass 1 GB");
}

HRESULT AviMovieWriter::FailFrame(const char* text)
{
    SetLastErrorText(text);
    ReleaseMovie();
    return E_FAIL;
}

HRESULT AviMovieWriter::AddNextFrame(HBITMAP bitmap)
{
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (GetDIBits(m_hMemoryDC, bitmap, 0, 0, nullptr, &bmi, DIB_RGB_COLORS) == 0)
        return FailFrame("Unable to Write Video Stream to the output Movie File");
    bmi.bmiHeader.biCompression = BI_RGB;
    // Every frame must have the stream's format and fit the frame buffer.
    const BITMAPINFOHEADER& h = bmi.bmiHeader;
    if (h.biWidth != m_Format.biWidth || h.biHeight != m_Format.biHeight || h.biBitCount != m_Format.biBitCount ||
        h.biSizeImage > m_nBufferSize)
        return FailFrame("Unable to Write Video Stream to the output Movie File");
    if (GetDIBits(m_hMemoryDC, bitmap, 0, UINT(h.biHeight), m_pBuffer, &bmi, DIB_RGB_COLORS) == 0 ||
        AVIStreamWrite(m_pCompressedStream, LONG(m_nSampleIndex), 1, m_pBuffer, LONG(h.biSizeImage), 0, nullptr,
                       nullptr) != AVIERR_OK)
        return FailFrame("Unable to Write Video Stream to the output Movie File");
    ++m_nSampleIndex;
    return S_OK;
}

HRESULT AviMovieWriter::CloseMovie()
{
    const int state = m_nState;
    // The file is released last, by itself, to learn whether the movie was completed.
    PAVIFILE file = m_pAviFile;
    m_pAviFile = nullptr;
    ReleaseMovie();
    if (file == nullptr)
        return state == 0 ? E_FAIL : S_OK;
    if (AVIFileClose(file) != AVIERR_OK) {
        SetLastErrorText("Unable to Write Video Stream to the output Movie File");
        return E_FAIL;
    }
    return S_OK;
}

void AviMovieWriter::ReleaseMovie()
{
    // A writer that failed discards its movie instead of finishing it.
    m_nState = 0;
    if (m_hMemoryDC) {
        DeleteDC(m_hMemoryDC);
        m_hMemoryDC = nullptr;
    }
    if (m_pCompressedStream) {
        AVIStreamRelease(m_pCompressedStream);
        m_pCompressedStream = nullptr;
    }
    if (m_pRawStream) {
        AVIStreamRelease(m_pRawStream);
        m_pRawStream = nullptr;
    }
    if (m_pAviFile) {
        AVIFileRelease(m_pAviFile);
        m_pAviFile = nullptr;
    }
    if (m_hHeap) {
        if (m_pBuffer)
            HeapFree(m_hHeap, 0, m_pBuffer);
        HeapDestroy(m_hHeap);
    }
    m_pBuffer = nullptr;
    m_hHeap = nullptr;
}
