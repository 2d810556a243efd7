// Tier-1: the bit-plane coder of one code-block (significance propagation,
// magnitude refinement and cleanup passes over the MQ coder).
#pragma once

#include <cstdint>

#include "J2kMqCoder.h"
#include "J2kTileStructures.h"

// Code-block style flags.
enum {
    J2K_CBLK_BYPASS = 0x01,
    J2K_CBLK_RESET = 0x02,
    J2K_CBLK_TERMALL = 0x04,
    J2K_CBLK_CAUSAL = 0x08,
    J2K_CBLK_PTERM = 0x10,
    J2K_CBLK_SEGSYM = 0x20
};

// The style flags the encoder applies; it codes one terminated segment per block.
const int kJ2kEncodedBlockStyles = J2K_CBLK_RESET | J2K_CBLK_CAUSAL | J2K_CBLK_SEGSYM;

// Fractional bits of the magnitudes the encoder codes.
const int kJ2kT1FracBits = 6;

class J2kTier1 {
public:
    J2kTier1();
    // samples: signed magnitudes with kJ2kT1FracBits fractional bits.
    void EncodeBlock(const int32_t* samples, int stride, int orientation, int style,
                     double weight, J2kCodeBlock& block);
    // out: signed values, twice the quantisation index with the half step added.
    bool DecodeBlock(J2kCodeBlock& block, int orientation, int style, int32_t* out,
                     int stride);

private:
    void Load(const int32_t* samples, int stride, int width, int height);
    void ClearFlags(int width, int height);
    void MakeSignificant(int index, bool negative);
    double SignificanceDecrease(int32_t magnitude, int plane) const;
    double RefinementDecrease(int32_t magnitude, int plane) const;

    template <class Visit> void ForRows(int top, int rows, Visit visit);
    template <class F> void SignificanceScan(F code);
    template <class F> void RefinementScan(F code);
    template <class Run, class Sign, class Code> void CleanupScan(Run run, Sign sign, Code code);
    void EncodeSignificancePass(int plane, double& decrease);
    void EncodeRefinementPass(int plane, double& decrease);
    void EncodeCleanupPass(int plane, double& decrease);
    void EncodeCoefficient(int index, int plane, int flags, double& decrease);
    void EncodeSign(int index, int flags, int plane, double& decrease);

    // Every pass the block's segments hold; false when they are malformed.
    bool DecodeSegments(J2kCodeBlock& block, int style);
    // Runs one pass of the given type (0 significance, 1 refinement, 2 cleanup).
    void DecodePass(int type, int plane, bool raw, int style);
    template <class Bits> Bits DecodeSignificancePass(Bits bits, int plane);
    template <class Bits> Bits DecodeRefinementPass(Bits bits, int plane);
    template <class Bits> Bits DecodeCleanupPass(Bits bits, int plane, bool segmentationSymbols);
    template <class Bits> void DecodeSign(Bits& bits, int index, int flags, int plane);

    int NeighbourMask(int rowInStripe) const;
    uint32_t ColumnFlags(int top) const;
    uint32_t ColumnFlagsAll(int top) const;
    bool ColumnSettled(int top) const;
    void ClearVisits();
    bool RunMode(int top) const;

    static const int kStride = 66;
    J2kMqEncoder encoder;
    J2kMqDecoder decoder;
    J2kRawDecoder rawDecoder;
    int32_t data[kStride * kStride];
    uint32_t flags[kStride * kStride];
    int width = 0, height = 0;
    int orientation = 0;
    bool causal = false;
};
