// Writes a codestream: main header, one tile-part per tile, end marker.
#pragma once

#include <cstdint>

#include "J2kByteCursor.h"
#include "J2kCodec.h"

class J2kCodestreamWriter {
public:
    J2kCodestreamWriter(const J2kImage& image, const J2kCodingParameters& cp);
    // Returns the bytes written; throws J2kError when the buffer or budget is too small
    // or the parameters are beyond the codec's limits.
    int Write(unsigned char* dest, int len);

private:
    void Validate() const;
    void WriteSiz();
    void WriteCom();
    void WriteTile(int tileNumber, int64_t areaLeft, int64_t* used);
    void WriteCod(const J2kTileCodingParameters& tcp);
    void WriteCoc(const J2kTileCodingParameters& tcp, int c);
    void WriteQcd(const J2kTileCodingParameters& tcp);
    void WriteQcc(const J2kTileCodingParameters& tcp, int c);
    void WriteSpcod(const J2kTileComponentParameters& tccp);
    void WriteSqcd(const J2kTileComponentParameters& tccp);
    void WriteComponentNumber(int c);
    int BeginSegment(unsigned marker);
    void EndSegment(int lengthAt);
    int64_t TileAreaOf(int tileNumber) const;

    const J2kImage& image;
    const J2kCodingParameters& cp;
    J2kByteCursor out;
};
