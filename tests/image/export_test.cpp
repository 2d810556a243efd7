// Save As through the codecs, movies, and the direct JPEG and BMP writers,
// read back by GraphicsMagick, libjpeg's djpeg and GStreamer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AviMovieWriter.h"
#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "JpegFile.h"
#include "NoteTextDlg.h"
#include "OffscreenFrame.h"
#include "OverLayGlobals.h"
#include "RunProgram.h"
#include "testdata.h"
#include "wnd/modal_responder.h"

using namespace testfiles;

namespace {

// Pixels of a binary PGM or PPM, after its header.
std::vector<uint8_t> PnmPixels(const std::vector<uint8_t>& pnm, int& width, int& height)
{
    std::string header(pnm.begin(), pnm.begin() + std::min<size_t>(pnm.size(), 64));
    int maxValue = 0;
    int consumed = 0;
    if (std::sscanf(header.c_str(), "P%*d %d %d %d%n", &width, &height, &maxValue, &consumed) != 3)
        return {};
    return std::vector<uint8_t>(pnm.begin() + consumed + 1, pnm.end());
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    void TearDown() override { SetModalResponder(nullptr); }

    // Converts a picture with GraphicsMagick into binary PNM pixels.
    std::vector<uint8_t> Decode(const std::string& picture, const char* format, int& width, int& height)
    {
        const std::string out = dir + "/decoded." + format;
        EXPECT_EQ(RunProgram({"gm", "convert", picture, out}).exitCode, 0);
        return PnmPixels(ReadBytes(out), width, height);
    }

    // A 264 x 260 8-bit grey image, large enough to be written at its own size.
    void OpenLargeGrey(CDcmImage& image)
    {
        ImageLayout layout;
        layout.rows = 260;
        layout.columns = 264;
        layout.bitsAllocated = 8;
        layout.pixels.resize(260 * 264);
        for (int y = 0; y < 260; ++y)
            for (int x = 0; x < 264; ++x)
                layout.pixels[y * 264 + x] = uint8_t((x * 3 + y * 7) & 0xFF);
        DcmFileFormat file = MakeImage(layout);
        file.getDataset()->putAndInsertString(DCM_Modality, "CT");
        file.getDataset()->putAndInsertString(DCM_PatientName, "Wang^Li");
        file.getDataset()->putAndInsertString(DCM_WindowCenter, "128");
        file.getDataset()->putAndInsertString(DCM_WindowWidth, "200");
        ASSERT_TRUE(Save(file, dir + "/large.dcm"));
        ASSERT_EQ(image.OpenFile((dir + "/large.dcm").c_str()), 1);
    }

    std::string dir;
};

// Answers the frame-range dialog; an empty text cancels it.
void AnswerFrameRange(const std::string& text, std::string* caption, std::string* offered)
{
    ScriptedResponder()
        .Dialog([=](CDialog& dialog) {
            CNoteTextDlg& note = static_cast<CNoteTextDlg&>(dialog);
            CString shown;
            note.GetWindowText(shown);
            *caption = static_cast<const char*>(shown);
            note.m_PhraseBox.GetWindowText(shown);
            *offered = static_cast<const char*>(shown);
            if (text.empty()) {
                note.EndDialog(IDCANCEL);
                return;
            }
            note.m_PhraseBox.SetWindowText(text.c_str());
            note.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        })
        .Install();
}

}  // namespace

TEST_F(ExportTest, SaveAsDrawsTheImageIntoTheGivenRectangleOfTheGivenSize)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMono2U8).c_str()), 1);
    CRect dest(10, 20, 74, 80);  // the image's own 64 x 60
    const std::string path = dir + "/picture.Bmp";
    ASSERT_EQ(image.SaveAs(path.c_str(), 100, 80, 0, 0, &dest), 1);
    int width = 0;
    int height = 0;
    const std::vector<uint8_t> rgb = Decode(path, "ppm", width, height);
    ASSERT_EQ(width, 100);
    ASSERT_EQ(height, 80);
    const BYTE* bits = image.GetBitmapBits();
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inside = dest.PtInRect(CPoint(x, y));
            const int expected = inside ? bits[(y - 20) * 64 + (x - 10)] : 0;
            const size_t at = (size_t(y) * 100 + x) * 3;
            ASSERT_EQ(rgb[at], expected) << x << "," << y;
            ASSERT_EQ(rgb[at + 1], expected);
            ASSERT_EQ(rgb[at + 2], expected);
        }
}

