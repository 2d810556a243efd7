#include <gtest/gtest.h>

#include <cstring>

#include "MemoryStream.h"
#include "RasterICO.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

void Put16(std::vector<unsigned char>& v, unsigned x) { v.push_back(BYTE(x)); v.push_back(BYTE(x >> 8)); }
void Put32(std::vector<unsigned char>& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

// One 8 x 2 icon image at 8 bits, assembled by hand.
std::vector<unsigned char> MakeIcon(int entryWidth, uint32_t storedColours, unsigned char maskByte)
{
    std::vector<unsigned char> v;
    Put16(v, 0); Put16(v, 1); Put16(v, 1);
    v.push_back(BYTE(entryWidth)); v.push_back(2); v.push_back(0); v.push_back(0);
    Put16(v, 1); Put16(v, 8); Put32(v, 40 + 1024 + 16 + 8); Put32(v, 22);
    Put32(v, 40); Put32(v, 8); Put32(v, 4); Put16(v, 1); Put16(v, 8); Put32(v, 0); Put32(v, 16);
    Put32(v, 0); Put32(v, 0); Put32(v, storedColours); Put32(v, 0);
    for (int i = 0; i < 256; i++) {
        v.push_back(BYTE(i)); v.push_back(BYTE(255 - i)); v.push_back(BYTE(i / 2)); v.push_back(0);
    }
    for (int i = 0; i < 16; i++)
        v.push_back(BYTE(i * 3));
    for (int i = 0; i < 8; i++)
        v.push_back(i < 4 ? maskByte : 0);
    return v;
}

std::string Png(const std::string& dir, const std::string& name, const std::string& cmd)
{
    std::string path = dir + "/" + name;
    EXPECT_EQ(Shell(cmd + " > '" + path + "'"), 0) << cmd;
    return path;
}

} // namespace

TEST(IcoDecode, IconsMadeByIcotool)
{
    std::string dir = ScratchDir("ico-decode");
    std::string src = MakeSourcePpm(dir, 32, 24);
    std::string grey = dir + "/grey.pgm";
    ASSERT_EQ(Shell("ppmtopgm '" + src + "' > '" + grey + "'"), 0);
    std::string rgba = Png(dir, "rgba.png", "pnmtopng -force -alpha '" + grey + "' '" + src + "'");
    std::string pal = Png(dir, "pal.png", "pnmtopng '" + src + "'");
    std::string mono = Png(dir, "mono.png", "ppmtopgm '" + src + "' | pgmtopbm -threshold | pnmtopng");

    struct { const char* name; std::string png; int depth; } cases[] = {
        {"a32.ico", rgba, 32}, {"p8.ico", pal, 8}, {"p4.ico", mono, 4}, {"p1.ico", mono, 1}, {"c24.ico", pal, 24},
    };
    for (auto& c : cases) {
        std::string ico = dir + "/" + c.name;
        ASSERT_EQ(Shell("icotool -c -b " + std::to_string(c.depth) + " -o '" + ico + "' '" + c.png + "'"), 0) << c.name;
        CRasterImage img;
        ASSERT_TRUE(img.Load(ico.c_str(), 0)) << c.name << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), unsigned(RASTER_FORMAT_ICO));
        EXPECT_EQ(img.GetNumFrames(), 1);
        Pnm ref = Reference("pngtopnm '" + c.png + "'");
        if (c.depth == 32) {
            Pnm alpha = Reference("pngtopnm -alpha '" + c.png + "'");
            for (int y = 0; y < ref.height; y++)
                for (int x = 0; x < ref.width; x++) {
                    int a = alpha.At(x, y).r;
                    int ours = img.AlphaGet(x, ref.height - 1 - y);
                    // Pixels at or under icotool's threshold are masked out as well.
                    ASSERT_EQ(ours, a <= 127 ? 0 : a) << x << "," << y;
                    if (a > 127) {
                        ASSERT_EQ(PixelTopDown(img, x, y), ref.At(x, y)) << x << "," << y;
                    }
                }
        } else {
            EXPECT_EQ(MaxDifference(img, ref), 0) << c.name;
        }
    }

    std::string multi = dir + "/multi.ico";
    ASSERT_EQ(Shell("icotool -c -o '" + multi + "' '" + pal + "' '" + mono + "'"), 0);
    CRasterImage second;
    second.SetFrame(1);
    ASSERT_TRUE(second.Load(multi.c_str(), RASTER_FORMAT_ICO)) << second.GetLastError();
    EXPECT_EQ(second.GetNumFrames(), 2);
    EXPECT_EQ(MaxDifference(second, Reference("pngtopnm '" + mono + "'")), 0);
    CRasterImage third;
    third.SetFrame(2);
    EXPECT_FALSE(third.Load(multi.c_str(), RASTER_FORMAT_ICO));
}

