// Corner text of an image on a device context, checked through a recording
// of the text output calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "ScaleRuler.h"
#include "gdi/gdi.h"
#include "testdata.h"

namespace {

struct TextCall {
    int x;
    int y;
    std::string text;
    UINT align;
};

// One drawn text as a line: x, y, L or R for the alignment, the text.
std::string LineOf(const TextCall& call)
{
    return std::to_string(call.x) + " " + std::to_string(call.y) + ((call.align & TA_RIGHT) ? " R " : " L ") +
           call.text + "\n";
}

class RecordingDC : public CDC {
public:
    RecordingDC(int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC memory = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_old = ::SelectObject(memory, m_bitmap);
        Attach(memory);
    }
    ~RecordingDC() override
    {
        ::SelectObject(m_hDC, m_old);
        ::DeleteObject(m_bitmap);
    }
    BOOL TextOut(int x, int y, LPCSTR text, int length) override
    {
        calls.push_back({x, y, std::string(text, length < 0 ? 0 : length), GetTextAlign()});
        return CDC::TextOut(x, y, text, length);
    }
    const TextCall* Find(const std::string& text) const
    {
        for (const TextCall& call : calls)
            if (call.text == text)
                return &call;
        return nullptr;
    }
    // Every text drawn, one line each.
    std::string Listing() const
    {
        std::string out;
        for (const TextCall& call : calls)
            out += LineOf(call);
        return out;
    }
    // Width of a text in the 14-pixel font of a 400 x 300 rectangle.
    int Width(const char* text)
    {
        CFont font;
        font.CreateFont(14, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "Arial");
        CFont* previous = SelectObject(&font);
        const int width = GetTextExtent(text, static_cast<int>(std::strlen(text))).cx;
        SelectObject(previous);
        return width;
    }
    std::vector<TextCall> calls;

private:
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

std::string DataPath(const char* name) { return std::string(TESTDATA_DIR) + "/" + name; }

class ImageInfoTextTest : public ::testing::Test {
protected:
    void Open(const char* name)
    {
        ASSERT_EQ(image.OpenFile(DataPath(name).c_str()), 1) << name;
        info = image.GetDicomInfo();
    }
    void Draw(int width = 400, int height = 300)
    {
        dc = std::make_unique<RecordingDC>(width, height);
        CRect rect(0, 0, width, height);
        CDcmImage::ShowImgInfo(dc.get(), &image, &rect);
    }
    // The ruler's label, the last text of every layout (checked on its own below).
    std::string Ruler() const { return dc->calls.empty() ? "" : LineOf(dc->calls.back()); }
    std::string Window()
    {
        return "398 272 R L:" + std::to_string(image.GetWindowCenter()) + "\n398 286 R W:" +
               std::to_string(image.GetWindowWidth()) + "\n";
    }
    std::string Labels()
    {
        return "197 286 R [" + std::string(image.GetBOrientation()) + "]\n398 147 R [" +
               std::string(image.GetROrientation()) + "]\n";
    }
    CDcmImage image;
    CDicomInfo* info = nullptr;
    std::unique_ptr<RecordingDC> dc;
};

// The whole CT layout at 400 x 300 (line height 14), every item with a value.
TEST_F(ImageInfoTextTest, CtLayoutWhole)
{
    Open(testdata::kCtRescale);
    info->m_strModality = "CT";
    info->m_strPatientName = "doe^john";
    info->m_strPatientID = "id-7";
    info->m_strSeriesDate = "20240131";
    info->m_strAcquisitionTime = "143025.123456";
    info->m_dSliceThickness = 2.5;
    info->m_dSliceLocation = -12.25;
    info->m_dTableHeight = 151.04;
    info->m_strDataSetSubtype = "  AB  XYZW";
    info->m_strAcquisitionNumber = "007";
    info->m_dXRayTubeCurrent = 250;
    info->m_dKVP = 120;
    info->m_dGantryDetectorTilt = -7.5;
    info->m_dPrivate00191354 = 0.125;
    info->m_strConvolutionKernel = "B30f";
    info->m_strPrivate00211120 = "12.7\\3";
    info->m_strPrivate00211011 = "5\\9";
    info->m_strImageComments = "NOTE";
    info->m_strInstitutionName = "Hospital";
    info->m_strManufacturerModelName = "Scanner";
    info->m_strSeriesNumber = "0040";
    info->m_strInstanceNumber = "012";
    info->m_strPatientPosition = "HFS";
    info->m_dColumnSpacing = 0.5;
    Draw(400, 300);
    const int x2 = dc->Width("12") + 10, x3 = x2 + dc->Width("5/9") + 10;
    const std::string run = "4 286 L 12\n" + std::to_string(x2) + " 286 L 5/9\n" + std::to_string(x3) + " 286 L NOTE\n";
    EXPECT_EQ(dc->Listing(),
              "4 0 L DOE^JOHN\n4 14 L id-7\n4 28 L 2024-01-31\n4 42 L 14:30:25.12\n"
              "4 56 L SL:  2.5\n4 70 L TP:-12.2\n4 84 L SP:151.0\n4 98 L XYZW  7\n"
              "4 216 L MA:250.0\n4 230 L KV:120.0\n4 244 L GT: -7.5\n4 258 L TI: 0.12\n4 272 L B30f\n" +
              run +
              "398 0 R Hospital\n398 14 R Scanner\n398 28 R Srs:40\n398 42 R Img:12\n398 56 R HFS\n" +
              Window() + Labels() + Ruler());
    // Right-aligned on return, background mode restored.
    EXPECT_EQ(dc->GetTextAlign() & TA_RIGHT, UINT(TA_RIGHT));
    EXPECT_EQ(dc->GetBkMode(), OPAQUE);

    // Empty date, short time, no private texts: the comments move to x 20.
    info->m_strSeriesDate = "";
    info->m_strAcquisitionTime = "1";
    info->m_strDataSetSubtype = "";
    info->m_strPrivate00211120 = "";
    info->m_strPrivate00211011 = "";
    Draw(400, 300);
    const std::string left = "4 0 L DOE^JOHN\n4 14 L id-7\n4 42 L 1::\n4 56 L SL:  2.5\n4 70 L TP:-12.2\n"
                             "4 84 L SP:151.0\n4 216 L MA:250.0\n4 230 L KV:120.0\n4 244 L GT: -7.5\n"
                             "4 258 L TI: 0.12\n4 272 L B30f\n";
    const std::string right = "398 0 R Hospital\n398 14 R Scanner\n398 28 R Srs:40\n398 42 R Img:12\n398 56 R HFS\n" +
                              Window() + Labels() + Ruler();
    EXPECT_EQ(dc->Listing(), left + "20 286 L NOTE\n" + right);

    // Numbers without a backslash, and beyond the integer range.
    info->m_strPrivate00211120 = "77";
    info->m_strPrivate00211011 = "42";
    Draw(400, 300);
    const int zero = dc->Width("0") + 10;
    EXPECT_EQ(dc->Listing(), left + "4 286 L 0\n" + std::to_string(zero) + " 286 L 0/42\n" +
                                 std::to_string(zero + dc->Width("0/42") + 10) + " 286 L NOTE\n" + right);
    info->m_strPrivate00211011 = "1e300\\-1e300";
    Draw(400, 300);
    const char* limits = "2147483647/-2147483648";
    EXPECT_EQ(dc->Listing(), left + "4 286 L 0\n" + std::to_string(zero) + " 286 L " + limits + "\n" +
                                 std::to_string(zero + dc->Width(limits) + 10) + " 286 L NOTE\n" + right);
}

TEST_F(ImageInfoTextTest, LineHeightFollowsTheSmallerSide)
{
    Open(testdata::kMono2U8);
    info->m_strModality = "";
    Draw(200, 600);
    CString width;
    width.Format("W:%d", image.GetWindowWidth());
    const TextCall* w = dc->Find(static_cast<const char*>(width));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->y, 600 - 12);
    Draw(1000, 1000);
    w = dc->Find(static_cast<const char*>(width));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->y, 1000 - 32);
}

