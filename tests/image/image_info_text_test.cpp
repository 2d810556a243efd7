// Corner text of an image on a device context, checked through a recording
// of the text output calls.
#include <gtest/gtest.h>

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
    bool HasPrefix(const std::string& prefix) const
    {
        for (const TextCall& call : calls)
            if (call.text.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
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
    CDcmImage image;
    CDicomInfo* info = nullptr;
    std::unique_ptr<RecordingDC> dc;
};

TEST_F(ImageInfoTextTest, CtLayoutPlacesWindowValuesByLineHeight)
{
    Open(testdata::kCtRescale);
    info->m_strModality = "CT";
    info->m_strPatientName = "doe^john";
    Draw(400, 300);
    const int h = 14;
    CString level, width;
    level.Format("L:%d", image.GetWindowCenter());
    width.Format("W:%d", image.GetWindowWidth());
    const TextCall* l = dc->Find(static_cast<const char*>(level));
    const TextCall* w = dc->Find(static_cast<const char*>(width));
    ASSERT_NE(l, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(l->x, 398);
    EXPECT_EQ(l->y, 300 - 2 * h);
    EXPECT_EQ(w->y, 286);
    EXPECT_EQ(w->align & TA_RIGHT, UINT(TA_RIGHT));
    const TextCall* name = dc->Find("DOE^JOHN");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->x, 4);
    EXPECT_EQ(name->y, 0);
    EXPECT_EQ(name->align & TA_RIGHT, 0u);
    EXPECT_TRUE(dc->HasPrefix("SL:"));
    EXPECT_TRUE(dc->HasPrefix("["));
    // X-Ray Tube Current (0018,1151) of the generated CT file.
    EXPECT_DOUBLE_EQ(info->m_dXRayTubeCurrent, 250.0);
    const TextCall* current = dc->Find("MA:250.0");
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->x, 4);
    EXPECT_EQ(current->y, 300 - 6 * h);
    // Right-aligned on return, font and background mode restored.
    EXPECT_EQ(dc->GetTextAlign() & TA_RIGHT, UINT(TA_RIGHT));
    EXPECT_EQ(dc->GetBkMode(), OPAQUE);
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

TEST_F(ImageInfoTextTest, ModalityIsComparedExactly)
{
    Open(testdata::kCtRescale);
    info->m_strModality = "ct";
    info->m_strSeriesNumber = "";
    Draw();
    EXPECT_FALSE(dc->HasPrefix("["));
    EXPECT_FALSE(dc->HasPrefix("SL:"));
    EXPECT_FALSE(dc->HasPrefix("Srs:"));
    info->m_strModality = "";
    Draw();
    EXPECT_FALSE(dc->HasPrefix("["));
}

TEST_F(ImageInfoTextTest, CtDatesTimesAndSubtype)
{
    Open(testdata::kCtRescale);
    info->m_strModality = "CT";
    info->m_strSeriesDate = "20240131";
    info->m_strAcquisitionTime = "143025.123456";
    info->m_strDataSetSubtype = "AB  XYZW";
    info->m_strAcquisitionNumber = "007";
    Draw(400, 300);
    const TextCall* date = dc->Find("2024-01-31");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->y, 2 * 14);
    EXPECT_NE(dc->Find("14:30:25.12"), nullptr);
    const TextCall* subtype = dc->Find("XYZW  7");
    ASSERT_NE(subtype, nullptr);
    EXPECT_EQ(subtype->y, 7 * 14);

    info->m_strSeriesDate = "";
    info->m_strAcquisitionTime = "1";
    Draw(400, 300);
    EXPECT_FALSE(dc->HasPrefix("-"));
    EXPECT_NE(dc->Find("1::"), nullptr);
}

