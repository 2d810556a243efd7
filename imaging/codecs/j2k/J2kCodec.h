// JPEG 2000 (ISO/IEC 15444-1) codestream codec: the records that cross its three exports.
#pragma once

#include "ImvexaApi.h"

#define J2K_MAX_LAYERS 100
#define J2K_MAX_STEPSIZES 100
#define J2K_MAX_RESOLUTIONS 33

enum J2kProgressionOrder {
    J2K_LRCP = 0,
    J2K_RLCP = 1,
    J2K_RPCL = 2,
    J2K_PCRL = 3,
    J2K_CPRL = 4
};

struct J2kComponent {
    int dx;
    int dy;
    int precision;
    int isSigned;
    // (ceil(x1 / dx) - ceil(x0 / dx)) x (ceil(y1 / dy) - ceil(y0 / dy)) samples, rows top
    // to bottom (with the origin at 0 that is ceildiv(x1, dx) x ceildiv(y1, dy)).
    int* data;
};

struct J2kImage {
    int x0;
    int y0;
    int x1;
    int y1;
    int componentCount;
    J2kComponent* components;
};

struct J2kStepSize {
    int exponent;
    int mantissa;
};

struct J2kTileComponentParameters {
    int codingStyle;        // bit 0: precincts defined
    int resolutionCount;    // decomposition levels + 1
    int codeBlockWidthExp;  // 6 means 64
    int codeBlockHeightExp;
    int codeBlockStyle;     // SPcod flags
    int wavelet;            // 1 reversible 5/3, 0 irreversible 9/7
    int quantisationStyle;  // 0 none, 1 scalar derived, 2 scalar expounded
    J2kStepSize stepSizes[J2K_MAX_STEPSIZES];
    int guardBits;
    int roiShift;
    int precinctWidthExp[J2K_MAX_RESOLUTIONS];
    int precinctHeightExp[J2K_MAX_RESOLUTIONS];
};

struct J2kTileCodingParameters {
    int codingStyle;       // Scod bits
    int progressionOrder;  // J2kProgressionOrder
    int layerCount;
    int componentTransform;  // 0/1
    // Cumulative size in bytes of the whole codestream that each layer may reach.
    int layerBudgets[J2K_MAX_LAYERS];
    int reserved[4];
    J2kTileComponentParameters* components;
};

struct J2kCodingParameters {
    int tx0;
    int ty0;
    int tdx;
    int tdy;
    int tw;
    int th;
    J2kTileCodingParameters* tiles;  // tw x th
};

extern "C" {
// Writes a codestream into dest; returns the bytes written, or 0 on failure.
IMVEXA_API int j2k_encode(J2kImage* image, J2kCodingParameters* cp, unsigned char* dest,
                          int len);
// Hands new records to the caller, then decodes; returns the bytes consumed once the
// end-of-codestream marker was processed, else 0. The records are always complete
// enough for j2k_destroy, which the caller runs after success and failure alike.
IMVEXA_API int j2k_decode(unsigned char* src, int len, J2kImage** image,
                          J2kCodingParameters** cp);
// Frees both records and everything they own; sets both pointers to NULL.
// Safe on NULL records.
IMVEXA_API void j2k_destroy(J2kImage** image, J2kCodingParameters** cp);
}