TEST_F(ImageInfoTextTest, TextColourFollowsInversion)
{
    Open(testdata::kCtRescale);
    Draw();
    EXPECT_EQ(dc->GetTextColor(), RGB(255, 255, 255));
    image.SetInverse(1, 1);
    Draw();
    EXPECT_EQ(dc->GetTextColor(), RGB(160, 160, 160));
}

TEST_F(ImageInfoTextTest, MrPrivateLayoutWhole)
{
    Open(testdata::kMrPrivateList);
    ASSERT_EQ(image.IsQmHospital(), 1);
    info->m_strModality = "MR";
    info->m_strPatientName = "roe^jane";
    info->m_strPatientSex = "f";
    info->m_strPatientID = "P-22";
    info->m_strStudyDate = "19991231";
    info->m_strAcquisitionTime = "081500";
    info->m_strInstanceNumber = " 04";
    info->m_strSeriesNumber = "  3";
    info->m_strAcquisitionNumber = " 2";
    info->m_strInstitutionName = "Clinic";
    info->m_strManufacturerModelName = "Magnet";
    info->m_dRepetitionTime = 450.25;
    info->m_dEchoTime = 12.5;
    info->m_dSliceLocation = 33.3;
    info->m_dSliceThickness = 4.5;
    const char* names[] = {"v21", "?", "v11", "v24", "v25", "v18", "v06", "v07", "P02", "v19", "v10", "v17"};
    CString* values[] = {&info->m_strPrivateValue21, &info->m_strPrivateValue22, &info->m_strPrivateValue11,
                         &info->m_strPrivateValue24, &info->m_strPrivateValue25, &info->m_strPrivateValue18,
                         &info->m_strPrivateValue06, &info->m_strPrivateValue07, &info->m_strPrivateValue02,
                         &info->m_strPrivateValue19, &info->m_strPrivateValue10, &info->m_strPrivateValue17};
    for (int i = 0; i < 12; ++i)
        *values[i] = names[i];
    Draw(400, 300);
    EXPECT_EQ(dc->Listing(),
              "4 0 L ROE^JANE(F)\n4 14 L P-22\n4 28 L 1999-12-31\n4 42 L 08:15:00\n4 56 L IMAGE: 04\n"
              "4 70 L v21\n4 174 L \n4 188 L v11\n4 202 L v24\n4 216 L v25\n4 230 L v18\n"
              "4 244 L TR: 450.2\n4 258 L TE:  12.5\n4 272 L TA: v06\n4 286 L v07\n"
              "398 0 R Clinic\n398 14 R Magnet\n398 28 R Srs:3\n398 28 R P02\n398 42 R Acq:2\n398 56 R Img:04\n"
              "398 202 R SP: 33.3\n398 216 R SL:    4\n398 230 R v19\n398 244 R v10\n398 258 R v17\n"
              "398 272 R W:" + std::to_string(image.GetWindowWidth()) + "\n398 286 R C:" +
              std::to_string(image.GetWindowCenter()) + "\n" + Labels() + Ruler());
}

