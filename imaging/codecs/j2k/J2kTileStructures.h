// The tree a tile is coded through: tile, tile-components, resolutions, bands,
// precincts and code-blocks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "J2kTagTree.h"

// Limits of one code-block.
const int kJ2kMaxPasses = 100;
const int kJ2kMaxBlockBytes = 65536;

struct J2kPassRecord {
    int rate;           // cumulative bytes needed to decode up to this pass
    double distortion;  // cumulative weighted squared-error decrease
};

// A codeword segment as the decoder collects it.
struct J2kSegment {
    int passCount;
    int maxPasses;
    int offset;
    int length;
};

struct J2kCodeBlock {
    int x0, y0, x1, y1;  // in band coordinates
    int bitPlanes = 0;
    int lblock = 3;
    int length = 0;
    int includedPasses = 0;
    int newPasses = 0;
    std::vector<uint8_t> data;
    std::vector<int> layerPasses;  // encoder: passes included up to each layer
    int passCount = 0;
    std::vector<J2kPassRecord> passes;
    std::vector<J2kSegment> segments;
    // Decoder: what the current packet's header announced, by segment.
    std::vector<J2kSegment> pending;
    bool everIncluded = false;
};

struct J2kPrecinct {
    int x0, y0, x1, y1;  // in band coordinates
    int blocksWide = 0;
    int blocksHigh = 0;
    int blockWidthExp = 0, blockHeightExp = 0;
    std::vector<J2kCodeBlock> blocks;
    J2kTagTree inclusion;
    J2kTagTree zeroPlanes;

    // Blocks and their trees are made when first needed: a decoder makes them
    // only for precincts a packet brings data for, so a near-empty codestream
    // declaring millions of blocks costs no more than its data.
    void MakeBlocks()
    {
        if (!blocks.empty() || blocksWide == 0 || blocksHigh == 0)
            return;
        const int bx0 = x0 >> blockWidthExp, by0 = y0 >> blockHeightExp;
        blocks.resize(size_t(blocksWide) * size_t(blocksHigh));
        for (int y = 0; y < blocksHigh; y++)
            for (int x = 0; x < blocksWide; x++) {
                J2kCodeBlock& blk = blocks[size_t(y * blocksWide + x)];
                blk.x0 = std::max(x0, (bx0 + x) << blockWidthExp);
                blk.y0 = std::max(y0, (by0 + y) << blockHeightExp);
                blk.x1 = std::min(x1, (bx0 + x + 1) << blockWidthExp);
                blk.y1 = std::min(y1, (by0 + y + 1) << blockHeightExp);
            }
        inclusion.Init(blocksWide, blocksHigh);
        zeroPlanes.Init(blocksWide, blocksHigh);
    }
};

struct J2kBand {
    int x0, y0, x1, y1;  // in band coordinates
    int orientation;     // 0 LL, 1 HL, 2 LH, 3 HH
    int bufferX, bufferY;  // top-left of the band in the tile-component buffer
    int magnitudeBits;     // guard bits + exponent - 1
    int stepFixed;         // quantisation step, 13 fractional bits
    double weight;         // distortion weight of one squared index unit
    std::vector<J2kPrecinct> precincts;
};

struct J2kResolution {
    int x0, y0, x1, y1;
    int precinctWidthExp, precinctHeightExp;
    int precinctsWide = 0;
    int precinctsHigh = 0;
    int bandCount = 0;
    J2kBand bands[3];
};

struct J2kTileComponent {
    int x0, y0, x1, y1;
    int dx, dy;
    std::vector<J2kResolution> resolutions;
    std::vector<int32_t> buffer;  // width x height, row stride = width
    int32_t* external = nullptr;  // the image's own samples, used in place of buffer
    int32_t* Samples() { return external ? external : buffer.data(); }
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
};

struct J2kTile {
    int x0, y0, x1, y1;
    std::vector<J2kTileComponent> components;
};
