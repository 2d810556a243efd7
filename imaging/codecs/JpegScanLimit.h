// Progressive JPEGs may repeat scans without end, each one a pass over every
// block of the picture: a few bytes a scan keep a decoder busy for minutes.
// No encoder writes more than a few dozen scans; beyond the bound a picture
// is refused, as libjpeg's authors advise for data from untrusted sources.
#pragma once

#include <cstddef>
#include <cstdint>

namespace JpegScanLimit {

constexpr int kMaxScans = 500;
constexpr const char* kFailure = "JPEG has more than 500 scans";

// Whether any image in the data (each starting at its SOI marker) has more
// scans than the bound. Marker segments are skipped by their lengths, as a
// decoder reads them; entropy-coded data is passed over byte by byte.
inline bool Exceeded(const uint8_t* data, size_t size)
{
    int scans = 0;
    size_t i = 0;
    while (i + 1 < size) {
        const uint8_t marker = data[i + 1];
        if (data[i] != 0xFF || marker == 0xFF) {
            i++;
            continue;
        }
        const bool standalone = marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9);
        if (marker == 0xD8)
            scans = 0;
        if (marker == 0xDA && ++scans > kMaxScans)
            return true;
        if (standalone || i + 3 >= size) {
            i += 2;
            continue;
        }
        i += 2 + size_t(data[i + 2] << 8 | data[i + 3]);
    }
    return false;
}

}  // namespace JpegScanLimit
