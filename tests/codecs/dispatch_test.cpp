#include <gtest/gtest.h>

#include <cstring>

#include "MemoryStream.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

struct Samples {
    std::string dir, bmp, jpg, png, ico, text;
    Samples() : dir(ScratchDir("dispatch"))
    {
        std::string src = MakeSourcePpm(dir, 20, 10);
        bmp = dir + "/a.bmp";
        jpg = dir + "/a.jpg";
        png = dir + "/a.png";
        ico = dir + "/a.ico";
        text = dir + "/a.txt";
        EXPECT_EQ(Shell("gm convert '" + src + "' BMP3:'" + bmp + "'"), 0);
        EXPECT_EQ(Shell("cjpeg '" + src + "' > '" + jpg + "'"), 0);
        EXPECT_EQ(Shell("pnmtopng -force '" + src + "' > '" + png + "'"), 0);
        EXPECT_EQ(Shell("icotool -c -o '" + ico + "' '" + png + "'"), 0);
        WriteFile(text, std::vector<unsigned char>(300, 'q'));
    }
};

} // namespace

TEST(Dispatch, ProbeFindsEachFormat)
{
    Samples s;
    struct { std::string path; unsigned type; } cases[] = {
        {s.bmp, RASTER_FORMAT_BMP}, {s.jpg, RASTER_FORMAT_JPG}, {s.png, RASTER_FORMAT_PNG}, {s.ico, RASTER_FORMAT_ICO}};
    for (auto& c : cases) {
        CRasterImage img;
        ASSERT_TRUE(img.Load(c.path.c_str(), 0)) << c.path << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), c.type) << c.path;
        EXPECT_EQ(img.GetWidth(), 20u);
        // A wrong id falls back to the probe.
        CRasterImage wrong;
        ASSERT_TRUE(wrong.Load(c.path.c_str(), c.type == RASTER_FORMAT_BMP ? RASTER_FORMAT_PNG : RASTER_FORMAT_BMP));
        EXPECT_EQ(wrong.GetType(), c.type);
    }
}

TEST(Dispatch, FailureTextsOfLoad)
{
    Samples s;
    CRasterImage byId;
    EXPECT_FALSE(byId.Load(s.text.c_str(), RASTER_FORMAT_JPG));
    EXPECT_STRNE(byId.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_STRNE(byId.GetLastError(), "");
    CRasterImage any;
    EXPECT_FALSE(any.Load(s.text.c_str(), 0));
    EXPECT_STREQ(any.GetLastError(), "Decode: Unknown or wrong format");
    CRasterImage later;
    EXPECT_FALSE(later.Load(s.text.c_str(), RASTER_FORMAT_TGA));
    EXPECT_STREQ(later.GetLastError(), "Unknown TGA image type");
    CRasterImage jas;
    EXPECT_FALSE(jas.Load(s.text.c_str(), RASTER_FORMAT_JP2));
    EXPECT_STREQ(jas.GetLastError(), "error: cannot load image data");
    CRasterImage missing;
    EXPECT_FALSE(missing.Load((s.dir + "/none.png").c_str(), 0));

    // A failed decode keeps the picture that was there.
    CRasterImage kept(s.png.c_str(), 0);
    ASSERT_TRUE(kept.IsValid());
    EXPECT_FALSE(kept.Load(s.text.c_str(), 0));
    EXPECT_TRUE(kept.IsValid());
    EXPECT_EQ(kept.GetWidth(), 20u);
}

TEST(Dispatch, ProbeRestartsAtTheStreamPosition)
{
    Samples s;
    std::vector<unsigned char> png = ReadFile(s.png);
    std::vector<unsigned char> buffer(100 + png.size(), 0xEE);
    memcpy(buffer.data() + 100, png.data(), png.size());
    CMemoryStream stream(buffer.data(), DWORD(buffer.size()));
    stream.Seek(100, 0);
    CRasterImage img;
    ASSERT_TRUE(img.Decode(&stream, 0)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), unsigned(RASTER_FORMAT_PNG));
}

