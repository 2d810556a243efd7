// Decode of a 2048 x 2048 GIF and of LZW and deflate TIFFs of the same
// picture, and GIF encode, timed against GraphicsMagick and libtiff's
// tiff2rgba on the same files in the same run; then files of many small
// frames, read by the codec and opened by the image model.
#include <vector>

#include "DcmImage.h"
#include "MemoryStream.h"
#include "RasterGIF.h"
#include "RasterImage.h"
#include "RasterTIF.h"
#include "bench_support.h"

using namespace bench;

namespace {

double OnceSeconds(const std::function<bool()>& work)
{
    auto start = std::chrono::steady_clock::now();
    if (!work()) {
        fprintf(stderr, "run failed\n");
        exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A first frame covering a `screen` x `screen` logical screen, then 4 x 4
// frames up to `count`, each restored to the screen before it. Scattered,
// the first frame is small too, and the frames are composed in true colour.
bool WriteManyFramesGif(const std::string& path, long screen, int count, bool scattered = false)
{
    long side = scattered ? 4 : screen;
    CRasterImage first(static_cast<DWORD>(side), static_cast<DWORD>(side), 8), small(4, 4, 8);
    first.SetStdPalette();
    small.SetStdPalette();
    for (long i = 0; i < 16; i++)
        small.SetPixelIndex(i % 4, i / 4, BYTE(i * 13));
    small.SetOffset(screen / 3, screen / 5);
    std::vector<CRasterImage*> frames(size_t(count), &small);
    frames[0] = &first;
    CRasterGIF gif;
    gif.SetDisposalMethod(3);
    FILE* fp = fopen(path.c_str(), "w+b");
    bool ok = fp && gif.Encode(fp, frames.data(), count);
    const unsigned char size[4] = {BYTE(screen), BYTE(screen >> 8), BYTE(screen), BYTE(screen >> 8)};
    ok = ok && fseek(fp, 6, SEEK_SET) == 0 && fwrite(size, 1, 4, fp) == 4;
    return fp && fclose(fp) == 0 && ok;
}

bool WriteManyPagesTiff(const std::string& path, int count)
{
    CRasterImage page(4, 4, 24);
    page.SetPixelColor(1, 2, RGB(200, 30, 40));
    std::vector<CRasterImage*> pages(size_t(count), &page);
    FILE* fp = fopen(path.c_str(), "w+b");
    bool ok = fp && page.Encode(fp, pages.data(), count, RASTER_FORMAT_TIF);
    return fp && fclose(fp) == 0 && ok;
}

// The costs that once grew with the square of the frame count: one run
// each, against the goal of 5 s.
void ReportManyFrames(const std::string& dir)
{
    const std::string restore = dir + "/restore1000.gif", restoreMany = dir + "/restore43000.gif";
    const std::string scattered = dir + "/scattered1000.gif";
    const std::string small4000 = dir + "/small4000.gif", small60000 = dir + "/small60000.gif";
    const std::string pages = dir + "/pages8000.tif";
    if (!WriteManyFramesGif(restore, 2048, 1000) || !WriteManyFramesGif(scattered, 2048, 1000, true) ||
        !WriteManyFramesGif(restoreMany, 2048, 43000) ||
        !WriteManyFramesGif(small4000, 4, 4000) || !WriteManyFramesGif(small60000, 4, 60000) ||
        !WriteManyPagesTiff(pages, 8000)) {
        fprintf(stderr, "cannot write the many-frame files\n");
        exit(1);
    }
    auto lastFrame = [](const std::string& path, long frame) {
        return [path, frame] {
            CRasterImage image;
            image.SetFrame(frame);
            return image.Load(path.c_str(), 0);
        };
    };
    auto open = [](const std::string& path, int frames) {
        return [path, frames] {
            CDcmImage image;
            // Frames beyond the raster road's 1 GiB are left out.
            return image.OpenFile(path.c_str()) == 1 && (frames < 0 || image.GetFramesCount() == frames);
        };
    };
    printf("many small frames, one run each (goal: at most 5000 ms)\n");
    printf("%-44s %9.1f ms\n", "GIF 1000 scattered frames on 2048^2", OnceSeconds(lastFrame(scattered, 999)) * 1000);
    printf("%-44s %9.1f ms\n", "GIF 1000 frames on 2048^2, last frame", OnceSeconds(lastFrame(restore, 999)) * 1000);
    printf("%-44s %9.1f ms\n", "GIF 43000 frames on 2048^2, last frame",
           OnceSeconds(lastFrame(restoreMany, 42999)) * 1000);
    printf("%-44s %9.1f ms\n", "image model, GIF 4000 frames of 4 x 4", OnceSeconds(open(small4000, 4000)) * 1000);
    printf("%-44s %9.1f ms\n", "image model, GIF 60000 frames of 4 x 4", OnceSeconds(open(small60000, 60000)) * 1000);
    printf("%-44s %9.1f ms\n", "image model, TIFF 8000 pages of 4 x 4", OnceSeconds(open(pages, 8000)) * 1000);
    printf("%-44s %9.1f ms\n", "image model, GIF 43000 frames on 2048^2", OnceSeconds(open(restoreMany, -1)) * 1000);
    printf("%-44s %9.1f ms\n", "image model, GIF 1000 scattered frames", OnceSeconds(open(scattered, -1)) * 1000);
}

} // namespace

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
    ReportManyFrames(dir);
    return 0;
}
