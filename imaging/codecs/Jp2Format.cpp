#include "Jp2Format.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "j2k/J2kCodec.h"

namespace {

const uint32_t kBoxSignature = 0x6A502020;  // "jP  "
const uint32_t kBoxFileType = 0x66747970;   // "ftyp"
const uint32_t kBoxHeader = 0x6A703268;     // "jp2h"
const uint32_t kBoxImageHeader = 0x69686472; // "ihdr"
const uint32_t kBoxDepths = 0x62706363;     // "bpcc"
const uint32_t kBoxColour = 0x636F6C72;     // "colr"
const uint32_t kBoxPalette = 0x70636C72;    // "pclr"
const uint32_t kBoxMapping = 0x636D6170;    // "cmap"
const uint32_t kBoxChannels = 0x63646566;   // "cdef"
const uint32_t kBoxCodestream = 0x6A703263; // "jp2c"
const uint32_t kBrandJp2 = 0x6A703220;      // "jp2 "
const uint32_t kSignatureContent = 0x0D0A870A;
const int kMaxPrecision = 31;

uint32_t Be16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void PutBe16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
    PutBe16(out, v >> 16);
    PutBe16(out, v & 0xFFFF);
}

struct Box {
    uint32_t type;
    const uint8_t* body;
    size_t size;
};

// Walks the boxes of one level; a box that runs past its parent ends the walk.
class BoxReader {
public:
    BoxReader(const uint8_t* data, size_t size) : m_data(data), m_size(size), m_pos(0) {}

