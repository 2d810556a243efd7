// The WMF codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterWMF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterWMF>(data, size);
}
