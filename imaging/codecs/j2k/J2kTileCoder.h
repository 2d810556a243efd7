// Codes one tile: sample shift, component transform, wavelet, quantisation,
// tier-1, rate allocation and tier-2, and back.
#pragma once

#include <cstdint>
#include <vector>

#include "J2kCodec.h"
#include "J2kTier1.h"
#include "J2kTileStructures.h"

class J2kTileCoder {
public:
    J2kTileCoder(const J2kImage& image, const J2kCodingParameters& cp);
    // Builds the tile's tree; throws J2kError for parameters beyond the codec's limits,
    // or for more packets than dataBytes could hold (each takes a byte at least).
    void Build(int tileNumber, int64_t dataBytes = INT64_MAX);
    // Packets of every layer into dest; limits[l] bounds layers 0 .. l, and sizes[l]
    // receives their size. Returns the size of all.
    int Encode(uint8_t* dest, int len, const int* limits, int* sizes);
    // Decodes the tile's collected data into the image; false when the data was
    // malformed or short (what came is still decoded).
    bool Decode(const uint8_t* data, int len);

    // Tile area on the reference grid.
    static void TileArea(const J2kImage& image, const J2kCodingParameters& cp, int tileNumber,
                         int64_t area[4]);
    // Checks the parameters of one tile against the codec's limits.
    static bool Valid(const J2kImage& image, const J2kTileCodingParameters& tcp);

private:
    void BuildComponent(int c);
    void BuildBands(J2kTileComponent& tc, int r, const J2kTileComponentParameters& tccp, int c);
    void BuildPrecincts(J2kBand& band, const J2kResolution& res, int r,
                        const J2kTileComponentParameters& tccp);
    void AllocateBuffers(bool inPlace);
    void LoadSamples();
    void StoreSamples();
    void EncodeBlocks();
    void DecodeBlocks();
    bool Reversible(int c) const { return tcp->components[c].wavelet == 1; }
    bool UsesTransform() const;

    const J2kImage& image;
    const J2kCodingParameters& cp;
    const J2kTileCodingParameters* tcp = nullptr;
    J2kTile tile;
    J2kTier1 tier1;
    long structureCount = 0;
    int64_t packetCount = 0;
    int64_t packetLimit = 0;
};
