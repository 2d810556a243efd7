#include "J2kCodestreamReader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "J2kTileCoder.h"

namespace {

// Samples of all components together: beyond this a header is not believed.
const int64_t kMaxSamples = int64_t(1) << 27;

// Rsiz bits 15 (extensions of ISO/IEC 15444-2) and 14 (ISO/IEC 15444-15).
const unsigned kUnsupportedCapabilities = 0xC000;

// Code-block styles beyond the six of ISO/IEC 15444-1 (high-throughput coding).
const int kKnownBlockStyles = 0x3F;

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

} // namespace

J2kCodestreamReader::J2kCodestreamReader(J2kImage& img, J2kCodingParameters& params)
    : image(img), cp(params)
{
}

J2kCodestreamReader::~J2kCodestreamReader() { free(defaults.components); }

J2kTileCodingParameters& J2kCodestreamReader::Target()
{
    return state == kTilePartHeader ? cp.tiles[currentTile] : defaults;
}

// The body of the marker segment at the cursor, which moves past it.
J2kByteCursor J2kCodestreamReader::Segment()
{
    int size = int(in.Read(2));
    if (size < 2 || size - 2 > in.BytesLeft())
        throw J2kError();
    J2kByteCursor seg(in.Pointer(), size - 2);
    in.Skip(size - 2);
    return seg;
}

void J2kCodestreamReader::ReadSiz()
{
    J2kByteCursor seg = Segment();
    // Part 2 extensions and high-throughput block coding are capabilities this
    // codec lacks: their streams would decode to garbage.
    if (seg.Read(2) & kUnsupportedCapabilities)
        throw J2kError();
    uint32_t v[8];
    for (uint32_t& value : v)
        value = seg.Read(4);
    for (uint32_t value : v)
        if (value > uint32_t(INT_MAX))
            throw J2kError();
    image.x1 = int(v[0]);
    image.y1 = int(v[1]);
    image.x0 = int(v[2]);
    image.y0 = int(v[3]);
    cp.tdx = int(v[4]);
    cp.tdy = int(v[5]);
    cp.tx0 = int(v[6]);
    cp.ty0 = int(v[7]);
    if (image.x1 <= image.x0 || image.y1 <= image.y0 || cp.tdx < 1 || cp.tdy < 1 ||
        cp.tx0 > image.x0 || cp.ty0 > image.y0 || int64_t(cp.tx0) + cp.tdx <= image.x0 ||
        int64_t(cp.ty0) + cp.tdy <= image.y0)
        throw J2kError();
    AllocateComponents(seg);
    int64_t tw = CeilDiv(int64_t(image.x1) - cp.tx0, cp.tdx);
    int64_t th = CeilDiv(int64_t(image.y1) - cp.ty0, cp.tdy);
    // Every tile-component holding samples needs a packet byte at least: more
    // of them than the codestream has bytes is a header that lies, and its
    // bookkeeping alone would cost far more than the data.
    if (tw * th > 65535 || tw * th * image.componentCount > length)
        throw J2kError();
    cp.tiles = static_cast<J2kTileCodingParameters*>(calloc(size_t(tw * th), sizeof(J2kTileCodingParameters)));
    defaults.components = static_cast<J2kTileComponentParameters*>(
        calloc(size_t(image.componentCount), sizeof(J2kTileComponentParameters)));
    if (!cp.tiles || !defaults.components)
        throw J2kError();
    cp.tw = int(tw);
    cp.th = int(th);
    tileData.resize(size_t(tw * th));
    tileSeen.assign(size_t(tw * th), false);
    tilePoc.assign(size_t(tw * th), PocStart());
    ownCoding.assign(size_t(image.componentCount), false);
    ownQuantisation.assign(size_t(image.componentCount), false);
    state = kMainHeader;
}

