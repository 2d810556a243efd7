// Files the display cannot map fail to open, and JPEG colour shows as the
// toolkit's own renderer and an independent JPEG decoder show it. Files are
// made with DCMTK's command-line tools and libjpeg's.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "RunProgram.h"

using namespace testfiles;

namespace {

const int kRows = 3, kColumns = 5;

// Grey value at (x, y): every pixel different, rows unlike columns.
uint32_t GreyValue(int x, int y)
{
    return 1000u + 37u * x + 411u * y;
}

std::string Hex16(uint32_t word)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", word & 0xFFFFu);
    return text;
}

std::string Joined(const std::vector<std::string>& values)
{
    std::string text;
    for (const std::string& value : values)
        text += (text.empty() ? "" : "\\") + value;
    return text;
}

std::string DumpHeader(const char* photometric, int bitsAllocated)
{
    const std::string bits = std::to_string(bitsAllocated);
    return "(0008,0016) UI =SecondaryCaptureImageStorage\n"
           "(0008,0018) UI [1.2.826.0.1.3680043.2.1143.501.7]\n"
           "(0008,0060) CS [OT]\n"
           "(0028,0002) US 1\n"
           "(0028,0004) CS [" + std::string(photometric) + "]\n"
           "(0028,0010) US " + std::to_string(kRows) + "\n"
           "(0028,0011) US " + std::to_string(kColumns) + "\n"
           "(0028,0100) US " + bits + "\n"
           "(0028,0101) US " + bits + "\n"
           "(0028,0102) US " + std::to_string(bitsAllocated - 1) + "\n"
           "(0028,0103) US 0\n";
}

// A MONOCHROME2 file of kRows x kColumns GreyValue pixels, 16 or 32 bits each.
std::string GreyDump(int bitsAllocated)
{
    std::vector<std::string> words;
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x) {
            words.push_back(Hex16(GreyValue(x, y)));
            if (bitsAllocated == 32)
                words.push_back(Hex16(GreyValue(x, y) >> 16));
        }
    return DumpHeader("MONOCHROME2", bitsAllocated) + "(7fe0,0010) OW " + Joined(words) + "\n";
}

// An 8-bit PALETTE COLOR file with a four-entry palette of 16-bit entries.
std::string PaletteDump()
{
    std::string dump = DumpHeader("PALETTE COLOR", 8);
    const char* colours[] = {"1101", "1102", "1103"};
    for (int c = 0; c < 3; ++c) {
        dump += std::string("(0028,") + colours[c] + ") US 4\\0\\16\n";
        dump += std::string("(0028,") + std::to_string(1201 + c) + ") OW 0000\\5555\\aaaa\\ffff\n";
    }
    std::vector<std::string> bytes;
    for (int i = 0; i < kRows * kColumns + 1; ++i)  // padded to an even length
        bytes.push_back(std::to_string(i % 4));
    return dump + "(7fe0,0010) OB " + Joined(bytes) + "\n";
}

std::string MakeDicom(const std::string& dir, const std::string& name, const std::string& dump)
{
    const std::string text = dir + "/" + name + ".txt", dicom = dir + "/" + name + ".dcm";
    std::ofstream(text) << dump;
    const ProgramResult made = RunProgram({"dump2dcm", "--write-xfer-little", text, dicom});
    EXPECT_EQ(made.exitCode, 0) << made.output;
    return dicom;
}

std::string Dcmrender()
{
    return std::string(BINARY_DIR) + "/tools/dcmrender";
}

struct Ppm {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// Binary P6 with a maximum of 255, no comments: what all three writers here give.
bool ReadPpm(const std::string& path, Ppm& ppm)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    if (!(in >> magic >> ppm.width >> ppm.height >> maximum) || magic != "P6" || maximum != 255)
        return false;
    in.get();
    ppm.pixels.resize(static_cast<size_t>(ppm.width) * ppm.height * 3);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(ppm.pixels.data()), ppm.pixels.size()));
}

}  // namespace

