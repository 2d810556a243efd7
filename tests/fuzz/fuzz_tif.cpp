// The TIF codec's Decode of one frame and of every frame on arbitrary bytes
// held in memory.
#include "FuzzInput.h"
#include "RasterTIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::DecodeFromMemory<CRasterTIF>(data, size);
    return fuzz::DecodeFramesFromMemory<CRasterTIF>(data, size);
}
