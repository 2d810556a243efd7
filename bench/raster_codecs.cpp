// Decode and encode of a 2048 x 2048 colour JPEG (quality 90) and PNG,
// timed against libjpeg-turbo's djpeg/cjpeg and netpbm's pngtopnm/pnmtopng
// on the same files in the same run.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "RasterImage.h"
#include "bench_picture.h"

namespace {

const int kSize = 2048;
const int kRounds = 5;

double BestSeconds(const std::function<bool()>& work)
{
    double best = 1e9;
    for (int i = 0; i < kRounds; i++) {
        auto start = std::chrono::steady_clock::now();
        if (!work()) {
            fprintf(stderr, "run failed\n");
            exit(1);
        }
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (s < best)
            best = s;
    }
    return best;
}

bool Shell(const std::string& cmd)
{
    return system(cmd.c_str()) == 0;
}

void Report(const char* what, double ours, double theirs, const char* tool)
{
    printf("%-12s ours %7.1f ms   %-9s %7.1f ms   ratio %.2f\n", what, ours * 1000, tool, theirs * 1000,
           ours / theirs);
}

} // namespace

int main()
{
    std::string dir = "raster-bench";
    Shell("mkdir -p " + dir);
    std::string ppm = dir + "/source.ppm", jpg = dir + "/source.jpg", png = dir + "/source.png";
    WritePhotoPpm(ppm, kSize);
    if (!Shell("cjpeg -quality 90 " + ppm + " > " + jpg) || !Shell("pnmtopng " + ppm + " > " + png + " 2>/dev/null"))
        return 1;

    CRasterImage image;
    double jpegDecode = BestSeconds([&] { return image.Load(jpg.c_str(), RASTER_FORMAT_JPG); });
    double djpeg = BestSeconds([&] { return Shell("djpeg " + jpg + " > /dev/null"); });
    double jpegEncode = BestSeconds([&] { return image.Save((dir + "/ours.jpg").c_str(), RASTER_FORMAT_JPG); });
    double cjpeg = BestSeconds([&] { return Shell("cjpeg -quality 90 " + ppm + " > " + dir + "/theirs.jpg"); });
    double pngDecode = BestSeconds([&] { return image.Load(png.c_str(), RASTER_FORMAT_PNG); });
    double pngtopnm = BestSeconds([&] { return Shell("pngtopnm " + png + " > /dev/null"); });
    double pngEncode = BestSeconds([&] { return image.Save((dir + "/ours.png").c_str(), RASTER_FORMAT_PNG); });
    double pnmtopng = BestSeconds([&] { return Shell("pnmtopng " + ppm + " > " + dir + "/theirs.png 2>/dev/null"); });
    image.Destroy();

    printf("2048 x 2048 colour, best of %d\n", kRounds);
    Report("JPEG decode", jpegDecode, djpeg, "djpeg");
    Report("JPEG encode", jpegEncode, cjpeg, "cjpeg");
    Report("PNG decode", pngDecode, pngtopnm, "pngtopnm");
    Report("PNG encode", pngEncode, pnmtopng, "pnmtopng");
    printf("goal: JPEG ratios at most 1.10, PNG ratios at most 1.00\n");
    return 0;
}