TEST(Dispatch, EncodeEntryPoints)
{
    Samples s;
    CRasterImage img(s.bmp.c_str(), 0);
    ASSERT_TRUE(img.IsValid());

    BYTE* buffer = nullptr;
    long size = 0;
    ASSERT_TRUE(img.Encode(buffer, size, RASTER_FORMAT_PNG));
    ASSERT_NE(buffer, nullptr);
    CRasterImage back(buffer, DWORD(size), 0);
    EXPECT_EQ(back.GetType(), unsigned(RASTER_FORMAT_PNG));
    BYTE* kept = buffer;
    EXPECT_FALSE(img.Encode(buffer, size, RASTER_FORMAT_PNG));
    EXPECT_STREQ(img.GetLastError(), "the buffer must be empty");
    EXPECT_EQ(buffer, kept);
    CRasterImage::FreeMemory(buffer);

    EXPECT_FALSE(img.Save((s.dir + "/x.wmf").c_str(), RASTER_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "Save WMF not supported");
    EXPECT_FALSE(img.Save((s.dir + "/x.bin").c_str(), 0));
    EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format");
    CRasterImage* pages[1] = {&img};
    CMemoryStream out;
    out.Open();
    EXPECT_FALSE(img.Encode(&out, pages, 1, RASTER_FORMAT_JPG));
    EXPECT_STREQ(img.GetLastError(), "Multipage Encode, Unsupported operation for this format");
    EXPECT_FALSE(img.Encode(static_cast<CByteStream*>(nullptr), RASTER_FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    CRasterImage empty;
    EXPECT_FALSE(empty.Encode(&out, RASTER_FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    CRasterImage two(2, 1, 24);
    two.SetPixelColor(0, 0, RGB(1, 2, 3));
    two.SetPixelColor(1, 0, RGB(4, 5, 6));
    BYTE* rgba = nullptr;
    ASSERT_TRUE(two.Encode2RGBA(rgba, size));
    ASSERT_EQ(size, 8);
    const BYTE expected[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_EQ(memcmp(rgba, expected, 8), 0);
    CRasterImage::FreeMemory(rgba);
}

TEST(Dispatch, SaveLeavesAnExistingFileAloneWhenEncodingFails)
{
    Samples s;
    std::vector<unsigned char> before = ReadFile(s.jpg);
    CRasterImage colour(4, 4, 8);
    colour.SetStdPalette();
    EXPECT_FALSE(colour.Save(s.jpg.c_str(), RASTER_FORMAT_JPG));
    EXPECT_EQ(ReadFile(s.jpg), before);
    CRasterImage empty;
    EXPECT_FALSE(empty.Save(s.jpg.c_str(), RASTER_FORMAT_JPG));
    EXPECT_FALSE(empty.Save(s.jpg.c_str(), RASTER_FORMAT_GIF));
    EXPECT_EQ(ReadFile(s.jpg), before);
}

TEST(Rasterconv, ConvertsReportsAndFailsCleanly)
{
    Samples s;
    std::string tool = std::string(BINARY_DIR) + "/tools/rasterconv";
    std::string out = Capture("'" + tool + "' '" + s.jpg + "' '" + s.dir + "/c.PNG'");
    EXPECT_NE(out.find("width=20\nheight=10\nbpp=24\nformat=3\nframes=0"), std::string::npos) << out;
    EXPECT_EQ(Shell("pngcheck -q '" + s.dir + "/c.PNG'"), 0);
    EXPECT_EQ(Shell("'" + tool + "' '" + s.text + "' '" + s.dir + "/d.png'"), 1);
    EXPECT_EQ(Shell("'" + tool + "' '" + s.png + "' '" + s.dir + "/d.wmf'"), 1);
    EXPECT_EQ(Shell("'" + tool + "' only-one"), 2);
}
