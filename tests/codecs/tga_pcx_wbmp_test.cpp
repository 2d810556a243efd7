// TGA, PCX and WBMP: files from netpbm and GraphicsMagick decode to the
// pixels their own readers give, and our files are read back by them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "MemoryStream.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

std::string Gm(const std::string& path)
{
    return "gm convert '" + path + "' -depth 8 ppm:-";
}

void ExpectDecodesLike(const std::string& dir, const std::vector<std::vector<std::string>>& files, DWORD type)
{
    for (const auto& f : files) {
        std::string path = dir + "/" + f[0];
        ASSERT_EQ(Shell("cd '" + dir + "' && " + f[1] + " > '" + f[0] + "'"), 0) << f[1];
        CRasterImage img;
        ASSERT_TRUE(img.Load(path.c_str(), type)) << f[0] << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), type);
        std::string reader = f[2];
        reader.replace(reader.find("IN"), 2, "'" + path + "'");
        EXPECT_EQ(MaxDifference(img, Reference(reader)), 0) << f[0];
    }
}

std::vector<unsigned char> Encoded(CRasterImage& img, DWORD type)
{
    CMemoryStream out;
    EXPECT_TRUE(out.Open());
    EXPECT_TRUE(img.Encode(&out, type)) << img.GetLastError();
    return std::vector<unsigned char>(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
}

// A Targa header for hand-made files.
std::vector<unsigned char> TgaHeader(int type, int width, int height, int depth, int descriptor)
{
    return {0, 0, BYTE(type), 0, 0, 0, 0, 0, 0, 0, 0, 0, BYTE(width), BYTE(width >> 8), BYTE(height),
            BYTE(height >> 8), BYTE(depth), BYTE(descriptor)};
}

bool Decode(CRasterImage& img, const std::vector<unsigned char>& bytes, DWORD type)
{
    return img.Decode(const_cast<unsigned char*>(bytes.data()), DWORD(bytes.size()), type);
}

} // namespace

TEST(TgaDecode, IndependentWriters)
{
    std::string dir = ScratchDir("tga");
    MakeSourcePpm(dir);
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert source.ppm -colors 100 few.ppm && "
                    "gm convert source.ppm -colorspace gray -depth 8 pgm:grey.pgm && "
                    "gm convert -size 37x23 gradient:'#102030-#f0e0d0' -colorspace gray -depth 8 pgm:alpha.pgm && "
                    "pnmtopng -alpha=alpha.pgm source.ppm > alpha.png"),
              0);
    ExpectDecodesLike(dir,
                      {{"rle.tga", "ppmtotga source.ppm 2>/dev/null", "tgatoppm IN"},
                       {"plain.tga", "ppmtotga -rgb -norle source.ppm 2>/dev/null", "tgatoppm IN"},
                       {"map.tga", "ppmtotga -cmap few.ppm 2>/dev/null", "tgatoppm IN"},
                       {"map-plain.tga", "ppmtotga -cmap -norle few.ppm 2>/dev/null", "tgatoppm IN"},
                       {"grey.tga", "ppmtotga -mono grey.pgm 2>/dev/null", "tgatoppm IN"},
                       {"gm-rle.tga", "gm convert source.ppm -compress RLE TGA:-", "tgatoppm IN"},
                       {"gm-map.tga", "gm convert few.ppm -type palette TGA:-", "tgatoppm IN"},
                       {"gm-alpha.tga", "gm convert alpha.png TGA:-", "tgatoppm IN"}},
                      RASTER_FORMAT_TGA);
    // GraphicsMagick writes alpha top row first.
    CRasterImage img;
    ASSERT_TRUE(img.Load((dir + "/gm-alpha.tga").c_str(), RASTER_FORMAT_TGA));
    Pnm alpha = Reference("cat '" + dir + "/alpha.pgm'");
    ASSERT_TRUE(img.AlphaIsValid());
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 37; x++)
            ASSERT_EQ(img.AlphaGet(x, 22 - y), alpha.At(x, y).r) << x << "," << y;
}

