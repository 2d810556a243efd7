#include "J2kTileCoder.h"

#include <algorithm>
#include <cstring>

#include "J2kComponentTransform.h"
#include "J2kQuantisation.h"
#include "J2kRateAllocator.h"
#include "J2kTier2.h"
#include "J2kWavelet.h"

namespace {

// Bounds the tree a hostile header can ask for.
const long kMaxStructures = 1L << 22;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }
int64_t CeilShift(int64_t a, int s) { return CeilDiv(a, int64_t(1) << s); }

std::vector<int> BlockStyles(const J2kTileCodingParameters& tcp, int count)
{
    std::vector<int> styles;
    for (int c = 0; c < count; c++)
        styles.push_back(tcp.components[c].codeBlockStyle);
    return styles;
}

std::vector<int> RoiShifts(const J2kTileCodingParameters& tcp, int count)
{
    std::vector<int> shifts;
    for (int c = 0; c < count; c++)
        shifts.push_back(tcp.components[c].roiShift);
    return shifts;
}

template <class F> void ForEachBlock(J2kTileComponent& tc, F f)
{
    for (size_t r = 0; r < tc.resolutions.size(); r++) {
        J2kResolution& res = tc.resolutions[r];
        for (int b = 0; b < res.bandCount; b++)
            for (J2kPrecinct& precinct : res.bands[b].precincts)
                for (J2kCodeBlock& block : precinct.blocks)
                    f(int(r), res.bands[b], block);
    }
}

bool ComponentValid(const J2kComponent& comp, const J2kTileComponentParameters& t)
{
    if (comp.dx < 1 || comp.dx > 255 || comp.dy < 1 || comp.dy > 255)
        return false;
    if (comp.precision < 1 || comp.precision > 30)
        return false;
    if (t.resolutionCount < 1 || t.resolutionCount > J2K_MAX_RESOLUTIONS)
        return false;
    if (t.codeBlockWidthExp < 2 || t.codeBlockWidthExp > 6 || t.codeBlockHeightExp < 2 ||
        t.codeBlockHeightExp > 6)
        return false;
    if (t.wavelet < 0 || t.wavelet > 1 || t.quantisationStyle < 0 || t.quantisationStyle > 2)
        return false;
    if (t.guardBits < 0 || t.guardBits > 7 || t.roiShift < 0 || t.roiShift > 31)
        return false;
    if (J2kQuantisation::StepSizeCount(t) > J2K_MAX_STEPSIZES)
        return false;
    for (int i = 0; i < J2kQuantisation::StepSizeCount(t); i++) {
        J2kStepSize s = t.stepSizes[i];
        if (s.exponent < 0 || s.exponent > 31 || s.mantissa < 0 || s.mantissa > 2047)
            return false;
    }
    for (int r = 0; r < t.resolutionCount; r++) {
        int pw = (t.codingStyle & 1) ? t.precinctWidthExp[r] : 15;
        int ph = (t.codingStyle & 1) ? t.precinctHeightExp[r] : 15;
        if (pw < (r ? 1 : 0) || pw > 15 || ph < (r ? 1 : 0) || ph > 15)
            return false;
    }
    return true;
}

} // namespace

J2kTileCoder::J2kTileCoder(const J2kImage& img, const J2kCodingParameters& params)
    : image(img), cp(params)
{
}

void J2kTileCoder::TileArea(const J2kImage& image, const J2kCodingParameters& cp, int tileNumber,
                            int64_t area[4])
{
    int p = tileNumber % cp.tw, q = tileNumber / cp.tw;
    area[0] = std::max<int64_t>(cp.tx0 + int64_t(p) * cp.tdx, image.x0);
    area[1] = std::max<int64_t>(cp.ty0 + int64_t(q) * cp.tdy, image.y0);
    area[2] = std::min<int64_t>(cp.tx0 + int64_t(p + 1) * cp.tdx, image.x1);
    area[3] = std::min<int64_t>(cp.ty0 + int64_t(q + 1) * cp.tdy, image.y1);
}

