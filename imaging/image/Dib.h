// A device-independent bitmap of 1, 4, 8 or 24 bits a pixel (rows bottom-up,
// each padded to 4 bytes) that expands into packed 24-bit rows.
#pragma once

#include "ImvexaApi.h"
#include "ImagePlatform.h"

class IMVEXA_API CDib : public CObject {
    DECLARE_DYNAMIC(CDib)
public:
    CDib();
    explicit CDib(const char* path);
    ~CDib() override;

    // Copies the bitmap into a block of its own: rows of RowLength bytes
    // (missing bytes read as 0) and, below 8 bits, the colour table.
    int Create(const BYTE* bits, size_t bytes, int width, int height, int bitCount,
               const RGBQUAD* colours);
    void Release();
    static int RowLength(int width, int bitCount);
    // Writes height rows of width x 3 bytes (B, G, R), the bitmap's last row
    // first; returns height x width x 3, or height x width for a bit count it
    // cannot expand (nothing written), 0 when there is no bitmap.
    long long ExpandTo24(BYTE* out) const;

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetBitCount() const { return m_nBitCount; }

private:
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    void ExpandRow(const BYTE* row, BYTE* out) const;

    RGBQUAD* m_pColors;
    BYTE* m_pBits;
    int m_nWidth;
    int m_nHeight;
    int m_nBitCount;
    int m_nColors;
    HGLOBAL m_hMemory;
};
