#include <gtest/gtest.h>

#include <cstring>

extern "C" {
#include <jpeglib.h>
}

#include "FileStream.h"
#include "ManyScanJpeg.h"
#include "MemoryStream.h"
#include "RasterJPG.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

struct JpegFixture {
    std::string dir, src;
    explicit JpegFixture(const char* name) : dir(ScratchDir(name)), src(MakeSourcePpm(dir, 64, 48)) {}
    std::string Make(const std::string& name, const std::string& cmd)
    {
        std::string path = dir + "/" + name;
        EXPECT_EQ(Shell(cmd + " > '" + path + "'"), 0) << cmd;
        return path;
    }
};

std::vector<unsigned char> Segment(int marker, const std::vector<unsigned char>& payload)
{
    std::vector<unsigned char> s(payload.size() + 4);
    s[0] = 0xFF;
    s[1] = BYTE(marker);
    s[2] = BYTE((payload.size() + 2) >> 8);
    s[3] = BYTE(payload.size() + 2);
    std::copy(payload.begin(), payload.end(), s.begin() + 4);
    return s;
}

// Inserts segments right after SOI of a JPEG file.
std::vector<unsigned char> WithSegments(std::vector<unsigned char> jpeg, const std::vector<unsigned char>& segments)
{
    jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
    return jpeg;
}

void Put16m(std::vector<unsigned char>& v, unsigned x) { v.push_back(BYTE(x >> 8)); v.push_back(BYTE(x)); }
void Put32m(std::vector<unsigned char>& v, uint32_t x) { Put16m(v, x >> 16); Put16m(v, x & 0xFFFF); }

// "Exif\0\0" and a big-endian TIFF header whose first directory is at 8.
std::vector<unsigned char> ExifHeader()
{
    std::vector<unsigned char> v = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M'};
    Put16m(v, 42);
    Put32m(v, 8);
    return v;
}

void Entry(std::vector<unsigned char>& v, unsigned tag, unsigned format, uint32_t count, uint32_t value)
{
    Put16m(v, tag); Put16m(v, format); Put32m(v, count); Put32m(v, value);
}

void WriteFlatCmykJpeg(const std::string& path, int width, int height, std::vector<unsigned char> cmyk)
{
    FILE* fp = fopen(path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, fp);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    cinfo.write_Adobe_marker = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row;
    for (int x = 0; x < width; x++)
        row.insert(row.end(), cmyk.begin(), cmyk.end());
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    fclose(fp);
}

} // namespace

TEST(JpegDecode, FilesWrittenByCjpegMatchDjpeg)
{
    JpegFixture f("jpeg-decode");
    std::string grey = f.dir + "/grey.pgm";
    ASSERT_EQ(Shell("ppmtopgm '" + f.src + "' > '" + grey + "'"), 0);
    struct { const char* name; std::string cmd; int bpp; } cases[] = {
        {"baseline.jpg", "cjpeg -quality 90 '" + f.src + "'", 24},
        {"progressive.jpg", "cjpeg -progressive '" + f.src + "'", 24},
        {"arithmetic.jpg", "cjpeg -arithmetic '" + f.src + "'", 24},
        {"grey.jpg", "cjpeg -grayscale '" + f.src + "'", 8},
        {"greyinput.jpg", "cjpeg '" + grey + "'", 8},
    };
    for (auto& c : cases) {
        std::string path = f.Make(c.name, c.cmd);
        CRasterImage img;
        ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_JPG)) << c.name << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), unsigned(RASTER_FORMAT_JPG));
        EXPECT_EQ(img.GetBpp(), c.bpp) << c.name;
        Pnm ref = Reference("djpeg '" + path + "'");
        EXPECT_EQ(MaxDifference(img, ref), 0) << c.name;
    }
}

