// The GIF codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterGIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterGIF>(data, size);
}
