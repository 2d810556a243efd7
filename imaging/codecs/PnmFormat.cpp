#include "PnmFormat.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "JasHeaderCursor.h"

namespace {

int PrecisionOf(uint32_t maxval)
{
    int prec = 1;
    while ((uint32_t(1) << prec) - 1 < maxval)
        prec++;
    return prec;
}

// Samples are stretched to the full range of their precision, so a maxval
// that is not 2^n - 1 still shows black to white.
jas_seqent_t Stretch(uint32_t v, uint32_t maxval, int prec)
{
    uint32_t top = (uint32_t(1) << prec) - 1;
    if (v > maxval)
        v = maxval;
    if (top == maxval)
        return jas_seqent_t(v);
    return jas_seqent_t((uint64_t(v) * top + maxval / 2) / maxval);
}

struct PnmHeader {
    int kind; // 1..6
    uint32_t width, height, maxval;
};

bool ReadHeader(JasHeaderCursor& cur, PnmHeader& h)
{
    if (cur.Left() < 2 || cur.Peek() != 'P')
        return false;
    cur.Skip(1);
    h.kind = cur.Peek() - '0';
    if (h.kind < 1 || h.kind > 6)
        return false;
    cur.Skip(1);
    if (!cur.ReadUnsigned(INT32_MAX, h.width, true) || !cur.ReadUnsigned(INT32_MAX, h.height, true))
        return false;
    h.maxval = 1;
    if (h.kind != 1 && h.kind != 4 && !cur.ReadUnsigned(65535, h.maxval, true))
        return false;
    if (h.width == 0 || h.height == 0 || h.maxval == 0)
        return false;
    // Exactly one whitespace byte separates a binary raster from its header.
    if (h.kind >= 4) {
        if (cur.AtEnd() || !JasHeaderCursor::IsSpace(cur.Peek()))
            return false;
        cur.Skip(1);
    }
    return true;
}

bool DecodePlain(JasHeaderCursor& cur, const PnmHeader& h, jas_image_t* image)
{
    int prec = image->cmpts[0].parm.prec;
    size_t pixels = size_t(h.width) * h.height;
    size_t count = image->cmpts.size();
    for (size_t i = 0; i < pixels; i++) {
        for (size_t c = 0; c < count; c++) {
            uint32_t v;
            if (h.kind == 1) {
                cur.SkipSpace(true);
                if (cur.AtEnd() || (cur.Peek() != '0' && cur.Peek() != '1'))
                    return false;
                v = cur.Peek() == '0' ? 1 : 0;
                cur.Skip(1);
            } else if (!cur.ReadUnsigned(UINT32_MAX, v, true)) {
                return false;
            }
            image->cmpts[c].samples[i] = h.kind == 1 ? jas_seqent_t(v) : Stretch(v, h.maxval, prec);
        }
    }
    return true;
}

bool DecodeRaw(const uint8_t* data, size_t size, size_t pos, const PnmHeader& h,
               jas_image_t* image)
{
    int prec = image->cmpts[0].parm.prec;
    size_t count = image->cmpts.size();
    if (h.kind == 4) {
        size_t rowBytes = (size_t(h.width) + 7) / 8;
        if (size - pos < rowBytes * h.height)
            return false;
        for (uint32_t y = 0; y < h.height; y++)
            for (uint32_t x = 0; x < h.width; x++) {
                uint8_t byte = data[pos + y * rowBytes + x / 8];
                bool black = (byte >> (7 - x % 8)) & 1;
                image->cmpts[0].samples[size_t(y) * h.width + x] = black ? 0 : 1;
            }
        return true;
    }
    size_t bytesPerSample = h.maxval > 255 ? 2 : 1;
    size_t pixels = size_t(h.width) * h.height;
    if ((size - pos) / bytesPerSample / count < pixels)
        return false;
    const uint8_t* p = data + pos;
    for (size_t i = 0; i < pixels; i++)
        for (size_t c = 0; c < count; c++) {
            uint32_t v = bytesPerSample == 2 ? uint32_t(p[0] << 8 | p[1]) : p[0];
            p += bytesPerSample;
            image->cmpts[c].samples[i] = Stretch(v, h.maxval, prec);
        }
    return true;
}

} // namespace

bool PnmRecognise(const uint8_t* data, size_t size)
{
    return size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' &&
           JasHeaderCursor::IsSpace(data[2]);
}

jas_image_t* PnmDecode(const uint8_t* data, size_t size)
{
    JasHeaderCursor cur(data, size);
    PnmHeader h;
    if (!ReadHeader(cur, h))
        return nullptr;
    bool colour = h.kind == 3 || h.kind == 6;
    bool plain = h.kind <= 3;
    size_t count = colour ? 3 : 1;
    uint64_t samples = uint64_t(h.width) * h.height * count;
    // A plain sample takes at least one byte and a raw one at least one bit:
    // refuse sizes the file cannot hold before allocating for them.
    uint64_t available = plain || h.kind == 4 ? uint64_t(cur.Left()) * (plain ? 1 : 8)
                                              : uint64_t(cur.Left());
    if (samples > available)
        return nullptr;
    int prec = (h.kind == 1 || h.kind == 4) ? 1 : PrecisionOf(h.maxval);
    jas_image_t* image = JasNewImage(int(count), h.width, h.height, prec, false,
                                     colour ? JAS_CLRSPC_SRGB : JAS_CLRSPC_SGRAY);
    if (!image)
        return nullptr;
    bool ok = plain ? DecodePlain(cur, h, image) : DecodeRaw(data, size, cur.Position(), h, image);
    if (!ok) {
        jas_image_destroy(image);
        return nullptr;
    }
    return image;
}

bool PnmEncode(const jas_image_t& image, double /*rate*/, std::vector<uint8_t>& out)
{
    size_t count = image.cmpts.size();
    if (count != 1 && count != 3)
        return false;
    const jas_image_cmptparm_t& p = image.cmpts[0].parm;
    for (const jas_image_cmpt_t& c : image.cmpts)
        if (c.parm.width != p.width || c.parm.height != p.height || c.parm.prec != p.prec ||
            c.parm.sgnd)
            return false;
    if (p.prec > 16 || p.width <= 0 || p.height <= 0)
        return false;
    uint32_t maxval = (uint32_t(1) << p.prec) - 1;
    char header[64];
    snprintf(header, sizeof(header), "P%d\n%d %d\n%u\n", count == 3 ? 6 : 5, p.width, p.height,
             maxval);
    out.assign(header, header + strlen(header));
    size_t pixels = size_t(p.width) * size_t(p.height);
    for (size_t i = 0; i < pixels; i++)
        for (size_t c = 0; c < count; c++) {
            uint32_t v = uint32_t(image.cmpts[c].samples[i]) & maxval;
            if (maxval > 255)
                out.push_back(uint8_t(v >> 8));
            out.push_back(uint8_t(v));
        }
    return true;
}
