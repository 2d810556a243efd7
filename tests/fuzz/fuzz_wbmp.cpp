// The WBMP codec's Decode on arbitrary bytes held in memory.
#include "FuzzInput.h"
#include "RasterWBMP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::DecodeFromMemory<CRasterWBMP>(data, size);
}
