// Decode and encode of a 2048 x 2048 colour JPEG (quality 90) and PNG,
// timed against libjpeg-turbo's djpeg/cjpeg and netpbm's pngtopnm/pnmtopng
// on the same files in the same run. Then a progressive 4096 x 4096 JPEG
// of thousands of scans, which must be refused within 5 s.
#include <chrono>
#include <fstream>

#include "../tests/ManyScanJpeg.h"
#include "RasterImage.h"
#include "bench_support.h"

using namespace bench;

namespace {

void TimeManyScans(const std::string& dir, size_t scans)
{
    std::vector<uint8_t> bytes = manyscans::WithScans(4096, 4096, scans);
    std::string path = dir + "/scans" + std::to_string(scans) + ".jpg";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    CRasterImage image;
    auto start = std::chrono::steady_clock::now();
    bool opened = image.Load(path.c_str(), RASTER_FORMAT_JPG);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%5zu scans, %7zu bytes: %s in %7.1f ms\n", scans, bytes.size(), opened ? "opened" : "refused", s * 1000);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        Shell("mkdir -p raster-bench");
        for (int i = 1; i < argc; i++)
            TimeManyScans("raster-bench", size_t(atol(argv[i])));
        return 0;
    }
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
    for (size_t scans : {10, 500, 4000})
        TimeManyScans(dir, scans);
    printf("goal: every picture of many scans opened or refused within 5 s\n");
    return 0;
}