TEST(JpegDecode, CmykDensityScaleAndSizeOnly)
{
    JpegFixture f("jpeg-cmyk");
    // A flat CMYK file as Adobe stores it (inverted), written with libjpeg:
    // each colour is the component times the black component / 255.
    std::string cmyk = f.dir + "/cmyk.jpg";
    WriteFlatCmykJpeg(cmyk, 16, 16, {143, 191, 250, 160});
    CRasterImage c(cmyk.c_str(), RASTER_FORMAT_JPG);
    ASSERT_TRUE(c.IsValid()) << c.GetLastError();
    EXPECT_EQ(c.GetBpp(), 24);
    for (int y = 0; y < 16; y += 5)
        for (int x = 0; x < 16; x += 5) {
            Rgb p = PixelTopDown(c, x, y);
            EXPECT_NEAR(p.r, 143 * 160 / 255, 2);
            EXPECT_NEAR(p.g, 191 * 160 / 255, 2);
            EXPECT_NEAR(p.b, 250 * 160 / 255, 2);
        }
    // Odd widths fill every 3-byte pixel without running past the row.
    WriteFlatCmykJpeg(cmyk, 5, 3, {255, 255, 255, 255});
    CRasterImage odd(cmyk.c_str(), RASTER_FORMAT_JPG);
    ASSERT_TRUE(odd.IsValid());
    EXPECT_NEAR(PixelTopDown(odd, 4, 2).r, 255, 2);

    std::string dense = f.dir + "/dense.jpg";
    ASSERT_EQ(Shell("gm convert '" + f.src + "' -density 28x28 -units PixelsPerCentimeter '" + dense + "'"), 0);
    CRasterImage d(dense.c_str(), RASTER_FORMAT_JPG);
    EXPECT_EQ(d.GetXDPI(), 71);
    EXPECT_EQ(d.GetYDPI(), 71);

    std::string plain = f.Make("plain.jpg", "cjpeg '" + f.src + "'");
    CRasterImage half;
    half.SetJpegScale(2);
    ASSERT_TRUE(half.Load(plain.c_str(), RASTER_FORMAT_JPG));
    EXPECT_EQ(half.GetWidth(), 32u);
    EXPECT_EQ(half.GetHeight(), 24u);

    CRasterImage size;
    size.SetEscape(-1);
    size.SetJpegScale(4);
    ASSERT_TRUE(size.Load(plain.c_str(), RASTER_FORMAT_JPG));
    EXPECT_FALSE(size.IsValid());
    EXPECT_EQ(size.GetWidth(), 16u);
    EXPECT_EQ(size.GetHeight(), 12u);
}

TEST(JpegDecode, ExifTagsAndComments)
{
    JpegFixture f("jpeg-exif");
    std::string path = f.Make("exif.jpg", "cjpeg '" + f.src + "'");
    ASSERT_EQ(Shell("exiftool -q -overwrite_original -Make=Acme -Model=X1 -Orientation#=6 "
                    "-DateTimeOriginal='2020:01:02 03:04:05' -ISO=4 -FNumber=2.8 -ExposureTime=0.01 "
                    "-FocalLength=35 -XResolution=300 -YResolution=300 -ResolutionUnit=inches -EXIF:Flash#=1 "
                    "-UserComment='hello there' '" + path + "'"), 0);
    CRasterJPG jpg;
    FILE* fp = fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    ASSERT_TRUE(jpg.Decode(fp));
    fclose(fp);
    const CRasterJPG::tag_ExifInfo& e = jpg.m_exifinfo;
    EXPECT_TRUE(e.IsExif);
    EXPECT_STREQ(e.CameraMake, "Acme");
    EXPECT_STREQ(e.CameraModel, "X1");
    EXPECT_STREQ(e.DateTime, "2020:01:02 03:04:05");
    EXPECT_EQ(e.Orientation, 6);
    EXPECT_EQ(e.ISOequivalent, 800);
    EXPECT_FLOAT_EQ(e.ApertureFNumber, 2.8f);
    EXPECT_FLOAT_EQ(e.ExposureTime, 0.01f);
    EXPECT_FLOAT_EQ(e.FocalLength, 35.0f);
    EXPECT_EQ(e.FlashUsed, 1);
    EXPECT_STREQ(e.Comments, "hello there");
    EXPECT_EQ(e.Width, 64);
    EXPECT_EQ(e.Height, 48);
    EXPECT_EQ(e.IsColor, 1);
    EXPECT_EQ(e.Process, 0xC0);
    EXPECT_EQ(jpg.GetXDPI(), 300);

    // The same codec object reading a file without EXIF keeps nothing of the last one.
    std::string bare = f.Make("bare.jpg", "cjpeg '" + f.src + "'");
    fp = fopen(bare.c_str(), "rb");
    ASSERT_TRUE(jpg.Decode(fp));
    fclose(fp);
    EXPECT_FALSE(jpg.m_exifinfo.IsExif);
    EXPECT_STREQ(jpg.m_exifinfo.CameraMake, "");

    // A comment with CR LF and a control byte, through wrjpgcom.
    std::string noted = f.dir + "/noted.jpg";
    ASSERT_EQ(Shell("printf 'a\\r\\nb\\001' > '" + f.dir + "/c.txt' && wrjpgcom -cfile '" + f.dir +
                    "/c.txt' '" + path + "' > '" + noted + "'"), 0);
    CRasterJPG withComment;
    fp = fopen(noted.c_str(), "rb");
    ASSERT_TRUE(withComment.Decode(fp));
    fclose(fp);
    // The comment section follows the EXIF section, so its text is the one kept.
    EXPECT_STREQ(withComment.m_exifinfo.Comments, "a\nb?");
}

