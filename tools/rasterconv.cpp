// Loads any raster file and saves it in the format named by the output's
// extension: tools/rasterconv INPUT OUTPUT
#include <cstdio>
#include <cstring>
#include <strings.h>

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
        {"emf", RASTER_FORMAT_WMF}, {"j2k", RASTER_FORMAT_J2K}, {"jp2", RASTER_FORMAT_JP2},
        {"jpc", RASTER_FORMAT_JPC}, {"pgx", RASTER_FORMAT_PGX}, {"pnm", RASTER_FORMAT_PNM},
        {"ras", RASTER_FORMAT_RAS},
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

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: rasterconv INPUT OUTPUT\n");
        return 2;
    }
    // Held to what the image model opens, so a few bytes cannot claim gigabytes.
    CRasterImage::SetPixelLimit(kMaxPixelBytes);
    CRasterImage image;
    if (!image.Load(argv[1], 0)) {
        fprintf(stderr, "%s\n", image.GetLastError());
        return 1;
    }
    printf("width=%u\nheight=%u\nbpp=%u\nformat=%u\nframes=%ld\n", image.GetWidth(),
           image.GetHeight(), unsigned(image.GetBpp()), image.GetType(), image.GetNumFrames());
    if (!image.Save(argv[2], FormatOfExtension(argv[2]))) {
        fprintf(stderr, "%s\n", image.GetLastError());
        image.Destroy();
        return 1;
    }
    image.Destroy();
    return 0;
}
