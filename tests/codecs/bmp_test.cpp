#include <gtest/gtest.h>

#include <cstring>

#include "MemoryStream.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

void Put16(std::vector<unsigned char>& v, unsigned x) { v.push_back(x & 0xFF); v.push_back((x >> 8) & 0xFF); }
void Put32(std::vector<unsigned char>& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

// A bitmap file assembled by hand, for layouts no tool here writes.
std::vector<unsigned char> MakeBmp(int width, int height, int bpp, uint32_t compression,
                                   const std::vector<unsigned char>& extra,
                                   const std::vector<unsigned char>& bits, uint32_t colours = 0)
{
    std::vector<unsigned char> v;
    uint32_t offset = 14 + 40 + uint32_t(extra.size());
    v.push_back('B'); v.push_back('M');
    Put32(v, offset + uint32_t(bits.size()));
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, 40); Put32(v, uint32_t(width)); Put32(v, uint32_t(height));
    Put16(v, 1); Put16(v, unsigned(bpp)); Put32(v, compression); Put32(v, uint32_t(bits.size()));
    Put32(v, 2835); Put32(v, 2835); Put32(v, colours); Put32(v, 0);
    v.insert(v.end(), extra.begin(), extra.end());
    v.insert(v.end(), bits.begin(), bits.end());
    return v;
}

std::vector<unsigned char> GreyRamp16()
{
    std::vector<unsigned char> pal;
    for (int i = 0; i < 16; i++) {
        pal.push_back(BYTE(i * 17)); pal.push_back(BYTE(i * 17)); pal.push_back(BYTE(i * 17)); pal.push_back(0);
    }
    return pal;
}

void ExpectMatchesGm(const std::string& path, int tolerance = 0)
{
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), 0)) << path << ": " << img.GetLastError();
    EXPECT_EQ(img.GetType(), unsigned(RASTER_FORMAT_BMP));
    Pnm ref = Reference("gm convert '" + path + "' -depth 8 ppm:-");
    EXPECT_LE(MaxDifference(img, ref), tolerance) << path;
}

} // namespace

TEST(BmpDecode, FilesWrittenByGraphicsMagickAndNetpbm)
{
    std::string dir = ScratchDir("bmp-gm");
    std::string src = MakeSourcePpm(dir);
    struct { const char* name; const char* options; } cases[] = {
        {"rgb24.bmp", "BMP3:"},
        {"rle8.bmp", "-colors 200 -compress RLE BMP3:"},
        {"pal4.bmp", "-colors 12 BMP3:"},
        {"mono.bmp", "-monochrome BMP3:"},
        {"core24.bmp", "BMP2:"},
        {"core8.bmp", "-colors 50 BMP2:"},
        {"argb32.bmp", "-matte BMP:"},
    };
    for (const auto& c : cases) {
        std::string path = dir + "/" + c.name;
        std::string opts = c.options;
        std::string prefix = opts.substr(opts.rfind(' ') == std::string::npos ? 0 : opts.rfind(' ') + 1);
        std::string flags = opts.substr(0, opts.size() - prefix.size());
        ASSERT_EQ(Shell("gm convert '" + src + "' " + flags + prefix + "'" + path + "'"), 0) << c.name;
        ExpectMatchesGm(path);
    }
    ASSERT_EQ(Shell("ppmtobmp -os2 '" + src + "' > '" + dir + "/os2.bmp'"), 0);
    ExpectMatchesGm(dir + "/os2.bmp");
}

