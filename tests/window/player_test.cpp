// The video player window headless: clips open, play to their end, report
// their length and position, rewind, repeat once, and bad clips fail cleanly.
#include "player_support.h"

#include "base/msgbox.h"
#include "wnd/simulation.h"
#include "wnd/window_system.h"

#include <cstdlib>

using namespace player_test;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GeneratedClips().made)
            GTEST_SKIP() << "gst-launch-1.0 could not make the clips";
        PlatformResetWindows();
        SetMediaHeadless(true);
        PlatformClearMessageBoxLog();
        host.CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr);
        player = new CDSPlayer;
        ASSERT_TRUE(player->Create(nullptr, "Player", WS_CHILD | WS_VISIBLE, CRect(0, 0, 320, 240), &host, 1000));
    }
    void TearDown() override
    {
        if (player != nullptr) {
            player->DestroyWindow();
            delete player;
        }
        PlatformResetWindows();
    }
    CString WindowText()
    {
        CString text;
        player->GetWindowText(text);
        return text;
    }

    EventHost host;
    CDSPlayer* player = nullptr;
};

TEST_F(PlayerTest, ClipPlaysToItsEndAndReportsItToTheParent)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().video.c_str(), 1), 1);
    EXPECT_STREQ(WindowText(), "video.avi");
    EXPECT_NEAR(player->GetDuration(), 1500, 10);
    EXPECT_NEAR(player->GetStopPosition(), 1500, 10);
    ASSERT_TRUE(PumpUntil([&] { return host.CountOf(EC_COMPLETE) == 1; }));
    // The end rewinds and pauses: no second end follows.
    EXPECT_TRUE(PumpUntil([&] { return player->GetCurrentPosition() < 300; })) << player->GetCurrentPosition();
    PumpFor(1700);
    EXPECT_EQ(host.CountOf(EC_COMPLETE), 1);
    EXPECT_TRUE(PlatformMessageBoxLog().empty());
}

TEST_F(PlayerTest, RepeatPlaysOnceMoreThenPauses)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().withAudio.c_str(), 0), 1);
    EXPECT_EQ(player->Play(1), 1);
    ASSERT_TRUE(PumpUntil([&] { return host.CountOf(EC_COMPLETE) == 2; }));
    EXPECT_TRUE(PumpUntil([&] { return player->GetCurrentPosition() < 300; })) << player->GetCurrentPosition();
    PumpFor(1700);
    EXPECT_EQ(host.CountOf(EC_COMPLETE), 2);
}

TEST_F(PlayerTest, PositionsAreMillisecondsAndSeekingPastTheEndEndsTheClip)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().video.c_str(), 0), 1);
    EXPECT_EQ(player->GetCurrentPosition(), 0);
    player->SetPositions(250);
    EXPECT_NEAR(player->GetCurrentPosition(), 250, 70);
    player->SetPositions(100, 300);
    EXPECT_NEAR(player->GetStopPosition(), 300, 10);
    player->SetPositions(-5000);
    player->SetPositions(-5000, -1);
    player->SetPositions(60000);
    player->Play(0);
    ASSERT_TRUE(PumpUntil([&] { return !host.events.empty(); }));
    EXPECT_EQ(host.events.front().first, static_cast<WPARAM>(EC_COMPLETE));
}

TEST_F(PlayerTest, VolumeAndMute)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().tone.c_str(), 0), 1);
    player->SetMute(1);
    EXPECT_EQ(player->GetVolume(), -10000);
    player->SetMute(0);
    EXPECT_EQ(player->GetVolume(), 0);
    player->SetVolume(-2500);
    EXPECT_EQ(player->GetVolume(), -2500);
    // The M key toggles the mute shared by every player.
    PlatformSendKey(player->GetSafeHwnd(), 'M');
    EXPECT_EQ(player->GetVolume(), -10000);
    PlatformSendKey(player->GetSafeHwnd(), VK_SUBTRACT);
    EXPECT_EQ(player->GetVolume(), 0);
}

TEST_F(PlayerTest, SpaceKeyPausesAndResumes)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().video.c_str(), 0), 1);
    PlatformSendKey(player->GetSafeHwnd(), VK_SPACE); // pause
    PumpFor(600);
    EXPECT_TRUE(host.events.empty());
    PlatformSendKey(player->GetSafeHwnd(), VK_SPACE); // play
    EXPECT_TRUE(PumpUntil([&] { return host.CountOf(EC_COMPLETE) == 1; }));
}

TEST_F(PlayerTest, WithoutAClipEveryOperationIsHarmless)
{
    EXPECT_EQ(player->Pause(), 0);
    EXPECT_EQ(player->Play(1), 0);
    EXPECT_EQ(player->GetDuration(), 0);
    EXPECT_EQ(player->GetCurrentPosition(), 0);
    EXPECT_EQ(player->GetVolume(), 1);
    EXPECT_EQ(player->InitVideoWindow(), 0);
    player->SetPositions(1000);
    player->SetMute(1);
    player->FullScreen(1);
    PlatformSendKey(player->GetSafeHwnd(), VK_RETURN);
    PlatformSendKey(player->GetSafeHwnd(), VK_SPACE);
    PlatformSendKey(player->GetSafeHwnd(), VK_SPACE);
    player->CloseMovie();
    player->CloseMovie();
}

