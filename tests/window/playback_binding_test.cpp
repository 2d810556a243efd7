// What binding leaves of earlier playback: the cine timer of the last image,
// the clip clock and the video state after a clip that does not load.
#include "window_harness.h"

#include "DSPlayer.h"
#include "PlaySlider.h"
#include "player_support.h"

namespace {

using namespace testdata;

class PlaybackBindingTest : public WindowTest {
protected:
    void SetUp() override
    {
        if (!player_test::GeneratedClips().made)
            GTEST_SKIP() << "gst-launch-1.0 could not make the clips";
        SetMediaHeadless(true);
        WindowTest::SetUp();
    }
    void Command(UINT id) { wnd.SendMessage(WM_COMMAND, id, 0); }
    CDSPlayer* Player() { return dynamic_cast<CDSPlayer*>(wnd.GetDlgItem(1000)); }
    CPlaySlider* Slider() { return dynamic_cast<CPlaySlider*>(wnd.GetDlgItem(8202)); }
    std::string Junk() { return player_test::WriteClipFile("binding-junk.avi", std::string(3000, 'x')); }
};

TEST(CineBindingTest, NewImageStopsTheCine)
{
    PlatformResetWindows();
    NoticeHost host;
    CDicomWnd wnd;
    host.CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr);
    ASSERT_TRUE(wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &host, 9090));
    for (bool byPointer : {false, true}) {
        ASSERT_EQ(wnd.SetImage(DataPath(kMultiFrameVector).c_str(), 0), 1);
        wnd.SendMessage(WM_COMMAND, 2230, 0);
        CDcmImage other;
        if (byPointer) {
            ASSERT_EQ(other.OpenFile(DataPath(kMultiFrameTime).c_str()), 1);
            ASSERT_EQ(wnd.SetImage(&other), 1);
        } else {
            ASSERT_EQ(wnd.SetImage(DataPath(kMultiFrameTime).c_str(), 0), 1);
        }
        PlatformAdvanceTime(1000);
        EXPECT_EQ(wnd.GetImage()->GetCurrentFrame(), 0) << byPointer;
        wnd.SetImage(static_cast<CDcmImage*>(nullptr));
    }
    wnd.DestroyWindow();
    PlatformResetWindows();
}

TEST_F(PlaybackBindingTest, ImageBindingStopsTheClipClock)
{
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().video.c_str(), 0), 1);
    Command(8200);
    PlatformAdvanceTime(1000);
    ASSERT_EQ(Slider()->m_nPos, 1);
    Bind(kMono2U8);
    PlatformAdvanceTime(3000);
    EXPECT_EQ(Slider()->m_nPos, 1);
}

TEST_F(PlaybackBindingTest, FailedSecondClipUnbindsTheFirst)
{
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().video.c_str(), 0), 1);
    Command(8200);
    EXPECT_EQ(wnd.SetImage(Junk().c_str(), 0), 0);
    EXPECT_EQ(wnd.GetIsVideoFile(), 0);
    PlatformAdvanceTime(2000);
    EXPECT_EQ(Slider()->m_nPos, 0);
    // A resize no longer shows the empty player.
    wnd.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_FALSE(Player()->CWnd::IsWindowVisible());
    EXPECT_FALSE(Slider()->CWnd::IsWindowVisible());
}

TEST_F(PlaybackBindingTest, PlayButtonWithoutAClipLeavesTheClockStopped)
{
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().video.c_str(), 0), 1);
    EXPECT_EQ(wnd.SetImage(Junk().c_str(), 0), 0);
    Command(8200);
    PlatformAdvanceTime(2000);
    EXPECT_EQ(Slider()->m_nPos, 0);
    CString text;
    Slider()->GetWindowText(text);
    EXPECT_STREQ(text, "");
}

} // namespace
