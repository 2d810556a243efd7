#include <gtest/gtest.h>

#include <zlib.h>

#include "codec_test_util.h"

using namespace codectest;

namespace {

struct PngFixture {
    std::string dir, src, grey;
    explicit PngFixture(const char* name) : dir(ScratchDir(name)), src(MakeSourcePpm(dir))
    {
        grey = dir + "/grey.pgm";
        EXPECT_EQ(Shell("ppmtopgm '" + src + "' > '" + grey + "'"), 0);
    }
    std::string Make(const std::string& name, const std::string& cmd)
    {
        std::string path = dir + "/" + name;
        EXPECT_EQ(Shell(cmd + " > '" + path + "'"), 0) << cmd;
        return path;
    }
};

void ExpectSameAsPngtopnm(CRasterImage& img, const std::string& path, int tolerance = 0)
{
    Pnm ref = Reference("pngtopnm '" + path + "' | pnmdepth 255");
    EXPECT_LE(MaxDifference(img, ref), tolerance) << path;
}

} // namespace

TEST(PngDecode, FilesWrittenByNetpbmAndGraphicsMagick)
{
    PngFixture f("png-decode");
    struct { const char* name; std::string cmd; int bpp; int tolerance; } cases[] = {
        {"palette.png", "pnmtopng '" + f.src + "'", 8, 0},
        {"rgb.png", "pnmtopng -force '" + f.src + "'", 24, 0},
        {"grey.png", "pnmtopng '" + f.grey + "'", 8, 0},
        {"grey2.png", "pnmdepth 3 '" + f.grey + "' | pnmtopng", 4, 0},
        {"grey16.png", "gm convert '" + f.grey + "' -depth 16 PNG:-", 8, 1},
        {"adam7.png", "pnmtopng -interlace -background rgb:10/20/30 -size '2835 2835 1' '" + f.src + "'", 8, 0},
        {"adam7rgb.png", "pnmtopng -force -interlace '" + f.src + "'", 24, 0},
    };
    for (auto& c : cases) {
        std::string path = f.Make(c.name, c.cmd);
        CRasterImage img;
        ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_PNG)) << c.name << ": " << img.GetLastError();
        EXPECT_EQ(img.GetBpp(), c.bpp) << c.name;
        EXPECT_EQ(img.GetType(), unsigned(RASTER_FORMAT_PNG));
        ExpectSameAsPngtopnm(img, path, c.tolerance);
    }
    CRasterImage interlaced((f.dir + "/adam7.png").c_str(), RASTER_FORMAT_PNG);
    EXPECT_EQ(interlaced.GetCodecOption(RASTER_FORMAT_PNG), 1u);
    EXPECT_EQ(interlaced.GetXDPI(), 72);
    CRasterImage plain((f.dir + "/palette.png").c_str(), RASTER_FORMAT_PNG);
    EXPECT_EQ(plain.GetCodecOption(RASTER_FORMAT_PNG), 0u);
}

