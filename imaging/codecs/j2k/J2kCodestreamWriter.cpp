#include "J2kCodestreamWriter.h"

#include <algorithm>
#include <cstring>

#include "J2kQuantisation.h"
#include "J2kTier1.h"
#include "J2kTileCoder.h"

namespace {

const char kCreator[] = "Creator: R2000 izeze";

} // namespace

J2kCodestreamWriter::J2kCodestreamWriter(const J2kImage& img, const J2kCodingParameters& params)
    : image(img), cp(params)
{
}

void J2kCodestreamWriter::Validate() const
{
    if (image.componentCount < 1 || image.componentCount > 16384 || !image.components)
        throw J2kError();
    if (image.x0 < 0 || image.y0 < 0 || image.x1 <= image.x0 || image.y1 <= image.y0)
        throw J2kError();
    if (cp.tdx < 1 || cp.tdy < 1 || cp.tw < 1 || cp.th < 1 || !cp.tiles || cp.tx0 < 0 ||
        cp.ty0 < 0 || cp.tx0 > image.x0 || cp.ty0 > image.y0)
        throw J2kError();
    // Every tile of the grid must hold part of the image.
    if (int64_t(cp.tw) * cp.th > 65535 || int64_t(cp.tx0) + cp.tdx <= image.x0 ||
        int64_t(cp.ty0) + cp.tdy <= image.y0 ||
        cp.tw != (int64_t(image.x1) - cp.tx0 + cp.tdx - 1) / cp.tdx ||
        cp.th != (int64_t(image.y1) - cp.ty0 + cp.tdy - 1) / cp.tdy)
        throw J2kError();
    for (int c = 0; c < image.componentCount; c++)
        if (!image.components[c].data)
            throw J2kError();
    for (int t = 0; t < cp.tw * cp.th; t++)
        if (!J2kTileCoder::Valid(image, cp.tiles[t]))
            throw J2kError();
}

int J2kCodestreamWriter::BeginSegment(unsigned marker)
{
    out.Write(marker, 2);
    int at = out.Tell();
    out.Write(0, 2);
    return at;
}

void J2kCodestreamWriter::EndSegment(int lengthAt)
{
    int end = out.Tell();
    out.Seek(lengthAt);
    out.Write(unsigned(end - lengthAt), 2);
    out.Seek(end);
}

void J2kCodestreamWriter::WriteSiz()
{
    int at = BeginSegment(0xFF51);
    out.Write(0, 2);
    out.Write(unsigned(image.x1), 4);
    out.Write(unsigned(image.y1), 4);
    out.Write(unsigned(image.x0), 4);
    out.Write(unsigned(image.y0), 4);
    out.Write(unsigned(cp.tdx), 4);
    out.Write(unsigned(cp.tdy), 4);
    out.Write(unsigned(cp.tx0), 4);
    out.Write(unsigned(cp.ty0), 4);
    out.Write(unsigned(image.componentCount), 2);
    for (int c = 0; c < image.componentCount; c++) {
        const J2kComponent& comp = image.components[c];
        out.Write(unsigned((comp.isSigned << 7) + comp.precision - 1), 1);
        out.Write(unsigned(comp.dx), 1);
        out.Write(unsigned(comp.dy), 1);
    }
    EndSegment(at);
}

void J2kCodestreamWriter::WriteCom()
{
    int at = BeginSegment(0xFF64);
    out.Write(0, 2);
    for (const char* p = kCreator; *p; p++)
        out.Write(unsigned(uint8_t(*p)), 1);
    EndSegment(at);
}

void J2kCodestreamWriter::WriteSpcod(const J2kTileComponentParameters& tccp)
{
    out.Write(unsigned(tccp.resolutionCount - 1), 1);
    out.Write(unsigned(tccp.codeBlockWidthExp - 2), 1);
    out.Write(unsigned(tccp.codeBlockHeightExp - 2), 1);
    // Flags the encoder does not apply are not claimed either.
    out.Write(unsigned(tccp.codeBlockStyle & kJ2kEncodedBlockStyles), 1);
    out.Write(unsigned(tccp.wavelet), 1);
    if (tccp.codingStyle & 1)
        for (int r = 0; r < tccp.resolutionCount; r++)
            out.Write(unsigned((tccp.precinctHeightExp[r] << 4) + tccp.precinctWidthExp[r]), 1);
}

void J2kCodestreamWriter::WriteSqcd(const J2kTileComponentParameters& tccp)
{
    out.Write(unsigned((tccp.guardBits << 5) + tccp.quantisationStyle), 1);
    int count = J2kQuantisation::StepSizeCount(tccp);
    for (int b = 0; b < count; b++) {
        const J2kStepSize& s = tccp.stepSizes[b];
        if (tccp.quantisationStyle == 0)
            out.Write(unsigned(s.exponent << 3), 1);
        else
            out.Write(unsigned((s.exponent << 11) + s.mantissa), 2);
    }
}