void J2kCodestreamReader::AllocateComponents(J2kByteCursor& seg)
{
    int count = int(seg.Read(2));
    if (count < 1 || count > 16384 || seg.BytesLeft() != 3 * count)
        throw J2kError();
    image.components = static_cast<J2kComponent*>(calloc(size_t(count), sizeof(J2kComponent)));
    if (!image.components)
        throw J2kError();
    image.componentCount = count;
    int64_t total = 0;
    for (int c = 0; c < count; c++) {
        J2kComponent& comp = image.components[c];
        int ssiz = int(seg.Read(1));
        comp.precision = (ssiz & 127) + 1;
        comp.isSigned = ssiz >> 7;
        comp.dx = int(seg.Read(1));
        comp.dy = int(seg.Read(1));
        if (comp.dx < 1 || comp.dy < 1 || comp.precision > 30)
            throw J2kError();
        int64_t w = CeilDiv(image.x1, comp.dx) - CeilDiv(image.x0, comp.dx);
        int64_t h = CeilDiv(image.y1, comp.dy) - CeilDiv(image.y0, comp.dy);
        total += w * h;
        if (w < 1 || h < 1 || total > kMaxSamples)
            throw J2kError();
    }
}

// Samples are taken only once the whole codestream is there: a header
// alone must not cost the picture's memory.
void J2kCodestreamReader::AllocateSamples()
{
    for (int c = 0; c < image.componentCount; c++) {
        J2kComponent& comp = image.components[c];
        int64_t w = CeilDiv(image.x1, comp.dx) - CeilDiv(image.x0, comp.dx);
        int64_t h = CeilDiv(image.y1, comp.dy) - CeilDiv(image.y0, comp.dy);
        comp.data = static_cast<int*>(calloc(size_t(w * h), sizeof(int)));
        if (!comp.data)
            throw J2kError();
    }
}

void J2kCodestreamReader::ReadSpcod(J2kByteCursor& seg, J2kTileComponentParameters& tccp)
{
    tccp.resolutionCount = int(seg.Read(1)) + 1;
    tccp.codeBlockWidthExp = int(seg.Read(1)) + 2;
    tccp.codeBlockHeightExp = int(seg.Read(1)) + 2;
    tccp.codeBlockStyle = int(seg.Read(1));
    tccp.wavelet = int(seg.Read(1));
    if (tccp.resolutionCount > J2K_MAX_RESOLUTIONS || tccp.codeBlockWidthExp > 6 ||
        tccp.codeBlockHeightExp > 6 || tccp.wavelet > 1 ||
        (tccp.codeBlockStyle & ~kKnownBlockStyles))
        throw J2kError();
    for (int r = 0; r < tccp.resolutionCount; r++) {
        int byte = (tccp.codingStyle & 1) ? int(seg.Read(1)) : 0xFF;
        tccp.precinctWidthExp[r] = byte & 15;
        tccp.precinctHeightExp[r] = byte >> 4;
    }
}

void J2kCodestreamReader::ReadCod()
{
    J2kByteCursor seg = Segment();
    J2kTileCodingParameters& tcp = Target();
    tcp.codingStyle = int(seg.Read(1));
    tcp.progressionOrder = int(seg.Read(1));
    tcp.layerCount = int(seg.Read(2));
    tcp.componentTransform = int(seg.Read(1));
    if (tcp.progressionOrder > 4 || tcp.layerCount < 1 || tcp.layerCount > J2K_MAX_LAYERS ||
        tcp.componentTransform > 1 || (tcp.componentTransform && image.componentCount < 3))
        throw J2kError();
    J2kByteCursor body = seg;
    for (int c = 0; c < image.componentCount; c++) {
        if (ownCoding[size_t(c)])
            continue;
        seg = body;
        tcp.components[c].codingStyle = tcp.codingStyle & 1;
        ReadSpcod(seg, tcp.components[c]);
    }
}

int J2kCodestreamReader::ReadComponentNumber(J2kByteCursor& seg)
{
    int c = int(seg.Read(image.componentCount < 257 ? 1 : 2));
    if (c >= image.componentCount)
        throw J2kError();
    return c;
}

void J2kCodestreamReader::ReadCoc()
{
    J2kByteCursor seg = Segment();
    int c = ReadComponentNumber(seg);
    ownCoding[size_t(c)] = true;
    J2kTileComponentParameters& tccp = Target().components[c];
    tccp.codingStyle = int(seg.Read(1));
    ReadSpcod(seg, tccp);
}

