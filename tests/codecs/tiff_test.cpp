// TIFF: files from GraphicsMagick and libtiff's tools decode to the pixels
// netpbm and GraphicsMagick read; our pages are read back by them.
#include <gtest/gtest.h>

#include <tiffio.h>

#include "MemoryStream.h"
#include "RasterTIF.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

std::string Gm(const std::string& path)
{
    return "gm convert '" + path + "' -depth 8 ppm:-";
}

std::string TiffInfo(const std::string& path)
{
    return Capture("tiffinfo '" + path + "' 2>/dev/null");
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Grey with alpha at 16 bits and CIE L*a*b* at 8 bits, written through
// libtiff itself since none of the tools writes them: `lab` holds the
// L*a*b* pixels of one row.
void WriteSamples(const std::string& path, uint16_t photometric, uint16_t samples, uint16_t bits, int width,
                  int height, const std::vector<uint8_t>& lab = {})
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(3));
    if (samples == 2) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
    }
    std::vector<uint8_t> row(size_t(width) * samples * bits / 8);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            for (int s = 0; s < samples; s++) {
                int v = (x * 37 + y * 11 + s * 90) % 256;
                if (photometric == PHOTOMETRIC_CIELAB)
                    v = lab[size_t(x) * 3 + size_t(s)];
                if (bits == 16) {
                    uint16_t w = uint16_t(v * 257 + (x & 1) * 200);
                    memcpy(&row[(size_t(x) * samples + s) * 2], &w, 2);
                } else {
                    row[size_t(x) * samples + s] = uint8_t(v);
                }
            }
        }
        ASSERT_EQ(TIFFWriteScanline(tif, row.data(), uint32_t(y), 0), 1);
    }
    TIFFClose(tif);
}

} // namespace

TEST(TiffDecode, MatchesIndependentReaders)
{
    std::string dir = ScratchDir("tiff");
    std::string src = MakeSourcePpm(dir);
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert source.ppm base.tif"), 0);
    // Name, writer, reader, largest difference allowed.
    const std::vector<std::tuple<std::string, std::string, std::string, int>> files = {
        {"lzw.tif", "tiffcp -c lzw base.tif OUT", "tifftopnm", 0},
        {"packbits.tif", "tiffcp -c packbits base.tif OUT", "tifftopnm", 0},
        {"zip.tif", "tiffcp -c zip base.tif OUT", "tifftopnm", 0},
        {"jpeg.tif", "tiffcp -c jpeg base.tif OUT", "gm", 0},
        {"tiled.tif", "tiffcp -t -w 16 -l 16 base.tif OUT", "tifftopnm", 0},
        {"tiled-lzw.tif", "tiffcp -c lzw -t -w 16 -l 32 base.tif OUT", "tifftopnm", 0},
        {"planes.tif", "tiffcp -p separate base.tif OUT", "tifftopnm", 0},
        {"rgb16.tif", "gm convert source.ppm -depth 16 OUT", "gm", 1},
        {"cmyk.tif", "gm convert source.ppm -colorspace CMYK OUT", "tifftopnm", 0},
        {"palette8.tif", "gm convert source.ppm -colors 200 -type palette OUT", "tifftopnm", 0},
        {"palette4.tif", "gm convert source.ppm -colors 16 -type palette -depth 4 OUT", "tifftopnm", 0},
        {"grey8.tif", "gm convert source.ppm -colorspace gray OUT", "tifftopnm", 0},
        {"grey16.tif", "gm convert source.ppm -colorspace gray -depth 16 OUT", "gm", 1},
        {"grey16-tiled.tif", "tiffcp -t -w 16 -l 16 grey16.tif OUT", "gm", 1},
        {"bilevel.tif", "gm convert source.ppm -monochrome OUT", "tifftopnm", 0},
        {"bilevel-g4.tif", "tiffcp -c g4 bilevel.tif OUT", "tifftopnm", 0},
    };
    for (const auto& f : files) {
        const std::string& name = std::get<0>(f);
        std::string writer = std::get<1>(f);
        writer.replace(writer.find("OUT"), 3, name);
        ASSERT_EQ(Shell("cd '" + dir + "' && " + writer), 0) << writer;
        std::string path = dir + "/" + name;
        CRasterImage img;
        ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_TIF)) << name << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), DWORD(RASTER_FORMAT_TIF));
        std::string reader = std::get<2>(f) == "gm" ? Gm(path) : "tifftopnm '" + path + "' 2>/dev/null";
        EXPECT_LE(MaxDifference(img, Reference(reader)), std::get<3>(f)) << name;
    }
    CRasterImage bilevel, grey16;
    ASSERT_TRUE(bilevel.Load((dir + "/bilevel.tif").c_str(), RASTER_FORMAT_TIF));
    EXPECT_EQ(bilevel.GetBpp(), 1);
    ASSERT_TRUE(grey16.Load((dir + "/grey16.tif").c_str(), RASTER_FORMAT_TIF));
    EXPECT_EQ(grey16.GetBpp(), 8);
}