TEST_F(ImageInfoTextTest, CtBottomRunMeasuresEachText)
{
    Open(testdata::kCtRescale);
    info->m_strModality = "CT";
    info->m_strImageComments = "NOTE";
    info->m_strPrivate00211120 = "";
    info->m_strPrivate00211011 = "";
    Draw(400, 300);
    const TextCall* note = dc->Find("NOTE");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->x, 20);
    EXPECT_EQ(note->y, 300 - 14);

    info->m_strPrivate00211120 = "12.7\\3";
    info->m_strPrivate00211011 = "5\\9";
    Draw(400, 300);
    const TextCall* first = dc->Find("12");
    const TextCall* second = dc->Find("5/9");
    note = dc->Find("NOTE");
    ASSERT_TRUE(first && second && note);
    EXPECT_EQ(first->x, 4);
    CFont font;
    font.CreateFont(14, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "Arial");
    CFont* previous = dc->SelectObject(&font);
    const int width1 = dc->GetTextExtent("12", 2).cx;
    const int width2 = dc->GetTextExtent("5/9", 3).cx;
    dc->SelectObject(previous);
    EXPECT_EQ(second->x, width1 + 10);
    EXPECT_EQ(note->x, width1 + 10 + width2 + 10);

    info->m_strPrivate00211120 = "77";
    info->m_strPrivate00211011 = "42";
    Draw(400, 300);
    EXPECT_NE(dc->Find("0"), nullptr);
    EXPECT_NE(dc->Find("0/42"), nullptr);
    info->m_strPrivate00211011 = "1e300\\-1e300";
    Draw(400, 300);
    EXPECT_NE(dc->Find("2147483647/-2147483648"), nullptr);
}

TEST_F(ImageInfoTextTest, MrPrivateLayoutSharesTheSeriesLine)
{
    Open(testdata::kMrPrivateList);
    info->m_strPrivateList = "A\\B";
    ASSERT_EQ(image.IsQmHospital(), 1);
    info->m_strModality = "MR";
    info->m_strPrivateValue22 = "?";
    info->m_strSeriesNumber = "  3";
    info->m_strPrivateValue02 = "P02";
    Draw(400, 300);
    const TextCall* series = dc->Find("Srs:3");
    const TextCall* value02 = dc->Find("P02");
    ASSERT_TRUE(series && value02);
    EXPECT_EQ(series->y, 2 * 14);
    EXPECT_EQ(value02->y, 2 * 14);
    EXPECT_EQ(value02->x, 398);
    bool emptyAtLine9 = false;
    for (const TextCall& call : dc->calls)
        emptyAtLine9 |= call.y == 300 - 9 * 14 && call.x == 4 && call.text.empty();
    EXPECT_TRUE(emptyAtLine9);
    EXPECT_TRUE(dc->HasPrefix("C:"));
}

TEST_F(ImageInfoTextTest, PlainMrLayoutShowsEmptyAverages)
{
    Open(testdata::kMono2U12);
    info->m_strModality = "MR";
    info->m_strPrivateList = "";
    info->m_strPatientName = "a";
    info->m_strPatientSex = "f";
    if (image.IsQmHospital())
        GTEST_SKIP() << "file carries the private list";
    Draw(400, 300);
    EXPECT_NE(dc->Find("AC:"), nullptr);
    EXPECT_NE(dc->Find("A(F)"), nullptr);
}

TEST_F(ImageInfoTextTest, ZeroSeriesNumbers)
{
    Open(testdata::kMono1U12);
    info->m_strModality = "DX";
    info->m_strSeriesNumber = "000";
    Draw();
    EXPECT_NE(dc->Find("Srs:"), nullptr);
    info->m_strModality = "OT";
    Draw();
    EXPECT_NE(dc->Find("Srs:"), nullptr);
    info->m_strSeriesNumber = "";
    Draw();
    EXPECT_EQ(dc->Find("Srs:"), nullptr);
}

TEST_F(ImageInfoTextTest, OrientationLabelsAndRuler)
{
    Open(testdata::kCtRescale);
    info->m_strModality = "DX";
    info->m_dColumnSpacing = 0.5;
    Draw(400, 300);
    const TextCall* bottom = dc->Find(static_cast<const char*>("[" + image.GetBOrientation() + "]"));
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->x, 200 - 3);
    EXPECT_EQ(bottom->y, 300 - 14);
    EXPECT_TRUE(dc->HasPrefix("[") );
    EXPECT_TRUE(dc->calls.back().text.find(" cm") != std::string::npos);
    info->m_strModality = "XA";
    Draw(400, 300);
    EXPECT_FALSE(dc->HasPrefix("["));
    EXPECT_TRUE(dc->calls.back().text.find(" cm") != std::string::npos);
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
