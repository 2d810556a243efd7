// Opens an image with the image model, applies view options and writes the
// display bits as PGM (grey) or PPM (colour).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "NoteTextDlg.h"
#include "wnd/modal_responder.h"
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
    std::string filter;
    int showWidth = 0;
    int showHeight = 0;
    bool interpolate = false;
    bool listOverlays = false;
    bool imageBits = false;
    const char* input = nullptr;
    const char* output = nullptr;
    // Writers
    const char* save = nullptr;
    int saveWidth = 0;
    int saveHeight = 0;
    bool info = false;
    bool overlays = false;
    const char* frames = nullptr;
    const char* jpg = nullptr;
    const char* bmp = nullptr;
    int useWidth = 0;
    int useHeight = 0;
    bool useSize = false;
    bool hasRect = false;
    CRelativeRect rect;
    const char* printPixels = nullptr;
    bool Writes() const { return save || jpg || bmp || printPixels; }
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: dcmrender [--window CENTRE WIDTH] [--frame N] [--rotate 90|180|270] "
                 "[--mirror] [--flip] [--invert] [--filter median|emboss|sharpen | "
                 "--show WxH [--interpolate] | --image-bits [--info] [--overlays]]\n"
                 "       [--save PATH [--size WxH] [--info] [--overlays] [--frames TEXT]]\n"
                 "       [--jpg PATH] [--bmp PATH] [--use-size WxH] [--rect L,T,R,B]\n"
                 "       [--print-pixels OUT.pgm] [--list-overlays] INPUT [OUTPUT.pnm]\n");
    return 2;
}

bool ParseLong(const char* text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

bool ParseSize(const char* text, int& width, int& height)
{
    return std::sscanf(text, "%dx%d", &width, &height) == 2 && width > 0 && height > 0;
}

bool ParseRect(const char* text, CRelativeRect& rect)
{
    return std::sscanf(text, "%f,%f,%f,%f", &rect.left, &rect.top, &rect.right, &rect.bottom) == 4;
}

// The options of the writers; false when the argument is none of them.
bool ParseWriterOption(const std::string& arg, int argc, char** argv, int& i, Options& options, bool& ok)
{
    ok = true;
    const bool hasValue = i + 1 < argc;
    if (arg == "--save" && hasValue)
        options.save = argv[++i];
    else if (arg == "--size" && hasValue)
        ok = ParseSize(argv[++i], options.saveWidth, options.saveHeight);
    else if (arg == "--info")
        options.info = true;
    else if (arg == "--overlays")
        options.overlays = true;
    else if (arg == "--frames" && hasValue)
        options.frames = argv[++i];
    else if (arg == "--jpg" && hasValue)
        options.jpg = argv[++i];
    else if (arg == "--bmp" && hasValue)
        options.bmp = argv[++i];
    else if (arg == "--use-size" && hasValue)
        ok = options.useSize = ParseSize(argv[++i], options.useWidth, options.useHeight);
    else if (arg == "--rect" && hasValue)
        ok = options.hasRect = ParseRect(argv[++i], options.rect);
    else if (arg == "--print-pixels" && hasValue)
        options.printPixels = argv[++i];
    else
        return false;
    return true;
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
        } else if (arg == "--filter" && i + 1 < argc) {
            options.filter = argv[++i];
            if (options.filter != "median" && options.filter != "emboss" && options.filter != "sharpen")
                return false;
        } else if (arg == "--show" && i + 1 < argc) {
            char tail = 0;
            if (std::sscanf(argv[++i], "%dx%d%c", &options.showWidth, &options.showHeight, &tail) != 2 ||
                options.showWidth < 1 || options.showHeight < 1)
                return false;
        } else if (arg == "--interpolate") {
            options.interpolate = true;
        } else if (arg == "--list-overlays") {
            options.listOverlays = true;
        } else if (arg == "--image-bits") {
            options.imageBits = true;
        } else if (bool ok = true; ParseWriterOption(arg, argc, argv, i, options, ok)) {
            if (!ok)
                return false;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return false;
        } else {
            files.push_back(argv[i]);
        }
    }
    const bool alone = options.Writes() || options.listOverlays;
    if ((files.size() != 2 && !(files.size() == 1 && alone)) ||
        (!options.filter.empty() && options.showWidth) || (options.interpolate && !options.showWidth) ||
        (options.imageBits && (!options.filter.empty() || options.showWidth)))
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
        // Row by row: a second copy of a large picture is not needed.
        std::vector<BYTE> rgb(static_cast<size_t>(width) * 3);
        for (int y = 0; y < height && ok; ++y) {
            const BYTE* row = bits + static_cast<size_t>(y) * width * 3;
            for (int x = 0; x < width; ++x) {
                rgb[3 * x] = row[3 * x + 2];
                rgb[3 * x + 1] = row[3 * x + 1];
                rgb[3 * x + 2] = row[3 * x];
            }
            ok = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
        }
    } else {
        ok = std::fwrite(bits, 1, count, file) == count;
    }
    return std::fclose(file) == 0 && ok;
}

