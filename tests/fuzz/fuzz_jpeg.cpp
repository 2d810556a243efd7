// The JPG codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterJPG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterJPG>(data, size);
}