bool J2kTileCoder::Valid(const J2kImage& image, const J2kTileCodingParameters& tcp)
{
    if (!tcp.components || tcp.layerCount < 1 || tcp.layerCount > J2K_MAX_LAYERS)
        return false;
    if (tcp.progressionOrder < 0 || tcp.progressionOrder > 4)
        return false;
    for (int c = 0; c < image.componentCount; c++)
        if (!ComponentValid(image.components[c], tcp.components[c]))
            return false;
    if (tcp.componentTransform) {
        if (image.componentCount < 3)
            return false;
        const J2kComponent* k = image.components;
        for (int c = 1; c < 3; c++)
            if (k[c].dx != k[0].dx || k[c].dy != k[0].dy ||
                tcp.components[c].wavelet != tcp.components[0].wavelet)
                return false;
    }
    return true;
}

bool J2kTileCoder::UsesTransform() const { return tcp->componentTransform != 0; }

void J2kTileCoder::Build(int tileNumber, int64_t dataBytes)
{
    tcp = &cp.tiles[tileNumber];
    if (!Valid(image, *tcp))
        throw J2kError();
    int64_t area[4];
    TileArea(image, cp, tileNumber, area);
    if (area[0] >= area[2] || area[1] >= area[3])
        throw J2kError();
    tile = J2kTile();
    tile.x0 = int(area[0]);
    tile.y0 = int(area[1]);
    tile.x1 = int(area[2]);
    tile.y1 = int(area[3]);
    structureCount = 0;
    packetCount = 0;
    packetLimit = dataBytes;
    tile.components.resize(size_t(image.componentCount));
    for (int c = 0; c < image.componentCount; c++)
        BuildComponent(c);
}

void J2kTileCoder::BuildComponent(int c)
{
    const J2kComponent& comp = image.components[c];
    const J2kTileComponentParameters& tccp = tcp->components[c];
    J2kTileComponent& tc = tile.components[size_t(c)];
    tc.dx = comp.dx;
    tc.dy = comp.dy;
    tc.x0 = int(CeilDiv(tile.x0, comp.dx));
    tc.y0 = int(CeilDiv(tile.y0, comp.dy));
    tc.x1 = int(CeilDiv(tile.x1, comp.dx));
    tc.y1 = int(CeilDiv(tile.y1, comp.dy));
    int levels = tccp.resolutionCount - 1;
    tc.resolutions.resize(size_t(tccp.resolutionCount));
    for (int r = 0; r <= levels; r++) {
        J2kResolution& res = tc.resolutions[size_t(r)];
        int shift = levels - r;
        res.x0 = int(CeilShift(tc.x0, shift));
        res.y0 = int(CeilShift(tc.y0, shift));
        res.x1 = int(CeilShift(tc.x1, shift));
        res.y1 = int(CeilShift(tc.y1, shift));
        res.precinctWidthExp = (tccp.codingStyle & 1) ? tccp.precinctWidthExp[r] : 15;
        res.precinctHeightExp = (tccp.codingStyle & 1) ? tccp.precinctHeightExp[r] : 15;
        bool empty = res.x0 == res.x1 || res.y0 == res.y1;
        res.precinctsWide = empty ? 0
                                  : int(CeilShift(res.x1, res.precinctWidthExp) -
                                        (res.x0 >> res.precinctWidthExp));
        res.precinctsHigh = empty ? 0
                                  : int(CeilShift(res.y1, res.precinctHeightExp) -
                                        (res.y0 >> res.precinctHeightExp));
        structureCount += long(res.precinctsWide) * res.precinctsHigh;
        packetCount += int64_t(res.precinctsWide) * res.precinctsHigh * tcp->layerCount;
        if (structureCount > kMaxStructures || packetCount > packetLimit)
            throw J2kError();
        BuildBands(tc, r, tccp, c);
    }
}

