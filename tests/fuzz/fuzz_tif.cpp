// The TIF codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterTIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterTIF>(data, size);
}
