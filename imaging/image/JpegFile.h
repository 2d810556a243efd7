// JPEG file routines over libjpeg, and the row helpers of the export writers.
#pragma once

#include "ImagePlatform.h"

class JpegFile {
public:
    // What a file's header says of its picture and how it is coded.
    struct Coding {
        UINT width = 0;
        UINT height = 0;
        int components = 0;
        bool grey = false;
        // Three components stored as R, G, B rather than Y, Cb, Cr.
        bool rgb = false;
        // A component sampled more coarsely than another.
        bool subsampled = false;
        bool baseline = false;
        bool progressive = false;
        bool arithmetic = false;
    };
    // Reads the header only; 0 when the file does not open or is refused.
    static int ReadCoding(const char* path, Coding* coding);
    // Buffers are allocated with new[]; rows top-down; null on failure.
    static BYTE* ReadNative(const char* path, UINT* width, UINT* height);
    static BYTE* ReadRGB(const char* path, UINT* width, UINT* height);
    // colourKind: 2 greyscale, 1 RGB, 0 unknown; other spaces leave it.
    static int ReadSize(int* colourKind, const char* path, UINT* width, UINT* height);
    // Rows of width x 3 bytes padded to a multiple of 4 bytes.
    static BYTE* AlignRows(const BYTE* pixels, UINT width, UINT height, UINT* rowBytes);
    // A baseline JFIF file of width x height pixels of 3 bytes, rows
    // top-down; colour 0 writes greyscale. Written beside the path and
    // renamed over it when complete. 1 or 0.
    static int WriteRGB(const char* path, const BYTE* pixels, UINT width, UINT height, int colour, int quality);
    // Swaps row i with row (rows - 1 - i).
    static int FlipRows(BYTE* pixels, UINT rowBytes, UINT rows);
    // Swaps the first and third byte of every 3-byte pixel.
    static int SwapRedBlue(BYTE* pixels, UINT width, UINT height);
};
