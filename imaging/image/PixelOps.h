// Pixel passes of the image model over plain buffers: colour conversion,
// row padding, rescale, window lookup tables and orientation copies.
#pragma once

#include <cstddef>
#include <vector>

#include "base/wintypes.h"

namespace PixelOps {

// Y, Cb and Cr planes of one frame, each pixelCount bytes, become R, G, B planes.
void YbrFullPlanesToRgb(BYTE* frame, size_t pixelCount);
// Y, Cb, Cr triplets become R, G, B triplets.
void YbrFullPixelsToRgb(BYTE* frame, size_t pixelCount);

size_t RoundUpTo4(size_t value);

// Samples of 2 or 4 little-endian bytes whose low bitsStored bits hold the
// value, scaled to 8 bits each (0 and the stored maximum stay the ends of
// the range); null when out of memory.
BYTE* NarrowSamples(const BYTE* src, size_t sampleCount, int bytesPerSample, int bitsStored);

// Copies rows of srcRowBytes (of which rowBytes are pixels) into a zeroed
// buffer of newRows rows of newRowBytes; null when out of memory.
BYTE* PadRows(const BYTE* src, size_t srcRowBytes, size_t rowBytes, size_t rows,
              size_t newRowBytes, size_t newRows);
// Pads each of the three colour planes on its own.
BYTE* PadPlanes(const BYTE* src, size_t columns, size_t rows, size_t newColumns,
                size_t newRows);

// v' = v x slope + intercept, truncated and stored back in the same width,
// limited to the range the stored width holds (signed or not).
void Rescale(BYTE* frame, size_t valueCount, int bytesPerValue, bool readSigned,
             bool storeSigned, double slope, double intercept);

// Range of 16-bit values, starting from min = max = 0.
void ScanRange16(const BYTE* frame, size_t valueCount, bool readSigned, int& minValue,
                 int& maxValue);

// Grey window table of 2^bits entries (bits 8 or 16).
bool BuildGreyTable(std::vector<BYTE>& table, int bits, int centre, int width,
                    bool signedData, bool inverted);
// Frames of more than sliceValues values are mapped in slices of that many,
// shared out over the cores (0: all on the calling thread); the result does
// not depend on the slicing.
constexpr size_t kGreySliceValues = size_t(1) << 16;
void MapGrey(const BYTE* src, BYTE* dst, size_t count, int bytesPerValue,
             const BYTE* table, size_t sliceValues = kGreySliceValues);

void BuildRgbTable(BYTE table[256], int centre, int width);
// Writes B, G, R display triplets from interleaved (planar 0) or planar (1) input.
void MapRgb(const BYTE* src, BYTE* dst, size_t pixelCount, bool planar, bool inverse,
            const BYTE table[256]);

// Rotates counter-clockwise by angle (0, 90, 180, 270), then mirrors top to
// bottom (flip) and left to right (reverse). Other angles leave dst as is.
// Planar colour frames are oriented plane by plane.
void OrientFrame(const BYTE* src, BYTE* dst, int rows, int columns, int bytesPerPixel,
                 bool planar, int angle, bool flip, bool reverse);

// Where OrientFrame puts the source pixel (row, column): the destination row
// y and column x. Other angles leave the position as it is.
void OrientedPosition(int row, int column, int rows, int columns, int angle, bool flip, bool reverse,
                      int& y, int& x);

}  // namespace PixelOps
