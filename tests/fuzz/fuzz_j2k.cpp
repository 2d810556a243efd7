// The J2K codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterJ2K.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterJ2K>(data, size);
}