TEST(JpegDecode, CommentSectionIsCleanedAndBounded)
{
    JpegFixture f("jpeg-com");
    std::vector<unsigned char> jpeg = ReadFile(f.Make("p.jpg", "cjpeg '" + f.src + "'"));
    std::vector<unsigned char> com = Segment(0xFE, {'a', '\r', '\n', 'b', 0x01});
    std::vector<unsigned char> file = WithSegments(jpeg, com);
    CRasterJPG jpg;
    CMemoryStream s(file.data(), DWORD(file.size()));
    ASSERT_TRUE(jpg.Decode(&s));
    EXPECT_STREQ(jpg.m_exifinfo.Comments, "a\nb?");

    // A 3000-byte comment keeps 999 characters and its terminator.
    std::vector<unsigned char> longText(3000, 'x');
    file = WithSegments(jpeg, Segment(0xFE, longText));
    CRasterJPG big;
    CMemoryStream s2(file.data(), DWORD(file.size()));
    ASSERT_TRUE(big.Decode(&s2));
    EXPECT_EQ(strlen(big.m_exifinfo.Comments), 998u);

    // A comment whose last byte is a lone CR is read without looking past it.
    file = WithSegments(jpeg, Segment(0xFE, {'z', '\r'}));
    CRasterJPG cr;
    CMemoryStream s3(file.data(), DWORD(file.size()));
    ASSERT_TRUE(cr.Decode(&s3));
    EXPECT_STREQ(cr.m_exifinfo.Comments, "z?");
}

TEST(JpegDecode, HostileExifNeverBreaksTheImage)
{
    JpegFixture f("jpeg-hostile-exif");
    std::vector<unsigned char> jpeg = ReadFile(f.Make("p.jpg", "cjpeg '" + f.src + "'"));
    std::vector<std::vector<unsigned char>> payloads;
    payloads.push_back({'E', 'x', 'i', 'f', 0, 0, 'M', 'M'});            // header shorter than 14
    std::vector<unsigned char> self = ExifHeader();                       // directory linked to itself
    Put16m(self, 1); Entry(self, 0x010F, 2, 4, 0x41434D45); Put32m(self, 8);
    payloads.push_back(self);
    std::vector<unsigned char> sub = ExifHeader();                        // sub-directory linked to itself
    Put16m(sub, 1); Entry(sub, 0x8769, 4, 1, 8); Put32m(sub, 0);
    payloads.push_back(sub);
    std::vector<unsigned char> far = ExifHeader();                        // offsets beyond the data
    Put16m(far, 2); Entry(far, 0x010F, 2, 0x7FFFFFFF, 4); Entry(far, 0x0110, 2, 100, 0xFFFFFF00); Put32m(far, 0);
    payloads.push_back(far);
    std::vector<unsigned char> count = ExifHeader();                      // more entries than bytes
    Put16m(count, 5000);
    payloads.push_back(count);
    std::vector<unsigned char> zero = ExifHeader();                       // rational with no components
    Put16m(zero, 2); Entry(zero, 0x829D, 5, 0, 0); Entry(zero, 0x0112, 3, 1, 0x00090000); Put32m(zero, 0);
    payloads.push_back(zero);
    for (size_t i = 0; i < payloads.size(); i++) {
        std::vector<unsigned char> file = WithSegments(jpeg, Segment(0xE1, payloads[i]));
        CRasterJPG jpg;
        CMemoryStream s(file.data(), DWORD(file.size()));
        EXPECT_TRUE(jpg.Decode(&s)) << i << ": " << jpg.GetLastError();
        EXPECT_TRUE(jpg.IsValid()) << i;
        // A looping sub-directory and a value without components are skipped;
        // the other faults make the whole section unusable.
        EXPECT_EQ(jpg.m_exifinfo.IsExif, i == 2 || i == 5) << i;
    }
    // The last one parses: the orientation 9 is refused, the rest goes on.
    std::vector<unsigned char> good = ExifHeader();
    Put16m(good, 2); Entry(good, 0x0112, 3, 1, 0x00090000); Entry(good, 0x010F, 2, 3, 0x41420000); Put32m(good, 0);
    std::vector<unsigned char> file = WithSegments(jpeg, Segment(0xE1, good));
    CRasterJPG jpg;
    CMemoryStream s(file.data(), DWORD(file.size()));
    ASSERT_TRUE(jpg.Decode(&s));
    EXPECT_TRUE(jpg.m_exifinfo.IsExif);
    EXPECT_EQ(jpg.m_exifinfo.Orientation, 0);
    EXPECT_STREQ(jpg.m_exifinfo.CameraMake, "AB");

    // Thirty extra sections overflow the table; the image still decodes.
    std::vector<unsigned char> many;
    for (int i = 0; i < 30; i++) {
        std::vector<unsigned char> seg = Segment(0xE2, {BYTE(i)});
        many.insert(many.end(), seg.begin(), seg.end());
    }
    file = WithSegments(jpeg, many);
    CRasterJPG crowded;
    CMemoryStream s2(file.data(), DWORD(file.size()));
    EXPECT_TRUE(crowded.Decode(&s2)) << crowded.GetLastError();
}

