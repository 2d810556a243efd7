// Progressive JPEGs with as many scans as asked: a picture compressed with
// libjpeg's simple progression, its first AC scan then repeated before the
// end marker. Decoders accept the repeats with a warning, and each one
// costs a pass over every block of the picture: since the blocks are flat,
// a scan takes a few bytes, and a few hundred kilobytes keep a decoder busy
// for many seconds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace manyscans {

// width x height, progressive, quality 90: colour steps of 8 x 8 pixels in
// the top left corner, flat elsewhere.
inline std::vector<uint8_t> Progressive(unsigned width, unsigned height)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(width) * 3);
    while (info.next_scanline < height) {
        for (unsigned x = 0; x < width; x++) {
            const unsigned bx = std::min(x / 8, 8u), by = std::min(info.next_scanline / 8, 8u);
            row[3 * x] = uint8_t(bx * 37);
            row[3 * x + 1] = uint8_t(by * 53 + 20);
            row[3 * x + 2] = uint8_t(200 - (bx + by) % 7 * 20);
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    return bytes;
}

// Start of each scan (its SOS marker) and of the end marker.
inline std::vector<size_t> ScanStarts(const std::vector<uint8_t>& jpeg)
{
    std::vector<size_t> starts;
    size_t i = 2;
    bool entropy = false;
    while (i + 1 < jpeg.size()) {
        if (jpeg[i] != 0xFF || (entropy && (jpeg[i + 1] == 0 || (jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7)))) {
            i++;
            continue;
        }
        const uint8_t marker = jpeg[i + 1];
        if (marker == 0xD9) {
            starts.push_back(i);
            break;
        }
        if (marker == 0xDA)
            starts.push_back(i);
        entropy = marker == 0xDA;
        if (i + 3 >= jpeg.size())
            break;
        i += 2 + size_t(jpeg[i + 2] << 8 | jpeg[i + 3]);
    }
    return starts;
}

// The picture with `scans` scans in all: its first AC scan repeated.
inline std::vector<uint8_t> WithScans(unsigned width, unsigned height, size_t scans)
{
    std::vector<uint8_t> jpeg = Progressive(width, height);
    std::vector<size_t> starts = ScanStarts(jpeg);
    if (starts.size() < 3 || scans < starts.size() - 1)
        return jpeg;
    const size_t end = starts.back();
    std::vector<uint8_t> scan(jpeg.begin() + long(starts[1]), jpeg.begin() + long(starts[2]));
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + long(end));
    for (size_t n = starts.size() - 1; n < scans; n++)
        out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

}  // namespace manyscans
