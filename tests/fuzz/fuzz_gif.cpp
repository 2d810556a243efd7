// The GIF codec's Decode of one frame and of every frame on arbitrary bytes
// held in memory.
#include "FuzzInput.h"
#include "RasterGIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::DecodeFromMemory<CRasterGIF>(data, size);
    return fuzz::DecodeFramesFromMemory<CRasterGIF>(data, size);
}
