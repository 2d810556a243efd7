// PNM, PGX and Sun raster through the JPEG 2000 family's adapter, against
// files written and read by netpbm and GraphicsMagick.
#include <gtest/gtest.h>

#include <cstring>

#include "MemoryStream.h"
#include "RasterImage.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

CRasterImage LoadOrFail(const std::string& path, DWORD type)
{
    CRasterImage img;
    EXPECT_TRUE(img.Load(path.c_str(), type)) << path << ": " << img.GetLastError();
    return img;
}

std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

} // namespace

TEST(JasDecode, PnmVariantsMatchNetpbm)
{
    std::string dir = ScratchDir("jas");
    std::string ppm = MakeSourcePpm(dir);
    Pnm ref = Reference("cat '" + ppm + "'");
    ASSERT_EQ(Shell("pnmtoplainpnm '" + ppm + "' > '" + dir + "/plain.ppm'"), 0);
    // maxval 200 is stretched to the full 8-bit range, 16 bits are scaled.
    ASSERT_EQ(Shell("pamdepth 200 '" + ppm + "' > '" + dir + "/m200.ppm'"), 0);
    ASSERT_EQ(Shell("pamdepth 65535 '" + ppm + "' > '" + dir + "/deep.ppm'"), 0);
    for (const char* name : {"/source.ppm", "/plain.ppm"}) {
        CRasterImage img = LoadOrFail(dir + name, RASTER_FORMAT_PNM);
        EXPECT_EQ(img.GetBpp(), 24);
        EXPECT_EQ(MaxDifference(img, ref), 0) << name;
    }
    for (const char* name : {"/m200.ppm", "/deep.ppm"}) {
        CRasterImage img = LoadOrFail(dir + name, RASTER_FORMAT_PNM);
        EXPECT_LE(MaxDifference(img, ref), 1) << name;
    }

    ASSERT_EQ(Shell("ppmtopgm '" + ppm + "' > '" + dir + "/grey.pgm'"), 0);
    ASSERT_EQ(Shell("pgmtopbm -threshold '" + dir + "/grey.pgm' > '" + dir + "/bits.pbm'"), 0);
    ASSERT_EQ(Shell("pnmtoplainpnm '" + dir + "/bits.pbm' > '" + dir + "/plain.pbm'"), 0);
    CRasterImage grey = LoadOrFail(dir + "/grey.pgm", RASTER_FORMAT_PNM);
    EXPECT_EQ(grey.GetBpp(), 8);
    EXPECT_EQ(MaxDifference(grey, Reference("cat '" + dir + "/grey.pgm'")), 0);
    Pnm bits = Reference("cat '" + dir + "/bits.pbm'");
    for (const char* name : {"/bits.pbm", "/plain.pbm"}) {
        CRasterImage img = LoadOrFail(dir + name, RASTER_FORMAT_PNM);
        EXPECT_EQ(img.GetBpp(), 1);
        EXPECT_EQ(MaxDifference(img, bits), 0) << name;
    }
}

TEST(JasDecode, SunRasterFromNetpbmAndGraphicsMagick)
{
    std::string dir = ScratchDir("jas");
    std::string ppm = MakeSourcePpm(dir);
    Pnm ref = Reference("cat '" + ppm + "'");
    ASSERT_EQ(Shell("pnmtorast '" + ppm + "' > '" + dir + "/std.ras'"), 0);
    ASSERT_EQ(Shell("pnmtorast -rle '" + ppm + "' > '" + dir + "/rle.ras'"), 0);
    ASSERT_EQ(Shell("gm convert '" + ppm + "' '" + dir + "/gm.ras'"), 0);
    for (const char* name : {"/std.ras", "/rle.ras", "/gm.ras"}) {
        CRasterImage img = LoadOrFail(dir + name, RASTER_FORMAT_RAS);
        EXPECT_EQ(MaxDifference(img, ref), 0) << name;
    }

    // Few colours: netpbm writes an 8-bit file with a colour map.
    ASSERT_EQ(Shell("gm convert -size 19x11 xc:'#c03010' -fill '#1080f0' -draw 'rectangle 2,1 9,7' "
                    "-depth 8 '" + dir + "/few.ppm' && pnmtorast -rle '" + dir + "/few.ppm' > '" +
                    dir + "/mapped.ras'"), 0);
    CRasterImage mapped = LoadOrFail(dir + "/mapped.ras", RASTER_FORMAT_RAS);
    EXPECT_EQ(MaxDifference(mapped, Reference("cat '" + dir + "/few.ppm'")), 0);

    ASSERT_EQ(Shell("ppmtopgm '" + ppm + "' | pgmtopbm -threshold > '" + dir + "/bits.pbm' && "
                    "pnmtorast '" + dir + "/bits.pbm' > '" + dir + "/bits.ras'"), 0);
    CRasterImage bits = LoadOrFail(dir + "/bits.ras", RASTER_FORMAT_RAS);
    EXPECT_EQ(bits.GetBpp(), 1);
    EXPECT_EQ(MaxDifference(bits, Reference("rasttopnm '" + dir + "/bits.ras'")), 0);
}

