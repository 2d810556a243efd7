// Bitmap resources: the content of a .bmp file registered under an id,
// made into a DIB section when loaded. Every size is checked against the
// bytes that are there.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/gdi.h"
#include "wnd/resources.h"

namespace {

bool SupportedDepth(WORD bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

HBITMAP LoadBitmap(HINSTANCE, LPCTSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const std::vector<BYTE>* file = FindBitmapResource((UINT)reinterpret_cast<uintptr_t>(name));
    const size_t fileHeader = sizeof(BITMAPFILEHEADER);
    if (!file || file->size() < fileHeader + sizeof(BITMAPINFOHEADER) || (*file)[0] != 'B' || (*file)[1] != 'M')
        return nullptr;
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER h;
    std::memcpy(&fh, file->data(), sizeof(fh));
    std::memcpy(&h, file->data() + fileHeader, sizeof(h));
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > 16384 || h.biHeight == 0 ||
        std::abs(h.biHeight) > 16384 || !SupportedDepth(h.biBitCount) || h.biCompression != BI_RGB)
        return nullptr;
    size_t colors = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : (size_t)1 << h.biBitCount) : 0;
    if (colors > 256) return nullptr;
    size_t tableAt = fileHeader + h.biSize;
    if (tableAt > file->size() || file->size() - tableAt < colors * sizeof(RGBQUAD)) return nullptr;
    size_t stride = (((size_t)h.biWidth * h.biBitCount + 31) / 32) * 4;
    size_t bytes = stride * (size_t)std::abs(h.biHeight);
    if (fh.bfOffBits > file->size() || file->size() - fh.bfOffBits < bytes) return nullptr;

    std::vector<uint32_t> info((sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)) / 4, 0);
    BITMAPINFOHEADER normal = h;
    normal.biSize = sizeof(BITMAPINFOHEADER);
    normal.biClrUsed = (DWORD)colors;
    std::memcpy(info.data(), &normal, sizeof(normal));
    std::memcpy(reinterpret_cast<BYTE*>(info.data()) + sizeof(normal), file->data() + tableAt,
                colors * sizeof(RGBQUAD));
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, file->data() + fh.bfOffBits, bytes);
    return bitmap;
}