// Answers the movie's frame-range dialog with a text, or confirms what it offers.
void AnswerFrameRange(const char* text)
{
    ScriptedResponder()
        .Dialog([text](CDialog& dialog) {
            CNoteTextDlg& note = static_cast<CNoteTextDlg&>(dialog);
            if (text != nullptr)
                note.m_PhraseBox.SetWindowText(text);
            note.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        })
        .Install();
}

// Print pixels scaled to 8 bits for viewing.
bool WritePrintPixels(CDcmImage& image, const char* path)
{
    int width = 0;
    int height = 0;
    image.GetDicomPrintSize(width, height);
    std::printf("print_width=%d\nprint_height=%d\n", width, height);
    unsigned char* pixels = image.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0);
    if (pixels == nullptr)
        return false;
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<BYTE> grey(count);
    const bool wide = image.GetDicomInfo()->m_nBitsAllocated == 16;
    for (size_t i = 0; i < count; ++i)
        grey[i] = wide ? BYTE(reinterpret_cast<const short*>(pixels)[i] * 255 / 4095) : pixels[i];
    delete[] pixels;
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    std::fprintf(file, "P5\n%d %d\n255\n", width, height);
    const bool ok = std::fwrite(grey.data(), 1, count, file) == count;
    return std::fclose(file) == 0 && ok;
}

bool RunWriters(CDcmImage& image, const Options& options)
{
    bool ok = true;
    if (options.save) {
        AnswerFrameRange(options.frames);
        if (!image.SaveAs(options.save, options.saveWidth, options.saveHeight, options.info, options.overlays,
                          nullptr)) {
            ok = false;
            if (!image.GetMovieErrorText().IsEmpty())
                std::fprintf(stderr, "dcmrender: %s: %s\n", options.save,
                             static_cast<const char*>(image.GetMovieErrorText()));
        }
        SetModalResponder(nullptr);
    }
    CRelativeRect rect = options.rect;
    CRelativeRect* placement = options.hasRect ? &rect : nullptr;
    if (options.jpg)
        ok = image.WriteToJPGFile(options.jpg, options.useWidth, options.useHeight, placement, options.useSize,
                                  options.info) && ok;
    if (options.bmp)
        ok = image.WriteToBMPFile(options.bmp, options.useWidth, options.useHeight, placement, options.useSize,
                                  options.info) && ok;
    if (options.printPixels)
        ok = WritePrintPixels(image, options.printPixels) && ok;
    return ok;
}

// Pixels of B, G, R triplets, rows top-down, written as PPM.
bool WriteBgrPpm(const BYTE* bgr, int width, int height, size_t rowBytes, const char* path)
{
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    std::vector<BYTE> row(static_cast<size_t>(width) * 3);
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        const BYTE* in = bgr + y * rowBytes;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = in[3 * x + 2];
            row[3 * x + 1] = in[3 * x + 1];
            row[3 * x + 2] = in[3 * x];
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

bool WriteFiltered(CDcmImage& image, const std::string& filter, const char* path)
{
    unsigned char* bgr = filter == "median" ? image.MedianFilter(0, 0, 0, 0, 0, 0)
                         : filter == "emboss" ? image.EmbossFilter(0, 0, 0, 0)
                                              : image.SharpenFilter(0, 0, 0, 0, 0x1FF00);
    if (bgr == nullptr)
        return false;
    const bool ok = WriteBgrPpm(bgr, image.GetWidth(), image.GetHeight(),
                                static_cast<size_t>(image.GetWidth()) * 3, path);
    ::operator delete(bgr);
    return ok;
}

// Draws the image through ShowImage over the whole of a width x height 24-bit bitmap.
bool WriteShown(CDcmImage& image, int width, int height, bool interpolate, const char* path)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (target == nullptr || bits == nullptr)
        return false;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(target));
    image.SetShowInterpolationOptimize(interpolate ? 1 : 0);
    image.ShowImage(&dc, CRect(0, 0, width, height));
    dc.SelectObject(old);
    dc.DeleteDC();
    const bool ok = WriteBgrPpm(static_cast<const BYTE*>(bits), width, height,
                                (static_cast<size_t>(width) * 3 + 3) / 4 * 4, path);
    DeleteObject(target);
    return ok;
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
    // The display bits already hold the window they were mapped with.
    if (options.window && (options.centre != image.GetWindowCenter() || options.width != image.GetWindowWidth()))
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
    bool written = true;
    if (options.output == nullptr) {
        written = true;
    } else if (!options.filter.empty()) {
        written = WriteFiltered(image, options.filter, options.output);
    } else if (options.showWidth) {
        written = WriteShown(image, options.showWidth, options.showHeight, options.interpolate, options.output);
    } else if (options.imageBits) {
        std::vector<BYTE> bits = ImageBits(image, options.info, options.overlays);
        if (bits.empty()) {
            std::fprintf(stderr, "dcmrender: no image bits for %s\n", options.input);
            return 1;
        }
        written = WritePnm(image, options.output, bits.data());
    } else {
        written = WritePnm(image, options.output);
    }
    if (!written) {
        std::fprintf(stderr, "dcmrender: cannot write %s\n", options.output);
        return 1;
    }
    if (!RunWriters(image, options)) {
        std::fprintf(stderr, "dcmrender: a writer failed\n");
        return 1;
    }
    return 0;
}
