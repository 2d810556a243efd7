// Writes the frames of one movie, given as bitmaps, through the Video for
// Windows file interface. Created on the stack for one movie.
#pragma once

#include <string>

#include "ImvexaApi.h"
#include "ImagePlatform.h"
#include "media/VideoForWindows.h"

class IMVEXA_API AviMovieWriter {
public:
    AviMovieWriter(const char* fileName, DWORD codec, DWORD frameRate);
    virtual ~AviMovieWriter();
    AviMovieWriter(const AviMovieWriter&) = delete;
    AviMovieWriter& operator=(const AviMovieWriter&) = delete;

    // S_OK, or E_FAIL once the writer has failed (see GetLastErrorText).
    HRESULT AddFrame(HBITMAP bitmap);
    HRESULT InitMovieStream(int width, int height, int bitsPerPixel);
    // Before the first frame: a movie of that many frames of the size that
    // cannot fit in a movie file fails the writer now, with its reason.
    HRESULT ExpectFrames(int width, int height, int bitsPerPixel, DWORD frames);
    void ReleaseMovie();
    // Releases the movie, completing it: S_OK when it was written (or never
    // begun), E_FAIL with the reason when it failed now or before.
    HRESULT CloseMovie();
    void SetLastErrorText(const char* text);
    const char* GetLastErrorText() const { return m_szLastError; }
    int GetState() const { return m_nState; }

private:
    HRESULT AddFirstFrame(HBITMAP bitmap);
    HRESULT AddNextFrame(HBITMAP bitmap);
    HRESULT RejectFrame(HBITMAP bitmap);
    HRESULT FailFrame(const char* text);

    HDC m_hMemoryDC;
    HANDLE m_hHeap;
    LPVOID m_pBuffer;
    size_t m_nBufferSize;
    DWORD m_nSampleIndex;
    PAVIFILE m_pAviFile;
    PAVISTREAM m_pRawStream;
    PAVISTREAM m_pCompressedStream;
    AVISTREAMINFO m_StreamInfo;
    AVICOMPRESSOPTIONS m_CompressOptions;
    DWORD m_nFrameRate;
    DWORD m_nCodec;
    // Kept whole: a name longer than a path buffer is neither cut nor overrun.
    std::string m_strFileName;
    char m_szLastError[260];
    BITMAPINFOHEADER m_Format;
    HRESULT (AviMovieWriter::*m_BitmapOperations[3])(HBITMAP);
    int m_nState;
};
