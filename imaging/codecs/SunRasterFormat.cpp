#include "SunRasterFormat.h"

#include <algorithm>

namespace {

const uint32_t kMagic = 0x59a66a95;
enum { kTypeOld = 0, kTypeStandard = 1, kTypeRunLength = 2, kTypeRgb = 3 };
enum { kMapNone = 0, kMapRgb = 1, kMapRaw = 2 };
const size_t kHeaderBytes = 32;
// One three-byte run codes at most 256 bytes.
const uint64_t kMaxRunExpansion = 86;

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

struct SunHeader {
    uint32_t width, height, depth, length, type, maptype, maplength;
};

// 0x80 0 is a literal 0x80; 0x80 n v repeats v n + 1 times.
bool ExpandRuns(const uint8_t* src, size_t size, std::vector<uint8_t>& out, size_t want)
{
    size_t i = 0;
    while (out.size() < want && i < size) {
        uint8_t b = src[i++];
        if (b != 0x80) {
            out.push_back(b);
            continue;
        }
        if (i >= size)
            return false;
        size_t n = src[i++];
        if (n == 0) {
            out.push_back(0x80);
            continue;
        }
        if (i >= size)
            return false;
        uint8_t v = src[i++];
        size_t runLength = std::min(n + 1, want - out.size());
        out.insert(out.end(), runLength, v);
    }
    return out.size() == want;
}

struct ColourMap {
    size_t entries = 0;
    const uint8_t* r = nullptr;
    const uint8_t* g = nullptr;
    const uint8_t* b = nullptr;

    jas_seqent_t At(const uint8_t* plane, uint32_t index) const
    {
        return index < entries ? plane[index] : 0;
    }
};

jas_image_t* FillIndexed(const SunHeader& h, const uint8_t* raster, size_t rowBytes,
                         const ColourMap& map)
{
    bool coloured = map.entries > 0;
    int prec = coloured ? 8 : int(h.depth);
    jas_image_t* image = JasNewImage(coloured ? 3 : 1, h.width, h.height, prec, false,
                                     coloured ? JAS_CLRSPC_SRGB : JAS_CLRSPC_SGRAY);
    if (!image)
        return nullptr;
    for (uint32_t y = 0; y < h.height; y++) {
        const uint8_t* row = raster + size_t(y) * rowBytes;
        for (uint32_t x = 0; x < h.width; x++) {
            uint32_t index = h.depth == 1 ? (row[x / 8] >> (7 - x % 8)) & 1 : row[x];
            size_t i = size_t(y) * h.width + x;
            if (coloured) {
                image->cmpts[0].samples[i] = map.At(map.r, index);
                image->cmpts[1].samples[i] = map.At(map.g, index);
                image->cmpts[2].samples[i] = map.At(map.b, index);
            } else {
                // A set bit is black in a bilevel file without a map.
                image->cmpts[0].samples[i] = jas_seqent_t(h.depth == 1 ? 1 - index : index);
            }
        }
    }
    return image;
}

jas_image_t* FillTrueColour(const SunHeader& h, const uint8_t* raster, size_t rowBytes)
{
    jas_image_t* image = JasNewImage(3, h.width, h.height, 8, false, JAS_CLRSPC_SRGB);
    if (!image)
        return nullptr;
    size_t step = h.depth / 8;
    size_t lead = h.depth == 32 ? 1 : 0;
    bool rgbOrder = h.type == kTypeRgb;
    for (uint32_t y = 0; y < h.height; y++) {
        const uint8_t* p = raster + size_t(y) * rowBytes + lead;
        for (uint32_t x = 0; x < h.width; x++, p += step) {
            size_t i = size_t(y) * h.width + x;
            image->cmpts[0].samples[i] = rgbOrder ? p[0] : p[2];
            image->cmpts[1].samples[i] = p[1];
            image->cmpts[2].samples[i] = rgbOrder ? p[2] : p[0];
        }
    }
    return image;
}

} // namespace

bool SunRasterRecognise(const uint8_t* data, size_t size)
{
    return size >= 4 && Be32(data) == kMagic;
}

jas_image_t* SunRasterDecode(const uint8_t* data, size_t size)
{
    if (size < kHeaderBytes || Be32(data) != kMagic)
        return nullptr;
    SunHeader h{Be32(data + 4),  Be32(data + 8),  Be32(data + 12), Be32(data + 16),
                Be32(data + 20), Be32(data + 24), Be32(data + 28)};
    if (h.width == 0 || h.height == 0 || h.width > INT32_MAX || h.height > INT32_MAX)
        return nullptr;
    if (h.depth != 1 && h.depth != 8 && h.depth != 24 && h.depth != 32)
        return nullptr;
    if (h.type > kTypeRgb || h.maptype > kMapRaw || h.maplength > size - kHeaderBytes)
        return nullptr;
    ColourMap map;
    const uint8_t* mapBytes = data + kHeaderBytes;
    if (h.maptype == kMapRgb && h.depth <= 8 && h.maplength >= 3) {
        map.entries = h.maplength / 3;
        map.r = mapBytes;
        map.g = mapBytes + map.entries;
        map.b = mapBytes + 2 * map.entries;
    }
    const uint8_t* body = mapBytes + h.maplength;
    size_t bodySize = size - kHeaderBytes - h.maplength;
    uint64_t rowBytes = ((uint64_t(h.width) * h.depth + 15) / 16) * 2;
    uint64_t rasterBytes = rowBytes * h.height;
    std::vector<uint8_t> expanded;
    const uint8_t* raster = body;
    if (h.type == kTypeRunLength) {
        if (rasterBytes > uint64_t(bodySize) * kMaxRunExpansion)
            return nullptr;
        expanded.reserve(size_t(rasterBytes));
        if (!ExpandRuns(body, bodySize, expanded, size_t(rasterBytes)))
            return nullptr;
        raster = expanded.data();
    } else if (rasterBytes > bodySize) {
        return nullptr;
    }
    if (h.depth <= 8)
        return FillIndexed(h, raster, size_t(rowBytes), map);
    return FillTrueColour(h, raster, size_t(rowBytes));
}

bool SunRasterEncode(const jas_image_t& image, double /*rate*/, std::vector<uint8_t>& out)
{
    size_t count = image.cmpts.size();
    if (count != 1 && count != 3)
        return false;
    const jas_image_cmptparm_t& p = image.cmpts[0].parm;
    for (const jas_image_cmpt_t& c : image.cmpts)
        if (c.parm.width != p.width || c.parm.height != p.height)
            return false;
    if (p.width <= 0 || p.height <= 0)
        return false;
    uint32_t depth = count == 3 ? 24 : 8;
    size_t rowBytes = ((size_t(p.width) * depth + 15) / 16) * 2;
    out.clear();
    for (uint32_t v : {kMagic, uint32_t(p.width), uint32_t(p.height), depth,
                       uint32_t(rowBytes * size_t(p.height)), uint32_t(kTypeStandard),
                       uint32_t(kMapNone), 0u})
        PutBe32(out, v);
    for (int y = 0; y < p.height; y++) {
        size_t start = out.size();
        for (int x = 0; x < p.width; x++) {
            size_t i = size_t(y) * size_t(p.width) + size_t(x);
            if (count == 3) {
                out.push_back(uint8_t(image.cmpts[2].samples[i]));
                out.push_back(uint8_t(image.cmpts[1].samples[i]));
                out.push_back(uint8_t(image.cmpts[0].samples[i]));
            } else {
                out.push_back(uint8_t(image.cmpts[0].samples[i]));
            }
        }
        out.resize(start + rowBytes, 0);
    }
    return true;
}
