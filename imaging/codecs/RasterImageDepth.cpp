#include "RasterImage.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// One neighbour that receives a share of a pixel's error: column and row
// offsets and the weight over the method's divisor.
struct Tap {
    int dx, dy, weight;
};

struct Diffusion {
    const Tap* taps;
    int count;
    int divisor;
};

const Tap kFloyd[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
const Tap kBurkes[] = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}};
const Tap kStucki[] = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4},
                       {2, 1, 2}, {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};
const Tap kJarvis[] = {{1, 0, 7}, {2, 0, 5}, {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5},
                       {2, 1, 3}, {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}};
const Tap kSierra[] = {{1, 0, 5}, {2, 0, 3}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5},
                       {1, 1, 4}, {2, 1, 2}, {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}};
const Tap kStevensonArce[] = {{2, 0, 32}, {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16}, {-2, 2, 12},
                              {0, 2, 26}, {2, 2, 12}, {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}};

Diffusion DiffusionOf(long method)
{
    switch (method) {
    case 2: return {kBurkes, 7, 32};
    case 3: return {kStucki, 12, 42};
    case 4: return {kJarvis, 12, 48};
    case 5: return {kSierra, 10, 32};
    case 6: return {kStevensonArce, 12, 200};
    default: return {kFloyd, 4, 16};
    }
}

int ClampByte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

const BYTE kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// The threshold rows 0, 192, 48, 240 / 128, 64, 176, 112 / ... built by
// interleaving the bits of (x xor y) and x.
void BuildThresholds(BYTE table[4][4])
{
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) {
            int a = x ^ y, b = x;
            int v = ((a & 1) << 3) | ((b & 1) << 2) | ((a & 2) >> 0) | ((b & 2) >> 1);
            table[y][x] = BYTE(v * 16);
        }
}

// A working copy of the picture's colours, one row above another, that the
// diffused errors are added into with byte clamping.
struct ColourPlane {
    long width, height;
    std::vector<int> v;
    int* At(long x, long y) { return &v[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};
} // namespace

bool CRasterImage::DecreaseBpp(DWORD nbit, bool errordiffusion, RGBQUAD* ppal, DWORD clrimportant)
{
    if (!pDib || head.biBitCount < nbit)
        return false;
    if (nbit != 1 && nbit != 4 && nbit != 8)
        return false;
    if (nbit == head.biBitCount && (clrimportant == 0 || clrimportant == head.biClrImportant))
        return true;
    long width = head.biWidth, height = head.biHeight;
    CRasterImage tmp;
    if (!NewLikeThis(tmp, width, height, nbit))
        return false;
    if (clrimportant)
        tmp.SetClrImportant(clrimportant);
    if (pSelection)
        tmp.SelectionCopy(*this);
    if (pAlpha)
        tmp.AlphaCopy(*this);
    if (ppal) {
        tmp.SetPalette(ppal, tmp.GetNumColors());
    } else if (nbit == 1) {
        tmp.SetPaletteColor(0, 0, 0, 0);
        tmp.SetPaletteColor(1, 255, 255, 255);
    } else {
        tmp.SetStdPalette();
    }
    ColourPlane plane{width, height, {}};
    if (errordiffusion) {
        plane.v.resize(size_t(width) * size_t(height) * 3);
        for (long y = 0; y < height; y++)
            for (long x = 0; x < width; x++) {
                RGBQUAD c = BlindGetPixelColor(x, y);
                int* p = plane.At(x, y);
                p[0] = c.rgbBlue;
                p[1] = c.rgbGreen;
                p[2] = c.rgbRed;
            }
    }
    const Tap taps[] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};
    for (long y = 0; y < height; y++) {
        if (!StepProgress(y, height))
            break;
        for (long x = 0; x < width; x++) {
            if (!errordiffusion) {
                tmp.SetPixelColor(x, y, BlindGetPixelColor(x, y));
                continue;
            }
            int* p = plane.At(x, y);
            RGBQUAD want = {BYTE(p[0]), BYTE(p[1]), BYTE(p[2]), 0};
            tmp.SetPixelColor(x, y, want);
            RGBQUAD got = tmp.GetPaletteColor(tmp.BlindGetPixelIndex(x, y));
            int err[3] = {p[0] - got.rgbBlue, p[1] - got.rgbGreen, p[2] - got.rgbRed};
            for (const Tap& t : taps) {
                long nx = x + t.dx, ny = y + t.dy;
                if (nx < 0 || nx >= width || ny >= height)
                    continue;
                int* q = plane.At(nx, ny);
                for (int ch = 0; ch < 3; ch++)
                    q[ch] = ClampByte(q[ch] + err[ch] * t.weight / 16);
            }
        }
    }
    return PutResult(tmp, nullptr);
}

bool CRasterImage::Dither(long method)
{
    if (!pDib || !GrayScale())
        return false;
    long width = head.biWidth, height = head.biHeight;
    CRasterImage tmp;
    if (!NewLikeThis(tmp, width, height, 1))
        return false;
    tmp.SetPaletteColor(0, 0, 0, 0);
    tmp.SetPaletteColor(1, 255, 255, 255);
    if (pSelection)
        tmp.SelectionCopy(*this);
    if (pAlpha)
        tmp.AlphaCopy(*this);
    BYTE thresholds[4][4];
    BuildThresholds(thresholds);
    Diffusion diffusion = DiffusionOf(method);
    for (long y = 0; y < height; y++) {
        if (!StepProgress(y, height))
            break;
        BYTE* row = GetBits(DWORD(y));
        for (long x = 0; x < width; x++) {
            int grey = row[x];
            bool white;
            if (method == 1) {
                int q = grey * 16 / 255;
                white = q == 16 || kBayer[y % 4][x % 4] < q;
            } else if (method == 7) {
                white = grey > thresholds[y % 4][x % 4];
            } else {
                white = grey > 128;
                int err = grey - (white ? 255 : 0);
                for (int i = 0; i < diffusion.count; i++) {
                    const Tap& t = diffusion.taps[i];
                    long nx = x + t.dx, ny = y + t.dy;
                    if (nx < 0 || nx >= width || ny >= height)
                        continue;
                    BYTE* q = GetBits(DWORD(ny)) + nx;
                    *q = BYTE(ClampByte(*q + err * t.weight / diffusion.divisor));
                }
            }
            tmp.SetPixelIndex(x, y, white ? 1 : 0);
        }
    }
    return PutResult(tmp, nullptr);
}