TEST(PngDecode, TransparencyAndAlpha)
{
    PngFixture f("png-alpha");
    std::string trns = f.Make("trns.png", "pnmtopng -transparent =rgb:ff/ff/ff '" + f.src + "'");
    CRasterImage t(trns.c_str(), RASTER_FORMAT_PNG);
    ASSERT_TRUE(t.IsValid()) << t.GetLastError();
    ASSERT_TRUE(t.IsTransparent());
    RGBQUAD tc = t.GetTransColor();
    EXPECT_EQ(tc.rgbRed, 255);
    EXPECT_TRUE(t.IsTransparent(25, 5));
    EXPECT_FALSE(t.IsTransparent(0, 0));

    std::string rgba = f.Make("rgba.png", "gm composite -compose CopyOpacity '" + f.grey + "' '" + f.src + "' PNG32:-");
    CRasterImage a(rgba.c_str(), RASTER_FORMAT_PNG);
    ASSERT_TRUE(a.AlphaIsValid()) << a.GetLastError();
    ExpectSameAsPngtopnm(a, rgba);
    Pnm alpha = Reference("pngtopnm -alpha '" + rgba + "'");
    for (int y = 0; y < alpha.height; y++)
        for (int x = 0; x < alpha.width; x++)
            ASSERT_EQ(a.AlphaGet(x, alpha.height - 1 - y), alpha.At(x, y).r) << x << "," << y;

    // Grey with alpha at 8 bits is laid over the default background: opaque
    // pixels keep their value, transparent ones take the background's grey 0.
    std::string mask = f.dir + "/mask.pgm";
    ASSERT_EQ(Shell("gm convert '" + f.grey + "' -threshold 40% -depth 8 '" + mask + "'"), 0);
    std::string ga = f.Make("ga.png", "pnmtopng -force -alpha '" + mask + "' '" + f.grey + "'");
    CRasterImage g(ga.c_str(), RASTER_FORMAT_PNG);
    ASSERT_TRUE(g.IsValid()) << g.GetLastError();
    EXPECT_EQ(g.GetBpp(), 8);
    Pnm grey = Reference("pngtopnm '" + ga + "'");
    Pnm alphaMask = Reference("pngtopnm -alpha '" + ga + "'");
    int opaque = 0, clear = 0;
    for (int y = 0; y < grey.height; y++)
        for (int x = 0; x < grey.width; x++) {
            int a = alphaMask.At(x, y).r;
            int expected = a == 255 ? grey.At(x, y).r : 0;
            opaque += a == 255;
            clear += a == 0;
            ASSERT_EQ(PixelTopDown(g, x, y).r, expected) << x << "," << y;
        }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, 0);
}

TEST(PngEncode, RoundTripsEveryDepth)
{
    PngFixture f("png-encode");
    for (int bpp : {1, 4, 8, 24}) {
        std::string flags = bpp == 1 ? "-monochrome" : bpp == 4 ? "-colors 16" : bpp == 8 ? "-colors 200" : "";
        std::string bmp = f.dir + "/in" + std::to_string(bpp) + ".bmp";
        ASSERT_EQ(Shell("gm convert '" + f.src + "' " + flags + " BMP3:'" + bmp + "'"), 0);
        CRasterImage img(bmp.c_str(), RASTER_FORMAT_BMP);
        ASSERT_EQ(img.GetBpp(), bpp);
        std::string out = f.dir + "/out" + std::to_string(bpp) + ".png";
        ASSERT_TRUE(img.Save(out.c_str(), RASTER_FORMAT_PNG)) << img.GetLastError();
        EXPECT_EQ(Shell("pngcheck -q '" + out + "'"), 0) << out;
        ExpectSameAsPngtopnm(img, out);
        CRasterImage back(out.c_str(), RASTER_FORMAT_PNG);
        EXPECT_EQ(back.GetXDPI(), img.GetXDPI());
    }
}