TEST_F(ExportTest, SaveAsPicksTheFormatByExtensionAndFailsCleanlyWithoutOne)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kRgbPlanar0).c_str()), 1);
    ASSERT_EQ(image.SaveAs((dir + "/a.JPG").c_str(), 0, 0, 1, 0, nullptr), 1);
    EXPECT_NE(RunProgram({"gm", "identify", dir + "/a.JPG"}).output.find("JPEG 64x48"), std::string::npos);
    ASSERT_EQ(image.SaveAs((dir + "/a.png").c_str(), 0, 0, 0, 0, nullptr), 1);
    EXPECT_NE(RunProgram({"gm", "identify", dir + "/a.png"}).output.find("PNG 64x48"), std::string::npos);

    EXPECT_EQ(image.SaveAs((dir + "/a.xyz").c_str(), 0, 0, 0, 0, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.xyz"));
    // A format that cannot be written leaves an existing file as it was.
    WriteBytes(dir + "/old.wmf", {7, 8, 9});
    EXPECT_EQ(image.SaveAs((dir + "/old.wmf").c_str(), 0, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(ReadBytes(dir + "/old.wmf"), (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(image.SaveAs((dir + "/missing/a.png").c_str(), 0, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);
}

TEST_F(ExportTest, MovieHoldsTheChosenFramesAtTheFrameRate)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMultiFrameTime).c_str()), 1);
    ASSERT_EQ(image.GetFramesCount(), 8);
    std::string caption;
    std::string offered;
    const COLORREF rectColour = RectOverlayColor;
    const std::string movie = dir + "/clip.AVI";
    AnswerFrameRange("5,3", &caption, &offered);
    ASSERT_EQ(image.SaveAs(movie.c_str(), 0, 0, 0, 0, nullptr), 1);
    EXPECT_EQ(caption, "[当前:0][格式:开始,长度][格式:长度]");
    EXPECT_EQ(offered, "8");
    EXPECT_EQ(image.GetCurrentFrame(), 7);
    EXPECT_EQ(RectOverlayColor, rectColour);
    EXPECT_EQ(FillRectOverlays, 0);

    const ProgramResult discovered = RunProgram({"gst-discoverer-1.0", "-v", movie});
    // No frame time list: 15 frames a second.
    EXPECT_NE(discovered.output.find("Frame rate: 15/1"), std::string::npos) << discovered.output;
    EXPECT_NE(discovered.output.find("Duration: 0:00:00.200000000"), std::string::npos);
    const std::string raw = dir + "/frames.rgb";
    RunProgram({"gst-launch-1.0", "-q", "filesrc", "location=" + movie, "!", "avidemux", "!", "videoconvert", "!",
                "video/x-raw,format=RGB", "!", "filesink", "location=" + raw});
    const std::vector<uint8_t> frames = ReadBytes(raw);
    ASSERT_EQ(frames.size(), size_t(3 * 64 * 64 * 3));
    for (int f = 0; f < 3; ++f) {
        // Each frame as the image shows frame 5 + f in the fitted rectangle.
        CDcmImage expected;
        ASSERT_EQ(expected.OpenFile(testdata::Path(testdata::kMultiFrameTime).c_str()), 1);
        expected.SetCurrentFrame(5 + f);
        expected.BuildCurrentPixelBits();
        OffscreenFrame frame(64, 64);
        expected.ShowImage(frame.Dc(), CDcmImage::GetFittedImageRect(frame.Area(), 64, 64, 5, 5));
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const BYTE* dib = frame.Bits() + (63 - y) * 64 * 3 + x * 3;
                const size_t at = ((size_t(f) * 64 + y) * 64 + x) * 3;
                ASSERT_EQ(frames[at], dib[2]) << f << " " << x << " " << y;
                ASSERT_EQ(frames[at + 2], dib[0]);
            }
    }
}

TEST_F(ExportTest, MovieRangesFromTheCurrentFrameAndEmptyOrCancelledRanges)
{
    CDcmImage image;
    // Frame times 0, 33.3, 33.3, 50 and 50 ms.
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMultiFrameVector).c_str()), 1);
    image.SetCurrentFrame(3);
    std::string caption;
    std::string offered;
    // Past the last frame the last valid one repeats: frames 3, 4, 4, 4 at 20 a second.
    AnswerFrameRange("4", &caption, &offered);
    ASSERT_EQ(image.SaveAsAvi((dir + "/a.avi").c_str(), 1, 1), 1);
    EXPECT_EQ(caption, "[当前:3][格式:开始,长度][格式:长度]");
    EXPECT_EQ(offered, "2");
    const std::string discovered = RunProgram({"gst-discoverer-1.0", "-v", dir + "/a.avi"}).output;
    EXPECT_NE(discovered.find("Frame rate: 20/1"), std::string::npos) << discovered;
    EXPECT_NE(discovered.find("Duration: 0:00:00.200000000"), std::string::npos);
    EXPECT_EQ(image.GetCurrentFrame(), 4);
    AnswerFrameRange("5,0", &caption, &offered);
    EXPECT_EQ(image.SaveAsAvi((dir + "/b.avi").c_str(), 0, 0), 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/b.avi"));
    AnswerFrameRange("", &caption, &offered);
    EXPECT_EQ(image.SaveAsAvi((dir + "/c.avi").c_str(), 0, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(dir + "/c.avi"));
    EXPECT_EQ(FillRectOverlays, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(ExportTest, BmpWriterStoresGreyRowsBottomUpBehindTheColourTable)
{
    CDcmImage image;
    OpenLargeGrey(image);
    const std::string path = dir + "/direct.bmp";
    // 260 x 256 asked: the size grows to the next multiple of 4 above.
    ASSERT_EQ(image.WriteToBMPFile(path.c_str(), 260, 256, nullptr, 1, 0), 1);
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 1078u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[10] | bytes[11] << 8, 1078);
    EXPECT_EQ(bytes[18] | bytes[19] << 8, 264);
    EXPECT_EQ(bytes[22] | bytes[23] << 8, 260);
    EXPECT_EQ(bytes[28], 8);
    EXPECT_EQ(bytes.size(), 1078u + 264 * 260);
    const BYTE* bits = image.GetBitmapBits();
    // First stored row is the bottom one.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 1078, bytes.begin() + 1078 + 264),
              std::vector<uint8_t>(bits + 259 * 264, bits + 260 * 264));
    int width = 0;
    int height = 0;
    const std::vector<uint8_t> grey = Decode(path, "pgm", width, height);
    ASSERT_EQ(grey.size(), size_t(264 * 260));
    EXPECT_TRUE(std::equal(grey.begin(), grey.end(), bits));
}

TEST_F(ExportTest, JpegWriterBurnsTheCornerTextWhite)
{
    CDcmImage image;
    OpenLargeGrey(image);
    const std::string plain = dir + "/plain.jpg";
    const std::string text = dir + "/text.jpg";
    ASSERT_EQ(image.WriteToJPGFile(plain.c_str(), 0, 0, nullptr, 0, 0), 1);
    ASSERT_EQ(image.WriteToJPGFile(text.c_str(), 0, 0, nullptr, 0, 1), 1);
    EXPECT_NE(RunProgram({"gm", "identify", plain}).output.find("JPEG 264x260"), std::string::npos);
    int width = 0;
    int height = 0;
    RunProgram({"sh", "-c", "djpeg -pnm '" + plain + "' > '" + dir + "/plain.ppm' && djpeg -pnm '" + text +
                                "' > '" + dir + "/text.ppm'"});
    const std::vector<uint8_t> p = PnmPixels(ReadBytes(dir + "/plain.ppm"), width, height);
    const std::vector<uint8_t> t = PnmPixels(ReadBytes(dir + "/text.ppm"), width, height);
    ASSERT_EQ(p.size(), size_t(264 * 260 * 3));
    ASSERT_EQ(t.size(), p.size());
    const BYTE* bits = image.GetBitmapBits();
    // Without text the picture is the display image (within JPEG's rounding).
    int worst = 0;
    for (size_t i = 0; i < size_t(264 * 260); ++i)
        worst = std::max(worst, std::abs(int(p[3 * i]) - int(bits[i])));
    EXPECT_LE(worst, 6);
    // The upper-cased name stands in the top-left corner: white pixels there, none far below it.
    int whiteNearName = 0;
    for (int y = 16; y < 34; ++y)
        for (int x = 8; x < 100; ++x)
            whiteNearName += t[(size_t(y) * 264 + x) * 3] > 240 && p[(size_t(y) * 264 + x) * 3] < 200;
    EXPECT_GT(whiteNearName, 20);
}

TEST_F(ExportTest, DirectWritersResampleToTheAskedOrDoubledSize)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMono2U8).c_str()), 1);
    ASSERT_EQ(image.WriteToJPGFile((dir + "/asked.jpg").c_str(), 300, 200, nullptr, 1, 0), 1);
    EXPECT_NE(RunProgram({"gm", "identify", dir + "/asked.jpg"}).output.find("JPEG 304x204"), std::string::npos);
    // Small images are written at twice their size.
    ASSERT_EQ(image.WriteToBMPFile((dir + "/doubled.bmp").c_str(), 300, 200, nullptr, 0, 0), 1);
    int width = 0;
    int height = 0;
    const std::vector<uint8_t> grey = Decode(dir + "/doubled.bmp", "pgm", width, height);
    EXPECT_EQ(width, 128);
    EXPECT_EQ(height, 120);
    // Placed in the right half only: the left half stays black.
    CRelativeRect right(0.5f, 0.0f, 1.0f, 1.0f);
    ASSERT_EQ(image.WriteToBMPFile((dir + "/half.bmp").c_str(), 0, 0, &right, 0, 0), 1);
    const std::vector<uint8_t> half = Decode(dir + "/half.bmp", "pgm", width, height);
    ASSERT_EQ(half.size(), size_t(128 * 120));
    int leftLit = 0;
    int rightLit = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 128; ++x)
            (x < 64 ? leftLit : rightLit) += half[y * 128 + x] != 0;
    EXPECT_EQ(leftLit, 0);
    EXPECT_GT(rightLit, 64 * 100);
}

