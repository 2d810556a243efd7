// JPEG file routines over libjpeg: the readers.
#pragma once

#include "ImagePlatform.h"

class JpegFile {
public:
    // Buffers are allocated with new[]; rows top-down; null on failure.
    static BYTE* ReadNative(const char* path, UINT* width, UINT* height);
    static BYTE* ReadRGB(const char* path, UINT* width, UINT* height);
    // colourKind: 2 greyscale, 1 RGB, 0 unknown; other spaces leave it.
    static int ReadSize(int* colourKind, const char* path, UINT* width, UINT* height);
    // Rows of width x 3 bytes padded to a multiple of 4 bytes.
    static BYTE* AlignRows(const BYTE* pixels, UINT width, UINT height, UINT* rowBytes);
};
