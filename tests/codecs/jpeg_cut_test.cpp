#include <gtest/gtest.h>

#include "RasterJPG.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

std::vector<unsigned char> Cut(const std::vector<unsigned char>& jpeg, int percent)
{
    return std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + long(jpeg.size()) * percent / 100);
}

// Rewrites the frame header's height and width.
std::vector<unsigned char> WithSize(std::vector<unsigned char> jpeg, unsigned width, unsigned height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); i++)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2 || jpeg[i + 1] == 0xC9)) {
            jpeg[i + 5] = BYTE(height >> 8); jpeg[i + 6] = BYTE(height);
            jpeg[i + 7] = BYTE(width >> 8); jpeg[i + 8] = BYTE(width);
            break;
        }
    return jpeg;
}

// Busy colours, so that every iMCU row takes a good share of the data.
std::string MakeBusyPpm(const std::string& dir, int width, int height)
{
    std::string path = dir + "/busy.ppm";
    std::string pnm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            pnm += char(x * 7 + y * 3);
            pnm += char(x * y / 13);
            pnm += char((x ^ y) * 5);
        }
    WriteFile(path, std::vector<unsigned char>(pnm.begin(), pnm.end()));
    return path;
}

bool SameRow(CRasterImage& img, int a, int b)
{
    for (int x = 0; x < int(img.GetWidth()); x++)
        if (!(PixelTopDown(img, x, a) == PixelTopDown(img, x, b)))
            return false;
    return true;
}

} // namespace

// Decoding stops where the data ends and the rows below are copied, not
// decoded: the result must still be what libjpeg makes of the whole file.
TEST(JpegCut, HuffmanFilesShowTheirRowsAndTheFillAsDjpeg)
{
    std::string dir = ScratchDir("jpeg-cut");
    std::string src = MakeBusyPpm(dir, 203, 350);
    const char* options[] = {"-quality 90", "-sample 1x1", "-sample 2x1", "-progressive", "-grayscale",
                             "-restart 1"};
    for (const char* option : options) {
        std::string path = dir + "/whole.jpg";
        ASSERT_EQ(Shell(std::string("cjpeg ") + option + " '" + src + "' > '" + path + "'"), 0);
        std::vector<unsigned char> whole = ReadFile(path);
        for (int percent : {9, 46, 83}) {
            std::string cut = dir + "/cut.jpg";
            WriteFile(cut, Cut(whole, percent));
            CRasterImage img;
            ASSERT_TRUE(img.Load(cut.c_str(), RASTER_FORMAT_JPG)) << option << " " << percent;
            Pnm ref = Reference("djpeg '" + cut + "' 2>/dev/null");
            EXPECT_EQ(MaxDifference(img, ref), 0) << option << " " << percent;
        }
    }
}

// Arithmetic scans read the end of their data as zeros, so libjpeg goes on
// making rows from nothing; here the last decoded row is repeated instead.
TEST(JpegCut, ArithmeticFileRepeatsItsLastDecodedRow)
{
    std::string dir = ScratchDir("jpeg-cut-arith");
    std::string src = MakeBusyPpm(dir, 203, 350);
    std::string path = dir + "/cut.jpg";
    ASSERT_EQ(Shell("cjpeg -arithmetic '" + src + "' | head -c 9000 > '" + path + "'"), 0);
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_JPG)) << img.GetLastError();
    Pnm ref = Reference("djpeg '" + path + "' 2>/dev/null");
    ASSERT_EQ(img.GetHeight(), 350u);
    int firstOwn = 0;
    while (firstOwn < 350) {
        bool same = true;
        for (int x = 0; x < 203 && same; x++)
            same = PixelTopDown(img, x, firstOwn) == ref.At(x, firstOwn);
        if (!same)
            break;
        firstOwn++;
    }
    // Whole iMCU rows (16 rows) past the one where the data ran out are
    // libjpeg's; every later row repeats the last of them.
    ASSERT_GT(firstOwn, 16);
    ASSERT_LT(firstOwn, 350);
    EXPECT_EQ(firstOwn % 16, 0);
    for (int y = firstOwn; y < 350; y++)
        ASSERT_TRUE(SameRow(img, y, firstOwn - 1)) << y;
    EXPECT_FALSE(SameRow(img, firstOwn - 1, 0));
}

// A picture of 128 MiB or more (three bytes a pixel) whose data cannot hold
// two bits per block (Huffman) or one bit per 64 blocks (arithmetic) is
// refused before its pixels are allocated; with that much data, or a little
// smaller, it opens.
TEST(JpegCut, LargePictureNeedsDataForItsBlocks)
{
    std::string dir = ScratchDir("jpeg-cut-large");
    std::string src = dir + "/grey.pgm";
    ASSERT_EQ(Shell("gm convert -size 16x16 xc:'#5a5a5a' -depth 8 '" + src + "'"), 0);
    // 8192 x 5462 is just over 128 MiB at three bytes a pixel, in 1024 x 683
    // blocks; one row less is under the size.
    const size_t blocks = 1024u * 683u;
    struct { const char* option; size_t floorBytes; } coders[] = {
        {"", blocks * 2 / 8}, {"-arithmetic", blocks / 64 / 8}};
    for (const auto& coder : coders) {
        SCOPED_TRACE(coder.option);
        std::string path = dir + "/small.jpg";
        ASSERT_EQ(Shell(std::string("cjpeg -grayscale ") + coder.option + " '" + src + "' > '" + path + "'"), 0);
        std::vector<unsigned char> small = ReadFile(path);
        size_t scan = 0;
        for (size_t i = 2; i + 3 < small.size() && !scan; i++)
            if (small[i] == 0xFF && small[i + 1] == 0xDA)
                scan = i + 2 + (size_t(small[i + 2]) << 8) + small[i + 3];
        ASSERT_GT(scan, 0u);
        const bool huffman = !*coder.option;
        struct { unsigned height; size_t data; bool opens; } cases[] = {
            {5462, coder.floorBytes - 1, false}, {5462, coder.floorBytes, true}, {5461, 300, true}};
        for (const auto& c : cases) {
            // Whatever follows the scan header counts, bytes after its end marker too.
            std::vector<unsigned char> file = WithSize(small, 8192, c.height);
            file.resize(scan + c.data, 0x00);
            CRasterImage img;
            const bool opened = img.Decode(file.data(), DWORD(file.size()), RASTER_FORMAT_JPG);
            ASSERT_EQ(opened, c.opens) << c.height << " " << c.data << ": " << img.GetLastError();
            if (!opened) {
                EXPECT_STREQ(img.GetLastError(), "Premature end of JPEG file");
                EXPECT_FALSE(img.IsValid());
                continue;
            }
            EXPECT_EQ(img.GetWidth(), 8192u);
            EXPECT_EQ(img.GetHeight(), c.height);
            EXPECT_EQ(PixelTopDown(img, 3, 2).r, 0x5a);
            if (huffman) {
                EXPECT_TRUE(SameRow(img, int(c.height) - 1, 200));
            }
        }
    }
}
