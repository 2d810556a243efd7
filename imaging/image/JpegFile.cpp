#include "JpegFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "JpegScanLimit.h"
#include "base/StagedFile.h"

namespace {

// Larger pictures are refused before their pixels are allocated.
const unsigned long long kMaxJpegBytes = 1ULL << 30;

struct FatalErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
};

void ShowFatalError(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    MessageBox(nullptr, message, "JPEG Fatal Error", MB_OK | MB_ICONSTOP);
    longjmp(reinterpret_cast<FatalErrorManager*>(info->err)->jump, 1);
}

// libjpeg reports its progress between rows and scans: a picture of too
// many scans is refused as soon as the first one past the bound begins.
void LimitScans(j_common_ptr info)
{
    if (!info->is_decompressor ||
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= JpegScanLimit::kMaxScans)
        return;
    MessageBox(nullptr, JpegScanLimit::kFailure, "JPEG Fatal Error", MB_OK | MB_ICONSTOP);
    longjmp(reinterpret_cast<FatalErrorManager*>(info->err)->jump, 1);
}

enum class Output { Native, Rgb };

// Decodes within one frame so that longjmp skips no destructors.
BYTE* Decode(FILE* file, Output output, UINT* width, UINT* height)
{
    jpeg_decompress_struct info;
    FatalErrorManager error;
    BYTE* volatile pixels = nullptr;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = ShowFatalError;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        delete[] pixels;
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = LimitScans;
    info.progress = &progress;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    const int components = output == Output::Rgb ? 3 : (grey ? 1 : 3);
    const unsigned long long bytes =
        static_cast<unsigned long long>(info.output_width) * info.output_height * components;
    if (bytes == 0 || bytes > kMaxJpegBytes || info.output_components != (grey ? 1 : 3)) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    pixels = new (std::nothrow) BYTE[bytes];
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    std::memset(pixels, output == Output::Native && grey ? 255 : 0, bytes);
    const size_t rowBytes = static_cast<size_t>(info.output_width) * components;
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                JPOOL_IMAGE,
                                                info.output_width * info.output_components, 1);
    while (info.output_scanline < info.output_height) {
        jpeg_read_scanlines(&info, row, 1);
        BYTE* out = pixels + (info.output_scanline - 1) * rowBytes;
        if (components == info.output_components)
            std::memcpy(out, row[0], rowBytes);
        else
            for (JDIMENSION x = 0; x < info.output_width; ++x)
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[0][x];
    }
    *width = info.output_width;
    *height = info.output_height;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

BYTE* DecodeFile(const char* path, Output output, UINT* width, UINT* height)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr)
        return nullptr;
    BYTE* pixels = Decode(file, output, width, height);
    std::fclose(file);
    return pixels;
}

// Reads the file's header and hands it to take; 0 when the header cannot be
// read. The body runs inside the error frame and must not throw.
template <class Take>
int WithHeader(FILE* file, Take take)
{
    jpeg_decompress_struct info;
    FatalErrorManager error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = ShowFatalError;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    take(info);
    jpeg_destroy_decompress(&info);
    return 1;
}

int ReadHeader(FILE* file, int* colourKind, UINT* width, UINT* height)
{
    return WithHeader(file, [&](const jpeg_decompress_struct& info) {
        *width = info.image_width;
        *height = info.image_height;
        switch (info.out_color_space) {
        case JCS_GRAYSCALE: *colourKind = 2; break;
        case JCS_RGB: *colourKind = 1; break;
        case JCS_UNKNOWN: *colourKind = 0; break;
        default: break;
        }
    });
}

// The marker of the first frame header (SOF0 to SOF15), found by walking
// the marker segments from the start of the file; 0 when none comes before
// the first scan or the end of the file. The library reports no more than
// whether a frame is progressive or arithmetic-coded.
int FrameMarkerOf(FILE* file)
{
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fgetc(file) != 0xFF || std::fgetc(file) != 0xD8)
        return 0;
    for (;;) {
        int marker = std::fgetc(file);
        if (marker != 0xFF)
            return 0;
        while (marker == 0xFF)
            marker = std::fgetc(file);
        if (marker == EOF || marker == 0xDA || marker == 0xD9)
            return 0;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return marker;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;
        const int high = std::fgetc(file);
        const int low = std::fgetc(file);
        const long length = high == EOF || low == EOF ? 0 : long(high) << 8 | low;
        if (length < 2 || std::fseek(file, length - 2, SEEK_CUR) != 0)
            return 0;
    }
}