TEST(IcoDecode, StoredColourCountMaskAndBrokenEntries)
{
    // A stored colour count of 0 still reads the whole palette.
    std::vector<unsigned char> icon = MakeIcon(8, 0, 0);
    CRasterImage img(icon.data(), DWORD(icon.size()), RASTER_FORMAT_ICO);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(img.GetPaletteColor(6).rgbGreen, 249);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 6);
    EXPECT_FALSE(img.AlphaIsValid());

    // An all-set mask: inverted picture, index 0 transparent.
    icon = MakeIcon(8, 256, 0xFF);
    for (size_t i = icon.size() - 4; i < icon.size(); i++)
        icon[i] = 0xFF;
    CRasterImage inverted(icon.data(), DWORD(icon.size()), RASTER_FORMAT_ICO);
    ASSERT_TRUE(inverted.IsValid());
    EXPECT_EQ(inverted.GetTransIndex(), 0);
    EXPECT_EQ(inverted.GetPaletteColor(6).rgbBlue, 255 - 6);

    // Some masked pixels take the lowest unused index, which becomes transparent.
    icon = MakeIcon(8, 256, 0x80);
    CRasterImage masked(icon.data(), DWORD(icon.size()), RASTER_FORMAT_ICO);
    ASSERT_TRUE(masked.IsValid());
    EXPECT_EQ(masked.GetTransIndex(), 1);
    EXPECT_EQ(masked.GetPixelIndex(0, 0), 1);
    EXPECT_FALSE(masked.AlphaIsValid());

    // Width 0 (a 256-pixel icon) fails in Create, and the decode ends there.
    icon = MakeIcon(0, 256, 0);
    CRasterImage wide(icon.data(), DWORD(icon.size()), RASTER_FORMAT_ICO);
    EXPECT_FALSE(wide.IsValid());
    EXPECT_STREQ(wide.GetLastError(), "CRasterImage::Create : width and height must be greater than zero");

    std::vector<unsigned char> many = {0, 0, 1, 0, 0xFF, 0xFF};
    CRasterImage hostile(many.data(), DWORD(many.size()), RASTER_FORMAT_ICO);
    EXPECT_FALSE(hostile.IsValid());
    EXPECT_STRNE(hostile.GetLastError(), "");
    icon = MakeIcon(8, 256, 0);
    for (size_t cut = 6; cut < icon.size(); cut += 97) {
        CRasterImage part;
        EXPECT_FALSE(part.Decode(icon.data(), DWORD(cut), RASTER_FORMAT_ICO)) << cut;
    }
    std::vector<unsigned char> sixteen = icon;
    sixteen[22 + 14] = 16;  // a depth whose rows this decoder does not read
    CRasterImage odd(sixteen.data(), DWORD(sixteen.size()), RASTER_FORMAT_ICO);
    EXPECT_FALSE(odd.IsValid());
    EXPECT_STREQ(odd.GetLastError(), "Unsupported icon image");
    icon[18] = 0xF0;  // image offset far beyond the file
    CRasterImage far(icon.data(), DWORD(icon.size()), RASTER_FORMAT_ICO);
    EXPECT_FALSE(far.IsValid());
}