// Sixteen-bit grey with alpha keeps the high byte of every sample, alpha
// included; L*a*b* goes through its own conversion.
TEST(TiffDecode, GreyAlphaAndLab)
{
    std::string dir = ScratchDir("tiff");
    std::string grey = dir + "/grey-alpha.tif", lab = dir + "/lab.tif";
    WriteSamples(grey, PHOTOMETRIC_MINISBLACK, 2, 16, 13, 7);
    // Black, white, L* 50 grey and the sRGB primaries, whose L*a*b* values
    // are rounded to bytes here.
    WriteSamples(lab, PHOTOMETRIC_CIELAB, 3, 8, 6, 2,
                 {0, 0, 0, 255, 0, 0, 128, 0, 0, 136, 80, 67, 224, uint8_t(-86), 83, 82, 79, uint8_t(-108)});
    CRasterImage img;
    ASSERT_TRUE(img.Load(grey.c_str(), RASTER_FORMAT_TIF)) << img.GetLastError();
    ASSERT_EQ(img.GetBpp(), 8);
    ASSERT_TRUE(img.AlphaIsValid());
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 13; x++) {
            int v = (x * 37 + y * 11) % 256, a = (x * 37 + y * 11 + 90) % 256;
            int high = (v * 257 + (x & 1) * 200) >> 8, highAlpha = (a * 257 + (x & 1) * 200) >> 8;
            EXPECT_EQ(PixelTopDown(img, x, y), (Rgb{high, high, high})) << x << "," << y;
            EXPECT_EQ(img.AlphaGet(x, 6 - y), highAlpha) << x << "," << y;
        }
    ASSERT_TRUE(img.Load(lab.c_str(), RASTER_FORMAT_TIF)) << img.GetLastError();
    ASSERT_EQ(img.GetBpp(), 24);
    const Rgb expected[6] = {{0, 0, 0}, {255, 255, 255}, {119, 119, 119}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int x = 0; x < 6; x++) {
        Rgb got = PixelTopDown(img, x, 1);
        EXPECT_LE(std::max({abs(got.r - expected[x].r), abs(got.g - expected[x].g), abs(got.b - expected[x].b)}), 8)
            << x << ": " << got;
    }
}