void J2kTileCoder::BuildBands(J2kTileComponent& tc, int r, const J2kTileComponentParameters& tccp,
                              int c)
{
    J2kResolution& res = tc.resolutions[size_t(r)];
    int levels = tccp.resolutionCount - 1;
    res.bandCount = r == 0 ? 1 : 3;
    for (int b = 0; b < res.bandCount; b++) {
        J2kBand& band = res.bands[b];
        band.orientation = r == 0 ? 0 : b + 1;
        if (r == 0) {
            band.x0 = res.x0;
            band.y0 = res.y0;
            band.x1 = res.x1;
            band.y1 = res.y1;
            band.bufferX = band.bufferY = 0;
        } else {
            int nb = levels - r + 1;
            int64_t xob = band.orientation & 1, yob = band.orientation >> 1;
            int64_t half = int64_t(1) << (nb - 1);
            band.x0 = int(CeilShift(tc.x0 - half * xob, nb));
            band.y0 = int(CeilShift(tc.y0 - half * yob, nb));
            band.x1 = int(CeilShift(tc.x1 - half * xob, nb));
            band.y1 = int(CeilShift(tc.y1 - half * yob, nb));
            const J2kResolution& lower = tc.resolutions[size_t(r - 1)];
            band.bufferX = xob ? lower.x1 - lower.x0 : 0;
            band.bufferY = yob ? lower.y1 - lower.y0 : 0;
        }
        J2kStepSize step = J2kQuantisation::BandStepSize(tccp, r, band.orientation);
        int precision = image.components[c].precision;
        band.magnitudeBits = J2kQuantisation::MagnitudeBits(tccp.guardBits, step);
        band.stepFixed = J2kQuantisation::StepFixed(
            precision, J2kQuantisation::BandGain(tccp.wavelet == 1, band.orientation), step);
        int level = r == 0 ? levels : levels - r + 1;
        double norm = J2kWavelet::Norm(tccp.wavelet == 1, level, band.orientation);
        if (UsesTransform())
            norm *= J2kComponentTransform::Norm(tccp.wavelet == 1, c);
        double step1 = tccp.wavelet == 1 ? 1.0 : band.stepFixed / 8192.0;
        band.weight = norm * norm * step1 * step1 / double(1 << (2 * kJ2kT1FracBits));
        BuildPrecincts(band, res, r, tccp);
    }
}

void J2kTileCoder::BuildPrecincts(J2kBand& band, const J2kResolution& res, int r,
                                  const J2kTileComponentParameters& tccp)
{
    int ppx = r ? res.precinctWidthExp - 1 : res.precinctWidthExp;
    int ppy = r ? res.precinctHeightExp - 1 : res.precinctHeightExp;
    int cbw = std::min(tccp.codeBlockWidthExp, ppx);
    int cbh = std::min(tccp.codeBlockHeightExp, ppy);
    band.precincts.assign(size_t(res.precinctsWide) * size_t(res.precinctsHigh), J2kPrecinct());
    int firstX = res.x0 >> res.precinctWidthExp, firstY = res.y0 >> res.precinctHeightExp;
    for (int j = 0; j < res.precinctsHigh; j++)
        for (int i = 0; i < res.precinctsWide; i++) {
            J2kPrecinct& p = band.precincts[size_t(j * res.precinctsWide + i)];
            int64_t px0 = int64_t(firstX + i) << ppx, py0 = int64_t(firstY + j) << ppy;
            p.x0 = int(std::max<int64_t>(px0, band.x0));
            p.y0 = int(std::max<int64_t>(py0, band.y0));
            p.x1 = int(std::min<int64_t>(px0 + (int64_t(1) << ppx), band.x1));
            p.y1 = int(std::min<int64_t>(py0 + (int64_t(1) << ppy), band.y1));
            if (p.x0 >= p.x1 || p.y0 >= p.y1) {
                p.x1 = p.x0;
                p.y1 = p.y0;
                continue;
            }
            int bx0 = p.x0 >> cbw, by0 = p.y0 >> cbh;
            p.blocksWide = int(CeilShift(p.x1, cbw)) - bx0;
            p.blocksHigh = int(CeilShift(p.y1, cbh)) - by0;
            structureCount += long(p.blocksWide) * p.blocksHigh;
            if (structureCount > kMaxStructures)
                throw J2kError();
            p.blockWidthExp = cbw;
            p.blockHeightExp = cbh;
        }
}

// The decoder works in the image's own samples where the tile covers a
// component, and saves a buffer the size of the picture and a copy.
void J2kTileCoder::AllocateBuffers(bool inPlace)
{
    for (size_t c = 0; c < tile.components.size(); c++) {
        J2kTileComponent& tc = tile.components[c];
        const J2kComponent& comp = image.components[c];
        bool covers = tc.x0 == CeilDiv(image.x0, comp.dx) && tc.x1 == CeilDiv(image.x1, comp.dx) &&
                      tc.y0 == CeilDiv(image.y0, comp.dy) && tc.y1 == CeilDiv(image.y1, comp.dy);
        if (inPlace && covers)
            tc.external = comp.data;
        else
            tc.buffer.assign(size_t(tc.Width()) * size_t(tc.Height()), 0);
    }
}

