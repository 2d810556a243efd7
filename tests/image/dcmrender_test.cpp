// The render tool against the toolkit's own renderer, and its failure modes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testdata.h"

namespace td = testdata;

namespace {

struct Pnm {
    std::string magic;
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

bool ReadPnm(const std::string& path, Pnm& pnm)
{
    std::ifstream in(path, std::ios::binary);
    int maxValue = 0;
    if (!(in >> pnm.magic >> pnm.width >> pnm.height >> maxValue) || maxValue != 255)
        return false;
    in.get();
    const size_t bytes = static_cast<size_t>(pnm.width) * pnm.height * (pnm.magic == "P6" ? 3 : 1);
    pnm.pixels.resize(bytes);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(pnm.pixels.data()), bytes));
}

std::string Tool()
{
    return std::string(BINARY_DIR) + "/tools/dcmrender";
}

std::string OutDir()
{
    const std::string dir = std::string(BINARY_DIR) + "/test-image-tmp/dcmrender";
    std::filesystem::create_directories(dir);
    return dir;
}

int RunTool(const std::string& arguments, std::string* output = nullptr)
{
    const std::string command = Tool() + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        if (output)
            *output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Window {
    long centre, width;
};

Window WindowFor(const td::Image& image)
{
    if (image.pattern == td::Pattern::CtPhantom || image.pattern == td::Pattern::CtPhantomSlope2)
        return {40, 400};
    if (image.bitsAllocated == 8)
        return image.pixelRepresentation ? Window{0, 200} : Window{100, 150};
    if (image.bitsStored == 12)
        return image.pixelRepresentation ? Window{0, 4096} : Window{2048, 4096};
    return image.pixelRepresentation ? Window{0, 40000} : Window{30000, 20000};
}

}  // namespace

TEST(DcmRender, MonochromeMatchesToolkitRendererWithinTwoLevels)
{
    const std::string dir = OutDir();
    int compared = 0;
    for (const td::Image& image : td::kImages) {
        const std::string photometric = image.photometric;
        if (image.tolerance > 0 || (photometric != "MONOCHROME1" && photometric != "MONOCHROME2"))
            continue;
        const Window window = WindowFor(image);
        const std::string ours = dir + "/ours.pgm", theirs = dir + "/theirs.pgm";
        const std::string input = "'" + td::Path(image.name) + "'";
        const std::string windowArgs = std::to_string(window.centre) + " " + std::to_string(window.width);
        ASSERT_EQ(RunTool("--window " + windowArgs + " " + input + " " + ours), 0) << image.name;
        const std::string reference = "dcmj2pnm --no-overlays +Ww " + windowArgs + " " + input + " " + theirs;
        ASSERT_EQ(std::system(reference.c_str()), 0) << reference;
        Pnm a, b;
        ASSERT_TRUE(ReadPnm(ours, a));
        ASSERT_TRUE(ReadPnm(theirs, b));
        ASSERT_EQ(b.width, image.columns);
        ASSERT_EQ(b.height, image.rows);
        ASSERT_GE(a.width, b.width);
        int worst = 0;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                worst = std::max(worst, std::abs(a.pixels[y * a.width + x] - b.pixels[y * b.width + x]));
        EXPECT_LE(worst, 2) << image.name;
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

TEST(DcmRender, PrintsAttributesAndWritesColourAsRgb)
{
    std::string output;
    const std::string out = OutDir() + "/rgb.ppm";
    ASSERT_EQ(RunTool("--window 128 256 '" + td::Path(td::kRgbPlanar1) + "' " + out, &output), 0);
    EXPECT_NE(output.find("rows=48\n"), std::string::npos);
    EXPECT_NE(output.find("photometric=RGB\n"), std::string::npos);
    EXPECT_NE(output.find("window_width=256\n"), std::string::npos);
    Pnm pnm;
    ASSERT_TRUE(ReadPnm(out, pnm));
    EXPECT_EQ(pnm.magic, "P6");
    EXPECT_EQ(pnm.pixels[3 * 5 + 0], td::RgbRamp(5, 0, 0, 0));
    EXPECT_EQ(pnm.pixels[3 * 5 + 2], td::RgbRamp(5, 0, 0, 2));
}

TEST(DcmRender, RotationAndFrameOptions)
{
    const std::string out = OutDir() + "/rot.pgm";
    ASSERT_EQ(RunTool("--rotate 90 --window 100 150 '" + td::Path(td::kMono2U8) + "' " + out), 0);
    Pnm pnm;
    ASSERT_TRUE(ReadPnm(out, pnm));
    EXPECT_EQ(pnm.width, 60);
    EXPECT_EQ(pnm.height, 64);
    ASSERT_EQ(RunTool("--frame 7 '" + td::Path(td::kMultiFrameTime) + "' " + out), 0);
    EXPECT_EQ(RunTool("--frame 8 '" + td::Path(td::kMultiFrameTime) + "' " + out), 1);
}

TEST(DcmRender, FailuresAndUsage)
{
    const std::string out = OutDir() + "/x.pgm";
    EXPECT_EQ(RunTool("'" + td::Path(td::kTruncatedPixels) + "' " + out), 1);
    EXPECT_EQ(RunTool("'" + td::Path(td::kNotDicom) + "' " + out), 1);
    EXPECT_EQ(RunTool("/nonexistent/file.dcm " + out), 1);
    EXPECT_EQ(RunTool(""), 2);
    EXPECT_EQ(RunTool("--rotate 45 a b"), 2);
    EXPECT_EQ(RunTool("--window 1 a b"), 2);
    EXPECT_EQ(RunTool("--bogus a b"), 2);
}