TEST(TiffDecode, PagesOrientationAndResolution)
{
    std::string dir = ScratchDir("tiff");
    MakeSourcePpm(dir);
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert source.ppm a.tif && gm convert source.ppm -rotate 180 b.tif &&"
                    " gm convert source.ppm -colorspace gray -depth 16 c.tif && tiffcp a.tif b.tif c.tif pages.tif"),
              0);
    std::string pages = dir + "/pages.tif";
    for (int page = 0; page < 3; page++) {
        CRasterImage img;
        img.SetFrame(page);
        ASSERT_TRUE(img.Load(pages.c_str(), RASTER_FORMAT_TIF));
        EXPECT_EQ(img.GetNumFrames(), 3);
        EXPECT_LE(MaxDifference(img, Reference(Gm(pages + "[" + std::to_string(page) + "]"))), page == 2 ? 1 : 0);
    }
    // One pass over the file hands the same pages, in order.
    std::vector<unsigned char> bytes = ReadFile(pages);
    CMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
    CRasterTIF codec;
    int handed = 0;
    ASSERT_TRUE(codec.DecodeFrames(&stream, [&](CRasterImage& page) {
        EXPECT_EQ(page.GetFrame(), handed);
        EXPECT_LE(MaxDifference(page, Reference(Gm(pages + "[" + std::to_string(handed) + "]"))), handed == 2 ? 1 : 0);
        ++handed;
        return true;
    }));
    EXPECT_EQ(handed, 3);

    CRasterImage missing;
    missing.SetFrame(3);
    FILE* fp = fopen(pages.c_str(), "rb");
    ASSERT_TRUE(fp);
    EXPECT_FALSE(missing.Decode(fp, RASTER_FORMAT_TIF));
    EXPECT_STREQ(missing.GetLastError(), "Error: page not present in TIFF file");
    // The caller's file stays open.
    EXPECT_EQ(fseek(fp, 0, SEEK_SET), 0);
    EXPECT_EQ(fgetc(fp), 'I');
    fclose(fp);

    // Orientation 6 shows the stored rows turned clockwise, 8 counter-
    // clockwise, 5 and 7 mirrored along a diagonal.
    const std::vector<std::pair<int, std::string>> turns = {
        {2, "-flop"}, {3, "-rotate 180"}, {4, "-flip"}, {5, "-rotate 90 -flop"},
        {6, "-rotate 90"}, {7, "-rotate 270 -flop"}, {8, "-rotate 270"}};
    // The second file goes through libtiff's RGBA reader.
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert source.ppm -colorspace CMYK cmyk.tif && "
                    "tifftopnm cmyk.tif > cmyk.ppm 2>/dev/null"),
              0);
    for (const std::string name : {"a", "cmyk"}) {
        std::string picture = dir + "/" + (name == "a" ? "source" : name) + ".ppm";
        for (const auto& turn : turns) {
            std::string path = dir + "/" + name + std::to_string(turn.first) + ".tif";
            ASSERT_EQ(Shell("cp '" + dir + "/" + name + ".tif' '" + path + "' && tiffset -s 274 " +
                            std::to_string(turn.first) + " '" + path + "'"),
                      0);
            CRasterImage img;
            ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_TIF));
            EXPECT_EQ(MaxDifference(img, Reference("gm convert '" + picture + "' " + turn.second + " -depth 8 ppm:-")),
                      0)
                << name << " orientation " << turn.first;
        }
    }

    std::string cm = dir + "/cm.tif";
    ASSERT_EQ(Shell("cp '" + dir + "/a.tif' '" + cm + "' && tiffset -s 296 3 '" + cm + "' && tiffset -s 282 118 '" +
                    cm + "' && tiffset -s 283 47 '" + cm + "'"),
              0);
    CRasterImage res;
    ASSERT_TRUE(res.Load(cm.c_str(), RASTER_FORMAT_TIF));
    EXPECT_EQ(res.GetXDPI(), 300);
    EXPECT_EQ(res.GetYDPI(), 119);
}

