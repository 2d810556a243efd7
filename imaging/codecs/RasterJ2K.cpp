#include "RasterJ2K.h"

#include <algorithm>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "j2k/J2kCodec.h"
#include "j2k/J2kQuantisation.h"
#include "j2k/J2kSampleScale.h"
#include "j2k/J2kWavelet.h"

namespace {

int ComponentWidth(const J2kImage* image, const J2kComponent& c)
{
    return (image->x1 + c.dx - 1) / c.dx - (image->x0 + c.dx - 1) / c.dx;
}

int ComponentHeight(const J2kImage* image, const J2kComponent& c)
{
    return (image->y1 + c.dy - 1) / c.dy - (image->y0 + c.dy - 1) / c.dy;
}

// Eight-bit samples show as they are; other depths are scaled to 8 bits as
// the component-image road does.
BYTE Shown(const J2kComponent& c, long i)
{
    if (c.precision == 8)
        return BYTE(c.data[i]);
    return BYTE(J2kSampleScale::ToEightBits(c.data[i], c.precision, c.isSigned != 0));
}

} // namespace

bool CRasterJ2K::FillColour(const J2kImage* image)
{
    const J2kComponent* k = image->components;
    long width = ComponentWidth(image, k[0]), height = ComponentHeight(image, k[0]);
    if (!Create(DWORD(width), DWORD(height), 24, RASTER_FORMAT_J2K))
        return false;
    for (long y = 0; y < height; y++)
        for (long x = 0; x < width; x++) {
            long i = y * width + x;
            RGBQUAD c = {Shown(k[2], i), Shown(k[1], i), Shown(k[0], i), 0};
            SetPixelColor(x, height - 1 - y, c);
        }
    return true;
}

bool CRasterJ2K::FillComponent(const J2kImage* image, int component)
{
    const J2kComponent& k = image->components[component];
    long width = ComponentWidth(image, k), height = ComponentHeight(image, k);
    if (!Create(DWORD(width), DWORD(height), 8, RASTER_FORMAT_J2K))
        return false;
    SetGrayPalette();
    for (long y = 0; y < height; y++)
        for (long x = 0; x < width; x++)
            SetPixelIndex(x, height - 1 - y, Shown(k, y * width + x));
    return true;
}

bool CRasterJ2K::Decode(CByteStream* stream)
{
    if (!stream) {
        SetLastError("failed to decode J2K image!");
        return false;
    }
    // Only the bytes from the current position on are the codestream's.
    long size = stream->Size() - stream->Tell();
    if (size <= 0 || size > INT_MAX) {
        SetLastError("failed to decode J2K image!");
        return false;
    }
    unsigned char* buffer = static_cast<unsigned char*>(malloc(size_t(size)));
    if (!buffer) {
        SetLastError("failed to decode J2K image!");
        return false;
    }
    long got = long(stream->Read(buffer, 1, size_t(size)));
    J2kImage* image = nullptr;
    J2kCodingParameters* cp = nullptr;
    int result = j2k_decode(buffer, int(got), &image, &cp);
    free(buffer);
    if (result == 0) {
        j2k_destroy(&image, &cp);
        SetLastError("failed to decode J2K image!");
        return false;
    }
    const J2kComponent* k = image->components;
    bool ok;
    if (image->componentCount == 3 && k[1].dx == k[0].dx && k[2].dx == k[0].dx &&
        k[1].dy == k[0].dy && k[2].dy == k[0].dy && k[1].precision == k[0].precision &&
        k[2].precision == k[0].precision) {
        ok = FillColour(image);
    } else {
        info.nNumFrames = image->componentCount;
        if (info.nFrame < 0 || info.nFrame >= image->componentCount) {
            j2k_destroy(&image, &cp);
            SetLastError("wrong frame!");
            return false;
        }
        // Only the selected component's image would be kept.
        ok = FillComponent(image, info.nFrame);
    }
    j2k_destroy(&image, &cp);
    return ok;
}

J2kImage* CRasterJ2K::MakeImageRecord()
{
    bool grey = IsIndexed();
    int count = grey ? 1 : 3;
    long width = long(GetWidth()), height = long(GetHeight());
    J2kImage* image = static_cast<J2kImage*>(calloc(1, sizeof(J2kImage)));
    if (!image)
        return nullptr;
    image->x1 = int(width);
    image->y1 = int(height);
    image->components = static_cast<J2kComponent*>(calloc(size_t(count), sizeof(J2kComponent)));
    if (!image->components)
        return image;
    image->componentCount = count;
    for (int c = 0; c < count; c++) {
        J2kComponent& k = image->components[c];
        k.dx = k.dy = 1;
        k.precision = 8;
        k.data = static_cast<int*>(malloc(sizeof(int) * size_t(width) * size_t(height)));
        if (!k.data)
            return image;
    }
    for (long y = 0; y < height; y++)
        for (long x = 0; x < width; x++) {
            long i = y * width + x;
            // The palette's grey level, which for 8-bit grey images is the index.
            RGBQUAD c = GetPixelColor(x, height - 1 - y, false);
            image->components[0].data[i] = c.rgbRed;
            if (!grey) {
                image->components[1].data[i] = c.rgbGreen;
                image->components[2].data[i] = c.rgbBlue;
            }
        }
    return image;
}

