#include "JpegFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>

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

int ReadHeader(FILE* file, int* colourKind, UINT* width, UINT* height)
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
    *width = info.image_width;
    *height = info.image_height;
    switch (info.out_color_space) {
    case JCS_GRAYSCALE: *colourKind = 2; break;
    case JCS_RGB: *colourKind = 1; break;
    case JCS_UNKNOWN: *colourKind = 0; break;
    default: break;
    }
    jpeg_destroy_decompress(&info);
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
