// Helpers shared by the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "MemoryStream.h"
#include "PixelLimit.h"
#include "RasterImage.h"
#include "ScratchFiles.h"

namespace fuzz {

// Readers that take a path get the input as a file of their own per process,
// so that parallel fuzzing jobs do not overwrite each other's input.
inline std::string WriteScratchFile(const uint8_t* data, size_t size, const char* extension)
{
    static ScratchFiles written;
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/imvexa-fuzz-" +
                       std::to_string(getpid()) + extension;
    written.Add(path);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

// Reads every byte of a block a decoder claims to have filled, so that the
// address checker sees a block shorter than its header says.
inline unsigned Checksum(const void* block, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum = sum * 31 + bytes[i];
    return sum;
}

// A raster codec's own Decode over the input held in memory.
// The program's raster road holds every picture to the DICOM road's limit;
// the codecs are fuzzed under the same one.
inline void HoldToThePixelLimit()
{
    CRasterImage::SetPixelLimit(kMaxPixelBytes);
}

template <class Codec> int DecodeFromMemory(const uint8_t* data, size_t size)
{
    HoldToThePixelLimit();
    std::vector<unsigned char> copy(data, data + size);
    CMemoryStream stream(copy.empty() ? nullptr : copy.data(), static_cast<uint32_t>(copy.size()));
    Codec codec;
    if (codec.Decode(&stream) && codec.IsValid()) {
        volatile unsigned sink = Checksum(codec.GetDIB(), static_cast<size_t>(codec.GetSize()));
        (void)sink;
    }
    return 0;
}

// A multi-frame codec's one-pass decode, frames read until they hold 16 MB:
// the raster road allows more, but a screen-size copy per frame would only
// slow the run down.
template <class Codec> int DecodeFramesFromMemory(const uint8_t* data, size_t size)
{
    HoldToThePixelLimit();
    std::vector<unsigned char> copy(data, data + size);
    CMemoryStream stream(copy.empty() ? nullptr : copy.data(), static_cast<uint32_t>(copy.size()));
    Codec codec;
    uint64_t held = 0;
    codec.DecodeFrames(&stream, [&held](CRasterImage& frame) {
        volatile unsigned sink = Checksum(frame.GetDIB(), static_cast<size_t>(frame.GetSize()));
        (void)sink;
        held += 3ULL * frame.GetWidth() * frame.GetHeight();
        return held < (16u << 20);
    });
    return 0;
}

}  // namespace fuzz