TEST_F(PlayerTest, BadClipsFailAndLeaveThePlayerEmpty)
{
    const std::string real = ReadFileBytes(GeneratedClips().video);
    const std::string bad[] = {
        GeneratedClips().directory + "/missing.avi",
        WriteClipFile("empty.avi", ""),
        WriteClipFile("text.avi", "not a clip at all, only words\n"),
        WriteClipFile("header.avi", real.substr(0, 12)),
        WriteClipFile("junk.avi", std::string("RIFF\x10\x00\x00\x00" "AVI LIST", 16) + std::string(4000, '\xAB')),
        WriteClipFile("pack.mpg", std::string("\x00\x00\x01\xBA", 4) + std::string(2000, '\x5A')),
    };
    for (const std::string& path : bad) {
        EXPECT_EQ(player->PlayMovie(path.c_str(), 1), 0) << path;
        EXPECT_EQ(player->GetDuration(), 0) << path;
        EXPECT_EQ(player->Pause(), 0) << path;
    }
    // The player stays usable.
    EXPECT_EQ(player->PlayMovie(GeneratedClips().video.c_str(), 1), 1);
    EXPECT_TRUE(PumpUntil([&] { return host.CountOf(EC_COMPLETE) == 1; }));
}

TEST_F(PlayerTest, ClosingWhilePlaying)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().withAudio.c_str(), 1), 1);
    ASSERT_TRUE(PumpUntil([&] { return player->GetCurrentPosition() > 0; }));
    player->DestroyWindow();
    delete player;
    player = nullptr;
    PumpFor(600);
    EXPECT_TRUE(host.events.empty());
}

TEST_F(PlayerTest, AnotherClipReplacesThePlayingOneAndSoundAlonePlaysToItsEnd)
{
    ASSERT_EQ(player->PlayMovie(GeneratedClips().withAudio.c_str(), 1), 1);
    ASSERT_TRUE(PumpUntil([&] { return player->GetCurrentPosition() > 0; }));
    ASSERT_EQ(player->PlayMovie(GeneratedClips().tone.c_str(), 1), 1);
    EXPECT_STREQ(WindowText(), "tone.wav");
    // Sound alone: nothing to place, and the tone's own length.
    EXPECT_EQ(player->InitVideoWindow(), 0);
    EXPECT_NEAR(player->GetDuration(), 1500, 10);
    ASSERT_TRUE(PumpUntil([&] { return host.CountOf(EC_COMPLETE) == 1; }));
    PumpFor(300);
    EXPECT_EQ(host.CountOf(EC_COMPLETE), 1);
}

TEST(PlayerText, ConvertsToUtf16)
{
    CDSPlayer player;
    unsigned short* wide = nullptr;
    char text[] = "a\xE4\xB8\xAD\xF0\x9F\x98\x80";
    ASSERT_EQ(player.ConvertTCharToWChar(text, &wide), S_OK);
    const unsigned short expected[] = {0x61, 0x4E2D, 0xD83D, 0xDE00, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(wide[i], expected[i]) << i;
    delete[] wide;
    EXPECT_EQ(player.ConvertTCharToWChar(nullptr, &wide), E_INVALIDARG);
    EXPECT_EQ(player.ConvertTCharToWChar(text, nullptr), E_INVALIDARG);
}

} // namespace

namespace {

uint32_t SurfacePixel(HWND hwnd, int x, int y)
{
    WindowRecord* record = wndsys::Find(hwnd);
    return record->surface.Pixels()[y * record->surface.Width() + x] & 0xFFFFFF;
}

TEST_F(PlayerTest, PaintsItsBackgroundImageAndTitle)
{
    const std::string bitmap = GeneratedClips().directory + "/back.bmp";
    ASSERT_EQ(std::system(("gm convert -size 8x8 xc:red bmp3:" + bitmap).c_str()), 0);
    player->SetWindowText("Title");
    player->Invalidate(TRUE);
    player->UpdateWindow();
    EXPECT_EQ(SurfacePixel(player->GetSafeHwnd(), 5, 5), 0x000000u);
    player->SetBGImage(bitmap.c_str());
    player->Invalidate(TRUE);
    player->UpdateWindow();
    EXPECT_EQ(SurfacePixel(player->GetSafeHwnd(), 5, 5), 0xFF0000u);
    EXPECT_EQ(SurfacePixel(player->GetSafeHwnd(), 300, 220), 0xFF0000u);
    int white = 0;
    for (int y = 100; y < 140; ++y)
        for (int x = 120; x < 200; ++x)
            white += SurfacePixel(player->GetSafeHwnd(), x, y) == 0xFFFFFFu;
    EXPECT_GT(white, 10);
    // Not a bitmap: only the black fill and the title.
    player->SetBGImage(GeneratedClips().video.c_str());
    player->Invalidate(TRUE);
    player->UpdateWindow();
    EXPECT_EQ(SurfacePixel(player->GetSafeHwnd(), 5, 5), 0x000000u);
}

} // namespace

namespace {

TEST_F(PlayerTest, ClicksReachTheParent)
{
    player->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    player->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(host.clicks, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
    // With a clip the double click toggles full screen instead.
    ASSERT_EQ(player->PlayMovie(GeneratedClips().video.c_str(), 0), 1);
    host.clicks.clear();
    player->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    player->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(host.clicks, (std::vector<UINT>{WM_LBUTTONDOWN}));
}

} // namespace