TEST(TgaDecode, RowOrderRunsAndMaps)
{
    // 3 x 2 pixels at 16 bits: 0x7FFF is (248, 248, 248).
    const WORD pixels[6] = {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x4210, 0x0421};
    std::vector<unsigned char> bottomUp = TgaHeader(2, 3, 2, 16, 0), topDown = TgaHeader(2, 3, 2, 16, 0x20);
    for (int i = 0; i < 6; i++) {
        WORD p = pixels[i], q = pixels[i < 3 ? i + 3 : i - 3];
        bottomUp.insert(bottomUp.end(), {BYTE(p), BYTE(p >> 8)});
        topDown.insert(topDown.end(), {BYTE(q), BYTE(q >> 8)});
    }
    CRasterImage a, b;
    ASSERT_TRUE(Decode(a, bottomUp, RASTER_FORMAT_TGA)) << a.GetLastError();
    ASSERT_TRUE(Decode(b, topDown, RASTER_FORMAT_TGA)) << b.GetLastError();
    EXPECT_EQ(PixelTopDown(a, 0, 1), (Rgb{248, 248, 248}));
    EXPECT_EQ(PixelTopDown(a, 1, 1), (Rgb{0, 0, 248}));
    EXPECT_EQ(PixelTopDown(a, 0, 0), (Rgb{248, 0, 0}));
    EXPECT_EQ(PixelTopDown(a, 2, 0), (Rgb{8, 8, 8}));
    EXPECT_EQ(memcmp(a.GetBits(), b.GetBits(), a.GetEffWidth() * 2), 0);
    // Right to left: each stored row reversed.
    std::vector<unsigned char> rightToLeft = TgaHeader(2, 3, 2, 16, 0x10);
    for (int i = 0; i < 6; i++) {
        WORD p = pixels[(i / 3) * 3 + 2 - i % 3];
        rightToLeft.insert(rightToLeft.end(), {BYTE(p), BYTE(p >> 8)});
    }
    CRasterImage m;
    ASSERT_TRUE(Decode(m, rightToLeft, RASTER_FORMAT_TGA)) << m.GetLastError();
    EXPECT_EQ(memcmp(a.GetBits(), m.GetBits(), a.GetEffWidth() * 2), 0);

    // Run-length packets crossing both row ends, the last one reaching past
    // the image, decode like their plain twin.
    std::vector<unsigned char> plain = TgaHeader(1, 5, 3, 8, 0), coded = TgaHeader(9, 5, 3, 8, 0);
    plain[1] = coded[1] = 1;
    plain[5] = coded[5] = 4;
    plain[7] = coded[7] = 24;
    const std::vector<unsigned char> map = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    plain.insert(plain.end(), map.begin(), map.end());
    coded.insert(coded.end(), map.begin(), map.end());
    const std::vector<unsigned char> indices = {1, 1, 1, 1, 1, 1, 1, 2, 3, 0, 0, 3, 3, 3, 3};
    plain.insert(plain.end(), indices.begin(), indices.end());
    coded.insert(coded.end(), {128 + 6, 1, 1, 2, 3, 128 + 1, 0, 128 + 9, 3});
    CRasterImage p, c;
    ASSERT_TRUE(Decode(p, plain, RASTER_FORMAT_TGA)) << p.GetLastError();
    ASSERT_TRUE(Decode(c, coded, RASTER_FORMAT_TGA)) << c.GetLastError();
    EXPECT_EQ(memcmp(p.GetBits(), c.GetBits(), p.GetEffWidth() * 3), 0);
    EXPECT_EQ(PixelTopDown(c, 3, 1), (Rgb{120, 110, 100}));

    // A map that starts at entry 250 keeps the entries that fit.
    std::vector<unsigned char> shifted = TgaHeader(1, 1, 1, 8, 0);
    shifted[1] = 1;
    shifted[3] = 250;
    shifted[5] = 10;
    shifted[7] = 24;
    for (int i = 0; i < 10; i++)
        shifted.insert(shifted.end(), {BYTE(i), BYTE(2 * i), BYTE(3 * i)});
    shifted.push_back(255);
    CRasterImage s;
    ASSERT_TRUE(Decode(s, shifted, RASTER_FORMAT_TGA)) << s.GetLastError();
    EXPECT_EQ(PixelTopDown(s, 0, 0), (Rgb{15, 10, 5}));
}