int ReadCodingOf(FILE* file, JpegFile::Coding* coding)
{
    const bool baseline = FrameMarkerOf(file) == 0xC0;
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return 0;
    return WithHeader(file, [&](const jpeg_decompress_struct& info) {
        coding->width = info.image_width;
        coding->height = info.image_height;
        coding->components = info.num_components;
        coding->grey = info.jpeg_color_space == JCS_GRAYSCALE;
        coding->rgb = info.jpeg_color_space == JCS_RGB;
        coding->subsampled = false;
        for (int i = 1; i < info.num_components; ++i)
            coding->subsampled = coding->subsampled ||
                                 info.comp_info[i].h_samp_factor != info.comp_info[0].h_samp_factor ||
                                 info.comp_info[i].v_samp_factor != info.comp_info[0].v_samp_factor;
        coding->baseline = baseline;
        coding->progressive = info.progressive_mode != 0;
        coding->arithmetic = info.arith_code != 0;
    });
}

// Compresses within one frame so that longjmp skips no destructors.
int Encode(FILE* file, const BYTE* rows, UINT width, UINT height, int components, int quality)
{
    jpeg_compress_struct info;
    FatalErrorManager error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = ShowFatalError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return 0;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = size_t(width) * size_t(components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + size_t(info.next_scanline) * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 1;
}

}  // namespace

BYTE* JpegFile::ReadNative(const char* path, UINT* width, UINT* height)
{
    return DecodeFile(path, Output::Native, width, height);
}

BYTE* JpegFile::ReadRGB(const char* path, UINT* width, UINT* height)
{
    return DecodeFile(path, Output::Rgb, width, height);
}

int JpegFile::ReadSize(int* colourKind, const char* path, UINT* width, UINT* height)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr)
        return 0;
    int result = ReadHeader(file, colourKind, width, height);
    std::fclose(file);
    return result;
}

int JpegFile::ReadCoding(const char* path, Coding* coding)
{
    FILE* file = path && coding ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr)
        return 0;
    const int result = ReadCodingOf(file, coding);
    std::fclose(file);
    return result;
}

BYTE* JpegFile::AlignRows(const BYTE* pixels, UINT width, UINT height, UINT* rowBytes)
{
    if (pixels == nullptr)
        return nullptr;
    const size_t alignedRow = (static_cast<size_t>(width) * 24 + 31) / 32 * 4;
    BYTE* aligned = new (std::nothrow) BYTE[alignedRow * height]();
    if (aligned == nullptr)
        return nullptr;
    for (UINT y = 0; y < height; ++y)
        std::memcpy(aligned + y * alignedRow, pixels + static_cast<size_t>(y) * width * 3,
                    static_cast<size_t>(width) * 3);
    *rowBytes = static_cast<UINT>(alignedRow);
    return aligned;
}

int JpegFile::WriteRGB(const char* path, const BYTE* pixels, UINT width, UINT height, int colour, int quality)
{
    if (pixels == nullptr || width == 0 || height == 0 || uint64_t(width) * height * 3 > kMaxJpegBytes)
        return 0;
    std::vector<BYTE> grey;
    const BYTE* rows = pixels;
    if (colour == 0) {
        grey.resize(size_t(width) * height);
        for (size_t i = 0; i < grey.size(); ++i)
            grey[i] = BYTE(0.299 * pixels[3 * i] + 0.587 * pixels[3 * i + 1] + 0.114 * pixels[3 * i + 2]);
        rows = grey.data();
    }
    StagedFile file;
    if (!file.Open(path))
        return 0;
    if (!Encode(file.Stream(), rows, width, height, colour == 0 ? 1 : 3, quality))
        return 0;
    return file.Commit() ? 1 : 0;
}

int JpegFile::FlipRows(BYTE* pixels, UINT rowBytes, UINT rows)
{
    if (pixels == nullptr)
        return 0;
    std::vector<BYTE> swap(rowBytes);
    for (UINT i = 0; i < rows / 2; ++i) {
        BYTE* a = pixels + size_t(i) * rowBytes;
        BYTE* b = pixels + size_t(rows - 1 - i) * rowBytes;
        std::memcpy(swap.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, swap.data(), rowBytes);
    }
    return 1;
}

int JpegFile::SwapRedBlue(BYTE* pixels, UINT width, UINT height)
{
    if (pixels == nullptr)
        return 0;
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i)
        std::swap(pixels[3 * i], pixels[3 * i + 2]);
    return 1;
}
