// Binding roads, ownership and the geometry rectangles.
#include "window_harness.h"

namespace {

TEST_F(WindowTest, PathRoads)
{
    EXPECT_EQ(wnd.SetImage(CString(""), 0), 0);
    EXPECT_EQ(wnd.GetImage(), nullptr);
    EXPECT_EQ(wnd.SetImage(CString("/nowhere/a.dcm"), 5), 1);
    EXPECT_EQ(wnd.GetDCMFileName(), CString("/nowhere/a.dcm"));
    EXPECT_EQ(wnd.GetImage(), nullptr);

    Bind(testdata::kCtRescale);
    CDcmImage* first = wnd.GetImage();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(wnd.GetImageIndex(), atoi(first->GetDicomInfo()->GetInstanceNumber()));
    EXPECT_EQ(first->GetIsImgPos(), 0);
    EXPECT_EQ(wnd.GetIsVideoFile(), 0);

    // A file that does not open keeps the image on screen.
    EXPECT_EQ(wnd.SetImage(DataPath(testdata::kNotDicom).c_str(), 0), 0);
    EXPECT_EQ(wnd.GetImage(), first);
    EXPECT_EQ(wnd.SetImage(DataPath(testdata::kTruncatedHeader).c_str(), 0), 0);
    EXPECT_EQ(wnd.GetImage(), first);

    // n = -1 binds with the position dot.
    ASSERT_EQ(wnd.SetImage(DataPath(testdata::kMono2U8).c_str(), -1), 1);
    EXPECT_EQ(wnd.GetImage()->GetIsImgPos(), 1);
}

TEST_F(WindowTest, ClipExtensionsAreMatchedWithoutCase)
{
    Bind(testdata::kMono2U8);
    // The clip road drops the image first; without a playable clip it fails.
    EXPECT_EQ(wnd.SetImage(CString("/tmp/none.AVI"), 0), 0);
    EXPECT_EQ(wnd.GetImage(), nullptr);
    Bind(testdata::kMono2U8);
    EXPECT_EQ(wnd.SetImage(CString("/tmp/none.mid"), 0), 0);
    EXPECT_EQ(wnd.GetImage(), nullptr);
    // ".dcm" and unknown endings take the image road (and fail to open).
    Bind(testdata::kMono2U8);
    EXPECT_EQ(wnd.SetImage(CString("/tmp/none.dcm"), 0), 0);
    EXPECT_NE(wnd.GetImage(), nullptr);
    EXPECT_EQ(wnd.SetImage(CString("/tmp/nonexavi"), 0), 0);
    EXPECT_NE(wnd.GetImage(), nullptr);
}

TEST_F(WindowTest, PointerBindingOwnership)
{
    Bind(testdata::kMono2U8);
    CDcmImage* owned = wnd.GetImage();
    // Rebinding the owned image keeps it alive and owned.
    EXPECT_EQ(wnd.SetImage(owned), 1);
    EXPECT_EQ(wnd.GetImage(), owned);
    EXPECT_EQ(owned->GetIsImgPos(), 1);
    EXPECT_GT(owned->GetWidth(), 0);

    // A borrowed image is never deleted by the window.
    CDcmImage borrowed;
    ASSERT_EQ(borrowed.OpenFile(DataPath(testdata::kCtRescale).c_str()), 1);
    EXPECT_EQ(wnd.SetImage(&borrowed), 1);
    EXPECT_EQ(wnd.GetImage(), &borrowed);
    EXPECT_EQ(wnd.SetImage(static_cast<CDcmImage*>(nullptr)), 1);
    EXPECT_EQ(wnd.GetImage(), nullptr);
    EXPECT_EQ(borrowed.GetWidth(), 64);

    // Unbinding an owned image deletes it (AddressSanitizer reports a leak otherwise).
    Bind(testdata::kMono2U8);
    EXPECT_EQ(wnd.SetImage(static_cast<CDcmImage*>(nullptr)), 1);
    EXPECT_EQ(wnd.GetImage(), nullptr);
    // The window is left empty with a borrowed binding: the next path binding owns again.
    Bind(testdata::kMono2U8);
}

TEST_F(WindowTest, TotalRectangleIsTheFittedImage)
{
    Bind(testdata::kMono2U8);
    CDcmImage* image = wnd.GetImage();
    const CRect expected =
        CDcmImage::GetFittedImageRect(CRect(0, 0, 400, 300), image->GetWidth(), image->GetHeight(), 5, 5);
    EXPECT_EQ(*wnd.GetTotalRect(), expected);
    EXPECT_GE(expected.left, 5);
    EXPECT_LE(expected.bottom, 295);

    CRelativeRect relative;
    ASSERT_EQ(wnd.GetImageDestRelativeRect(relative), 1);
    EXPECT_FLOAT_EQ(relative.left, 0.0f);
    EXPECT_FLOAT_EQ(relative.top, 0.0f);
    EXPECT_FLOAT_EQ(relative.right, 1.0f);
    EXPECT_FLOAT_EQ(relative.bottom, 1.0f);

    wnd.MoveImage(CPoint(expected.Width() / 2, expected.Height() / 4));
    ASSERT_EQ(wnd.GetImageDestRelativeRect(relative), 1);
    EXPECT_NEAR(relative.left, 0.5f, 0.01f);
    EXPECT_NEAR(relative.top, 0.25f, 0.01f);
    EXPECT_NEAR(relative.right, 1.5f, 0.01f);
    EXPECT_NEAR(relative.bottom, 1.25f, 0.01f);

    // A resize to nothing keeps both rectangles.
    const CRect before = *wnd.GetTotalRect();
    wnd.MoveWindow(0, 0, 0, 0);
    EXPECT_EQ(*wnd.GetTotalRect(), before);
    EXPECT_EQ(wnd.GetImageDestRelativeRect(relative), 0);
    wnd.MoveWindow(0, 0, 200, 100);
    EXPECT_EQ(*wnd.GetTotalRect(),
              CDcmImage::GetFittedImageRect(CRect(0, 0, 200, 100), image->GetWidth(), image->GetHeight(), 5, 5));
}

TEST_F(WindowTest, WithoutImageGeometryDoesNothing)
{
    CRelativeRect relative;
    EXPECT_EQ(wnd.GetImageDestRelativeRect(relative), 0);
    EXPECT_EQ(wnd.ClientPtToImage(CPoint(3, 3)), CPoint(-1, -1));
    EXPECT_EQ(wnd.ImagePtToClient(CPoint(3, 3)), CPoint(-1, -1));
    EXPECT_EQ(wnd.SetWindowAjustStep(), 0);
    EXPECT_EQ(wnd.GetOverLayManager(), nullptr);
    wnd.ZoomImage(CPoint(5, 5));
    wnd.ResetTotalRect();
    EXPECT_TRUE(wnd.GetTotalRect()->IsRectEmpty());
}

TEST_F(WindowTest, VisibilityIsTheLastRequest)
{
    EXPECT_EQ(wnd.IsWindowVisible(), 1);
    wnd.SetNotifyShowWindow(WM_USER + 7, &host);
    wnd.ShowWindow(SW_HIDE);
    EXPECT_EQ(wnd.IsWindowVisible(), 0);
    ASSERT_EQ(host.showNotices.size(), 1u);
    EXPECT_EQ(host.showNotices[0].first, reinterpret_cast<WPARAM>(&wnd));
    EXPECT_EQ(host.showNotices[0].second, reinterpret_cast<LPARAM>(&host));
    wnd.ShowWindow(SW_SHOW);
    host.ShowWindow(SW_HIDE);
    EXPECT_EQ(wnd.IsWindowVisible(), 1);
}

// Unset parameters read as 0; a copy takes every one of them.
TEST(EduMsgTest, CopiesEveryFieldAndStartsCleared)
{
    CEduMsg a;
    EXPECT_EQ(a.m_nParams[99], 0);
    a.m_nCode = 7;
    a.m_nParams[99] = 9;
    a.m_strParams[99] = "text";
    CEduMsg b(a);
    EXPECT_EQ(b.m_nCode, 7);
    EXPECT_EQ(b.m_nParams[99], 9);
    EXPECT_EQ(b.m_strParams[99], CString("text"));
    CEduMsg c;
    c = b;
    const CEduMsg& same = c;
    c = same;
    EXPECT_EQ(c.m_strParams[99], CString("text"));
}

}  // namespace