TEST_F(ExportTest, MovieWriterTakesLongNamesAndReportsAFileItCannotCreate)
{
    // A path of more than 260 bytes, below folders that exist.
    std::string folder = dir;
    while (folder.size() < 300)
        folder += "/folder-of-a-long-path";
    std::filesystem::create_directories(folder);
    const std::string movie = folder + "/clip.avi";
    OffscreenFrame frame(16, 8);
    {
        AviMovieWriter writer(movie.c_str(), 0, 5);
        EXPECT_EQ(writer.AddFrame(frame.Bitmap()), S_OK);
        EXPECT_EQ(writer.AddFrame(frame.Bitmap()), S_OK);
        EXPECT_STREQ(writer.GetLastErrorText(), "Method Succeeded");
    }
    const std::string discovered = RunProgram({"gst-discoverer-1.0", "-v", movie}).output;
    EXPECT_NE(discovered.find("Duration: 0:00:00.400000000"), std::string::npos) << discovered;
    EXPECT_NE(discovered.find("Width: 16"), std::string::npos);

    AviMovieWriter missing((dir + "/no/such/clip.avi").c_str(), 0, 5);
    EXPECT_EQ(missing.AddFrame(frame.Bitmap()), E_FAIL);
    EXPECT_STREQ(missing.GetLastErrorText(), "Unable to Create the Movie File");
    EXPECT_EQ(missing.GetState(), 0);
    EXPECT_EQ(missing.AddFrame(frame.Bitmap()), E_FAIL);
}