// Values beyond every integer type: the resolution saturates the header's
// pixels per metre, a negative thumbnail offset names no thumbnail.
TEST(JpegDecode, ExifNumbersOutOfRange)
{
    JpegFixture f("jpeg-exif-range");
    std::vector<unsigned char> jpeg = ReadFile(f.Make("p.jpg", "cjpeg '" + f.src + "'"));
    std::vector<unsigned char> exif = ExifHeader();
    Put16m(exif, 5);
    const uint32_t values = 8 + 2 + 5 * 12 + 4;
    Entry(exif, 0x011A, 5, 1, values);          // X resolution 2e9 / 2
    Entry(exif, 0x0128, 3, 1, 0x00020000);      // inches
    Entry(exif, 0x0201, 9, 1, uint32_t(-8));    // thumbnail offset -8 (signed)
    Entry(exif, 0x0202, 9, 1, 16);
    Entry(exif, 0x8827, 9, 1, 0x80000000u);     // ISO far below 50
    Put32m(exif, 0);
    Put32m(exif, 2000000000u);
    Put32m(exif, 2);
    std::vector<unsigned char> file = WithSegments(jpeg, Segment(0xE1, exif));
    CRasterJPG jpg;
    CMemoryStream s(file.data(), DWORD(file.size()));
    ASSERT_TRUE(jpg.Decode(&s)) << jpg.GetLastError();
    ASSERT_TRUE(jpg.m_exifinfo.IsExif);
    EXPECT_EQ(jpg.GetXDPI(), 1000000000L);
    EXPECT_EQ(jpg.m_exifinfo.ThumbnailPointer, nullptr);
    EXPECT_EQ(jpg.m_exifinfo.ThumbnailSize, 0u);
    BYTE* bmp = nullptr;
    long size = 0;
    ASSERT_TRUE(static_cast<CRasterImage&>(jpg).Encode(bmp, size, RASTER_FORMAT_BMP));
    ASSERT_GT(size, 54);
    int32_t pelsPerMetre = 0;
    memcpy(&pelsPerMetre, bmp + 14 + 24, 4);
    EXPECT_EQ(pelsPerMetre, INT32_MAX);
    CRasterImage::FreeMemory(bmp);
}

