#include <gtest/gtest.h>

#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

#include "MemoryStream.h"
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

// 12000 x 12000 grey in 15 flat bands down the picture, the top one white
// in its left third; every edge lies on a block edge, so that each level
// decodes exactly.
const unsigned kLevelsSide = 12000;

int LevelValue(unsigned x, unsigned y)
{
    if (y < 800)
        return x < 4000 ? 255 : 0;
    return int(y / 800) * 17;
}

// The levels picture, arithmetic-coded with a restart marker every 43 block
// rows: under a kilobyte, stuffed bytes and restart markers among it.
std::vector<unsigned char> ArithmeticLevels()
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = info.image_height = kLevelsSide;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    info.arith_code = TRUE;
    info.restart_interval = 43 * (kLevelsSide / 8);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(kLevelsSide);
    while (info.next_scanline < kLevelsSide) {
        for (unsigned x = 0; x < kLevelsSide; x++)
            row[x] = JSAMPLE(LevelValue(x, info.next_scanline));
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> bytes(out, out + size);
    free(out);
    return bytes;
}

// Where the scan's data begins, past its header; 0 when there is none.
size_t ScanData(const std::vector<unsigned char>& jpeg)
{
    for (size_t i = 2; i + 3 < jpeg.size(); i++)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            return i + 2 + (size_t(jpeg[i + 2]) << 8) + jpeg[i + 3];
    return 0;
}

// The levels picture as a camera or an editor might write it: an APP2
// segment ahead of the frame, with FF D9 pairs among its bytes, just long
// enough that the reader's first 4 KB end halfway through the scan; fill
// bytes stand before the end marker.
std::vector<unsigned char> TaggedArithmeticLevels()
{
    const std::vector<unsigned char> levels = ArithmeticLevels();
    const size_t scan = ScanData(levels);
    const size_t segment = 4096 - scan - (levels.size() - 2 - scan) / 2;
    std::vector<unsigned char> tagged = {0xFF, 0xD8, 0xFF, 0xE2, BYTE((segment - 2) >> 8), BYTE(segment - 2)};
    for (size_t i = 4; i < segment; i++)
        tagged.push_back(BYTE(i * 7));
    for (size_t at : {size_t(9), segment / 2, segment - 2}) {
        tagged[at] = 0xFF;
        tagged[at + 1] = 0xD9;
    }
    tagged.insert(tagged.end(), levels.begin() + 2, levels.end() - 2);
    tagged.insert(tagged.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xD9});
    return tagged;
}