// A movie that cannot be written is a failure with its reason, refused
// before any frame when its frames alone would pass 1 GB, or found when it
// cannot be put in place; a later movie that succeeds clears the reason.
TEST_F(ExportTest, MovieThatCannotBeWrittenFailsWithItsReason)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMultiFrameTime).c_str()), 1);
    std::string caption;
    std::string offered;
    // 64 x 64 frames of 12,288 bytes: 90,000 of them pass 1 GB.
    AnswerFrameRange("0,90000", &caption, &offered);
    EXPECT_EQ(image.SaveAsAvi((dir + "/long.avi").c_str(), 0, 0), 0);
    EXPECT_STREQ(image.GetMovieErrorText(), "Unable to Write Video Stream: the Movie File would pass 1 GB");
    EXPECT_EQ(image.GetCurrentFrame(), 0);
    EXPECT_EQ(FillRectOverlays, 0);

    AnswerFrameRange("2", &caption, &offered);
    EXPECT_EQ(image.SaveAsAvi((dir + "/no/such/clip.avi").c_str(), 0, 0), 0);
    EXPECT_STREQ(image.GetMovieErrorText(), "Unable to Create the Movie File");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);

    // A folder in the movie's place: the frames are written, the movie cannot be put there.
    std::filesystem::create_directory(dir + "/taken.avi");
    AnswerFrameRange("2", &caption, &offered);
    EXPECT_EQ(image.SaveAsAvi((dir + "/taken.avi").c_str(), 0, 0), 0);
    EXPECT_STREQ(image.GetMovieErrorText(), "Unable to Write Video Stream to the output Movie File");
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/taken.avi"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

    AnswerFrameRange("2", &caption, &offered);
    EXPECT_EQ(image.SaveAsAvi((dir + "/short.avi").c_str(), 0, 0), 1);
    EXPECT_STREQ(image.GetMovieErrorText(), "");
    EXPECT_TRUE(std::filesystem::exists(dir + "/short.avi"));
}

TEST(JpegFileRows, FlipSwapsOuterRowsAndSwapRedBlueSwapsBytes)
{
    BYTE rows[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(JpegFile::FlipRows(rows, 3, 3), 1);
    EXPECT_EQ(std::vector<BYTE>(rows, rows + 9), (std::vector<BYTE>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(JpegFile::SwapRedBlue(rows, 3, 1), 1);
    EXPECT_EQ(std::vector<BYTE>(rows, rows + 9), (std::vector<BYTE>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(JpegFile::FlipRows(nullptr, 3, 3), 0);
}
