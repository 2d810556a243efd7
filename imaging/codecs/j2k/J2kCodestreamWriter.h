// Writes a codestream: main header, one tile-part per tile, end marker. The
// main header carries the coding and quantisation of tile 0; a tile-part
// header repeats only what differs in its tile.
#pragma once

#include <cstdint>
#include <vector>

#include "J2kByteCursor.h"
#include "J2kCodec.h"

class J2kCodestreamWriter {
public:
    J2kCodestreamWriter(const J2kImage& image, const J2kCodingParameters& cp);
    // Returns the bytes written; throws J2kError when the buffer or budget is too small
    // or the parameters are beyond the codec's limits.
    int Write(unsigned char* dest, int len);

private:
    // What each header states about every component, as segment bodies: coding
    // style byte and SPcod, and Sqcd with its step sizes.
    using Bytes = std::vector<uint8_t>;
    struct Statement {
        Bytes cod;
        std::vector<Bytes> coding, quantisation;
    };
    Statement Describe(const J2kTileCodingParameters& tcp) const;
    // Writes what the tile states beyond what the main header put in force
    // (everything, when inForce is null: the main header itself).
    void WriteCodingSegments(const Statement& tile, const Statement* inForce);
    void Validate() const;
    void WriteSiz();
    void WriteCom();
    void WriteTile(int tileNumber, int64_t areaLeft, int64_t* used, const Statement& main);
    void WriteSegment(unsigned marker, const Bytes& body);
    void WriteComponentSegment(unsigned marker, int c, const Bytes& body);
    Bytes Spcod(const J2kTileComponentParameters& tccp) const;
    Bytes Sqcd(const J2kTileComponentParameters& tccp) const;
    int BeginSegment(unsigned marker);
    void EndSegment(int lengthAt);
    int64_t TileAreaOf(int tileNumber) const;

    const J2kImage& image;
    const J2kCodingParameters& cp;
    J2kByteCursor out;
};
