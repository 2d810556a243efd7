// The JPEG 2000 family's adapter on arbitrary bytes held in memory, with
// the format recognised from the bytes as the probe's last try does.
#include "FuzzInput.h"
#include "RasterJAS.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::HoldToThePixelLimit();
    std::vector<unsigned char> copy(data, data + size);
    CMemoryStream stream(copy.empty() ? nullptr : copy.data(), static_cast<uint32_t>(copy.size()));
    CRasterJAS codec;
    if (codec.Decode(&stream, RASTER_FORMAT_UNKNOWN) && codec.IsValid()) {
        volatile unsigned sink = fuzz::Checksum(codec.GetDIB(), static_cast<size_t>(codec.GetSize()));
        (void)sink;
    }
    return 0;
}
