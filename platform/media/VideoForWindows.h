// The Video for Windows file calls that write a movie, over our own RIFF
// AVI writer: one video stream of uncompressed DIB frames. Compressed
// streams accept only codec 0 (no compression) and write through.
#pragma once

#include "base/wintypes.h"

#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_CREATE 0x1000

#define AVICOMPRESSF_INTERLEAVE 0x00000001
#define AVICOMPRESSF_DATARATE 0x00000002
#define AVICOMPRESSF_KEYFRAMES 0x00000004
#define AVICOMPRESSF_VALID 0x00000008

#define AVIIF_KEYFRAME 0x00000010

#define AVIERR_OK 0
#define AVIERR_UNSUPPORTED ((HRESULT)0x80044065)
#define AVIERR_BADFORMAT ((HRESULT)0x80044066)
#define AVIERR_MEMORY ((HRESULT)0x80044067)
#define AVIERR_BADPARAM ((HRESULT)0x8004406A)
#define AVIERR_FILEWRITE ((HRESULT)0x8004406E)
#define AVIERR_FILEOPEN ((HRESULT)0x80044071)

#define mmioFOURCC(a, b, c, d) \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) | ((DWORD)(BYTE)(d) << 24))
#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')

struct AVISTREAMINFO {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};
typedef AVISTREAMINFO* LPAVISTREAMINFO;

struct AVICOMPRESSOPTIONS {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwKeyFrameEvery;
    DWORD dwQuality;
    DWORD dwBytesPerSecond;
    DWORD dwFlags;
    LPVOID lpFormat;
    DWORD cbFormat;
    LPVOID lpParms;
    DWORD cbParms;
    DWORD dwInterleaveEvery;
};
typedef AVICOMPRESSOPTIONS* LPAVICOMPRESSOPTIONS;

struct AviFileObject;
struct AviStreamObject;
typedef AviFileObject* PAVIFILE;
typedef AviStreamObject* PAVISTREAM;

void AVIFileInit();
void AVIFileExit();
// Only creating for writing is offered: mode must hold OF_CREATE and OF_WRITE.
HRESULT AVIFileOpen(PAVIFILE* file, LPCSTR path, UINT mode, void* handler);
HRESULT AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFO* info);
HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, AVICOMPRESSOPTIONS* options,
                                void* handler);
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG bytes);
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bytes, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten);
ULONG AVIStreamRelease(PAVISTREAM stream);
// The last release completes the movie and puts it in place.
ULONG AVIFileRelease(PAVIFILE file);
// Not of the Windows interface: AVIFileRelease that tells whether the movie
// was completed and put in place (AVIERR_OK) or failed (AVIERR_FILEWRITE)
// when the streams have been released before it, so that this is the last
// reference.
HRESULT AVIFileClose(PAVIFILE file);
