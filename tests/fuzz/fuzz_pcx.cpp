// The PCX codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterPCX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterPCX>(data, size);
}
