#include "PlayFaces.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "wnd/wnd.h"

namespace {

void PutWord(std::vector<BYTE>& out, WORD value)
{
    out.push_back(LOBYTE(value));
    out.push_back(HIBYTE(value));
}

void PutDword(std::vector<BYTE>& out, DWORD value)
{
    PutWord(out, LOWORD(value));
    PutWord(out, HIWORD(value));
}

// A bottom-up BMP file of the given depth (4 or 8 bits) with a grey palette
// of 16 or 256 levels; pixel(x, y) gives the palette index, y from the top.
template <typename Pixel>
std::vector<BYTE> MakeBmp(int size, int bits, Pixel pixel)
{
    const int colours = 1 << bits;
    const int rowBytes = ((size * bits + 31) / 32) * 4;
    const DWORD offset = 14 + 40 + 4 * colours;
    std::vector<BYTE> out;
    PutWord(out, 0x4D42);
    PutDword(out, offset + rowBytes * size);
    PutDword(out, 0);
    PutDword(out, offset);
    PutDword(out, 40);
    PutDword(out, size);
    PutDword(out, size);
    PutWord(out, 1);
    PutWord(out, static_cast<WORD>(bits));
    for (int i = 0; i < 6; ++i)
        PutDword(out, 0);
    for (int i = 0; i < colours; ++i) {
        const BYTE level = static_cast<BYTE>(i * 255 / (colours - 1));
        out.insert(out.end(), {level, level, level, 0});
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<BYTE> row(rowBytes, 0);
        for (int x = 0; x < size; ++x) {
            const int index = pixel(x, y) & (colours - 1);
            if (bits == 8)
                row[x] = static_cast<BYTE>(index);
            else
                row[x / 2] |= static_cast<BYTE>(x % 2 ? index : index << 4);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// Two upright bars.
int PauseFace(int x, int y, int light)
{
    const bool bar = y >= 3 && y <= 12 && ((x >= 4 && x <= 6) || (x >= 9 && x <= 11));
    return bar ? 0 : light;
}

// A triangle pointing right.
int PlayFace(int x, int y, int light)
{
    const int reach = (12 - x) / 2;
    const bool inside = x >= 4 && x <= 12 && y >= 7 - reach && y <= 7 + reach;
    return inside ? 0 : light;
}

}  // namespace

void RegisterPlayFaces()
{
    if (FindBitmapResource(8001) != nullptr)
        return;
    RegisterBitmapResource(8001, MakeBmp(16, 4, [](int x, int y) { return PauseFace(x, y, 15); }));
    RegisterBitmapResource(8002, MakeBmp(16, 4, [](int x, int y) { return PauseFace(x, y, 12); }));
    RegisterBitmapResource(8003, MakeBmp(15, 8, [](int x, int y) { return PlayFace(x, y, 255); }));
    RegisterBitmapResource(8004, MakeBmp(15, 8, [](int x, int y) { return PlayFace(x, y, 200); }));
}

bool DrawBitmapResource(CDC* dc, UINT id, int width, int height)
{
    const std::vector<BYTE>* file = FindBitmapResource(id);
    if (dc == nullptr || file == nullptr || file->size() < 14 + sizeof(BITMAPINFOHEADER))
        return false;
    const BYTE* bytes = file->data();
    DWORD offset;
    std::memcpy(&offset, bytes + 10, 4);
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes + 14, sizeof(header));
    if (header.biBitCount == 0 || header.biWidth <= 0 || header.biHeight == 0 || header.biWidth > 4096 ||
        header.biHeight > 4096 || header.biHeight < -4096)
        return false;
    const long long rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const long long rowBytes = ((static_cast<long long>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    if (offset > file->size() || file->size() - offset < static_cast<size_t>(rowBytes * rows))
        return false;
    // BITMAPINFO and its colour table start right after the file header.
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(bytes + 14);
    const int drawWidth = std::min<int>(width, header.biWidth);
    const int drawHeight = std::min<int>(height, static_cast<int>(rows));
    return SetDIBitsToDevice(dc->GetSafeHdc(), 0, 0, drawWidth, drawHeight, 0,
                             static_cast<int>(rows) - drawHeight, 0, static_cast<UINT>(rows), bytes + offset, info,
                             DIB_RGB_COLORS) != 0;
}