namespace {

J2kCodingParameters* MakeParameters(int width, int height, int components, int budget)
{
    J2kCodingParameters* cp = static_cast<J2kCodingParameters*>(calloc(1, sizeof(J2kCodingParameters)));
    if (!cp)
        return nullptr;
    cp->tdx = width;
    cp->tdy = height;
    cp->tiles = static_cast<J2kTileCodingParameters*>(calloc(1, sizeof(J2kTileCodingParameters)));
    if (!cp->tiles)
        return cp;
    cp->tw = cp->th = 1;
    J2kTileCodingParameters& tcp = cp->tiles[0];
    tcp.layerCount = 1;
    tcp.layerBudgets[0] = budget;
    tcp.componentTransform = components == 3;
    tcp.components = static_cast<J2kTileComponentParameters*>(
        calloc(size_t(components), sizeof(J2kTileComponentParameters)));
    if (!tcp.components)
        return cp;
    for (int c = 0; c < components; c++) {
        J2kTileComponentParameters& t = tcp.components[c];
        t.resolutionCount = 6;
        t.codeBlockWidthExp = 6;
        t.codeBlockHeightExp = 6;
        t.wavelet = 1;
        t.guardBits = 2;
        CRasterJ2K::CalcStepSizes(&t, 8);
    }
    return cp;
}

} // namespace

bool CRasterJ2K::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (IsIndexed() && !IsGrayScale()) {
        SetLastError("J2K can save only RGB or GrayScale images");
        return false;
    }
    // The budget counts the headers too: below about a kilobyte they left no
    // room, and a small picture could not be saved at all.
    const int kSmallestBudget = 1024;
    int budget = std::max(LayerBudget(GetJpegQuality(), GetWidth(), GetHeight()), kSmallestBudget);
    J2kImage* image = MakeImageRecord();
    int components = IsIndexed() ? 1 : 3;
    J2kCodingParameters* cp = MakeParameters(int(GetWidth()), int(GetHeight()), components, int(budget));
    unsigned char* dest = static_cast<unsigned char*>(calloc(size_t(budget) + 2, 1));
    int written = (image && cp && dest) ? j2k_encode(image, cp, dest, int(budget) + 2) : 0;
    bool ok = written > 0 && stream->Write(dest, 1, size_t(written)) == size_t(written);
    free(dest);
    j2k_destroy(&image, &cp);
    if (!ok)
        SetLastError("J2K failed to encode image");
    return ok;
}

int CRasterJ2K::LayerBudget(BYTE quality, DWORD width, DWORD height)
{
    // quality x width x height passes 32 bits at about 6500 x 6500 pixels.
    long long budget = (long long)quality * width * height / 600;
    return budget > INT_MAX - 2 ? INT_MAX - 2 : int(budget);
}

int CRasterJ2K::FloorLog2(int a)
{
    int l = 0;
    while (a > 1) {
        a >>= 1;
        l++;
    }
    return l;
}

void CRasterJ2K::EncodeStepSize(int step, int numbits, int* expn, int* mant)
{
    int log = FloorLog2(step);
    int p = log - 13;
    int n = 11 - log;
    *mant = (n < 0 ? step >> -n : step << n) & 0x7FF;
    *expn = numbits - p;
}

void CRasterJ2K::CalcStepSizes(J2kTileComponentParameters* tccp, int precision)
{
    int levels = tccp->resolutionCount - 1;
    for (int b = 0; b < 3 * tccp->resolutionCount - 2; b++) {
        int resolution = b == 0 ? 0 : (b - 1) / 3 + 1;
        int orientation = b == 0 ? 0 : (b - 1) % 3 + 1;
        int gain = J2kQuantisation::BandGain(tccp->wavelet == 1, orientation);
        J2kStepSize& s = tccp->stepSizes[b];
        if (tccp->quantisationStyle == 0) {
            s.exponent = 8 + gain;
            s.mantissa = 0;
            continue;
        }
        int level = resolution == 0 ? levels : levels - resolution + 1;
        double norm = J2kWavelet::Norm(tccp->wavelet == 1, level, orientation);
        int step = int(std::floor(std::ldexp(1.0, gain + 1) / norm * 8192.0));
        EncodeStepSize(step, gain + precision, &s.exponent, &s.mantissa);
    }
}