// A bad directory and a frame beyond the count fail without a text of their
// own: the last-error text stays what it was.
TEST(IcoDecode, DirectoryFailuresKeepTheLastErrorText)
{
    std::vector<unsigned char> sixteen = MakeIcon(8, 256, 0);
    sixteen[22 + 14] = 16;
    CRasterICO ico;
    CMemoryStream first(sixteen.data(), DWORD(sixteen.size()));
    ASSERT_FALSE(ico.Decode(&first));
    ASSERT_STREQ(ico.GetLastError(), "Unsupported icon image");
    std::vector<unsigned char> cursor = MakeIcon(8, 256, 0);
    cursor[2] = 3;  // neither icon nor cursor
    CMemoryStream bad(cursor.data(), DWORD(cursor.size()));
    EXPECT_FALSE(ico.Decode(&bad));
    EXPECT_STREQ(ico.GetLastError(), "Unsupported icon image");
    std::vector<unsigned char> good = MakeIcon(8, 256, 0);
    ico.SetFrame(1);
    CMemoryStream beyond(good.data(), DWORD(good.size()));
    EXPECT_FALSE(ico.Decode(&beyond));
    EXPECT_STREQ(ico.GetLastError(), "Unsupported icon image");
    EXPECT_EQ(ico.GetNumFrames(), 1);
}

TEST(IcoEncode, IcotoolReadsWhatWeWrite)
{
    std::string dir = ScratchDir("ico-encode");
    std::string src = MakeSourcePpm(dir, 32, 24);
    for (int bpp : {1, 4, 8, 24}) {
        std::string flags = bpp == 1 ? "-monochrome" : bpp == 4 ? "-colors 16" : bpp == 8 ? "-colors 200" : "";
        std::string bmp = dir + "/in" + std::to_string(bpp) + ".bmp";
        ASSERT_EQ(Shell("gm convert '" + src + "' " + flags + " BMP3:'" + bmp + "'"), 0);
        CRasterImage img(bmp.c_str(), RASTER_FORMAT_BMP);
        std::string ico = dir + "/out" + std::to_string(bpp) + ".ico";
        ASSERT_TRUE(img.Save(ico.c_str(), RASTER_FORMAT_ICO)) << img.GetLastError();
        std::string list = Capture("icotool -l '" + ico + "'");
        EXPECT_NE(list.find("--bit-depth=" + std::to_string(bpp)), std::string::npos) << list;
        std::string png = dir + "/x" + std::to_string(bpp) + ".png";
        ASSERT_EQ(Shell("icotool -x -o '" + png + "' '" + ico + "'"), 0);
        EXPECT_EQ(MaxDifference(img, Reference("pngtopnm '" + png + "'")), 0) << bpp;
    }

    CRasterImage alpha(16, 16, 24);
    alpha.Clear(90);
    alpha.AlphaCreate();
    alpha.AlphaSet(3, 15, 0);
    alpha.AlphaSet(4, 15, 200);
    std::string ico = dir + "/alpha.ico";
    ASSERT_TRUE(alpha.Save(ico.c_str(), RASTER_FORMAT_ICO));
    EXPECT_NE(Capture("icotool -l '" + ico + "'").find("--bit-depth=32"), std::string::npos);
    ASSERT_EQ(Shell("icotool -x -o '" + dir + "/alpha.png' '" + ico + "'"), 0);
    Pnm a = Reference("pngtopnm -alpha '" + dir + "/alpha.png'");
    EXPECT_EQ(a.At(3, 0).r, 0);
    EXPECT_EQ(a.At(4, 0).r, 200);
    EXPECT_EQ(a.At(5, 0).r, 255);
    CRasterImage back(ico.c_str(), RASTER_FORMAT_ICO);
    EXPECT_EQ(back.AlphaGet(4, 15), 200);
    EXPECT_EQ(back.AlphaGet(3, 15), 0);

    CRasterImage wide(300, 10, 24);
    EXPECT_FALSE(wide.Save((dir + "/wide.ico").c_str(), RASTER_FORMAT_ICO));
    EXPECT_STREQ(wide.GetLastError(), "Can't save this image as icon");
}