namespace {

class FlagManager : public COverLayManager {};

TEST_F(WindowTest, ChildControlsAndManagerSettings)
{
    CWnd* check = wnd.GetDlgItem(IDC_RPT_CHECK);
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->GetStyle() & WS_VISIBLE);
    for (UINT id : {IDC_BTN_PLAY, IDC_BTN_PAUSE, IDC_PLAY_SLIDER}) {
        ASSERT_NE(wnd.GetDlgItem(id), nullptr) << id;
        EXPECT_FALSE(wnd.GetDlgItem(id)->GetStyle() & WS_VISIBLE) << id;
    }
    wnd.ShowRPTCheck(1);
    EXPECT_TRUE(check->GetStyle() & WS_VISIBLE);
    wnd.SetRPTCheck(1);
    EXPECT_EQ(wnd.GetRPTCheck(), 1);
    wnd.MoveWindow(0, 0, 300, 200);
    Bind(testdata::kMono2U8);
    wnd.MoveWindow(0, 0, 320, 240);
    CRect place;
    check->GetWindowRect(&place);
    wnd.ScreenToClient(&place);
    EXPECT_EQ(place, CRect(0, 225, 15, 240));

    // Settings reach the image's manager.
    EXPECT_EQ(wnd.GetIsOverlayVisible(), 0);
    wnd.GetImage()->SetOverLayManager(new FlagManager);
    COverLayManager* manager = wnd.GetOverLayManager();
    wnd.SetDictFile("/tmp/phrases.txt");
    EXPECT_EQ(manager->m_strPhraseFile, CString("/tmp/phrases.txt"));
    wnd.ShowMeasureInfo(0);
    EXPECT_EQ(manager->m_bShowMeasure, 0);
    EXPECT_EQ(manager->m_pOwnerWnd, &wnd);
    EXPECT_EQ(manager->m_ImageRect, *wnd.GetTotalRect());
    EXPECT_EQ(wnd.GetIsOverlayVisible(), 1);
    wnd.OnDrawVisible();
    EXPECT_EQ(wnd.GetIsOverlayVisible(), 0);
    wnd.OnOverlayEraseall();
    EXPECT_EQ(manager->m_nCurrentIndex, -1);

    EXPECT_EQ(wnd.GetColor(OVERLAYTYPE_LINE), COLORREF(0x80FFFF));
    EXPECT_EQ(wnd.GetColor(OVERLAYTYPE_TEXT), COLORREF(0x0000FF));
    EXPECT_EQ(TextOverlayColor, COLORREF(0x0000FF));
    EXPECT_EQ(ArrowOverlayColor, COLORREF(0xFF8000));
}

}  // namespace