TEST(PngEncode, AlphaTransparencyAndInterlace)
{
    std::string dir = ScratchDir("png-encode-alpha");
    CRasterImage rgb(5, 4, 24);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 5; x++)
            rgb.SetPixelColor(x, y, RGB(x * 50, y * 60, 7));
    rgb.AlphaCreate();
    rgb.AlphaSet(2, 3, 33);
    std::string out = dir + "/alpha.png";
    ASSERT_TRUE(rgb.Save(out.c_str(), RASTER_FORMAT_PNG)) << rgb.GetLastError();
    EXPECT_NE(Capture("pngcheck '" + out + "'").find("RGB+alpha"), std::string::npos);
    Pnm alpha = Reference("pngtopnm -alpha '" + out + "'");
    EXPECT_EQ(alpha.At(2, 0).r, 33);
    EXPECT_EQ(alpha.At(0, 0).r, 255);
    ExpectSameAsPngtopnm(rgb, out);

    // A transparent colour on a 24-bit image becomes alpha 0 for its pixels,
    // and the image itself keeps no alpha channel.
    CRasterImage keyed(3, 1, 24);
    keyed.SetPixelColor(1, 0, RGB(9, 8, 7));
    keyed.SetTransIndex(0);
    keyed.SetTransColor(CRasterImage::RGBtoRGBQUAD(RGB(9, 8, 7)));
    ASSERT_TRUE(keyed.Save((dir + "/keyed.png").c_str(), RASTER_FORMAT_PNG));
    EXPECT_FALSE(keyed.AlphaIsValid());
    Pnm keyedAlpha = Reference("pngtopnm -alpha '" + dir + "/keyed.png'");
    EXPECT_EQ(keyedAlpha.At(1, 0).r, 0);
    EXPECT_EQ(keyedAlpha.At(0, 0).r, 255);

    // Transparent index 5 is written as entry 0 with a one-entry tRNS,
    // while the image being saved keeps its own palette and pixels.
    CRasterImage pal(4, 2, 8);
    pal.SetPaletteColor(0, 10, 10, 10);
    pal.SetPaletteColor(5, 200, 100, 50);
    pal.SetPixelIndex(1, 1, 5);
    pal.SetTransIndex(5);
    std::string palOut = dir + "/pal.png";
    ASSERT_TRUE(pal.Save(palOut.c_str(), RASTER_FORMAT_PNG)) << pal.GetLastError();
    EXPECT_EQ(pal.GetPixelIndex(1, 1), 5);
    EXPECT_EQ(pal.GetPaletteColor(5).rgbRed, 200);
    EXPECT_EQ(pal.GetTransIndex(), 5);
    std::string verbose = Capture("pngcheck -v '" + palOut + "'");
    EXPECT_NE(verbose.find("1 transparency entry"), std::string::npos) << verbose;
    CRasterImage back(palOut.c_str(), RASTER_FORMAT_PNG);
    EXPECT_EQ(back.GetTransIndex(), 0);
    EXPECT_EQ(back.GetPixelIndex(1, 1), 0);
    EXPECT_EQ(back.GetPaletteColor(0).rgbRed, 200);
    EXPECT_EQ(back.GetPixelIndex(0, 0), 5);

    CRasterImage laced(rgb);
    laced.AlphaDelete();
    laced.SetCodecOption(1, RASTER_FORMAT_PNG);
    std::string lacedOut = dir + "/laced.png";
    ASSERT_TRUE(laced.Save(lacedOut.c_str(), RASTER_FORMAT_PNG));
    EXPECT_NE(Capture("pngcheck '" + lacedOut + "'").find(", interlaced"), std::string::npos);
    CRasterImage lacedBack(lacedOut.c_str(), RASTER_FORMAT_PNG);
    EXPECT_EQ(lacedBack.GetCodecOption(RASTER_FORMAT_PNG), 1u);
    ExpectSameAsPngtopnm(laced, lacedOut);
}

TEST(PngDecode, DamagedFilesFailWithLibpngsReason)
{
    PngFixture f("png-damaged");
    std::vector<unsigned char> good = ReadFile(f.Make("good.png", "pnmtopng -force '" + f.src + "'"));
    ASSERT_GT(good.size(), 100u);
    for (size_t cut : {size_t(8), size_t(20), size_t(40), good.size() / 2, good.size() - 13}) {
        CRasterImage img;
        EXPECT_FALSE(img.Decode(good.data(), DWORD(cut), RASTER_FORMAT_PNG)) << cut;
        EXPECT_STRNE(img.GetLastError(), "") << cut;
    }
    std::vector<unsigned char> crc = good;
    crc[60] ^= 0x55;
    CRasterImage bad;
    EXPECT_FALSE(bad.Decode(crc.data(), DWORD(crc.size()), RASTER_FORMAT_PNG));

    // IHDR claiming 100000 x 100000, with a matching CRC, is refused before
    // any pixel memory is taken.
    std::vector<unsigned char> huge = good;
    huge[16] = 0; huge[17] = 1; huge[18] = 0x86; huge[19] = 0xA0;
    huge[20] = 0; huge[21] = 1; huge[22] = 0x86; huge[23] = 0xA0;
    uLong ihdrCrc = crc32(0, huge.data() + 12, 17);
    huge[29] = BYTE(ihdrCrc >> 24); huge[30] = BYTE(ihdrCrc >> 16); huge[31] = BYTE(ihdrCrc >> 8); huge[32] = BYTE(ihdrCrc);
    CRasterImage big;
    EXPECT_FALSE(big.Decode(huge.data(), DWORD(huge.size()), RASTER_FORMAT_PNG));
    EXPECT_STREQ(big.GetLastError(), "RASTER_MAX_MEMORY exceeded");
}