TEST(TgaEncode, ReadBackByNetpbmAndGm)
{
    std::string dir = ScratchDir("tga");
    std::string png = dir + "/source.png";
    ASSERT_EQ(Shell("gm convert '" + MakeSourcePpm(dir) + "' '" + png + "'"), 0);
    CRasterImage colour, indexed(23, 13, 8), low(5, 5, 4);
    ASSERT_TRUE(colour.Load(png.c_str(), RASTER_FORMAT_PNG));
    indexed.SetStdPalette();
    for (long y = 0; y < 13; y++)
        for (long x = 0; x < 23; x++)
            indexed.SetPixelIndex(x, y, BYTE(x * 11 + y * 3));
    for (CRasterImage* img : {&colour, &indexed}) {
        std::string path = dir + "/out" + std::to_string(img->GetBpp()) + ".tga";
        ASSERT_TRUE(img->Save(path.c_str(), RASTER_FORMAT_TGA));
        EXPECT_EQ(MaxDifference(*img, Reference("tgatoppm '" + path + "'")), 0);
    }
    colour.AlphaCreate();
    for (long y = 0; y < 23; y++)
        for (long x = 0; x < 37; x++)
            colour.AlphaSet(x, y, BYTE(x * 5 + y * 2));
    std::string path = dir + "/alpha.tga";
    ASSERT_TRUE(colour.Save(path.c_str(), RASTER_FORMAT_TGA));
    EXPECT_EQ(MaxDifference(colour, Reference(Gm(path))), 0);
    Pnm opacity = Reference("gm convert '" + path + "' -channel Opacity -depth 8 pgm:-");
    ASSERT_EQ(opacity.width, 37);
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 37; x++)
            ASSERT_EQ(255 - opacity.At(x, y).r, x * 5 + (22 - y) * 2) << x << "," << y;

    EXPECT_FALSE(low.Save(path.c_str(), RASTER_FORMAT_TGA));
    EXPECT_STREQ(low.GetLastError(), "Bit depth must be 8 or 24");
}

TEST(PcxDecode, IndependentWriters)
{
    std::string dir = ScratchDir("pcx");
    MakeSourcePpm(dir);
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert source.ppm -colors 100 few.ppm && "
                    "gm convert source.ppm -colors 16 sixteen.ppm && gm convert source.ppm -colors 4 four.ppm && "
                    "gm convert source.ppm -crop 5x7+1+1 +repage odd.ppm"),
              0);
    ExpectDecodesLike(dir,
                      {{"rgb.pcx", "ppmtopcx source.ppm 2>/dev/null", "pcxtoppm IN"},
                       {"map.pcx", "ppmtopcx few.ppm 2>/dev/null", "pcxtoppm IN"},
                       {"planes.pcx", "ppmtopcx sixteen.ppm 2>/dev/null", "pcxtoppm IN"},
                       {"packed4.pcx", "ppmtopcx -packed sixteen.ppm 2>/dev/null", "pcxtoppm IN"},
                       {"packed2.pcx", "ppmtopcx -packed four.ppm 2>/dev/null", "pcxtoppm IN"},
                       {"bilevel.pcx", "gm convert source.ppm -monochrome pbm:- | ppmtopcx 2>/dev/null", "pcxtoppm IN"},
                       {"odd.pcx", "ppmtopcx odd.ppm 2>/dev/null", "pcxtoppm IN"},
                       {"gm.pcx", "gm convert source.ppm PCX:-", "pcxtoppm IN"}},
                      RASTER_FORMAT_PCX);
}