TEST(JasEncode, PnmAndSunRasterReadBackByNetpbm)
{
    std::string dir = ScratchDir("jas");
    std::string ppm = MakeSourcePpm(dir);
    Pnm ref = Reference("cat '" + ppm + "'");
    CRasterImage img = LoadOrFail(ppm, RASTER_FORMAT_PNM);
    ASSERT_TRUE(img.Save((dir + "/out.ppm").c_str(), RASTER_FORMAT_PNM)) << img.GetLastError();
    ASSERT_TRUE(img.Save((dir + "/out.ras").c_str(), RASTER_FORMAT_RAS)) << img.GetLastError();
    Pnm pnm = Reference("pamtopnm '" + dir + "/out.ppm'");
    Pnm ras = Reference("rasttopnm '" + dir + "/out.ras'");
    EXPECT_EQ(MaxDifference(img, pnm), 0);
    EXPECT_EQ(MaxDifference(img, ras), 0);
    EXPECT_EQ(MaxDifference(img, ref), 0);

    ASSERT_EQ(Shell("ppmtopgm '" + ppm + "' > '" + dir + "/grey.pgm'"), 0);
    CRasterImage indexed = LoadOrFail(dir + "/grey.pgm", RASTER_FORMAT_PNM);
    ASSERT_TRUE(indexed.Save((dir + "/grey.ras").c_str(), RASTER_FORMAT_RAS));
    ASSERT_TRUE(indexed.Save((dir + "/grey-out.pgm").c_str(), RASTER_FORMAT_PNM));
    EXPECT_EQ(Capture("head -c 2 '" + dir + "/grey-out.pgm'"), "P5");
    Pnm greyRef = Reference("cat '" + dir + "/grey.pgm'");
    EXPECT_EQ(MaxDifference(indexed, Reference("rasttopnm '" + dir + "/grey.ras'")), 0);
    EXPECT_EQ(MaxDifference(indexed, greyRef), 0);
}

TEST(JasPgx, DepthSignAndByteOrder)
{
    // 3 x 2, 12 bits signed, little endian: -2048, -1, 0, 1, 2047, 300.
    std::vector<unsigned char> file = Bytes("PG LM - 12 3 2\n");
    for (int v : {-2048, -1, 0, 1, 2047, 300}) {
        file.push_back(static_cast<unsigned char>(v & 0xFF));
        file.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    }
    CRasterImage img;
    ASSERT_TRUE(img.Decode(file.data(), DWORD(file.size()), RASTER_FORMAT_PGX)) << img.GetLastError();
    // Deeper than 8 bits: shown through the colour conversion, scaled so
    // that the signed range runs from black to white.
    ASSERT_EQ(img.GetBpp(), 24);
    const int expected[6] = {0, 127, 128, 128, 255, 146};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(PixelTopDown(img, i % 3, i / 3).g, expected[i]) << i;

    // 8 bits unsigned, big endian: one grey frame; any other frame is refused.
    std::vector<unsigned char> eight = Bytes("PG ML + 8 2 1\n");
    eight.push_back(7);
    eight.push_back(250);
    CRasterImage grey;
    ASSERT_TRUE(grey.Decode(eight.data(), DWORD(eight.size()), RASTER_FORMAT_PGX));
    EXPECT_EQ(grey.GetBpp(), 8);
    EXPECT_EQ(grey.GetNumFrames(), 1);
    EXPECT_EQ(grey.GetPixelIndex(0, 0), 7);
    EXPECT_EQ(grey.GetPixelIndex(1, 0), 250);
    CRasterImage second;
    second.SetFrame(1);
    EXPECT_FALSE(second.Decode(eight.data(), DWORD(eight.size()), RASTER_FORMAT_PGX));
    EXPECT_STREQ(second.GetLastError(), "wrong frame!");

    // Round trip of a grey image; a colour one cannot be PGX.
    CMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(grey.Encode(&out, RASTER_FORMAT_PGX));
    std::string written(reinterpret_cast<char*>(out.GetBuffer(false)), size_t(out.Size()));
    EXPECT_EQ(written, std::string("PG ML + 8 2 1\n\x07\xfa", 16));
    CMemoryStream colourOut;
    ASSERT_TRUE(colourOut.Open());
    EXPECT_FALSE(img.Encode(&colourOut, RASTER_FORMAT_PGX));
    EXPECT_STREQ(img.GetLastError(), "PGX can save only GrayScale images");
}

TEST(JasDispatch, ProbeRecognisesTheFamilyAndRefusesPalettes)
{
    std::string dir = ScratchDir("jas");
    std::string ppm = MakeSourcePpm(dir);
    ASSERT_EQ(Shell("pnmtorast '" + ppm + "' > '" + dir + "/a.ras'"), 0);
    for (const char* name : {"/source.ppm", "/a.ras"}) {
        CRasterImage img;
        ASSERT_TRUE(img.Load((dir + name).c_str(), RASTER_FORMAT_UNKNOWN)) << name;
        EXPECT_EQ(MaxDifference(img, Reference("cat '" + ppm + "'")), 0) << name;
    }
    CRasterImage palette(5, 3, 4);
    palette.SetStdPalette();
    for (DWORD type : {DWORD(RASTER_FORMAT_PNM), DWORD(RASTER_FORMAT_RAS), DWORD(RASTER_FORMAT_JP2)}) {
        CMemoryStream out;
        ASSERT_TRUE(out.Open());
        EXPECT_FALSE(palette.Encode(&out, type));
        EXPECT_STREQ(palette.GetLastError(), "JasPer can save only RGB or GrayScale images");
    }
    // A header that promises more pixels than the file holds is refused
    // before anything is allocated for them.
    std::vector<unsigned char> bomb = Bytes("P6\n60000 60000\n255\n");
    bomb.resize(bomb.size() + 100, 0x41);
    CRasterImage img;
    EXPECT_FALSE(img.Decode(bomb.data(), DWORD(bomb.size()), RASTER_FORMAT_PNM));
    EXPECT_STREQ(img.GetLastError(), "error: cannot load image data");
}