TEST(JpegEncode, MatchesCjpegAndKeepsExifOnReencode)
{
    JpegFixture f("jpeg-encode");
    std::string bmp = f.dir + "/source.bmp";
    ASSERT_EQ(Shell("gm convert '" + f.src + "' BMP3:'" + bmp + "'"), 0);
    CRasterImage img(bmp.c_str(), 0);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    std::string ours = f.dir + "/ours.jpg";
    ASSERT_TRUE(img.Save(ours.c_str(), RASTER_FORMAT_JPG)) << img.GetLastError();
    std::string theirs = f.Make("theirs.jpg", "cjpeg -quality 90 '" + f.src + "'");
    EXPECT_EQ(Capture("djpeg '" + ours + "'"), Capture("djpeg '" + theirs + "'"));
    EXPECT_NE(Capture("gm identify '" + ours + "'").find("64x48"), std::string::npos);

    img.SetCodecOption(0x10 | 0x08, RASTER_FORMAT_JPG);
    std::string progressive = f.dir + "/progressive.jpg";
    ASSERT_TRUE(img.Save(progressive.c_str(), RASTER_FORMAT_JPG));
    EXPECT_NE(Capture("exiftool -s -EncodingProcess '" + progressive + "'").find("Progressive"), std::string::npos);

    // Decode an EXIF file and encode it again with the same codec object.
    std::string exif = f.Make("exif.jpg", "cjpeg '" + f.src + "'");
    ASSERT_EQ(Shell("exiftool -q -overwrite_original -Make=Acme '" + exif + "'"), 0);
    CRasterJPG jpg;
    CFileStream in;
    ASSERT_TRUE(in.Open(exif.c_str(), "rb"));
    ASSERT_TRUE(jpg.Decode(&in));
    in.Close();
    CMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(jpg.Encode(&out)) << jpg.GetLastError();
    std::string again = f.dir + "/again.jpg";
    WriteFile(again, std::vector<unsigned char>(out.GetBuffer(false), out.GetBuffer(false) + out.Size()));
    EXPECT_NE(Capture("exiftool -s -Make '" + again + "'").find("Acme"), std::string::npos);
    EXPECT_EQ(Shell("djpeg '" + again + "'"), 0);
}

TEST(JpegEncode, GreyIndexedAndRefusedImages)
{
    std::string dir = ScratchDir("jpeg-encode-grey");
    CRasterImage grey(8, 2, 8);
    for (int i = 0; i < 256; i++)
        grey.SetPaletteColor(BYTE(i), BYTE(i), BYTE(i), BYTE(i));
    grey.SetPixelIndex(3, 0, 200);
    ASSERT_TRUE(grey.Save((dir + "/grey.jpg").c_str(), RASTER_FORMAT_JPG));
    EXPECT_NE(Capture("djpeg '" + dir + "/grey.jpg' | head -c 2"), "P6");

    // One bit per pixel, table 0 and 1: each pixel is written as one sample.
    CRasterImage mono(16, 8, 1);
    mono.SetPaletteColor(1, 1, 1, 1);
    for (int x = 0; x < 16; x += 2)
        mono.SetPixelIndex(x, 0, 1);
    ASSERT_TRUE(mono.Save((dir + "/mono.jpg").c_str(), RASTER_FORMAT_JPG)) << mono.GetLastError();
    Pnm back = Reference("djpeg '" + dir + "/mono.jpg'");
    EXPECT_EQ(back.width, 16);
    for (const Rgb& p : back.pixels)
        EXPECT_LE(p.r, 4);

    CRasterImage colour(4, 4, 8);
    colour.SetStdPalette();
    EXPECT_FALSE(colour.Save((dir + "/colour.jpg").c_str(), RASTER_FORMAT_JPG));
    EXPECT_STREQ(colour.GetLastError(), "JPEG can save only RGB or GreyScale images");
}