// Bytes per line too few for the width, and a run past the end of the
// image, are refused.
TEST(PcxDecode, RefusesInconsistentFiles)
{
    std::string dir = ScratchDir("pcx");
    std::string path = dir + "/rgb.pcx";
    ASSERT_EQ(Shell("ppmtopcx '" + MakeSourcePpm(dir) + "' > '" + path + "' 2>/dev/null"), 0);
    std::vector<unsigned char> file = ReadFile(path);
    ASSERT_EQ(file[66] | (file[67] << 8), 37);
    std::vector<unsigned char> narrow = file;
    narrow[66] = 36;
    CRasterImage img;
    EXPECT_FALSE(Decode(img, narrow, RASTER_FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "corrupted PCX");

    // 1 x 1 at 8 bits: a run of 3 where one byte remains.
    std::vector<unsigned char> tiny(128, 0);
    tiny[0] = 10;
    tiny[1] = 5;
    tiny[2] = 1;
    tiny[3] = 8;
    tiny[65] = 1;
    tiny[66] = 2;
    std::vector<unsigned char> crossing = tiny;
    tiny.insert(tiny.end(), {0xC3, 7});
    EXPECT_FALSE(Decode(img, tiny, RASTER_FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "repeat count spans end of image");

    // 3 x 2 at 8 bits with 4 bytes per line: one run fills the second half
    // of the first row and the start of the second.
    crossing[8] = 2;
    crossing[10] = 1;
    crossing[66] = 4;
    crossing.insert(crossing.end(), {1, 2, 0xC4, 9, 3, 0});
    crossing.push_back(12);
    for (int i = 0; i < 256; i++)
        crossing.insert(crossing.end(), {BYTE(i), BYTE(255 - i), BYTE(i / 2)});
    ASSERT_TRUE(Decode(img, crossing, RASTER_FORMAT_PCX)) << img.GetLastError();
    EXPECT_EQ(PixelTopDown(img, 2, 0), (Rgb{9, 246, 4}));
    EXPECT_EQ(PixelTopDown(img, 2, 1), (Rgb{3, 252, 1}));
    EXPECT_EQ(PixelTopDown(img, 0, 1), (Rgb{9, 246, 4}));
}

TEST(PcxEncode, ReadBackByNetpbm)
{
    std::string dir = ScratchDir("pcx");
    std::string png = dir + "/source.png";
    ASSERT_EQ(Shell("gm convert '" + MakeSourcePpm(dir) + "' '" + png + "'"), 0);
    CRasterImage colour, indexed(23, 13, 8), sixteen(19, 11, 4), bilevel(21, 9, 1), odd(5, 3, 24);
    ASSERT_TRUE(colour.Load(png.c_str(), RASTER_FORMAT_PNG));
    indexed.SetStdPalette();
    sixteen.SetStdPalette();
    // White first: the file's black-first planes must come out inverted.
    bilevel.SetPaletteColor(0, 255, 255, 255);
    bilevel.SetPaletteColor(1, 0, 0, 0);
    for (long y = 0; y < 13; y++)
        for (long x = 0; x < 23; x++) {
            indexed.SetPixelIndex(x, y, BYTE(x == 4 && y == 6 ? 0xC5 : x * 11 + y * 3));
            sixteen.SetPixelIndex(x, y, BYTE(x * 3 + y));
            bilevel.SetPixelIndex(x, y, BYTE((x * y) % 3 == 0));
            odd.SetPixelColor(x, y, RGB(x * 50, y * 90, 200));
        }
    for (CRasterImage* img : {&colour, &indexed, &sixteen, &bilevel, &odd}) {
        std::string path = dir + "/out" + std::to_string(img->GetBpp()) + "_" + std::to_string(img->GetWidth()) + ".pcx";
        ASSERT_TRUE(img->Save(path.c_str(), RASTER_FORMAT_PCX));
        EXPECT_EQ(MaxDifference(*img, Reference("pcxtoppm '" + path + "'")), 0) << path;
    }

    // Odd width 5 at 24 bits: 6 bytes per line, each plane row padded.
    std::vector<unsigned char> file = Encoded(odd, RASTER_FORMAT_PCX);
    EXPECT_EQ(file[65], 3);
    EXPECT_EQ(file[66], 6);
    const std::vector<unsigned char> top = {0, 50, 100, 150, 0xC1, 200, 0, 0xC5, 180, 0, 0xC5, 200, 0};
    EXPECT_EQ(std::vector<unsigned char>(file.begin() + 128, file.begin() + 128 + 13), top);

    // The lone index 0xC5 goes out as a run of one.
    file = Encoded(indexed, RASTER_FORMAT_PCX);
    const unsigned char lone[] = {0xC1, 0xC5};
    size_t rowStart = 128;
    bool found = std::search(file.begin() + long(rowStart), file.end() - 769, lone, lone + 2) != file.end() - 769;
    EXPECT_TRUE(found);
    EXPECT_EQ(file[file.size() - 769], 12);
}

TEST(Wbmp, ReadAndWrittenWithNetpbm)
{
    std::string dir = ScratchDir("wbmp");
    MakeSourcePpm(dir, 200, 100);
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert source.ppm -monochrome pbm:wide.pbm && "
                    "gm convert source.ppm -crop 13x5+40+20 -monochrome pbm:small.pbm"),
              0);
    ExpectDecodesLike(dir,
                      {{"wide.wbmp", "pbmtowbmp wide.pbm", "wbmptopbm IN"},
                       {"small.wbmp", "pbmtowbmp small.pbm", "wbmptopbm IN"}},
                      RASTER_FORMAT_WBMP);

    CRasterImage img(200, 100, 1);
    img.SetPaletteColor(0, 255, 255, 255);
    img.SetPaletteColor(1, 0, 0, 0);
    for (long y = 0; y < 100; y++)
        for (long x = 0; x < 200; x++)
            img.SetPixelIndex(x, y, BYTE((x / 7 + y / 3) & 1));
    std::vector<unsigned char> file = Encoded(img, RASTER_FORMAT_WBMP);
    // Sizes of 128 and more take two bytes, seven bits each.
    EXPECT_EQ(std::vector<unsigned char>(file.begin(), file.begin() + 5),
              (std::vector<unsigned char>{0, 0, 0x81, 0x48, 100}));
    std::string path = dir + "/ours.wbmp";
    WriteFile(path, file);
    EXPECT_EQ(MaxDifference(img, Reference("wbmptopbm '" + path + "'")), 0);

    CRasterImage wide(300, 10, 1), colour(10, 10, 8);
    EXPECT_FALSE(wide.Save(path.c_str(), RASTER_FORMAT_WBMP));
    EXPECT_STREQ(wide.GetLastError(), "Can't save this image as WBMP");
    EXPECT_FALSE(colour.Save(path.c_str(), RASTER_FORMAT_WBMP));
}

