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

namespace {

// The bytes of a file written through the adapter.
std::vector<unsigned char> Encoded(CRasterImage& img, DWORD type, BYTE quality)
{
    img.SetJpegQuality(quality);
    CMemoryStream out;
    EXPECT_TRUE(out.Open());
    EXPECT_TRUE(img.Encode(&out, type)) << img.GetLastError();
    unsigned char* data = out.GetBuffer(false);
    return std::vector<unsigned char>(data, data + out.Size());
}

uint32_t Be32(const std::vector<unsigned char>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

} // namespace

TEST(JasJpeg2000, LosslessRoundTripsAndTheFileStructure)
{
    std::string dir = ScratchDir("jas");
    std::string ppm = MakeSourcePpm(dir);
    CRasterImage colour = LoadOrFail(ppm, RASTER_FORMAT_PNM);
    std::vector<unsigned char> jp2 = Encoded(colour, RASTER_FORMAT_JP2, 100);
    // Signature, file type, header (image header, colour), codestream.
    ASSERT_GT(jp2.size(), 60u);
    EXPECT_EQ(Be32(jp2, 0), 12u);
    EXPECT_EQ(Be32(jp2, 4), 0x6A502020u);
    EXPECT_EQ(Be32(jp2, 16), 0x66747970u);
    size_t header = 12 + Be32(jp2, 12);
    EXPECT_EQ(Be32(jp2, header + 4), 0x6A703268u);
    EXPECT_EQ(Be32(jp2, header + 12), 0x69686472u);
    EXPECT_EQ(Be32(jp2, header + 16), 23u);  // height
    EXPECT_EQ(Be32(jp2, header + 20), 37u);  // width
    size_t codestream = header + Be32(jp2, header);
    EXPECT_EQ(Be32(jp2, codestream + 4), 0x6A703263u);
    EXPECT_EQ(codestream + Be32(jp2, codestream), jp2.size());

    CRasterImage back;
    ASSERT_TRUE(back.Decode(jp2.data(), DWORD(jp2.size()), RASTER_FORMAT_JP2)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), DWORD(RASTER_FORMAT_JP2));
    EXPECT_EQ(MaxDifference(back, Reference("cat '" + ppm + "'")), 0);

    ASSERT_EQ(Shell("ppmtopgm '" + ppm + "' > '" + dir + "/grey.pgm'"), 0);
    CRasterImage grey = LoadOrFail(dir + "/grey.pgm", RASTER_FORMAT_PNM);
    std::vector<unsigned char> jpc = Encoded(grey, RASTER_FORMAT_JPC, 100);
    ASSERT_GT(jpc.size(), 4u);
    EXPECT_EQ(jpc[0], 0xFF);
    EXPECT_EQ(jpc[1], 0x4F);
    CRasterImage greyBack;
    ASSERT_TRUE(greyBack.Decode(jpc.data(), DWORD(jpc.size()), RASTER_FORMAT_JPC));
    EXPECT_EQ(greyBack.GetBpp(), 8);
    EXPECT_EQ(MaxDifference(greyBack, Reference("cat '" + dir + "/grey.pgm'")), 0);

    // Through the probe: the file type decides.
    CRasterImage probed;
    ASSERT_TRUE(probed.Decode(jp2.data(), DWORD(jp2.size()), RASTER_FORMAT_UNKNOWN));
    EXPECT_EQ(MaxDifference(probed, Reference("cat '" + ppm + "'")), 0);
}

TEST(JasJpeg2000, LowerQualityGivesSmallerFilesCloseToTheSource)
{
    // Texture and noise, so that the lossless stream is far above the budget.
    const int width = 160, height = 120;
    CRasterImage img(width, height, 24);
    Pnm ref;
    ref.width = width;
    ref.height = height;
    uint32_t seed = 12345;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = int((seed >> 16) & 31);
            Rgb c{(x * 3 + noise) & 255, (y * 5 + 2 * noise) & 255, ((x ^ y) * 2 + noise) & 255};
            ref.pixels.push_back(c);
            img.SetPixelColor(x, height - 1 - y, RGBQUAD{BYTE(c.b), BYTE(c.g), BYTE(c.r), 0});
        }
    auto squaredError = [&](const std::vector<unsigned char>& file) {
        CRasterImage back;
        EXPECT_TRUE(back.Decode(const_cast<unsigned char*>(file.data()), DWORD(file.size()),
                                RASTER_FORMAT_JP2)) << back.GetLastError();
        double squared = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                Rgb a = PixelTopDown(back, x, y), b = ref.At(x, y);
                squared += (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
            }
        return squared / (3.0 * width * height);
    };
    std::vector<unsigned char> full = Encoded(img, RASTER_FORMAT_JP2, 100);
    std::vector<unsigned char> half = Encoded(img, RASTER_FORMAT_JP2, 50);
    std::vector<unsigned char> tenth = Encoded(img, RASTER_FORMAT_JP2, 10);
    // The rate is the share of the raw samples; the boxes come on top.
    EXPECT_LE(tenth.size(), size_t(width * height * 3 / 10 + 200));
    EXPECT_LE(half.size(), size_t(width * height * 3 / 2 + 200));
    EXPECT_LT(tenth.size(), half.size());
    EXPECT_EQ(squaredError(full), 0.0);
    double halfError = squaredError(half), tenthError = squaredError(tenth);
    EXPECT_GT(halfError, 0.0);
    EXPECT_LT(halfError, tenthError);
    // Above 20 dB even at a tenth of the data.
    EXPECT_LT(tenthError, 650.0);
}
