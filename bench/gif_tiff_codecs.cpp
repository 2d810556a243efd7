// Decode of a 2048 x 2048 GIF and of LZW and deflate TIFFs of the same
// picture, and GIF encode, timed against GraphicsMagick and libtiff's
// tiff2rgba on the same files in the same run.
#include "RasterImage.h"
#include "bench_support.h"

using namespace bench;

int main()
{
    std::string dir = "gif-tiff-bench";
    Shell("mkdir -p " + dir);
    std::string ppm = dir + "/source.ppm", gif = dir + "/source.gif", tif = dir + "/source.tif";
    std::string lzw = dir + "/lzw.tif", zip = dir + "/zip.tif";
    WriteSource(ppm);
    if (!Shell("gm convert " + ppm + " -colors 256 " + gif) || !Shell("gm convert " + ppm + " " + tif) ||
        !Shell("tiffcp -c lzw " + tif + " " + lzw) || !Shell("tiffcp -c zip " + tif + " " + zip))
        return 1;

    CRasterImage image;
    double gifDecode = BestSeconds([&] { return image.Load(gif.c_str(), RASTER_FORMAT_GIF); });
    double gmGif = BestSeconds([&] { return Shell("gm convert " + gif + " ppm:/dev/null"); });
    double gifEncode = BestSeconds([&] { return image.Save((dir + "/ours.gif").c_str(), RASTER_FORMAT_GIF); });
    double gmGifEncode = BestSeconds([&] { return Shell("gm convert " + gif + " " + dir + "/theirs.gif"); });
    double lzwDecode = BestSeconds([&] { return image.Load(lzw.c_str(), RASTER_FORMAT_TIF); });
    double rgbaLzw = BestSeconds([&] { return Shell("tiff2rgba -c none " + lzw + " " + dir + "/rgba.tif"); });
    double gmLzw = BestSeconds([&] { return Shell("gm convert " + lzw + " ppm:/dev/null"); });
    double zipDecode = BestSeconds([&] { return image.Load(zip.c_str(), RASTER_FORMAT_TIF); });
    double rgbaZip = BestSeconds([&] { return Shell("tiff2rgba -c none " + zip + " " + dir + "/rgba.tif"); });
    double gmZip = BestSeconds([&] { return Shell("gm convert " + zip + " ppm:/dev/null"); });
    image.Destroy();

    printf("2048 x 2048 colour, best of %d\n", kRounds);
    Report("GIF decode", gifDecode, gmGif, "gm");
    Report("GIF encode", gifEncode, gmGifEncode, "gm");
    Report("LZW TIFF", lzwDecode, rgbaLzw, "tiff2rgba");
    Report("LZW TIFF", lzwDecode, gmLzw, "gm");
    Report("ZIP TIFF", zipDecode, rgbaZip, "tiff2rgba");
    Report("ZIP TIFF", zipDecode, gmZip, "gm");
    printf("goal: decode ratios against gm at most 1.00, TIFF against tiff2rgba at most 1.10\n");
    return 0;
}