// 128 is the first width that takes two header bytes: 0x81 (one group of
// 128, more to come) and 0x00.
TEST(Wbmp, WidthOf128TakesTwoHeaderBytes)
{
    CRasterImage img(128, 3, 1);
    img.SetPaletteColor(0, 0, 0, 0);
    img.SetPaletteColor(1, 255, 255, 255);
    for (long y = 0; y < 3; y++)
        for (long x = 0; x < 128; x++)
            img.SetPixelIndex(x, y, BYTE((x * 5 + y * 3) % 7 < 3));
    std::vector<unsigned char> file = Encoded(img, RASTER_FORMAT_WBMP);
    ASSERT_EQ(file.size(), 5u + 3 * 16);
    EXPECT_EQ(std::vector<unsigned char>(file.begin(), file.begin() + 5), (std::vector<unsigned char>{0, 0, 0x81, 0x00, 3}));
    std::string path = ScratchDir("wbmp") + "/128.wbmp";
    WriteFile(path, file);
    EXPECT_EQ(MaxDifference(img, Reference("wbmptopbm '" + path + "'")), 0);

    CRasterImage decoded;
    ASSERT_TRUE(Decode(decoded, file, RASTER_FORMAT_WBMP)) << decoded.GetLastError();
    ASSERT_EQ(decoded.GetWidth(), 128u);
    ASSERT_EQ(decoded.GetHeight(), 3u);
    for (long y = 0; y < 3; y++)
        for (long x = 0; x < 128; x++)
            ASSERT_EQ(decoded.GetPixelIndex(x, y), img.GetPixelIndex(x, y)) << x << "," << y;
}