TEST(JpegDecode, DamagedFiles)
{
    JpegFixture f("jpeg-damaged");
    std::vector<unsigned char> jpeg = ReadFile(f.Make("p.jpg", "cjpeg '" + f.src + "'"));
    // A file cut inside the scan decodes with the rest filled in.
    CRasterImage cut;
    EXPECT_TRUE(cut.Decode(jpeg.data(), DWORD(jpeg.size() * 2 / 3), RASTER_FORMAT_JPG));
    for (size_t n : {size_t(0), size_t(2), size_t(30), size_t(200)}) {
        CRasterImage img;
        EXPECT_FALSE(img.Decode(jpeg.data(), DWORD(n), RASTER_FORMAT_JPG)) << n;
        EXPECT_STRNE(img.GetLastError(), "") << n;
    }
    // Headers claiming 60000 x 60000 are refused before libjpeg sizes its
    // buffers from them, progressive ones included.
    std::vector<unsigned char> progressive = ReadFile(f.Make("prog.jpg", "cjpeg -progressive '" + f.src + "'"));
    for (auto file : {jpeg, progressive}) {
        for (size_t i = 2; i + 9 < file.size(); i++)
            if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
                file[i + 5] = 0xEA; file[i + 6] = 0x60; file[i + 7] = 0xEA; file[i + 8] = 0x60;
                break;
            }
        CRasterImage huge;
        EXPECT_FALSE(huge.Decode(file.data(), DWORD(file.size()), RASTER_FORMAT_JPG));
        EXPECT_STREQ(huge.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    }

    std::vector<unsigned char> noise = jpeg;
    for (size_t i = 20; i < noise.size(); i += 7)
        noise[i] = BYTE(noise[i] * 31 + 7);
    CRasterImage img;
    img.Decode(noise.data(), DWORD(noise.size()), RASTER_FORMAT_JPG);
}

TEST(JpegExif, WritingSectionsBack)
{
    JpegFixture f("jpeg-exif-write");
    std::vector<unsigned char> jpeg = ReadFile(f.Make("p.jpg", "cjpeg '" + f.src + "'"));

    // Read with the image data kept: APP0 is dropped, so the first section
    // is a table and the written file gets the 18-byte JFIF segment.
    CRasterJPG::CExifInfo reader;
    CMemoryStream in(jpeg.data(), DWORD(jpeg.size()));
    ASSERT_TRUE(reader.DecodeExif(&in, 2));
    ASSERT_NE(reader.FindSection(0xDA), nullptr);
    CMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(reader.EncodeExif(&out));
    const unsigned char* written = out.GetBuffer(false);
    const unsigned char jfif[20] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,
                                    0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
    ASSERT_GT(out.Size(), 20);
    EXPECT_EQ(memcmp(written, jfif, sizeof(jfif)), 0);
    std::string path = f.dir + "/rewritten.jpg";
    WriteFile(path, std::vector<unsigned char>(written, written + out.Size()));
    EXPECT_EQ(Capture("djpeg '" + path + "'"), Capture("djpeg '" + f.dir + "/p.jpg'"));

    // Without the image data there is nothing to write.
    CRasterJPG::CExifInfo headersOnly;
    CMemoryStream again(jpeg.data(), DWORD(jpeg.size()));
    ASSERT_TRUE(headersOnly.DecodeExif(&again, 1));
    CMemoryStream none;
    none.Open();
    EXPECT_FALSE(headersOnly.EncodeExif(&none));
    EXPECT_STREQ(headersOnly.GetLastError(), "Can't write exif : didn't read all");

    // A decoded file without EXIF is encoded exactly as libjpeg makes it.
    CRasterJPG plain;
    CMemoryStream src(jpeg.data(), DWORD(jpeg.size()));
    ASSERT_TRUE(plain.Decode(&src));
    CMemoryStream encoded;
    encoded.Open();
    ASSERT_TRUE(plain.Encode(&encoded));
    const unsigned char* e = encoded.GetBuffer(false);
    EXPECT_EQ(e[3], 0xE0);
    std::string bytes(reinterpret_cast<const char*>(e), size_t(encoded.Size()));
    EXPECT_EQ(bytes.find("Exif"), std::string::npos);
}

// Repeated scans cost a pass over the picture each: up to the bound a
// picture opens, one scan more is refused with its reason.
TEST(JpegDecode, ProgressiveScansAreBounded)
{
    std::vector<uint8_t> most = manyscans::WithScans(40, 24, 500);
    std::vector<uint8_t> tooMany = manyscans::WithScans(40, 24, 501);
    ASSERT_EQ(manyscans::ScanStarts(most).size(), 501u);  // and the end
    CRasterImage image;
    ASSERT_TRUE(image.Decode(most.data(), DWORD(most.size()), RASTER_FORMAT_JPG)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), 40u);
    EXPECT_EQ(image.GetHeight(), 24u);
    EXPECT_FALSE(image.Decode(tooMany.data(), DWORD(tooMany.size()), RASTER_FORMAT_JPG));
    EXPECT_STREQ(image.GetLastError(), "JPEG has more than 500 scans");
}