// Without the private list, MR has its own layout; averages are always empty.
TEST_F(ImageInfoTextTest, MrLayoutWhole)
{
    Open(testdata::kMono2U12);
    info->m_strModality = "MR";
    info->m_strPrivateList = "";
    info->m_strPatientName = "a";
    info->m_strPatientSex = "f";
    info->m_strPatientID = "";
    info->m_strStudyDate = "20010203";
    info->m_strAcquisitionTime = "";
    info->m_dSliceThickness = 5.5;
    info->m_strPercentPhaseFov = "75";
    info->m_dSliceLocation = -20.5;
    info->m_strImageComments = "post";
    info->m_dRepetitionTime = 2000;
    info->m_dEchoTime = 90.05;
    info->m_strManufacturerModelName = "Magnet";
    info->m_strSeriesNumber = " 5";
    info->m_strAcquisitionNumber = "";
    info->m_strInstanceNumber = "0010";
    Draw(400, 300);
    EXPECT_EQ(dc->Listing(),
              "4 0 L A(F)\n4 14 L \n4 28 L 2001-02-03\n4 56 L SL:    6\n4 70 L FOV:75\n4 84 L SP:  -20\n"
              "4 244 L post\n4 258 L TR:2000.0\n4 272 L TE: 90.0\n4 286 L AC:\n"
              "398 0 R Magnet\n398 14 R Srs:5\n398 28 R Acq:\n398 42 R Img:0010\n" +
              Window() + Labels() + Ruler());
}