// ---- encoding ----

void J2kTileCoder::LoadSamples()
{
    for (size_t c = 0; c < tile.components.size(); c++) {
        J2kTileComponent& tc = tile.components[c];
        const J2kComponent& comp = image.components[c];
        int originX = int(CeilDiv(image.x0, comp.dx)), originY = int(CeilDiv(image.y0, comp.dy));
        int width = int(CeilDiv(image.x1, comp.dx)) - originX;
        int shift = comp.isSigned ? 0 : 1 << (comp.precision - 1);
        int scale = Reversible(int(c)) ? 0 : 13;
        for (int y = tc.y0; y < tc.y1; y++) {
            const int* src = comp.data + size_t(y - originY) * size_t(width) + (tc.x0 - originX);
            int32_t* dst = tc.Samples() + size_t(y - tc.y0) * size_t(tc.Width());
            for (int x = 0; x < tc.Width(); x++)
                dst[x] = int32_t(uint32_t(src[x] - shift) << scale);
        }
    }
}

void J2kTileCoder::EncodeBlocks()
{
    std::vector<int32_t> samples(64 * 64);
    for (size_t c = 0; c < tile.components.size(); c++) {
        J2kTileComponent& tc = tile.components[c];
        bool reversible = Reversible(int(c));
        ForEachBlock(tc, [&](int, J2kBand& band, J2kCodeBlock& block) {
            int w = block.x1 - block.x0, h = block.y1 - block.y0;
            const int32_t* src = tc.Samples() +
                                 size_t(band.bufferY + block.y0 - band.y0) * size_t(tc.Width()) +
                                 (band.bufferX + block.x0 - band.x0);
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) {
                    int64_t v = src[y * tc.Width() + x];
                    int64_t m = v < 0 ? -v : v;
                    m = reversible ? m << kJ2kT1FracBits
                                   : (m << kJ2kT1FracBits) / band.stepFixed;
                    if (m > INT32_MAX)
                        throw J2kError();
                    samples[size_t(y * 64 + x)] = int32_t(v < 0 ? -m : m);
                }
            tier1.EncodeBlock(samples.data(), 64, band.orientation,
                              tcp->components[c].codeBlockStyle & kJ2kEncodedBlockStyles,
                              band.weight, block);
            // The band's bit-planes must hold the block's, or the stream would lie.
            if (block.bitPlanes > band.magnitudeBits)
                throw J2kError();
            block.layerPasses.assign(size_t(tcp->layerCount), 0);
        });
    }
}

int J2kTileCoder::Encode(uint8_t* dest, int len, const int* limits, int* sizes)
{
    for (J2kTileComponent& tc : tile.components)
        for (J2kResolution& res : tc.resolutions)
            for (int b = 0; b < res.bandCount; b++)
                for (J2kPrecinct& precinct : res.bands[b].precincts)
                    precinct.MakeBlocks();
    AllocateBuffers(false);
    LoadSamples();
    if (UsesTransform()) {
        J2kTileComponent* t = tile.components.data();
        int n = t[0].Width() * t[0].Height();
        if (Reversible(0))
            J2kComponentTransform::ForwardRct(t[0].Samples(), t[1].Samples(), t[2].Samples(), n);
        else
            J2kComponentTransform::ForwardIct(t[0].Samples(), t[1].Samples(), t[2].Samples(), n);
    }
    for (size_t c = 0; c < tile.components.size(); c++)
        J2kWavelet::Forward(tile.components[c], Reversible(int(c)));
    EncodeBlocks();
    int count = image.componentCount;
    // No region of interest, segment markers or pass flags are coded.
    J2kTier2 tier2(tile, tcp->layerCount, tcp->progressionOrder, tcp->codingStyle & ~6,
                   std::vector<int>(size_t(count), 0), std::vector<int>(size_t(count), 0));
    for (int l = 0; l < tcp->layerCount; l++)
        J2kRateAllocator::AllocateLayer(tile, tier2, l, dest, std::min(limits[l], len));
    for (int l = 0; l < tcp->layerCount; l++)
        sizes[l] = tier2.Encode(dest, len, l + 1);
    return sizes[tcp->layerCount - 1];
}

// ---- decoding ----