void J2kCodestreamWriter::WriteComponentNumber(int c)
{
    out.Write(unsigned(c), image.componentCount < 257 ? 1 : 2);
}

void J2kCodestreamWriter::WriteCod(const J2kTileCodingParameters& tcp)
{
    int at = BeginSegment(0xFF52);
    // The precinct bit goes with the precinct sizes that component 0 writes; no
    // packet carries SOP or EPH markers, so their bits are not claimed.
    out.Write(unsigned(tcp.components[0].codingStyle & 1), 1);
    out.Write(unsigned(tcp.progressionOrder), 1);
    out.Write(unsigned(tcp.layerCount), 2);
    out.Write(unsigned(tcp.componentTransform), 1);
    WriteSpcod(tcp.components[0]);
    EndSegment(at);
}

void J2kCodestreamWriter::WriteCoc(const J2kTileCodingParameters& tcp, int c)
{
    int at = BeginSegment(0xFF53);
    WriteComponentNumber(c);
    out.Write(unsigned(tcp.components[c].codingStyle & 1), 1);
    WriteSpcod(tcp.components[c]);
    EndSegment(at);
}

void J2kCodestreamWriter::WriteQcd(const J2kTileCodingParameters& tcp)
{
    int at = BeginSegment(0xFF5C);
    WriteSqcd(tcp.components[0]);
    EndSegment(at);
}

void J2kCodestreamWriter::WriteQcc(const J2kTileCodingParameters& tcp, int c)
{
    int at = BeginSegment(0xFF5D);
    WriteComponentNumber(c);
    WriteSqcd(tcp.components[c]);
    EndSegment(at);
}

int64_t J2kCodestreamWriter::TileAreaOf(int tileNumber) const
{
    int64_t area[4];
    J2kTileCoder::TileArea(image, cp, tileNumber, area);
    return (area[2] - area[0]) * (area[3] - area[1]);
}

void J2kCodestreamWriter::WriteTile(int tileNumber, int64_t areaLeft, int64_t* used)
{
    const J2kTileCodingParameters& tcp = cp.tiles[tileNumber];
    int sotAt = out.Tell();
    out.Write(0xFF90, 2);
    out.Write(10, 2);
    out.Write(unsigned(tileNumber), 2);
    int psotAt = out.Tell();
    out.Write(0, 4);
    out.Write(0, 1);
    out.Write(1, 1);
    WriteCod(tcp);
    WriteQcd(tcp);
    for (int c = 1; c < image.componentCount; c++) {
        WriteCoc(tcp, c);
        WriteQcc(tcp, c);
    }
    out.Write(0xFF93, 2);
    // Budgets count the whole codestream cut after a layer: what the tiles before
    // used of it is gone, and this tile gets the share of the rest that its area
    // bears to the area still to come, less the headers still to come.
    int headerBytes = out.Tell() - sotAt;
    int limits[J2K_MAX_LAYERS], sizes[J2K_MAX_LAYERS];
    int64_t area = TileAreaOf(tileNumber);
    int room = out.BytesLeft() - 2;
    if (room < 0)
        throw J2kError();
    for (int l = 0; l < tcp.layerCount; l++) {
        int64_t left = int64_t(tcp.layerBudgets[l]) - used[l] -
                       int64_t(headerBytes) * (cp.tw * cp.th - tileNumber);
        int64_t share = left > 0 ? left * area / areaLeft : 0;
        limits[l] = int(std::min<int64_t>(share, room));
    }
    J2kTileCoder coder(image, cp);
    coder.Build(tileNumber);
    int written = coder.Encode(out.Pointer(), room, limits, sizes);
    out.Skip(written);
    for (int l = 0; l < J2K_MAX_LAYERS; l++)
        used[l] += headerBytes + sizes[std::min(l, tcp.layerCount - 1)];
    int end = out.Tell();
    out.Seek(psotAt);
    out.Write(unsigned(end - sotAt), 4);
    out.Seek(end);
}

int J2kCodestreamWriter::Write(unsigned char* dest, int len)
{
    Validate();
    out.Init(dest, len);
    out.Write(0xFF4F, 2);
    WriteSiz();
    WriteCom();
    int tiles = cp.tw * cp.th;
    int64_t areaLeft = 0;
    for (int t = 0; t < tiles; t++)
        areaLeft += TileAreaOf(t);
    int64_t used[J2K_MAX_LAYERS];
    for (int64_t& u : used)
        u = out.Tell();
    for (int t = 0; t < tiles; t++) {
        WriteTile(t, areaLeft, used);
        areaLeft -= TileAreaOf(t);
    }
    out.Write(0xFFD9, 2);
    return out.Tell();
}