// DX, PX, IO and MG share a layout; zeros are stripped down to nothing.
TEST_F(ImageInfoTextTest, ProjectionLayoutWhole)
{
    Open(testdata::kMono1U12);
    info->m_strPatientName = "x";
    info->m_strPatientSex = "";
    info->m_strPatientID = "77";
    info->m_strStudyDate = "";
    info->m_strImageLaterality = "L";
    info->m_strSeriesNumber = "000";
    info->m_strInstanceNumber = "0102";
    info->m_strAcquisitionNumber = "";
    for (const char* modality : {"DX", "PX", "IO", "MG"}) {
        info->m_strModality = modality;
        Draw(400, 300);
        EXPECT_EQ(dc->Listing(), "4 0 L X()\n4 14 L 77\n4 42 L Laterality: L\n"
                                 "398 0 R Srs:\n398 14 R Img:102\n398 28 R Acq:\n" +
                                     Window() + Labels() + Ruler())
            << modality;
    }
}

// Any other modality text, lower-case ct and the empty one included: items
// only when present, no orientation labels, the ruler still drawn.
TEST_F(ImageInfoTextTest, OtherLayoutWhole)
{
    Open(testdata::kCtRescale);
    info->m_strPatientName = "doe";
    info->m_strPatientID = "";
    info->m_strStudyDate = " 20240131 ";
    info->m_strSeriesNumber = "000";
    info->m_strInstanceNumber = "";
    info->m_strAcquisitionNumber = "0090";
    info->m_dColumnSpacing = 0.5;
    for (const char* modality : {"ct", "", "XA"}) {
        info->m_strModality = modality;
        Draw(400, 300);
        EXPECT_EQ(dc->Listing(),
                  "4 0 L DOE\n4 28 L 20240131\n398 0 R Srs:\n398 28 R Acq:90\n" + Window() + "397 173 R 1 cm\n")
            << modality;
    }
    info->m_strSeriesNumber = "";
    Draw(400, 300);
    EXPECT_EQ(dc->Listing(), "4 0 L DOE\n4 28 L 20240131\n398 28 R Acq:90\n" + Window() + "397 173 R 1 cm\n");
}

TEST_F(ImageInfoTextTest, NullRectangleLeavesTheDeviceContextAlone)
{
    Open(testdata::kCtRescale);
    dc = std::make_unique<RecordingDC>(100, 100);
    const UINT align = dc->GetTextAlign();
    CDcmImage::ShowImgInfo(dc.get(), &image, nullptr);
    EXPECT_TRUE(dc->calls.empty());
    EXPECT_EQ(dc->GetTextAlign(), align);
}

TEST_F(ImageInfoTextTest, UnopenedImageDrawsNoRulerAndDoesNotFail)
{
    image.GetDicomInfo()->m_dColumnSpacing = 1.0;
    dc = std::make_unique<RecordingDC>(100, 100);
    CRect rect(0, 0, 100, 100);
    CDcmImage::ShowImgInfo(dc.get(), &image, &rect);
    for (const TextCall& call : dc->calls)
        EXPECT_EQ(call.text.find(" cm"), std::string::npos);
    CRect empty(0, 0, 0, 0);
    CDcmImage::ShowImgInfo(dc.get(), &image, &empty);
}

TEST(ScaleRulerTest, CentimetreTicksAndLabel)
{
    RecordingDC dc(200, 200);
    DrawScaleRuler(&dc, 100, 10, 100, 1.0f, 0.5f);
    ASSERT_EQ(dc.calls.size(), 1u);
    EXPECT_EQ(dc.calls[0].text, "5 cm");
    EXPECT_EQ(dc.calls[0].x, 115);
    EXPECT_EQ(dc.calls[0].y, 10 + 100 + 5);
    // Axis, closing tick and first half tick.
    EXPECT_EQ(dc.GetPixel(100, 60), RGB(200, 200, 200));
    EXPECT_EQ(dc.GetPixel(92, 110), RGB(200, 200, 200));
    EXPECT_EQ(dc.GetPixel(97, 20), RGB(200, 200, 200));
    EXPECT_NE(dc.GetPixel(95, 20), RGB(200, 200, 200));

    RecordingDC none(50, 50);
    DrawScaleRuler(&none, 10, 10, 30, 1.0f, 0.0f);
    DrawScaleRuler(&none, 10, 10, 30, 1e-30f, 1.0f);
    DrawScaleRuler(&none, 10, 10, 30, 1.0f, 1e-30f);
    DrawScaleRuler(&none, 10, 10, 30, -1.0f, 1.0f);
    ASSERT_EQ(none.calls.size(), 1u);
    EXPECT_EQ(none.calls[0].text, "0 cm");
}

}  // namespace
