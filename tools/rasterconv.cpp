// Loads any raster file, applies the given operations in order and saves it
// in the format named by the output's extension:
//   tools/rasterconv [--frame N] [--op OP]... INPUT OUTPUT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "PixelLimit.h"
#include "RasterImage.h"

static DWORD FormatOfExtension(const char* path)
{
    static const struct {
        const char* ext;
        DWORD type;
    } kTable[] = {
        {"bmp", RASTER_FORMAT_BMP}, {"gif", RASTER_FORMAT_GIF}, {"jpg", RASTER_FORMAT_JPG},
        {"jpeg", RASTER_FORMAT_JPG}, {"png", RASTER_FORMAT_PNG}, {"ico", RASTER_FORMAT_ICO},
        {"tif", RASTER_FORMAT_TIF}, {"tiff", RASTER_FORMAT_TIF}, {"tga", RASTER_FORMAT_TGA},
        {"pcx", RASTER_FORMAT_PCX}, {"wbmp", RASTER_FORMAT_WBMP}, {"wmf", RASTER_FORMAT_WMF},
        {"emf", RASTER_FORMAT_WMF}, {"j2k", RASTER_FORMAT_J2K}, {"j2c", RASTER_FORMAT_J2K},
        {"jp2", RASTER_FORMAT_JP2},
        {"jpc", RASTER_FORMAT_JPC}, {"pgx", RASTER_FORMAT_PGX}, {"pnm", RASTER_FORMAT_PNM},
        {"ras", RASTER_FORMAT_RAS}, {"pgm", RASTER_FORMAT_PNM},
        {"ppm", RASTER_FORMAT_PNM}, {"pbm", RASTER_FORMAT_PNM},
    };
    const char* dot = strrchr(path, '.');
    const char* slash = strrchr(path, '/');
    if (!dot || (slash && dot < slash))
        return RASTER_FORMAT_UNKNOWN;
    for (const auto& entry : kTable)
        if (strcasecmp(dot + 1, entry.ext) == 0)
            return entry.type;
    return RASTER_FORMAT_UNKNOWN;
}

// The numbers of an op's argument, separated by ',', ':' or 'x'; false
// unless exactly `count` of them are there.
static bool Numbers(const std::string& text, size_t count, std::vector<double>& out)
{
    out.clear();
    const char* p = text.c_str();
    while (*p) {
        char* end = nullptr;
        double v = strtod(p, &end);
        if (end == p || !(v > -1e12 && v < 1e12))
            return false;
        out.push_back(v);
        p = end;
        if (*p && strchr(",:x", *p) && p[1])
            p++;
        else if (*p)
            return false;
    }
    return out.size() == count;
}

using Method = CRasterImage::InterpolationMethod;
using Overflow = CRasterImage::OverflowMethod;

// Runs one op; `known` is false for a name or argument that does not parse.
static bool ApplyOp(CRasterImage& img, const std::string& op, bool& known)
{
    size_t colon = op.find(':');
    std::string name = op.substr(0, colon), arg = colon == std::string::npos ? "" : op.substr(colon + 1);
    std::vector<double> n;
    known = true;
    const RGBQUAD black = {0, 0, 0, 0};
    if (arg.empty()) {
        if (name == "flip") return img.Flip();
        if (name == "mirror") return img.Mirror();
        if (name == "grey") return img.GrayScale();
        if (name == "negative") return img.Negative();
        if (name == "rotl") return img.RotateLeft();
        if (name == "rotr") return img.RotateRight();
        if (name == "rot180") return img.Rotate180();
    } else if (name == "rotate" && Numbers(arg, 1, n)) {
        return img.Rotate(float(n[0]));
    } else if (name == "rotate2" && Numbers(arg, 4, n)) {
        return img.Rotate2(float(n[0]), nullptr, Method(int(n[1])), Overflow(int(n[2])), nullptr, true, n[3] != 0);
    } else if (name == "resample" && Numbers(arg, 3, n)) {
        return img.Resample(long(n[0]), long(n[1]), int(n[2]));
    } else if (name == "resample2" && Numbers(arg, 4, n)) {
        return img.Resample2(long(n[0]), long(n[1]), Method(int(n[2])), Overflow(int(n[3])));
    } else if (name == "shrink" && Numbers(arg, 2, n)) {
        return img.QIShrink(long(n[0]), long(n[1]));
    } else if (name == "thumbnail" && Numbers(arg, 2, n)) {
        return img.Thumbnail(long(n[0]), long(n[1]), black);
    } else if (name == "bpp" && Numbers(arg, 1, n)) {
        if (n[0] < img.GetBpp())
            return img.DecreaseBpp(DWORD(n[0]), false);
        return img.IncreaseBpp(DWORD(n[0]));
    } else if (name == "dither" && Numbers(arg, 1, n)) {
        return img.Dither(long(n[0]));
    } else if (name == "crop" && Numbers(arg, 4, n)) {
        return img.Crop(long(n[0]), long(n[1]), long(n[2]), long(n[3]));
    } else if (name == "expand" && Numbers(arg, 4, n)) {
        return img.Expand(long(n[0]), long(n[1]), long(n[2]), long(n[3]), black);
    } else if (name == "skew" && Numbers(arg, 2, n)) {
        return img.Skew(float(n[0]), float(n[1]));
    } else if (name == "circle" && Numbers(arg, 3, n)) {
        return img.CircleTransform(int(n[0]), long(n[1]), float(n[2]));
    }
    known = false;
    return false;
}

struct Options {
    long frame = 0;  // of a multi-frame GIF or TIFF
    std::vector<std::string> ops;
    std::vector<const char*> files;
};

static bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--op") == 0) {
            if (++i == argc)
                return false;
            o.ops.push_back(argv[i]);
        } else if (strcmp(argv[i], "--frame") == 0) {
            if (++i == argc)
                return false;
            o.frame = atol(argv[i]);
        } else if (strncmp(argv[i], "--", 2) == 0) {
            return false;
        } else {
            o.files.push_back(argv[i]);
        }
    }
    return o.files.size() == 2;
}

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        fprintf(stderr, "usage: rasterconv [--frame N] [--op OP]... INPUT OUTPUT\n");
        return 2;
    }
    // Held to what the image model opens, so a few bytes cannot claim gigabytes.
    CRasterImage::SetPixelLimit(kMaxPixelBytes);
    CRasterImage image;
    image.SetFrame(o.frame);
    // The input's own format is asked for first, so a file of that format
    // that is refused reports its reason rather than the probe's.
    if (!image.Load(o.files[0], FormatOfExtension(o.files[0]))) {
        fprintf(stderr, "%s\n", image.GetLastError());
        return 1;
    }
    printf("width=%u\nheight=%u\nbpp=%u\nformat=%u\nframes=%ld\n", image.GetWidth(),
           image.GetHeight(), unsigned(image.GetBpp()), image.GetType(), image.GetNumFrames());
    for (const std::string& op : o.ops) {
        bool known = true;
        if (ApplyOp(image, op, known))
            continue;
        if (!known) {
            fprintf(stderr, "rasterconv: unknown op %s\n", op.c_str());
            return 2;
        }
        fprintf(stderr, "%s\n", image.GetLastError()[0] ? image.GetLastError() : (op + " failed").c_str());
        return 1;
    }
    if (!image.Save(o.files[1], FormatOfExtension(o.files[1]))) {
        fprintf(stderr, "%s\n", image.GetLastError());
        return 1;
    }
    return 0;
}