void J2kCodestreamReader::ReadSqcd(J2kByteCursor& seg, J2kTileComponentParameters& tccp)
{
    int sqcd = int(seg.Read(1));
    tccp.quantisationStyle = sqcd & 31;
    tccp.guardBits = sqcd >> 5;
    int body = seg.BytesLeft();
    int count = tccp.quantisationStyle == 0 ? body
                : tccp.quantisationStyle == 1 ? 1 : body / 2;
    if (tccp.quantisationStyle > 2 || count > J2K_MAX_STEPSIZES)
        throw J2kError();
    for (int b = 0; b < count; b++) {
        if (tccp.quantisationStyle == 0) {
            tccp.stepSizes[b].exponent = int(seg.Read(1)) >> 3;
            tccp.stepSizes[b].mantissa = 0;
        } else {
            int v = int(seg.Read(2));
            tccp.stepSizes[b].exponent = v >> 11;
            tccp.stepSizes[b].mantissa = v & 0x7FF;
        }
    }
    // Bands the segment leaves out keep the last step given.
    for (int b = count; b < J2K_MAX_STEPSIZES && count > 0; b++)
        tccp.stepSizes[b] = tccp.stepSizes[count - 1];
}

void J2kCodestreamReader::ReadQcd()
{
    J2kByteCursor seg = Segment();
    J2kTileCodingParameters& tcp = Target();
    J2kByteCursor body = seg;
    for (int c = 0; c < image.componentCount; c++) {
        if (ownQuantisation[size_t(c)])
            continue;
        seg = body;
        ReadSqcd(seg, tcp.components[c]);
    }
}

void J2kCodestreamReader::ReadQcc()
{
    J2kByteCursor seg = Segment();
    int c = ReadComponentNumber(seg);
    ownQuantisation[size_t(c)] = true;
    ReadSqcd(seg, Target().components[c]);
}

void J2kCodestreamReader::ReadRgn()
{
    J2kByteCursor seg = Segment();
    J2kTileComponentParameters& tccp = Target().components[ReadComponentNumber(seg)];
    seg.Read(1);
    tccp.roiShift = int(seg.Read(1));
}

void J2kCodestreamReader::ReadPoc()
{
    J2kByteCursor seg = Segment();
    int wide = image.componentCount < 257 ? 1 : 2;
    int recordSize = 5 + 2 * wide;
    if (seg.BytesLeft() < recordSize || seg.BytesLeft() % recordSize)
        throw J2kError();
    PocStart& start = state == kTilePartHeader ? tilePoc[size_t(currentTile)] : mainPoc;
    for (bool first = true; seg.BytesLeft() > 0; first = false) {
        int resolutionStart = int(seg.Read(1));
        int componentStart = int(seg.Read(wide));
        int layerEnd = int(seg.Read(2));
        int resolutionEnd = int(seg.Read(1));
        int componentEnd = int(seg.Read(wide));
        int order = int(seg.Read(1));
        if (order > 4)
            throw J2kError();
        if (!first || start.present)
            continue;
        // A first record that leaves packets to later ones changes the progression
        // part-way, which this codec does not follow.
        if (resolutionStart != 0 || componentStart != 0)
            throw J2kError();
        start.present = true;
        start.layers = layerEnd;
        start.resolutions = resolutionEnd;
        start.components = componentEnd ? componentEnd : (wide == 1 ? 256 : 16384);
        start.order = order;
        Target().progressionOrder = order;
    }
}

bool J2kCodestreamReader::PocCovers(const PocStart& poc, const J2kTileCodingParameters& tcp) const
{
    int resolutions = 0;
    for (int c = 0; c < image.componentCount; c++)
        resolutions = std::max(resolutions, tcp.components[c].resolutionCount);
    return poc.layers >= tcp.layerCount && poc.resolutions >= resolutions &&
           poc.components >= image.componentCount;
}

void J2kCodestreamReader::ReadSot()
{
    int sotAt = in.Tell() - 2;
    J2kByteCursor seg = Segment();
    if (seg.BytesLeft() != 8)
        throw J2kError();
    int tile = int(seg.Read(2));
    uint32_t psot = seg.Read(4);
    seg.Read(1);
    seg.Read(1);
    if (tile >= cp.tw * cp.th)
        throw J2kError();
    // Psot 0: the tile-part runs to the end marker at the end of the codestream.
    if (psot == 0)
        tilePartEnd = length - 2;
    else if (psot < 14)
        throw J2kError();
    else
        tilePartEnd = int(std::min<int64_t>(int64_t(sotAt) + psot, length));
    currentTile = tile;
    ownCoding.assign(ownCoding.size(), false);
    ownQuantisation.assign(ownQuantisation.size(), false);
    J2kTileCodingParameters& tcp = cp.tiles[tile];
    if (!tileSeen[size_t(tile)]) {
        // Later tile-parts carry no coding parameters: only the first starts from the defaults.
        J2kTileComponentParameters* own = static_cast<J2kTileComponentParameters*>(
            calloc(size_t(image.componentCount), sizeof(J2kTileComponentParameters)));
        if (!own)
            throw J2kError();
        tcp = defaults;
        tcp.components = own;
        memcpy(own, defaults.components, sizeof(J2kTileComponentParameters) * size_t(image.componentCount));
        tileSeen[size_t(tile)] = true;
    }
    state = kTilePartHeader;
}