TEST(TiffEncode, DepthsAndCompressionsReadBack)
{
    std::string dir = ScratchDir("tiff");
    std::string png = dir + "/source.png";
    ASSERT_EQ(Shell("gm convert '" + MakeSourcePpm(dir) + "' '" + png + "'"), 0);
    CRasterImage colour;
    ASSERT_TRUE(colour.Load(png.c_str(), RASTER_FORMAT_PNG));
    CRasterImage grey4(37, 23, 4), grey8(37, 23, 8), colour4(37, 23, 4), bilevel(37, 23, 1);
    grey8.SetGrayPalette();
    grey4.SetGrayPalette();
    colour4.SetStdPalette();
    bilevel.SetPaletteColor(0, 0, 0, 0);
    bilevel.SetPaletteColor(1, 255, 255, 255);
    for (long y = 0; y < 23; y++)
        for (long x = 0; x < 37; x++) {
            grey8.SetPixelIndex(x, y, BYTE(x * 7 + y));
            grey4.SetPixelIndex(x, y, BYTE((x + 3 * y) % 16));
            colour4.SetPixelIndex(x, y, BYTE((2 * x + y) % 16));
            bilevel.SetPixelIndex(x, y, BYTE((x / 3 + y) & 1));
        }
    CRasterImage bilevelBefore(bilevel);
    struct Case {
        std::string name;
        CRasterImage* image;
        int option;
        std::string photometric, compression;
    };
    const std::vector<Case> cases = {
        {"rgb.tif", &colour, 0, "RGB color", "None"},
        {"rgb-lzw.tif", &colour, 1, "RGB color", "LZW"},
        {"rgb-other.tif", &colour, 7, "RGB color", "None"},
        {"grey8.tif", &grey8, 1, "min-is-black", "LZW"},
        {"grey4.tif", &grey4, 0, "min-is-black", "None"},
        {"colour4.tif", &colour4, 1, "palette color", "LZW"},
        {"bilevel.tif", &bilevel, 0, "min-is-white", "None"},
    };
    for (const Case& c : cases) {
        std::string path = dir + "/" + c.name;
        CRasterImage expected(*c.image);
        ASSERT_TRUE(c.image->Save(path.c_str(), RASTER_FORMAT_TIF, c.option)) << c.name;
        std::string info = TiffInfo(path);
        EXPECT_TRUE(Has(info, "Photometric Interpretation: " + c.photometric)) << c.name << "\n" << info;
        EXPECT_TRUE(Has(info, "Compression Scheme: " + c.compression)) << c.name << "\n" << info;
        EXPECT_EQ(Has(info, "Predictor: horizontal differencing"), c.option == 1 && c.image->GetBpp() >= 8) << c.name;
        EXPECT_EQ(MaxDifference(expected, Reference("tifftopnm '" + path + "' 2>/dev/null | pnmdepth 255")), 0) << c.name;
    }
    // The bilevel write swapped the black-first palette and inverted the bits.
    EXPECT_EQ(bilevel.GetPaletteColor(0).rgbRed, 255);
    EXPECT_EQ(bilevel.GetPixelIndex(0, 0), 1 - bilevelBefore.GetPixelIndex(0, 0));
    EXPECT_EQ(MaxDifference(bilevel, Reference("tifftopnm '" + dir + "/bilevel.tif' 2>/dev/null")), 0);

    std::string jpeg = dir + "/rgb-jpeg.tif";
    ASSERT_TRUE(colour.Save(jpeg.c_str(), RASTER_FORMAT_TIF, 2));
    std::string info = TiffInfo(jpeg);
    EXPECT_TRUE(Has(info, "Compression Scheme: JPEG")) << info;
    size_t rows = info.find("Rows/Strip: ");
    ASSERT_NE(rows, std::string::npos);
    EXPECT_EQ(atoi(info.c_str() + rows + 12) % 8, 0) << info;
    EXPECT_LE(MaxDifference(colour, Reference(Gm(jpeg))), 40);

    colour.AlphaCreate();
    for (long y = 0; y < 23; y++)
        for (long x = 0; x < 37; x++)
            colour.AlphaSet(x, y, BYTE(x * 6 + y));
    std::string rgba = dir + "/rgba.tif";
    ASSERT_TRUE(colour.Save(rgba.c_str(), RASTER_FORMAT_TIF));
    EXPECT_TRUE(Has(TiffInfo(rgba), "Samples/Pixel: 4"));
    Pnm alpha = Reference("tifftopnm -alphaout='" + dir + "/alpha.pgm' '" + rgba + "' >/dev/null 2>&1; cat '" + dir +
                          "/alpha.pgm'");
    ASSERT_EQ(alpha.width, 37);
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 37; x++)
            ASSERT_EQ(alpha.At(x, y).r, x * 6 + (22 - y)) << x << "," << y;
}

