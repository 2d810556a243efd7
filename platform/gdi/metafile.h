// Windows and enhanced metafiles: kept as their records and played onto a
// device context.
#pragma once

#include "base/wintypes.h"

#pragma pack(push, 1)
struct RECTL {
    LONG left, top, right, bottom;
};
struct SIZEL {
    LONG cx, cy;
};
struct ENHMETAHEADER {
    DWORD iType;
    DWORD nSize;
    RECTL rclBounds;
    RECTL rclFrame;
    DWORD dSignature;
    DWORD nVersion;
    DWORD nBytes;
    DWORD nRecords;
    WORD nHandles;
    WORD sReserved;
    DWORD nDescription;
    DWORD offDescription;
    DWORD nPalEntries;
    SIZEL szlDevice;
    SIZEL szlMillimeters;
    DWORD cbPixelFormat;
    DWORD offPixelFormat;
    DWORD bOpenGL;
};
#pragma pack(pop)
static_assert(sizeof(ENHMETAHEADER) == 100, "ENHMETAHEADER layout");

struct METAFILEPICT {
    LONG mm;
    LONG xExt;
    LONG yExt;
    HMETAFILE hMF;
};

#define ENHMETA_SIGNATURE 0x464D4520
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC refDc, const METAFILEPICT* pict);
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits);
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count, PALETTEENTRY* entries);
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);
