#include "PgxFormat.h"

#include <cstdio>
#include <cstring>

#include "JasHeaderCursor.h"

namespace {

size_t BytesPerSample(int prec)
{
    return prec <= 8 ? 1 : prec <= 16 ? 2 : 4;
}

jas_seqent_t ReadSample(const uint8_t* p, size_t bytes, bool bigEndian, int prec, bool sgnd)
{
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; i++) {
        size_t k = bigEndian ? i : bytes - 1 - i;
        v = (v << 8) | p[k];
    }
    uint32_t mask = prec >= 32 ? 0xFFFFFFFFu : (uint32_t(1) << prec) - 1;
    v &= mask;
    if (sgnd && prec < 32 && (v >> (prec - 1)) & 1)
        return jas_seqent_t(int64_t(v) - (int64_t(1) << prec));
    return jas_seqent_t(v);
}

} // namespace

bool PgxRecognise(const uint8_t* data, size_t size)
{
    return size >= 3 && data[0] == 'P' && data[1] == 'G' && JasHeaderCursor::IsSpace(data[2]);
}

// "PG ML + 12 640 480\n": byte order, sign, depth, width, height.
jas_image_t* PgxDecode(const uint8_t* data, size_t size)
{
    if (!PgxRecognise(data, size))
        return nullptr;
    JasHeaderCursor cur(data, size);
    cur.Skip(2);
    cur.SkipSpace(false);
    if (cur.Left() < 2)
        return nullptr;
    bool bigEndian;
    if (memcmp(data + cur.Position(), "ML", 2) == 0)
        bigEndian = true;
    else if (memcmp(data + cur.Position(), "LM", 2) == 0)
        bigEndian = false;
    else
        return nullptr;
    cur.Skip(2);
    cur.SkipSpace(false);
    bool sgnd = false;
    if (!cur.AtEnd() && (cur.Peek() == '+' || cur.Peek() == '-')) {
        sgnd = cur.Peek() == '-';
        cur.Skip(1);
    }
    uint32_t prec, width, height;
    if (!cur.ReadUnsigned(32, prec, false) || prec == 0 || (sgnd && prec < 2) ||
        !cur.ReadUnsigned(INT32_MAX, width, false) || !cur.ReadUnsigned(INT32_MAX, height, false))
        return nullptr;
    if (prec > 31)
        return nullptr;
    if (cur.AtEnd() || !JasHeaderCursor::IsSpace(cur.Peek()))
        return nullptr;
    cur.Skip(1);
    size_t bytes = BytesPerSample(int(prec));
    uint64_t pixels = uint64_t(width) * height;
    if (width == 0 || height == 0 || cur.Left() / bytes < pixels)
        return nullptr;
    jas_image_t* image = JasNewImage(1, width, height, int(prec), sgnd, JAS_CLRSPC_SGRAY);
    if (!image)
        return nullptr;
    const uint8_t* p = data + cur.Position();
    for (size_t i = 0; i < size_t(pixels); i++, p += bytes)
        image->cmpts[0].samples[i] = ReadSample(p, bytes, bigEndian, int(prec), sgnd);
    return image;
}

bool PgxEncode(const jas_image_t& image, double /*rate*/, std::vector<uint8_t>& out)
{
    if (image.cmpts.size() != 1)
        return false;
    const jas_image_cmptparm_t& p = image.cmpts[0].parm;
    if (p.width <= 0 || p.height <= 0)
        return false;
    char header[64];
    snprintf(header, sizeof(header), "PG ML %c %d %d %d\n", p.sgnd ? '-' : '+', p.prec, p.width,
             p.height);
    out.assign(header, header + strlen(header));
    size_t bytes = BytesPerSample(p.prec);
    for (jas_seqent_t v : image.cmpts[0].samples)
        for (size_t i = bytes; i-- > 0;)
            out.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    return true;
}