TEST(TiffEncode, PagesCarryTheirNumbersAndNames)
{
    std::string dir = ScratchDir("tiff");
    CRasterImage a(31, 19, 24), b(19, 31, 8), c(8, 5, 1);
    for (long y = 0; y < 31; y++)
        for (long x = 0; x < 31; x++) {
            a.SetPixelColor(x, y, RGB(x * 8, y * 13, 200 - x * 3));
            b.SetPixelIndex(x, y, BYTE(x * y));
            c.SetPixelIndex(x, y, BYTE((x ^ y) & 1));
        }
    b.SetStdPalette();
    c.SetPaletteColor(1, 255, 255, 255);
    CRasterImage* pages[] = {&a, &b, &c};
    CRasterImage owner;
    std::string path = dir + "/pages.tif";
    // Later pages link to earlier directories, which libtiff reads back.
    FILE* fp = fopen(path.c_str(), "w+b");
    ASSERT_TRUE(fp);
    ASSERT_TRUE(owner.Encode(fp, pages, 3, RASTER_FORMAT_TIF, 1)) << owner.GetLastError();
    fclose(fp);
    std::string info = TiffInfo(path);
    for (int page = 1; page <= 3; page++) {
        std::string n = std::to_string(page);
        EXPECT_TRUE(Has(info, "Page Number: " + n + "-" + n)) << info;
        EXPECT_TRUE(Has(info, "PageName: Page " + n)) << info;
    }
    EXPECT_TRUE(Has(info, "Subfile Type: multi-page document (2 = 0x2)")) << info;
    for (int page = 0; page < 3; page++) {
        EXPECT_EQ(MaxDifference(*pages[page], Reference(Gm(path + "[" + std::to_string(page) + "]"))), 0);
        CRasterImage back;
        back.SetFrame(page);
        ASSERT_TRUE(back.Load(path.c_str(), RASTER_FORMAT_TIF));
        EXPECT_EQ(back.GetNumFrames(), 3);
        EXPECT_EQ(MaxDifference(back, Reference(Gm(path + "[" + std::to_string(page) + "]"))), 0);
    }
    CMemoryStream out;
    ASSERT_TRUE(out.Open());
    EXPECT_FALSE(owner.Encode(&out, pages, 0, RASTER_FORMAT_TIF, 0));
    EXPECT_STREQ(owner.GetLastError(), "multipage TIFF, no images!");
}

// Resolutions and positions beyond the integer range saturate instead of
// overflowing the conversion.
TEST(TiffDecode, HugeResolutionAndPositionSaturate)
{
    std::string dir = ScratchDir("tiff");
    std::string src = MakeSourcePpm(dir);
    std::string tif = dir + "/huge.tif";
    ASSERT_EQ(Shell("gm convert '" + src + "' -compress None '" + tif + "' && tiffset -s 282 3e9 '" + tif +
                    "' && tiffset -s 286 4e9 '" + tif + "'"),
              0);
    CRasterImage img;
    ASSERT_TRUE(img.Load(tif.c_str(), RASTER_FORMAT_TIF)) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 37u);
    EXPECT_EQ(img.GetXDPI(), 2147483647L);
    long x = 0, y = 0;
    img.GetOffset(&x, &y);
    EXPECT_EQ(x, 2147483647L);
}

namespace {

// Straight (unassociated) colour with its alpha, the same picture at 8
// and 16 bits.
const uint8_t kRgba[4][4] = {{243, 231, 111, 220}, {10, 200, 30, 128}, {255, 0, 128, 255}, {90, 90, 200, 200}};

void WriteRgba(const std::string& path, uint16_t bits, uint16_t planar)
{
    const int width = 4, height = 3;
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(4));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, planar);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
    uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
    const int planes = planar == PLANARCONFIG_CONTIG ? 1 : 4;
    const int perPlane = 4 / planes;
    for (int plane = 0; plane < planes; plane++)
        for (int y = 0; y < height; y++) {
            std::vector<uint8_t> row(size_t(width) * perPlane * bits / 8);
            for (int x = 0; x < width; x++)
                for (int s = 0; s < perPlane; s++) {
                    uint8_t v = kRgba[(x + y) % 4][plane + s];
                    size_t at = size_t(x) * perPlane + size_t(s);
                    if (bits == 16) {
                        uint16_t w = uint16_t(v * 257);
                        memcpy(&row[2 * at], &w, 2);
                    } else {
                        row[at] = v;
                    }
                }
            ASSERT_EQ(TIFFWriteScanline(tif, row.data(), uint32_t(y), uint16_t(plane)), 1);
        }
    TIFFClose(tif);
}

} // namespace

// Colour stays apart from an unassociated alpha at every depth and sample
// layout, as the image's alpha drawing expects; libtiff's RGBA reader,
// which takes separate planes, multiplies them, and that is undone to the
// nearest level.
TEST(TiffDecode, UnassociatedAlphaKeepsStraightColour)
{
    std::string dir = ScratchDir("tiff");
    struct Layout {
        const char* name;
        uint16_t bits, planar;
        int tolerance;
    };
    for (Layout layout : {Layout{"rgba8.tif", 8, PLANARCONFIG_CONTIG, 0},
                          Layout{"rgba16.tif", 16, PLANARCONFIG_CONTIG, 0},
                          Layout{"planes.tif", 8, PLANARCONFIG_SEPARATE, 1}}) {
        SCOPED_TRACE(layout.name);
        std::string path = dir + "/" + layout.name;
        WriteRgba(path, layout.bits, layout.planar);
        CRasterImage img;
        ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_TIF)) << img.GetLastError();
        ASSERT_EQ(img.GetBpp(), 24);
        ASSERT_TRUE(img.AlphaIsValid());
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 4; x++) {
                const uint8_t* want = kRgba[(x + y) % 4];
                Rgb got = PixelTopDown(img, x, y);
                EXPECT_LE(std::max({abs(got.r - want[0]), abs(got.g - want[1]), abs(got.b - want[2])}),
                          layout.tolerance)
                    << x << "," << y << ": " << got;
                EXPECT_EQ(img.AlphaGet(x, 2 - y), want[3]) << x << "," << y;
            }
    }
}