TEST(BmpDecode, SixteenBitLayoutsAndRle4FromOurOwnWriter)
{
    std::string dir = ScratchDir("bmp-own");
    // 3 x 2 pixels: 5-5-5 with no masks, and 5-6-5 with bit-field masks.
    std::vector<unsigned char> rows555 = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0,
                                          0xFF, 0x7F, 0x10, 0x42, 0x00, 0x00, 0, 0};
    WriteFile(dir + "/555.bmp", MakeBmp(3, 2, 16, 0, {}, rows555));
    ExpectMatchesGm(dir + "/555.bmp", 7);
    std::vector<unsigned char> masks;
    Put32(masks, 0xF800); Put32(masks, 0x07E0); Put32(masks, 0x001F);
    std::vector<unsigned char> rows565 = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0,
                                          0xFF, 0xFF, 0x10, 0x84, 0x00, 0x00, 0, 0};
    WriteFile(dir + "/565.bmp", MakeBmp(3, 2, 16, 3, masks, rows565));
    ExpectMatchesGm(dir + "/565.bmp", 7);
    CRasterImage img((dir + "/565.bmp").c_str(), 0);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbGreen, 0xFC);

    // RLE4, 5 x 3: a run, a padded literal run and a run, ended row by row.
    std::vector<unsigned char> rle = {0x05, 0x12, 0x00, 0x00,
                                      0x00, 0x05, 0x34, 0x56, 0x70, 0x00, 0x00, 0x00,
                                      0x05, 0xF0, 0x00, 0x01};
    WriteFile(dir + "/rle4.bmp", MakeBmp(5, 3, 4, 2, GreyRamp16(), rle, 16));
    ExpectMatchesGm(dir + "/rle4.bmp");
    CRasterImage r((dir + "/rle4.bmp").c_str(), 1);
    Pnm ref = Reference("bmptopnm '" + dir + "/rle4.bmp'");
    EXPECT_EQ(MaxDifference(r, ref), 0);
    EXPECT_EQ(r.GetPixelIndex(1, 0), 2);
    EXPECT_EQ(r.GetPixelIndex(4, 1), 7);
    EXPECT_EQ(r.GetPixelIndex(4, 2), 15);

    // A delta moves by whole bytes of two pixels; skipped pixels stay 0.
    std::vector<unsigned char> delta = {0x00, 0x02, 0x02, 0x01, 0x01, 0xF0, 0x00, 0x01};
    std::vector<unsigned char> file = MakeBmp(5, 3, 4, 2, GreyRamp16(), delta, 16);
    CRasterImage d(file.data(), DWORD(file.size()), 1);
    ASSERT_TRUE(d.IsValid()) << d.GetLastError();
    EXPECT_EQ(d.GetPixelIndex(2, 1), 15);
    EXPECT_EQ(d.GetPixelIndex(0, 0), 0);
}

