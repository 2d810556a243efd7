// Opens an image with the image model, applies view options and writes the
// display bits as PGM (grey) or PPM (colour).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "OverlayOutput.h"

namespace {

struct Options {
    bool window = false;
    long centre = 0;
    long width = 0;
    int frame = -1;
    int rotate = 0;
    bool mirror = false;
    bool flip = false;
    bool invert = false;
    bool listOverlays = false;
    bool imageBits = false;
    bool withInfo = false;
    bool withOverlays = false;
    const char* input = nullptr;
    const char* output = nullptr;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: dcmrender [--window CENTRE WIDTH] [--frame N] [--rotate 90|180|270] "
                 "[--mirror] [--flip] [--invert] [--image-bits [--info] [--overlays]] INPUT OUTPUT.pnm\n"
                 "       dcmrender --list-overlays INPUT [OUTPUT.pnm]\n");
    return 2;
}

bool ParseLong(const char* text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long value = 0;
        if (arg == "--window" && i + 2 < argc) {
            options.window = ParseLong(argv[i + 1], options.centre) && ParseLong(argv[i + 2], options.width);
            if (!options.window)
                return false;
            i += 2;
        } else if (arg == "--frame" && i + 1 < argc) {
            if (!ParseLong(argv[++i], value) || value < 0)
                return false;
            options.frame = static_cast<int>(value);
        } else if (arg == "--rotate" && i + 1 < argc) {
            if (!ParseLong(argv[++i], value) || (value != 90 && value != 180 && value != 270))
                return false;
            options.rotate = static_cast<int>(value);
        } else if (arg == "--mirror") {
            options.mirror = true;
        } else if (arg == "--flip") {
            options.flip = true;
        } else if (arg == "--invert") {
            options.invert = true;
        } else if (arg == "--list-overlays") {
            options.listOverlays = true;
        } else if (arg == "--image-bits") {
            options.imageBits = true;
        } else if (arg == "--info") {
            options.withInfo = true;
        } else if (arg == "--overlays") {
            options.withOverlays = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return false;
        } else {
            files.push_back(argv[i]);
        }
    }
    if ((options.withInfo || options.withOverlays) && !options.imageBits)
        return false;
    if (files.size() != 2 && !(options.listOverlays && files.size() == 1))
        return false;
    options.input = files[0];
    options.output = files.size() == 2 ? files[1] : nullptr;
    return true;
}

// bits: the display bits unless given.
bool WritePnm(CDcmImage& image, const char* path, const BYTE* bits = nullptr)
{
    const int width = image.GetWidth(), height = image.GetHeight();
    const bool colour = image.GetColorMode() == COLOR_MODE_RGB;
    if (bits == nullptr)
        bits = image.GetBitmapBits();
    if (bits == nullptr || width < 1 || height < 1)
        return false;
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    std::fprintf(file, "%s\n%d %d\n255\n", colour ? "P6" : "P5", width, height);
    const size_t count = static_cast<size_t>(width) * height;
    bool ok = true;
    if (colour) {
        std::vector<BYTE> rgb(count * 3);
        for (size_t i = 0; i < count; ++i) {
            rgb[3 * i] = bits[3 * i + 2];
            rgb[3 * i + 1] = bits[3 * i + 1];
            rgb[3 * i + 2] = bits[3 * i];
        }
        ok = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    } else {
        ok = std::fwrite(bits, 1, count, file) == count;
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options))
        return Usage();
    CDcmImage image;
    if (!image.OpenFile(options.input) || image.GetBitmapBits() == nullptr) {
        std::fprintf(stderr, "dcmrender: cannot open %s as an image\n", options.input);
        return 1;
    }
    if (options.frame >= 0) {
        if (!image.SetCurrentFrame(options.frame)) {
            std::fprintf(stderr, "dcmrender: %s has no frame %d\n", options.input, options.frame);
            return 1;
        }
        image.BuildCurrentPixelBits();
    }
    if (options.window)
        image.AdjustBoth(options.width, options.centre, 0);
    if (options.rotate)
        image.SetRotateAngle(options.rotate, 1);
    if (options.mirror)
        image.SetReverse(1, 1);
    if (options.flip)
        image.SetFlip(1, 1);
    if (options.invert)
        image.SetInverse(1, 1);
    const CDicomInfo* info = image.GetDicomInfo();
    std::printf("rows=%d\ncolumns=%d\nframes=%d\nphotometric=%s\nbits_allocated=%d\n"
                "window_centre=%d\nwindow_width=%d\n",
                image.GetRows(), image.GetColumns(), image.GetFramesCount(),
                static_cast<const char*>(info->m_strPhotometricInterpretation),
                info->m_nBitsAllocated, image.GetWindowCenter(), image.GetWindowWidth());
    if (options.listOverlays)
        PrintOverlays(image);
    if (options.output == nullptr)
        return 0;
    std::vector<BYTE> bits;
    if (options.imageBits) {
        bits = ImageBits(image, options.withInfo, options.withOverlays);
        if (bits.empty()) {
            std::fprintf(stderr, "dcmrender: no image bits for %s\n", options.input);
            return 1;
        }
    }
    if (!WritePnm(image, options.output, bits.empty() ? nullptr : bits.data())) {
        std::fprintf(stderr, "dcmrender: cannot write %s\n", options.output);
        return 1;
    }
    return 0;
}