// A stream opened for writing alone takes whole files, one page or many,
// and a stream that cannot take them gives a reason.
TEST(TiffEncode, WriteOnlyStreamsAndFailedWrites)
{
    std::string dir = ScratchDir("tiff");
    CRasterImage a(31, 19, 24), b(19, 31, 8);
    for (long y = 0; y < 31; y++)
        for (long x = 0; x < 31; x++) {
            a.SetPixelColor(x, y, RGB(x * 8, y * 13, 200 - x * 3));
            b.SetPixelIndex(x, y, BYTE(x * y));
        }
    b.SetStdPalette();
    CRasterImage* pages[] = {&a, &b, &a};

    std::string single = dir + "/single.tif", many = dir + "/many.tif";
    FILE* fp = fopen(single.c_str(), "wb");
    ASSERT_TRUE(fp);
    EXPECT_TRUE(a.Encode(fp, RASTER_FORMAT_TIF)) << a.GetLastError();
    fclose(fp);
    EXPECT_EQ(MaxDifference(a, Reference(Gm(single))), 0);

    CRasterImage owner;
    fp = fopen(many.c_str(), "wb");
    ASSERT_TRUE(fp);
    EXPECT_TRUE(owner.Encode(fp, pages, 3, RASTER_FORMAT_TIF, 0)) << owner.GetLastError();
    fclose(fp);
    for (int page = 0; page < 3; page++)
        EXPECT_EQ(MaxDifference(*pages[page], Reference(Gm(many + "[" + std::to_string(page) + "]"))), 0) << page;
    EXPECT_EQ(Capture("tiffinfo '" + many + "' 2>/dev/null | grep -c 'TIFF Directory'"), "3\n");

    for (bool multi : {false, true}) {
        fp = fopen("/dev/full", "wb");
        ASSERT_TRUE(fp);
        CRasterImage writer(a);
        bool ok = multi ? writer.Encode(fp, pages, 3, RASTER_FORMAT_TIF, 0) : writer.Encode(fp, RASTER_FORMAT_TIF);
        fclose(fp);
        EXPECT_FALSE(ok) << multi;
        EXPECT_STRNE(writer.GetLastError(), "") << multi;
    }
}

// A two-colour palette other than black and white is written as a palette.
TEST(TiffEncode, TwoColourPaletteIsKept)
{
    std::string dir = ScratchDir("tiff");
    CRasterImage img(37, 23, 1);
    img.SetPaletteColor(0, 200, 30, 40);
    img.SetPaletteColor(1, 20, 60, 220);
    for (long y = 0; y < 23; y++)
        for (long x = 0; x < 37; x++)
            img.SetPixelIndex(x, y, BYTE((x / 3 + y * y) & 1));
    std::string path = dir + "/two.tif";
    ASSERT_TRUE(img.Save(path.c_str(), RASTER_FORMAT_TIF)) << img.GetLastError();
    std::string info = TiffInfo(path);
    EXPECT_TRUE(Has(info, "Photometric Interpretation: palette color")) << info;
    EXPECT_TRUE(Has(info, "Bits/Sample: 1")) << info;
    EXPECT_EQ(MaxDifference(img, Reference("tifftopnm '" + path + "' 2>/dev/null | pnmdepth 255")), 0);
    CRasterImage back;
    ASSERT_TRUE(back.Load(path.c_str(), RASTER_FORMAT_TIF));
    EXPECT_EQ(back.GetBpp(), 1);
    EXPECT_EQ(MaxDifference(back, Reference("tifftopnm '" + path + "' 2>/dev/null | pnmdepth 255")), 0);
}