namespace {

// A decoded block's doubled magnitudes into coefficients: region-of-interest
// descaling, then dequantisation.
void Dequantise(const int32_t* values, int32_t* dst, size_t stride, int w, int h, int roi,
                bool reversible, int step)
{
    for (int y = 0; y < h; y++, values += 64, dst += stride) {
        if (reversible && !roi) {
            for (int x = 0; x < w; x++)
                dst[x] = values[x] < 0 ? -(-values[x] >> 1) : values[x] >> 1;
            continue;
        }
        for (int x = 0; x < w; x++) {
            int32_t v = values[x];
            int64_t m = v < 0 ? -int64_t(v) : v;
            if (roi && m >= (int64_t(1) << (roi + 1)))
                m >>= roi;
            m = reversible ? m >> 1 : (m * step) >> 1;
            if (m > INT32_MAX)
                m = INT32_MAX;
            dst[x] = int32_t(v < 0 ? -m : m);
        }
    }
}

} // namespace

void J2kTileCoder::DecodeBlocks()
{
    std::vector<int32_t> values(64 * 64);
    for (size_t c = 0; c < tile.components.size(); c++) {
        J2kTileComponent& tc = tile.components[c];
        const J2kTileComponentParameters& tccp = tcp->components[c];
        ForEachBlock(tc, [&](int, J2kBand& band, J2kCodeBlock& block) {
            if (block.segments.empty())
                return;
            tier1.DecodeBlock(block, band.orientation, tccp.codeBlockStyle, values.data(), 64);
            int32_t* dst = tc.Samples() +
                           size_t(band.bufferY + block.y0 - band.y0) * size_t(tc.Width()) +
                           (band.bufferX + block.x0 - band.x0);
            Dequantise(values.data(), dst, size_t(tc.Width()), block.x1 - block.x0,
                       block.y1 - block.y0, tccp.roiShift, tccp.wavelet == 1, band.stepFixed);
        });
    }
}

void J2kTileCoder::StoreSamples()
{
    for (size_t c = 0; c < tile.components.size(); c++) {
        J2kTileComponent& tc = tile.components[c];
        const J2kComponent& comp = image.components[c];
        int originX = int(CeilDiv(image.x0, comp.dx)), originY = int(CeilDiv(image.y0, comp.dy));
        int width = int(CeilDiv(image.x1, comp.dx)) - originX;
        // Clamped before the level is added back, so that nothing overflows.
        const int32_t half = int32_t(1) << (comp.precision - 1);
        const int32_t shift = comp.isSigned ? 0 : half;
        const int32_t low = -half, high = half - 1;
        const int scale = Reversible(int(c)) ? 0 : 13;
        const int w = tc.Width();
        for (int y = tc.y0; y < tc.y1; y++) {
            int* dst = comp.data + size_t(y - originY) * size_t(width) + (tc.x0 - originX);
            const int32_t* src = tc.Samples() + size_t(y - tc.y0) * size_t(w);
            for (int x = 0; x < w; x++)
                dst[x] = std::min(std::max(src[x] >> scale, low), high) + shift;
        }
    }
}

bool J2kTileCoder::Decode(const uint8_t* data, int len)
{
    int count = image.componentCount;
    J2kTier2 tier2(tile, tcp->layerCount, tcp->progressionOrder, tcp->codingStyle,
                   BlockStyles(*tcp, count), RoiShifts(*tcp, count));
    // Packets that run out fail the whole decode, whose samples are then
    // dropped: the tile's pixels are not worth making.
    try {
        tier2.Decode(data, len);
    } catch (const J2kError&) {
        return false;
    }
    AllocateBuffers(true);
    DecodeBlocks();
    for (size_t c = 0; c < tile.components.size(); c++)
        J2kWavelet::Inverse(tile.components[c], Reversible(int(c)),
                            int(tile.components[c].resolutions.size()) - 1);
    if (UsesTransform()) {
        J2kTileComponent* t = tile.components.data();
        int n = t[0].Width() * t[0].Height();
        if (Reversible(0))
            J2kComponentTransform::InverseRct(t[0].Samples(), t[1].Samples(), t[2].Samples(), n);
        else
            J2kComponentTransform::InverseIct(t[0].Samples(), t[1].Samples(), t[2].Samples(), n);
    }
    StoreSamples();
    return true;
}
