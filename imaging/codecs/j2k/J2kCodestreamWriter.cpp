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

namespace {

void Append(std::vector<uint8_t>& bytes, unsigned value, int count)
{
    for (int i = count - 1; i >= 0; i--)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

} // namespace

J2kCodestreamWriter::Bytes J2kCodestreamWriter::Spcod(const J2kTileComponentParameters& tccp) const
{
    Bytes b;
    Append(b, unsigned(tccp.resolutionCount - 1), 1);
    Append(b, unsigned(tccp.codeBlockWidthExp - 2), 1);
    Append(b, unsigned(tccp.codeBlockHeightExp - 2), 1);
    // Flags the encoder does not apply are not claimed either.
    Append(b, unsigned(tccp.codeBlockStyle & kJ2kEncodedBlockStyles), 1);
    Append(b, unsigned(tccp.wavelet), 1);
    if (tccp.codingStyle & 1)
        for (int r = 0; r < tccp.resolutionCount; r++)
            Append(b, unsigned((tccp.precinctHeightExp[r] << 4) + tccp.precinctWidthExp[r]), 1);
    return b;
}

J2kCodestreamWriter::Bytes J2kCodestreamWriter::Sqcd(const J2kTileComponentParameters& tccp) const
{
    Bytes b;
    Append(b, unsigned((tccp.guardBits << 5) + tccp.quantisationStyle), 1);
    int count = J2kQuantisation::StepSizeCount(tccp);
    for (int i = 0; i < count; i++) {
        const J2kStepSize& s = tccp.stepSizes[i];
        if (tccp.quantisationStyle == 0)
            Append(b, unsigned(s.exponent << 3), 1);
        else
            Append(b, unsigned((s.exponent << 11) + s.mantissa), 2);
    }
    return b;
}

J2kCodestreamWriter::Statement J2kCodestreamWriter::Describe(const J2kTileCodingParameters& tcp) const
{
    Statement s;
    // The precinct bit goes with the precinct sizes that component 0 writes; no
    // packet carries SOP or EPH markers, so their bits are not claimed.
    Append(s.cod, unsigned(tcp.components[0].codingStyle & 1), 1);
    Append(s.cod, unsigned(tcp.progressionOrder), 1);
    Append(s.cod, unsigned(tcp.layerCount), 2);
    Append(s.cod, unsigned(tcp.componentTransform), 1);
    Bytes spcod = Spcod(tcp.components[0]);
    s.cod.insert(s.cod.end(), spcod.begin(), spcod.end());
    for (int c = 0; c < image.componentCount; c++) {
        Bytes coding = Spcod(tcp.components[c]);
        coding.insert(coding.begin(), uint8_t(tcp.components[c].codingStyle & 1));
        s.coding.push_back(coding);
        s.quantisation.push_back(Sqcd(tcp.components[c]));
    }
    return s;
}

void J2kCodestreamWriter::WriteSegment(unsigned marker, const Bytes& body)
{
    int at = BeginSegment(marker);
    for (uint8_t byte : body)
        out.Write(byte, 1);
    EndSegment(at);
}

void J2kCodestreamWriter::WriteComponentSegment(unsigned marker, int c, const Bytes& body)
{
    Bytes numbered;
    Append(numbered, unsigned(c), image.componentCount < 257 ? 1 : 2);
    numbered.insert(numbered.end(), body.begin(), body.end());
    WriteSegment(marker, numbered);
}

// A COD or QCD sets every component, so one written here also undoes the
// COC and QCC segments of the main header for this tile.
void J2kCodestreamWriter::WriteCodingSegments(const Statement& tile, const Statement* inForce)
{
    const int count = image.componentCount;
    bool newCod = !inForce || tile.cod != inForce->cod;
    bool newQcd = !inForce || tile.quantisation[0] != inForce->quantisation[0];
    if (newCod)
        WriteSegment(0xFF52, tile.cod);
    if (newQcd)
        WriteSegment(0xFF5C, tile.quantisation[0]);
    for (int c = 0; c < count; c++) {
        const Bytes& coding = newCod ? tile.coding[0] : inForce->coding[size_t(c)];
        if (tile.coding[size_t(c)] != coding)
            WriteComponentSegment(0xFF53, c, tile.coding[size_t(c)]);
        const Bytes& quantisation = newQcd ? tile.quantisation[0] : inForce->quantisation[size_t(c)];
        if (tile.quantisation[size_t(c)] != quantisation)
            WriteComponentSegment(0xFF5D, c, tile.quantisation[size_t(c)]);
    }
}

int64_t J2kCodestreamWriter::TileAreaOf(int tileNumber) const
{
    int64_t area[4];
    J2kTileCoder::TileArea(image, cp, tileNumber, area);
    return (area[2] - area[0]) * (area[3] - area[1]);
}

void J2kCodestreamWriter::WriteTile(int tileNumber, int64_t areaLeft, int64_t* used,
                                    const Statement& main)
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
    WriteCodingSegments(Describe(tcp), &main);
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
    const Statement main = Describe(cp.tiles[0]);
    WriteCodingSegments(main, nullptr);
    int tiles = cp.tw * cp.th;
    int64_t areaLeft = 0;
    for (int t = 0; t < tiles; t++)
        areaLeft += TileAreaOf(t);
    int64_t used[J2K_MAX_LAYERS];
    for (int64_t& u : used)
        u = out.Tell();
    for (int t = 0; t < tiles; t++) {
        WriteTile(t, areaLeft, used, main);
        areaLeft -= TileAreaOf(t);
    }
    out.Write(0xFFD9, 2);
    return out.Tell();
}