// The lookup pass maps 8- and 16-bit grey and RGB only; anything else used
// to open as a black picture under the corner texts.
TEST(DicomOpenCheck, GreyOfThirtyTwoBitsAndPaletteColourFailToOpen)
{
    const std::string dir = TempDir("dicom-open-check");
    const std::string grey16 = MakeDicom(dir, "grey16", GreyDump(16));
    CDcmImage shown;
    ASSERT_EQ(shown.OpenFile(grey16.c_str()), 1);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x)
            EXPECT_EQ(shown.GetPixelValue(x, y), static_cast<short>(GreyValue(x, y))) << x << "," << y;

    for (const std::string& name : {std::string("grey32"), std::string("palette")}) {
        SCOPED_TRACE(name);
        const std::string path = MakeDicom(dir, name, name == "grey32" ? GreyDump(32) : PaletteDump());
        CDcmImage image;
        EXPECT_EQ(image.OpenFile(path.c_str()), 0);
        EXPECT_EQ(image.IsFileOpened(), 0);
        EXPECT_EQ(image.GetBitmapBits(), nullptr);
        EXPECT_EQ(image.GetFramesCount(), 0);
        const ProgramResult render = RunProgram({Dcmrender(), path, dir + "/" + name + ".pgm"});
        EXPECT_EQ(render.exitCode, 1);
        EXPECT_EQ(render.output, "dcmrender: cannot open " + path + " as an image\n");
    }
}

// Colour JPEG coded as R, G, B and labelled RGB was turned from Y, Cb, Cr
// into RGB a second time: wrong colours. Y, Cb, Cr-coded data keeps its
// conversion, also when its file labels it RGB.
TEST(DicomOpenCheck, JpegColourShowsAsTheDataIsCoded)
{
    const std::string dir = TempDir("dicom-jpeg-colour");
    // Flat 16 x 16 blocks of six saturated colours, wider than high.
    const uint8_t colours[6][3] = {{200, 30, 60}, {20, 180, 90}, {40, 70, 230},
                                   {250, 220, 10}, {120, 0, 160}, {10, 10, 10}};
    std::string ppm = "P6\n48 32\n255\n";
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            for (int c = 0; c < 3; ++c)
                ppm += static_cast<char>(colours[(x / 16 + 2 * (y / 16)) % 6][c]);
    std::ofstream(dir + "/source.ppm", std::ios::binary) << ppm;
    const std::string cjpeg = "cjpeg -sample 1x1 ", source = " '" + dir + "/source.ppm' > '" + dir;
    ASSERT_EQ(RunProgram({"sh", "-c", cjpeg + "-rgb" + source + "/rgb.jpg'"}).exitCode, 0);
    ASSERT_EQ(RunProgram({"sh", "-c", "cjpeg" + source + "/ybr.jpg'"}).exitCode, 0);
    const std::string jpeg2dcm = std::string(BINARY_DIR) + "/tools/jpeg2dcm";
    ASSERT_EQ(RunProgram({jpeg2dcm, dir + "/rgb.jpg", dir + "/rgb.dcm"}).exitCode, 0);
    ASSERT_EQ(RunProgram({"img2dcm", "-i", "JPEG", dir + "/ybr.jpg", dir + "/ybr.dcm"}).exitCode, 0);
    ASSERT_EQ(RunProgram({"sh", "-c", "cp '" + dir + "/ybr.dcm' '" + dir + "/ybr-labelled-rgb.dcm'"}).exitCode, 0);
    ASSERT_EQ(RunProgram({"dcmodify", "-nb", "-m", "(0028,0004)=RGB", dir + "/ybr-labelled-rgb.dcm"}).exitCode, 0);

    struct Case {
        const char* dicom;
        const char* jpeg;
        bool toolkitAgrees;  // the toolkit's renderer follows the label only
    } cases[] = {{"rgb", "rgb", true}, {"ybr", "ybr", true}, {"ybr-labelled-rgb", "ybr", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dicom);
        const std::string dicom = dir + "/" + c.dicom + ".dcm", base = dir + "/" + c.dicom;
        ASSERT_EQ(RunProgram({Dcmrender(), "--window", "128", "256", dicom, base + ".ours.ppm"}).exitCode, 0);
        ASSERT_EQ(RunProgram({"sh", "-c", "djpeg -pnm '" + dir + "/" + c.jpeg + ".jpg' > '" + base + ".djpeg.ppm'"})
                      .exitCode, 0);
        Ppm ours, djpeg;
        ASSERT_TRUE(ReadPpm(base + ".ours.ppm", ours));
        ASSERT_TRUE(ReadPpm(base + ".djpeg.ppm", djpeg));
        ASSERT_EQ(ours.width, 48);
        ASSERT_EQ(ours.height, 32);
        EXPECT_EQ(ours.pixels, djpeg.pixels);
        ASSERT_EQ(RunProgram({"dcmj2pnm", "+op", dicom, base + ".toolkit.ppm"}).exitCode, 0);
        Ppm toolkit;
        ASSERT_TRUE(ReadPpm(base + ".toolkit.ppm", toolkit));
        EXPECT_EQ(ours.pixels == toolkit.pixels, c.toolkitAgrees);
    }
}