TEST(BmpDecode, TopDownBareDibAndSizeOnly)
{
    std::string dir = ScratchDir("bmp-layouts");
    std::vector<unsigned char> rows = {0, 0, 255, 0, 255, 0, 0, 0,   // top: red, green
                                       255, 0, 0, 9, 9, 9, 0, 0};   // bottom: blue, grey
    std::vector<unsigned char> file = MakeBmp(2, -2, 24, 0, {}, rows);
    CRasterImage img(file.data(), DWORD(file.size()), 1);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(PixelTopDown(img, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelTopDown(img, 0, 1), (Rgb{0, 0, 255}));

    std::vector<unsigned char> dib(file.begin() + 14, file.end());
    dib[8] = 2; dib[9] = dib[10] = dib[11] = 0;  // bottom-up, same rows
    CRasterImage bare(dib.data(), DWORD(dib.size()), 1);
    ASSERT_TRUE(bare.IsValid()) << bare.GetLastError();
    EXPECT_EQ(PixelTopDown(bare, 0, 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(bare.GetXDPI(), 72);

    CRasterImage size;
    size.SetEscape(-1);
    ASSERT_TRUE(size.Decode(file.data(), DWORD(file.size()), 1));
    EXPECT_EQ(size.GetWidth(), 2u);
    EXPECT_EQ(size.GetHeight(), 2u);
    EXPECT_FALSE(size.IsValid());
}

TEST(BmpDecode, Rle8RunPastTheRowEndStopsAndKeepsRows)
{
    std::vector<unsigned char> rle = {0x04, 0x07, 0x00, 0x00,   // row 0 full
                                      0x09, 0x03, 0x00, 0x01};  // run past row 1's end
    std::vector<unsigned char> pal(256 * 4, 0);
    std::vector<unsigned char> file = MakeBmp(4, 2, 8, 1, pal, rle, 256);
    CRasterImage img(file.data(), DWORD(file.size()), 1);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(img.GetPixelIndex(3, 0), 7);
    EXPECT_EQ(img.GetPixelIndex(3, 1), 3);
}

TEST(BmpDecode, HostileFilesFailCleanly)
{
    std::vector<unsigned char> pal(256 * 4, 0);
    struct Case { const char* name; std::vector<unsigned char> bytes; };
    std::vector<Case> cases;
    // Deltas and literal runs aimed far outside the rows.
    cases.push_back({"rle8 deltas", MakeBmp(4, 2, 8, 1, pal,
        {0x00, 0x02, 0xFF, 0xFF, 0x00, 0x05, 1, 2, 3, 4, 5, 0, 0x00, 0x02, 0xFF, 0x00, 0x03, 0x01, 0x00, 0x01}, 256)});
    cases.push_back({"rle4 deltas", MakeBmp(5, 3, 4, 2, GreyRamp16(),
        {0x00, 0x02, 0xF0, 0x00, 0x00, 0x09, 0x12, 0x34, 0x56, 0x78, 0x90, 0x00, 0x00, 0x00, 0x03, 0x01, 0x11, 0x00, 0x01}, 16)});
    cases.push_back({"rle8 without end", MakeBmp(4, 2, 8, 1, pal, {0x02, 0x01}, 256)});
    cases.push_back({"huge", MakeBmp(100000, 100000, 24, 0, {}, {1, 2, 3})});
    cases.push_back({"negative width", MakeBmp(-5, 5, 24, 0, {}, std::vector<unsigned char>(100))});
    cases.push_back({"bit count 7", MakeBmp(2, 2, 7, 0, {}, std::vector<unsigned char>(16))});
    std::vector<unsigned char> badMasks;
    Put32(badMasks, 0x3); Put32(badMasks, 0xC); Put32(badMasks, 0x30);
    cases.push_back({"negative shifts", MakeBmp(2, 2, 16, 3, badMasks, std::vector<unsigned char>(8))});
    // More colours claimed than the table holds, and an image size larger than the rows.
    std::vector<unsigned char> many = MakeBmp(2, 2, 1, 0, std::vector<unsigned char>(4000, 0x55),
                                              std::vector<unsigned char>(8, 0xFF), 1000);
    cases.push_back({"colour count", many});
    std::vector<unsigned char> oversized = MakeBmp(2, 2, 24, 0, {}, std::vector<unsigned char>(4096, 1));
    cases.push_back({"image size", oversized});
    std::vector<unsigned char> truncated = MakeBmp(40, 40, 24, 0, {}, std::vector<unsigned char>(40 * 120, 9));
    truncated.resize(truncated.size() / 2);
    cases.push_back({"truncated", truncated});

    for (auto& c : cases) {
        CRasterImage img;
        bool ok = img.Decode(c.bytes.data(), DWORD(c.bytes.size()), RASTER_FORMAT_BMP);
        if (!ok) {
            EXPECT_STRNE(img.GetLastError(), "") << c.name;
        }
        SCOPED_TRACE(c.name);
    }
    CRasterImage colours(many.data(), DWORD(many.size()), 1);
    ASSERT_TRUE(colours.IsValid()) << colours.GetLastError();
    EXPECT_EQ(colours.GetPaletteColor(1).rgbRed, 0x55);

    CRasterImage huge(cases[3].bytes.data(), DWORD(cases[3].bytes.size()), 1);
    EXPECT_STREQ(huge.GetLastError(), "Can't allocate memory");
    CRasterImage wrong(cases[4].bytes.data(), DWORD(cases[4].bytes.size()), 1);
    EXPECT_STREQ(wrong.GetLastError(), "Can't allocate memory");
    CRasterImage masks(cases[6].bytes.data(), DWORD(cases[6].bytes.size()), 1);
    EXPECT_STREQ(masks.GetLastError(), "compression type not supported");
}

// A file that ends early shows what it holds, as other readers do; bit
// counts without a pixel layout give an image without pixels.
TEST(BmpDecode, ShortFilesAndOtherBitCountsDecode)
{
    std::vector<unsigned char> pal;
    for (int i = 0; i < 256; i++) {
        pal.push_back(BYTE(i)); pal.push_back(BYTE(255 - i)); pal.push_back(BYTE(i / 2)); pal.push_back(0);
    }
    // Row 0: three of index 9, then a literal run 4 5 6 that ends the file.
    std::vector<unsigned char> rle = {0x03, 0x09, 0x00, 0x00, 0x00, 0x03, 0x04, 0x05, 0x06};
    std::vector<unsigned char> file = MakeBmp(6, 3, 8, 1, pal, rle, 256);
    CRasterImage noEnd(file.data(), DWORD(file.size()), RASTER_FORMAT_BMP);
    ASSERT_TRUE(noEnd.IsValid()) << noEnd.GetLastError();
    EXPECT_EQ(noEnd.GetPixelIndex(2, 0), 9);
    EXPECT_EQ(noEnd.GetPixelIndex(3, 0), 0);
    EXPECT_EQ(noEnd.GetPixelIndex(0, 1), 4);
    EXPECT_EQ(noEnd.GetPixelIndex(2, 1), 6);
    EXPECT_EQ(noEnd.GetPixelColor(2, 1).rgbGreen, 249);
    EXPECT_EQ(noEnd.GetPixelIndex(0, 2), 0);

    // 24 bits, cut inside the second of three rows.
    std::vector<unsigned char> rows;
    for (int i = 0; i < 3 * 8; i++)
        rows.push_back(BYTE(10 + i));
    std::vector<unsigned char> cut = MakeBmp(2, 3, 24, 0, {}, rows);
    cut.resize(cut.size() - 8 - 5);
    CRasterImage shortRows(cut.data(), DWORD(cut.size()), RASTER_FORMAT_BMP);
    ASSERT_TRUE(shortRows.IsValid()) << shortRows.GetLastError();
    EXPECT_EQ(shortRows.GetPixelColor(1, 0).rgbBlue, 13);
    EXPECT_EQ(shortRows.GetPixelColor(0, 1).rgbRed, 20);
    EXPECT_EQ(shortRows.GetPixelColor(1, 1).rgbBlue, 0);
    EXPECT_EQ(shortRows.GetPixelColor(1, 2).rgbGreen, 0);

    for (int bits : {0, 2, 7, 48}) {
        std::vector<unsigned char> odd = MakeBmp(3, 2, bits, 0, {}, std::vector<unsigned char>(24, 0xAB));
        CRasterImage img(odd.data(), DWORD(odd.size()), RASTER_FORMAT_BMP);
        ASSERT_TRUE(img.IsValid()) << bits << ": " << img.GetLastError();
        EXPECT_EQ(img.GetWidth(), 3u);
        EXPECT_EQ(img.GetPixelColor(2, 1).rgbRed, bits == 48 ? 0 : img.GetPaletteColor(0).rgbRed) << bits;
        EXPECT_EQ(img.GetPixelIndex(2, 1), 0) << bits;
    }
}

TEST(BmpEncode, RoundTripsEveryDepthThroughGraphicsMagick)
{
    std::string dir = ScratchDir("bmp-roundtrip");
    std::string src = MakeSourcePpm(dir);
    for (int bpp : {1, 4, 8, 24}) {
        std::string in = dir + "/in" + std::to_string(bpp) + ".bmp";
        std::string flags = bpp == 1 ? "-monochrome" : bpp == 4 ? "-colors 16" : bpp == 8 ? "-colors 200" : "";
        ASSERT_EQ(Shell("gm convert '" + src + "' " + flags + " BMP3:'" + in + "'"), 0);
        CRasterImage img(in.c_str(), RASTER_FORMAT_BMP);
        ASSERT_TRUE(img.IsValid()) << img.GetLastError();
        std::string out = dir + "/out" + std::to_string(bpp) + ".bmp";
        ASSERT_TRUE(img.Save(out.c_str(), RASTER_FORMAT_BMP)) << img.GetLastError();
        EXPECT_NE(Capture("gm identify '" + out + "'").find("37x23"), std::string::npos);
        Pnm ref = Reference("gm convert '" + out + "' -depth 8 ppm:-");
        EXPECT_EQ(MaxDifference(img, ref), 0) << bpp;
    }
}

// Rows whose runs end exactly at a 4-byte row end are whole rows, not an
// overrun: every row of such a file is decoded.
TEST(BmpDecode, Rle8RowsEndingAtTheRowWidth)
{
    std::string dir = ScratchDir("bmp-rle8-exact");
    std::vector<unsigned char> pal;
    for (int i = 0; i < 256; i++) {
        pal.push_back(BYTE(i * 40)); pal.push_back(0); pal.push_back(BYTE(255 - i * 40)); pal.push_back(0);
    }
    std::vector<unsigned char> rle;
    for (int y = 0; y < 6; y++) {
        rle.push_back(8); rle.push_back(BYTE(y)); rle.push_back(0); rle.push_back(0);
    }
    rle.push_back(0); rle.push_back(1);
    std::string path = dir + "/exact.bmp";
    WriteFile(path, MakeBmp(8, 6, 8, 1, pal, rle, 256));
    ExpectMatchesGm(path);
    CRasterImage img(path.c_str(), RASTER_FORMAT_BMP);
    EXPECT_EQ(MaxDifference(img, Reference("bmptopnm '" + path + "'")), 0);
    EXPECT_EQ(img.GetPixelIndex(7, 5), 5);
}

// A literal run of odd length is padded to a word: the pad byte must be
// skipped, or every row after it is read from the wrong place.
TEST(BmpDecode, Rle8OddLiteralRunsFollowedByMoreRows)
{
    std::string dir = ScratchDir("bmp-rle8-odd");
    std::vector<unsigned char> pal;
    for (int i = 0; i < 256; i++) {
        pal.push_back(BYTE(i * 5)); pal.push_back(BYTE(255 - i * 3)); pal.push_back(BYTE(i * 11)); pal.push_back(0);
    }
    const std::vector<unsigned char> rle = {
        0x00, 0x03, 10, 20, 30, 0x00, 0x02, 40, 0x00, 0x00,  // 3 literal (padded), run of 2
        0x00, 0x05, 1, 2, 3, 4, 5, 0x00, 0x00, 0x00,         // 5 literal (padded)
        0x01, 9, 0x00, 0x03, 6, 7, 8, 0x00, 0x01, 11,        // run, 3 literal (padded), run
        0x00, 0x01};
    std::string path = dir + "/odd.bmp";
    WriteFile(path, MakeBmp(5, 3, 8, 1, pal, rle, 256));
    ExpectMatchesGm(path);
    CRasterImage img(path.c_str(), RASTER_FORMAT_BMP);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(MaxDifference(img, Reference("bmptopnm '" + path + "'")), 0);
    // Rows are stored bottom-up: the first encoded row is y = 0 here.
    const int expected[3][5] = {{10, 20, 30, 40, 40}, {1, 2, 3, 4, 5}, {9, 6, 7, 8, 11}};
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(img.GetPixelIndex(x, y), expected[y][x]) << x << "," << y;
}