    bool Next(Box& box)
    {
        size_t left = m_size - m_pos;
        if (left < 8)
            return false;
        const uint8_t* p = m_data + m_pos;
        uint64_t length = Be32(p);
        size_t header = 8;
        if (length == 1) {
            if (left < 16)
                return false;
            length = uint64_t(Be32(p + 8)) << 32 | Be32(p + 12);
            header = 16;
        } else if (length == 0) {
            length = left;
        }
        if (length < header || length > left)
            return false;
        box = {Be32(p + 4), p + header, size_t(length) - header};
        m_pos += size_t(length);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
};

struct Palette {
    uint32_t entries = 0;
    std::vector<int> bits;          // per column
    std::vector<bool> sgnd;         // per column
    std::vector<jas_seqent_t> values; // entries x columns
};

struct Mapping {
    uint32_t component;
    uint32_t type;   // 0 direct, 1 through the palette
    uint32_t column;
};

struct Jp2Header {
    int clrspc = JAS_CLRSPC_UNKNOWN;
    Palette palette;
    std::vector<Mapping> mapping;
    std::vector<std::pair<uint32_t, uint32_t>> channelOrder; // (association, channel)
};

bool ReadPalette(const Box& box, Palette& pal)
{
    if (box.size < 3)
        return false;
    pal.entries = Be16(box.body);
    uint32_t columns = box.body[2];
    if (pal.entries == 0 || pal.entries > 1024 || columns == 0 || box.size < 3 + columns)
        return false;
    size_t rowBytes = 0;
    for (uint32_t c = 0; c < columns; c++) {
        uint8_t b = box.body[3 + c];
        pal.bits.push_back((b & 0x7F) + 1);
        pal.sgnd.push_back((b & 0x80) != 0);
        if (pal.bits.back() > kMaxPrecision)
            return false;
        rowBytes += size_t(pal.bits.back() + 7) / 8;
    }
    if (box.size < 3 + columns + rowBytes * pal.entries)
        return false;
    const uint8_t* p = box.body + 3 + columns;
    for (uint32_t e = 0; e < pal.entries; e++)
        for (uint32_t c = 0; c < columns; c++) {
            size_t bytes = size_t(pal.bits[c] + 7) / 8;
            uint32_t v = 0;
            for (size_t i = 0; i < bytes; i++)
                v = (v << 8) | *p++;
            pal.values.push_back(jas_seqent_t(v));
        }
    return true;
}

int EnumeratedColourSpace(uint32_t code)
{
    switch (code) {
    case 16: return JAS_CLRSPC_SRGB;
    case 17: return JAS_CLRSPC_SGRAY;
    case 18: return JAS_CLRSPC_SYCBCR;
    default: return JAS_CLRSPC_UNKNOWN;
    }
}

void ReadHeaderBoxes(const Box& header, Jp2Header& out)
{
    BoxReader reader(header.body, header.size);
    Box box;
    bool colourSeen = false;
    while (reader.Next(box)) {
        if (box.type == kBoxColour && !colourSeen && box.size >= 7 && box.body[0] == 1) {
            out.clrspc = EnumeratedColourSpace(Be32(box.body + 3));
            colourSeen = true;
        } else if (box.type == kBoxPalette) {
            if (!ReadPalette(box, out.palette))
                out.palette = Palette();
        } else if (box.type == kBoxMapping) {
            for (size_t i = 0; i + 4 <= box.size; i += 4)
                out.mapping.push_back({Be16(box.body + i), box.body[i + 2], box.body[i + 3]});
        } else if (box.type == kBoxChannels && box.size >= 2) {
            uint32_t n = Be16(box.body);
            for (uint32_t i = 0; i < n && 2 + 6 * size_t(i) + 6 <= box.size; i++) {
                const uint8_t* p = box.body + 2 + 6 * i;
                if (Be16(p + 2) == 0) // colour channels only
                    out.channelOrder.push_back({Be16(p + 4), Be16(p)});
            }
        }
    }
}

jas_image_t* ImageFromCodestream(const J2kImage& j2k)
{
    if (j2k.componentCount <= 0 || !j2k.components)
        return nullptr;
    std::vector<jas_image_cmptparm_t> parms;
    for (int c = 0; c < j2k.componentCount; c++) {
        const J2kComponent& comp = j2k.components[c];
        if (comp.dx <= 0 || comp.dy <= 0 || comp.precision < 1 || comp.precision > kMaxPrecision ||
            !comp.data)
            return nullptr;
        int width = int((int64_t(j2k.x1) + comp.dx - 1) / comp.dx - (int64_t(j2k.x0) + comp.dx - 1) / comp.dx);
        int height = int((int64_t(j2k.y1) + comp.dy - 1) / comp.dy - (int64_t(j2k.y0) + comp.dy - 1) / comp.dy);
        if (width <= 0 || height <= 0)
            return nullptr;
        parms.push_back({0, 0, comp.dx, comp.dy, width, height, comp.precision, comp.isSigned ? 1 : 0});
    }
    int clrspc = j2k.componentCount >= 3 ? JAS_CLRSPC_SRGB : JAS_CLRSPC_SGRAY;
    jas_image_t* image = jas_image_create(j2k.componentCount, parms.data(), clrspc);
    if (!image)
        return nullptr;
    for (int c = 0; c < j2k.componentCount; c++) {
        std::vector<jas_seqent_t>& samples = image->cmpts[size_t(c)].samples;
        memcpy(samples.data(), j2k.components[c].data, samples.size() * sizeof(jas_seqent_t));
    }
    return image;
}

jas_image_t* DecodeCodestream(const uint8_t* data, size_t size)
{
    if (size > size_t(INT_MAX))
        return nullptr;
    J2kImage* j2k = nullptr;
    J2kCodingParameters* cp = nullptr;
    // The decoder reads its input only; the cast serves its C signature.
    int used = j2k_decode(const_cast<uint8_t*>(data), int(size), &j2k, &cp);
    jas_image_t* image = (used > 0 && j2k) ? ImageFromCodestream(*j2k) : nullptr;
    j2k_destroy(&j2k, &cp);
    return image;
}

// Channels through the palette and into the order the channel box gives.
jas_image_t* ApplyChannels(jas_image_t* coded, const Jp2Header& header)
{
    std::vector<jas_image_cmpt_t> channels;
    if (!header.mapping.empty() && header.palette.entries > 0) {
        const Palette& pal = header.palette;
        size_t columns = pal.bits.size();
        for (const Mapping& m : header.mapping) {
            if (m.component >= coded->cmpts.size())
                return coded;
            const jas_image_cmpt_t& src = coded->cmpts[m.component];
            if (m.type == 0) {
                channels.push_back(src);
                continue;
            }
            if (m.column >= columns)
                return coded;
            jas_image_cmpt_t out = src;
            out.parm.prec = pal.bits[m.column];
            out.parm.sgnd = pal.sgnd[m.column] ? 1 : 0;
            for (jas_seqent_t& v : out.samples) {
                uint32_t index = std::min<uint32_t>(uint32_t(std::max(v, 0)), pal.entries - 1);
                v = pal.values[size_t(index) * columns + m.column];
            }
            channels.push_back(std::move(out));
        }
    } else {
        channels = coded->cmpts;
    }
    std::vector<std::pair<uint32_t, uint32_t>> order = header.channelOrder;
    std::sort(order.begin(), order.end());
    if (!order.empty()) {
        std::vector<jas_image_cmpt_t> ordered;
        for (const auto& entry : order)
            if (entry.second < channels.size())
                ordered.push_back(channels[entry.second]);
        if (!ordered.empty())
            channels.swap(ordered);
    }
    coded->cmpts.swap(channels);
    for (size_t i = 0; i < coded->cmpts.size(); i++)
        coded->cmpts[i].type = int(i);
    return coded;
}

int FloorLog2(uint32_t v)
{
    int n = 0;
    while (v > 1) {
        v >>= 1;
        n++;
    }
    return n;
}

bool FillCodingParameters(const jas_image_t& image, double rate, int bufferSize,
                          J2kTileCodingParameters& tile,
                          std::vector<J2kTileComponentParameters>& comps)
{
    const jas_image_cmptparm_t& first = image.cmpts[0].parm;
    int levels = std::min(5, FloorLog2(uint32_t(std::min(first.width, first.height))));
    comps.assign(image.cmpts.size(), J2kTileComponentParameters());
    for (size_t c = 0; c < comps.size(); c++) {
        J2kTileComponentParameters& tc = comps[c];
        memset(&tc, 0, sizeof(tc));
        tc.resolutionCount = levels + 1;
        tc.codeBlockWidthExp = 6;
        tc.codeBlockHeightExp = 6;
        tc.wavelet = 1;
        tc.guardBits = 2;
        // Without quantisation each band's exponent is the depth plus its gain.
        int bands = 3 * tc.resolutionCount - 2;
        for (int b = 0; b < bands; b++) {
            int orientation = b == 0 ? 0 : (b - 1) % 3 + 1;
            int gain = orientation == 0 ? 0 : orientation == 3 ? 2 : 1;
            tc.stepSizes[b] = {image.cmpts[c].parm.prec + gain, 0};
        }
        for (int r = 0; r < J2K_MAX_RESOLUTIONS; r++)
            tc.precinctWidthExp[r] = tc.precinctHeightExp[r] = 15;
    }
    memset(&tile, 0, sizeof(tile));
    tile.progressionOrder = J2K_LRCP;
    tile.layerCount = 1;
    bool sameShape = image.cmpts.size() >= 3;
    for (size_t c = 1; c < 3 && sameShape; c++) {
        const jas_image_cmptparm_t& p = image.cmpts[c].parm;
        sameShape = p.width == first.width && p.height == first.height && p.prec == first.prec &&
                    p.hstep == first.hstep && p.vstep == first.vstep;
    }
    tile.componentTransform = sameShape ? 1 : 0;
    double raw = 0;
    for (const jas_image_cmpt_t& c : image.cmpts)
        raw += double(c.parm.width) * c.parm.height * c.parm.prec / 8.0;
    double budget = rate >= 1.0 ? bufferSize : std::max(256.0, rate * raw);
    tile.layerBudgets[0] = int(std::min(budget, double(bufferSize)));
    tile.components = comps.data();
    return true;
}

bool EncodeCodestream(const jas_image_t& image, double rate, std::vector<uint8_t>& out)
{
    if (image.cmpts.empty() || image.cmpts.size() > 16384)
        return false;
    const jas_image_cmptparm_t& first = image.cmpts[0].parm;
    int64_t x1 = int64_t(first.width) * first.hstep;
    int64_t y1 = int64_t(first.height) * first.vstep;
    if (x1 <= 0 || y1 <= 0 || x1 > INT_MAX || y1 > INT_MAX)
        return false;
    std::vector<J2kComponent> comps(image.cmpts.size());
    std::vector<std::vector<int>> samples(image.cmpts.size());
    double raw = 0;
    for (size_t c = 0; c < comps.size(); c++) {
        const jas_image_cmptparm_t& p = image.cmpts[c].parm;
        if (p.hstep <= 0 || p.vstep <= 0 || (x1 + p.hstep - 1) / p.hstep != p.width ||
            (y1 + p.vstep - 1) / p.vstep != p.height || p.prec > 16)
            return false;
        samples[c].assign(image.cmpts[c].samples.begin(), image.cmpts[c].samples.end());
        comps[c] = {p.hstep, p.vstep, p.prec, p.sgnd, samples[c].data()};
        raw += double(p.width) * p.height * ((p.prec + 7) / 8);
    }
    // Room for a lossless stream of incompressible data.
    double capacity = raw * 1.5 + 4096 + 64 * double(comps.size());
    if (capacity > double(INT_MAX))
        return false;
    int bufferSize = int(capacity);
    J2kImage j2k = {0, 0, int(x1), int(y1), int(comps.size()), comps.data()};
    J2kTileCodingParameters tile;
    std::vector<J2kTileComponentParameters> tileComps;
    FillCodingParameters(image, rate, bufferSize, tile, tileComps);
    J2kCodingParameters cp = {0, 0, int(x1), int(y1), 1, 1, &tile};
    out.assign(size_t(bufferSize), 0);
    int written = j2k_encode(&j2k, &cp, out.data(), bufferSize);
    if (written <= 0)
        return false;
    out.resize(size_t(written));
    return true;
}

void PutBox(std::vector<uint8_t>& out, uint32_t type, const std::vector<uint8_t>& body)
{
    PutBe32(out, uint32_t(body.size() + 8));
    PutBe32(out, type);
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<uint8_t> HeaderBox(const jas_image_t& image)
{
    const jas_image_cmptparm_t& first = image.cmpts[0].parm;
    bool sameDepth = true;
    for (const jas_image_cmpt_t& c : image.cmpts)
        sameDepth = sameDepth && c.parm.prec == first.prec && c.parm.sgnd == first.sgnd;
    auto depthByte = [](const jas_image_cmptparm_t& p) {
        return uint8_t((p.prec - 1) | (p.sgnd ? 0x80 : 0));
    };
    std::vector<uint8_t> ihdr;
    PutBe32(ihdr, uint32_t(first.height * first.vstep));
    PutBe32(ihdr, uint32_t(first.width * first.hstep));
    PutBe16(ihdr, uint32_t(image.cmpts.size()));
    ihdr.push_back(sameDepth ? depthByte(first) : 0xFF);
    ihdr.push_back(7); // the codestream's own compression
    ihdr.push_back(0);
    ihdr.push_back(0);
    std::vector<uint8_t> header;
    PutBox(header, kBoxImageHeader, ihdr);
    if (!sameDepth) {
        std::vector<uint8_t> bpcc;
        for (const jas_image_cmpt_t& c : image.cmpts)
            bpcc.push_back(depthByte(c.parm));
        PutBox(header, kBoxDepths, bpcc);
    }
    std::vector<uint8_t> colr = {1, 0, 0};
    PutBe32(colr, image.cmpts.size() >= 3 ? 16 : 17);
    PutBox(header, kBoxColour, colr);
    return header;
}

} // namespace

bool JpcRecognise(const uint8_t* data, size_t size)
{
    return size >= 4 && data[0] == 0xFF && data[1] == 0x4F && data[2] == 0xFF && data[3] == 0x51;
}

jas_image_t* JpcDecode(const uint8_t* data, size_t size)
{
    return DecodeCodestream(data, size);
}

bool JpcEncode(const jas_image_t& image, double rate, std::vector<uint8_t>& out)
{
    return EncodeCodestream(image, rate, out);
}

bool Jp2Recognise(const uint8_t* data, size_t size)
{
    return size >= 12 && Be32(data) == 12 && Be32(data + 4) == kBoxSignature &&
           Be32(data + 8) == kSignatureContent;
}

jas_image_t* Jp2Decode(const uint8_t* data, size_t size)
{
    if (!Jp2Recognise(data, size))
        return nullptr;
    BoxReader reader(data, size);
    Box box;
    Jp2Header header;
    bool headerSeen = false;
    while (reader.Next(box)) {
        if (box.type == kBoxHeader && !headerSeen) {
            ReadHeaderBoxes(box, header);
            headerSeen = true;
        } else if (box.type == kBoxCodestream) {
            if (!headerSeen)
                return nullptr;
            jas_image_t* image = DecodeCodestream(box.body, box.size);
            if (!image)
                return nullptr;
            image = ApplyChannels(image, header);
            if (header.clrspc != JAS_CLRSPC_UNKNOWN)
                image->clrspc = header.clrspc;
            else
                image->clrspc = image->cmpts.size() >= 3 ? JAS_CLRSPC_SRGB : JAS_CLRSPC_SGRAY;
            return image;
        }
    }
    return nullptr;
}

bool Jp2Encode(const jas_image_t& image, double rate, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> codestream;
    if (!EncodeCodestream(image, rate, codestream))
        return false;
    out.clear();
    PutBox(out, kBoxSignature, {0x0D, 0x0A, 0x87, 0x0A});
    std::vector<uint8_t> ftyp;
    PutBe32(ftyp, kBrandJp2);
    PutBe32(ftyp, 0);
    PutBe32(ftyp, kBrandJp2);
    PutBox(out, kBoxFileType, ftyp);
    PutBox(out, kBoxHeader, HeaderBox(image));
    PutBox(out, kBoxCodestream, codestream);
    return true;
}