void J2kCodestreamReader::ReadSod()
{
    int count = std::min(tilePartEnd - in.Tell(), in.BytesLeft());
    if (count < 0)
        throw J2kError();
    std::vector<uint8_t>& data = tileData[size_t(currentTile)];
    data.insert(data.end(), in.Pointer(), in.Pointer() + count);
    in.Skip(count);
    state = kAfterTileData;
}

// One failing tile fails the codestream whatever the others hold, so
// decoding ends there, and nothing is decoded when a tile is missing.
bool J2kCodestreamReader::DecodeTiles()
{
    if (std::find(tileSeen.begin(), tileSeen.end(), false) != tileSeen.end())
        return false;
    AllocateSamples();
    for (int t = 0; t < cp.tw * cp.th; t++) {
        const PocStart& poc = tilePoc[size_t(t)].present ? tilePoc[size_t(t)] : mainPoc;
        if (poc.present) {
            if (!PocCovers(poc, cp.tiles[t]))
                return false;
            cp.tiles[t].progressionOrder = poc.order;
        }
        J2kTileCoder coder(image, cp);
        std::vector<uint8_t>& data = tileData[size_t(t)];
        try {
            coder.Build(t, int64_t(data.size()));
        } catch (const J2kError&) {
            return false;
        }
        if (!coder.Decode(data.data(), int(data.size())))
            return false;
        std::vector<uint8_t>().swap(data);
    }
    return true;
}

// One marker and its segment; false ends decoding.
bool J2kCodestreamReader::Step()
{
    unsigned marker = in.Read(2);
    if ((marker >> 8) != 0xFF)
        return false;
    auto allowed = [&](int states) { return (state & states) != 0; };
    const int headers = kMainHeader | kTilePartHeader;
    switch (marker) {
    case 0xFF4F:
        if (!allowed(kBeforeSoc)) return false;
        state = kExpectSiz;
        return true;
    case 0xFF51:
        if (!allowed(kExpectSiz)) return false;
        ReadSiz();
        return true;
    case 0xFF52: if (!allowed(headers)) return false; ReadCod(); return true;
    case 0xFF53: if (!allowed(headers)) return false; ReadCoc(); return true;
    case 0xFF5C: if (!allowed(headers)) return false; ReadQcd(); return true;
    case 0xFF5D: if (!allowed(headers)) return false; ReadQcc(); return true;
    case 0xFF5E: if (!allowed(headers)) return false; ReadRgn(); return true;
    case 0xFF5F: if (!allowed(headers)) return false; ReadPoc(); return true;
    case 0xFF90:
        if (!allowed(kMainHeader | kAfterTileData)) return false;
        ReadSot();
        return true;
    case 0xFF93:
        if (!allowed(kTilePartHeader)) return false;
        ReadSod();
        return true;
    case 0xFFD9: {
        if (!allowed(kAfterTileData)) return false;
        bool ok = DecodeTiles();
        state = kFinished;
        return ok;
    }
    case 0xFF55: case 0xFF57: case 0xFF63:
        if (!allowed(kMainHeader)) return false;
        Segment();
        return true;
    case 0xFF58:
        if (!allowed(kTilePartHeader)) return false;
        Segment();
        return true;
    case 0xFF64:
        if (!allowed(headers)) return false;
        Segment();
        return true;
    default:
        // Anything else (packed packet headers, capabilities of later parts of
        // the standard, stray SOP) would leave the data undecodable: stepping
        // over it would show garbage as a picture.
        return false;
    }
}

int J2kCodestreamReader::Read(unsigned char* src, int len)
{
    length = len;
    in.Init(src, len);
    try {
        while (Step())
            if (state == kFinished)
                return in.Tell();
    } catch (const J2kError&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