void ExpectLevels(CRasterImage& img)
{
    ASSERT_EQ(img.GetWidth(), kLevelsSide);
    ASSERT_EQ(img.GetHeight(), kLevelsSide);
    const unsigned places[][2] = {{0, 0},      {3999, 799},   {4000, 0},   {11999, 799},
                                  {5, 800},    {11999, 4805}, {700, 1600}, {8000, 11999}};
    for (const auto& p : places) {
        const Rgb expected{LevelValue(p[0], p[1]), LevelValue(p[0], p[1]), LevelValue(p[0], p[1])};
        EXPECT_EQ(PixelTopDown(img, int(p[0]), int(p[1])), expected) << p[0] << "," << p[1];
    }
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

// A Huffman-coded picture of 128 MiB or more (three bytes a pixel) whose
// data cannot hold two bits per block is refused before its pixels are
// allocated; with that much data, or a little smaller, it opens.
TEST(JpegCut, LargePictureNeedsDataForItsBlocks)
{
    std::string dir = ScratchDir("jpeg-cut-large");
    std::string src = dir + "/grey.pgm";
    ASSERT_EQ(Shell("gm convert -size 16x16 xc:'#5a5a5a' -depth 8 '" + src + "'"), 0);
    // 8192 x 5462 is just over 128 MiB at three bytes a pixel, in 1024 x 683
    // blocks; one row less is under the size.
    const size_t blocks = 1024u * 683u;
    struct { const char* option; size_t floorBytes; } coders[] = {{"", blocks * 2 / 8}};
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
                EXPECT_STREQ(img.GetLastError(), "JPEG data too short for its picture");
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

// Arithmetic coding has no least size per block: a large picture of under
// a kilobyte opens when its data reaches the end marker after its scan, and
// is refused when it ends inside the scan or before that marker.
TEST(JpegCut, LargeArithmeticPictureOpensOnlyWhenComplete)
{
    std::vector<unsigned char> whole = ArithmeticLevels();
    ASSERT_GT(whole.size(), 2u);
    {
        CRasterImage img;
        ASSERT_TRUE(img.Decode(whole.data(), DWORD(whole.size()), RASTER_FORMAT_JPG)) << img.GetLastError();
        ExpectLevels(img);
    }
    const size_t scan = ScanData(whole);
    ASSERT_GT(scan, 0u);
    ASSERT_LT(scan + 2, whole.size());
    // Inside the scan, and with the scan whole but no end marker.
    const std::string dir = ScratchDir("jpeg-cut-arith-large");
    for (size_t size : {scan + (whole.size() - scan) / 2, whole.size() - 2}) {
        const std::string path = dir + "/cut.jpg";
        WriteFile(path, std::vector<unsigned char>(whole.begin(), whole.begin() + long(size)));
        CRasterImage img;
        EXPECT_FALSE(img.Load(path.c_str(), RASTER_FORMAT_JPG)) << size;
        EXPECT_STREQ(img.GetLastError(), "JPEG data ends before its last scan") << size;
        EXPECT_FALSE(img.IsValid());
    }
}

// The walk to the end marker passes over marker segments and fill bytes as
// libjpeg does, starts where the picture starts in its stream, and puts the
// stream back where libjpeg left it: from a file, and from memory after
// other bytes holding FF D9, the whole picture decodes exactly, and cut
// before its end marker it is refused.
TEST(JpegCut, LargeArithmeticPictureIsWalkedAsLibjpegReadsIt)
{
    const std::vector<unsigned char> whole = TaggedArithmeticLevels();
    const size_t scan = ScanData(whole);
    ASSERT_LT(scan, 4096u);
    ASSERT_GT(whole.size() - 5, 4096u);
    // What a container keeps ahead of the picture.
    std::vector<unsigned char> before(131, 0x20);
    before[57] = 0xFF;
    before[58] = 0xD9;
    const std::string path = ScratchDir("jpeg-walk") + "/levels.jpg";
    // Whole; the scan whole but no fill bytes nor end marker; cut inside the scan.
    for (size_t size : {whole.size(), whole.size() - 5, scan + (whole.size() - scan) / 2}) {
        SCOPED_TRACE("the first " + std::to_string(size) + " bytes");
        const bool complete = size == whole.size();
        const std::vector<unsigned char> jpeg(whole.begin(), whole.begin() + long(size));
        WriteFile(path, jpeg);
        CRasterImage fromFile;
        ASSERT_EQ(fromFile.Load(path.c_str(), RASTER_FORMAT_JPG), complete) << fromFile.GetLastError();
        std::vector<unsigned char> held = before;
        held.insert(held.end(), jpeg.begin(), jpeg.end());
        CMemoryStream stream(held.data(), DWORD(held.size()));
        stream.Seek(long(before.size()), SEEK_SET);
        CRasterImage fromMemory;
        ASSERT_EQ(fromMemory.Decode(&stream, RASTER_FORMAT_JPG), complete) << fromMemory.GetLastError();
        const std::pair<const char*, CRasterImage*> decoded[] = {{"file", &fromFile}, {"memory", &fromMemory}};
        for (const auto& [from, img] : decoded) {
            SCOPED_TRACE(from);
            if (complete) {
                ExpectLevels(*img);
                continue;
            }
            EXPECT_STREQ(img->GetLastError(), "JPEG data ends before its last scan");
            EXPECT_FALSE(img->IsValid());
        }
    }
}
