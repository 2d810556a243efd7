// The image window's popup menu and commands, cine playback on its timer,
// the open command, a clip bound to the window playing to its end, and what
// binding leaves of earlier playback.
#include "window_harness.h"

#include <filesystem>
#include <fstream>

#include "DSPlayer.h"
#include "base/msgbox.h"
#include "platform/temp_folder.h"
#include "player_support.h"
#include "wnd/menu.h"
#include "wnd/modal_responder.h"
#include "wnd/simulation.h"

namespace {

using namespace testdata;

struct ShownMenu {
    std::vector<MenuItem> items;
    HMENU handle = nullptr;
};

class CommandsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        PlatformClearMessageBoxLog();
        ClearModalLog();
        wnd.SetShowPopupMenu(1);
    }
    void TearDown() override
    {
        SetModalResponder(nullptr);
        WindowTest::TearDown();
    }
    // Right click; the menu shown is recorded and answered with a command.
    ShownMenu RightClick(UINT answer = 0)
    {
        ShownMenu shown;
        SetModalResponder([&](const ModalRequest& request) {
            ModalAnswer reply;
            if (request.kind == ModalKind::PopupMenu && request.menu != nullptr) {
                shown.handle = request.menu->m_hMenu;
                if (MenuData* data = FindMenuData(request.menu->m_hMenu))
                    shown.items = data->items;
                reply.result = static_cast<int>(answer);
            }
            return reply;
        });
        Mouse(WM_RBUTTONDOWN, 50, 50, MK_RBUTTON);
        Mouse(WM_RBUTTONUP, 50, 50);
        PlatformPumpMessages();
        SetModalResponder(nullptr);
        return shown;
    }
    std::vector<UINT> Ids(const ShownMenu& menu)
    {
        std::vector<UINT> ids;
        for (const MenuItem& item : menu.items)
            ids.push_back(item.flags & MF_SEPARATOR ? 0 : item.id);
        return ids;
    }
    void Command(UINT id) { wnd.SendMessage(WM_COMMAND, id, 0); }
    CString Text()
    {
        CString text;
        wnd.GetWindowText(text);
        return text;
    }
    int Frame() { return wnd.GetImage()->GetCurrentFrame(); }
};

TEST_F(CommandsTest, MultiFrameMenuHasToolsAndPlayback)
{
    Bind(kMultiFrameTime);
    ShownMenu menu = RightClick();
    EXPECT_EQ(Ids(menu), (std::vector<UINT>{2200, 2201, 2206, 2202, 2203, 2204, 2205, 0, 2230, 2231, 2232, 2233}));
    const char* texts[] = {"直线(&Line)", "箭头(A&rrow)", "区域(&Rect)", "角度(&Protractor)", "文本(&Text)",
                           "擦除(Clear)", "清除全部(Clear All)", "", "播放(Play)", "停止(Stop)", "下一帧(Next)",
                           "上一帧(Previous)"};
    ASSERT_EQ(menu.items.size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
        if (i != 7) {
            EXPECT_EQ(menu.items[i].text, texts[i]) << i;
        }
    }
    // The built menu is gone once it has been tracked.
    EXPECT_FALSE(IsMenu(menu.handle));
}

TEST_F(CommandsTest, MenuDependsOnImageFramesAndEasyViewer)
{
    EXPECT_TRUE(Ids(RightClick()).empty());
    wnd.SetForEasyViewer(1);
    EXPECT_EQ(Ids(RightClick()), (std::vector<UINT>{2235}));
    Bind(kMono2U8);
    ShownMenu menu = RightClick();
    EXPECT_EQ(Ids(menu), (std::vector<UINT>{2200, 2201, 2206, 2202, 2203, 2204, 2205, 0, 2235, 2236}));
    EXPECT_EQ(menu.items[8].text, "打开文件(&Open)");
    EXPECT_EQ(menu.items[9].text, "保存图片(&Save)");
}

TEST_F(CommandsTest, NoMenuWhenSwitchedOffOrAfterARightDrag)
{
    Bind(kMono2U8);
    wnd.SetShowPopupMenu(0);
    RightClick();
    EXPECT_TRUE(ModalLog().empty());
    wnd.SetShowPopupMenu(1);
    Mouse(WM_RBUTTONDOWN, 50, 50, MK_RBUTTON);
    Mouse(WM_MOUSEMOVE, 80, 90, MK_RBUTTON);
    Mouse(WM_RBUTTONUP, 80, 90);
    EXPECT_TRUE(ModalLog().empty());
}

TEST_F(CommandsTest, HostMenuGoesToItsOwner)
{
    Bind(kMono2U8);
    NoticeHost owner;
    owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr);
    CMenu hostMenu;
    hostMenu.CreatePopupMenu();
    hostMenu.AppendMenu(MF_STRING, 7001, "host item");
    wnd.SetPopupMenu(&hostMenu, &owner);
    ShownMenu menu = RightClick();
    EXPECT_EQ(menu.handle, hostMenu.m_hMenu);
    EXPECT_EQ(Ids(menu), (std::vector<UINT>{7001}));
    EXPECT_TRUE(IsMenu(hostMenu.m_hMenu));
}

TEST_F(CommandsTest, ToolCommandsSetToolAndMode)
{
    Bind(kMono2U8);
    struct {
        UINT id;
        OverLayShape shape;
    } tools[] = {{2200, OVERLAY_LINE}, {2201, OVERLAY_ARROW}, {2202, OVERLAY_ANGLE}, {2203, OVERLAY_TEXT},
                 {2206, OVERLAY_RECT}};
    for (const auto& tool : tools) {
        wnd.SetOverLayMode(OVERLAY_MODE_IDLE);
        RightClick(tool.id);
        EXPECT_EQ(wnd.GetOverLayShape(), tool.shape) << tool.id;
        EXPECT_EQ(wnd.GetOverLayMode(), OVERLAY_MODE_CREATE) << tool.id;
    }
    // The region tool also switches the measurement text off.
    ASSERT_NE(wnd.GetOverLayManager(), nullptr);
    EXPECT_EQ(wnd.GetOverLayManager()->m_bShowMeasure, 0);
    RightClick(2204);
    EXPECT_EQ(wnd.GetOverLayMode(), OVERLAY_MODE_ERASE);
    EXPECT_EQ(wnd.GetOverLayShape(), OVERLAY_RECT);
}

TEST_F(CommandsTest, CheckBoxCommandOnlyNotifies)
{
    Bind(kMono2U8);
    wnd.SetImageIndex(12);
    wnd.SetOverLayShape(OVERLAY_ARROW);
    host.notices.clear();
    Command(1999);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].record.m_nCode, 0x497);
    EXPECT_EQ(host.notices[0].record.m_nParams[0], 12);
    EXPECT_EQ(wnd.GetOverLayShape(), OVERLAY_ARROW);
}

TEST_F(CommandsTest, CommandsWithANotificationCodeAreIgnored)
{
    Bind(kMultiFrameTime);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(2232, 1), 0);
    EXPECT_EQ(Frame(), 0);
    Command(2232);
    EXPECT_EQ(Frame(), 1);
}

TEST_F(CommandsTest, CineWithoutFrameTimeVectorPlaysAt66MsAndStops)
{
    Bind(kMultiFrameTime); // 8 frames; a Frame Time but no Frame Time Vector
    Command(2230);
    PlatformAdvanceTime(65);
    EXPECT_EQ(Frame(), 0);
    PlatformAdvanceTime(1);
    EXPECT_EQ(Frame(), 1);
    EXPECT_STREQ(Text(), "Frame:1/8");
    PlatformAdvanceTime(65);
    EXPECT_EQ(Frame(), 1);
    PlatformAdvanceTime(1);
    EXPECT_EQ(Frame(), 2);
    // Looping past the last frame.
    PlatformAdvanceTime(66 * 6);
    EXPECT_EQ(Frame(), 0);
    EXPECT_STREQ(Text(), "Frame:0/8");
    Command(2231);
    PlatformAdvanceTime(1000);
    EXPECT_EQ(Frame(), 0);
}

TEST_F(CommandsTest, ShortOrMissingFrameTimesPlayAt66Ms)
{
    Bind(kMultiFrameVector); // 5 frames: 0, 33.3, 33.3, 50, 50 ms
    Command(2230);
    PlatformAdvanceTime(66);
    EXPECT_EQ(Frame(), 1);
    PlatformAdvanceTime(33); // frame 1 lasts 33 ms
    EXPECT_EQ(Frame(), 2);
    PlatformAdvanceTime(33);
    EXPECT_EQ(Frame(), 3);
    PlatformAdvanceTime(49);
    EXPECT_EQ(Frame(), 3);
    PlatformAdvanceTime(1);
    EXPECT_EQ(Frame(), 4);
    PlatformAdvanceTime(50);
    EXPECT_EQ(Frame(), 0);
    EXPECT_STREQ(Text(), "Frame:0/5");
    // Frame 0's time of 0 falls back to 66 ms.
    PlatformAdvanceTime(65);
    EXPECT_EQ(Frame(), 0);
    PlatformAdvanceTime(1);
    EXPECT_EQ(Frame(), 1);
}

TEST_F(CommandsTest, SteppingStopsTheCine)
{
    Bind(kMultiFrameVector);
    Command(2230);
    Command(2233);
    EXPECT_EQ(Frame(), 4);
    EXPECT_STREQ(Text(), "Frame:4/5");
    PlatformAdvanceTime(1000);
    EXPECT_EQ(Frame(), 4);
    Command(2232);
    EXPECT_EQ(Frame(), 0);
    EXPECT_STREQ(Text(), "Frame:0/5");
}

TEST_F(CommandsTest, OpenCommandBindsTheChosenFileOrSaysItFailed)
{
    wnd.SetForEasyViewer(1);
    Bind(kMono2U8);
    CDcmImage* before = wnd.GetImage();
    ScriptedResponder().Answer(IDOK, DataPath("no-such-file.dcm")).Install();
    Command(2235);
    EXPECT_EQ(wnd.GetImage(), before);
    EXPECT_STREQ(PlatformLastMessageBoxText(), "打开文件失败");
    ASSERT_FALSE(ModalLog().empty());
    EXPECT_EQ(ModalLog().front().kind, ModalKind::OpenFile);
    EXPECT_EQ(ModalLog().front().filter, "图片文件|*.*|");

    PlatformClearMessageBoxLog();
    ScriptedResponder().Answer(IDOK, DataPath(kMultiFrameTime)).Install();
    Command(2235);
    ASSERT_NE(wnd.GetImage(), nullptr);
    EXPECT_EQ(wnd.GetImage()->GetFramesCount(), 8);
    EXPECT_TRUE(PlatformMessageBoxLog().empty());

    ScriptedResponder().Answer(IDCANCEL).Install();
    Command(2235);
    EXPECT_EQ(wnd.GetImage()->GetFramesCount(), 8);
}

// Asked only with an image; the chosen file is written.
TEST_F(CommandsTest, SaveCommandWritesTheChosenFile)
{
    const TempFolder folder;
    const std::string path = folder.File("save.jpg");
    ScriptedResponder().Answer(IDOK, path).Install();
    Command(2236);
    EXPECT_TRUE(ModalLog().empty());
    Bind(kMono2U8);
    Command(2236);
    ASSERT_EQ(ModalLog().size(), 1u);
    EXPECT_EQ(ModalLog()[0].kind, ModalKind::SaveFile);
    EXPECT_EQ(ModalLog()[0].defaultExt, "JPG");
    EXPECT_EQ(ModalLog()[0].filter, "JPEG图片(*.jpg)|*.jpg|视频文件(*.avi)|*.avi|");
    ASSERT_TRUE(std::filesystem::exists(path));
    std::ifstream file(path, std::ios::binary);
    char magic[3] = {};
    file.read(magic, 3);
    EXPECT_EQ(std::string(magic, 3), "\xFF\xD8\xFF");
}

TEST_F(CommandsTest, RotationKeepsTheImageCentredAndResetRestores)
{
    Bind(kMono2U8); // 64 x 60
    const CRect fitted = *wnd.GetTotalRect();
    wnd.RotateLeft();
    EXPECT_EQ(wnd.GetImage()->GetRotatedAngle() % 360, 90);
    const CRect rotated = *wnd.GetTotalRect();
    EXPECT_NEAR(rotated.CenterPoint().x, fitted.CenterPoint().x, 1);
    EXPECT_NEAR(rotated.CenterPoint().y, fitted.CenterPoint().y, 1);
    EXPECT_LT(rotated.Width(), rotated.Height());
    wnd.ReverseImage();
    wnd.FlipImage();
    EXPECT_EQ(wnd.GetImage()->GetReversed(), 1);
    EXPECT_EQ(wnd.GetImage()->GetFilped(), 1);
    wnd.InverseImage();
    wnd.ResetImageSize();
    EXPECT_EQ(wnd.GetImage()->GetRotatedAngle(), 0);
    EXPECT_EQ(wnd.GetImage()->GetReversed(), 0);
    EXPECT_EQ(wnd.GetImage()->GetFilped(), 0);
    EXPECT_EQ(wnd.GetImage()->GetInverse(), 1);
    EXPECT_EQ(*wnd.GetTotalRect(), fitted);
}

// A clip bound to the window: paused at once, played by the play button,
// its clock ticking every second, and its end returning it to second 0.
class ClipTest : public CommandsTest {
protected:
    void SetUp() override
    {
        if (!player_test::GeneratedClips().made)
            GTEST_SKIP() << "gst-launch-1.0 could not make the clips";
        SetMediaHeadless(true);
        CommandsTest::SetUp();
    }
    CDSPlayer* Player() { return dynamic_cast<CDSPlayer*>(wnd.GetDlgItem(1000)); }
    CPlaySlider* Slider() { return dynamic_cast<CPlaySlider*>(wnd.GetDlgItem(8202)); }
    CString SliderText()
    {
        CString text;
        Slider()->GetWindowText(text);
        return text;
    }
};

TEST_F(ClipTest, ClipIsBoundPausedAndPlaysToItsEnd)
{
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().withAudio.c_str(), 0), 1);
    EXPECT_EQ(wnd.GetIsVideoFile(), 1);
    ASSERT_NE(Player(), nullptr);
    // Started and paused at once: once the pause has settled, the position
    // stays where it is, near the start.
    long paused = -1;
    ASSERT_TRUE(player_test::PumpUntil([&] {
        const long before = Player()->GetCurrentPosition();
        player_test::PumpFor(300);
        paused = Player()->GetCurrentPosition();
        return paused == before;
    }));
    EXPECT_LT(paused, 400);

    Command(8200);
    PlatformAdvanceTime(1000);
    EXPECT_STREQ(SliderText(), "00:00:01/00:00:01");
    EXPECT_EQ(Slider()->m_nPos, 1);
    // EC_COMPLETE reaches the window as the player's event message.
    ASSERT_TRUE(player_test::PumpUntil([&] { return Slider()->m_nPos == 0; }));
    PlatformAdvanceTime(3000);
    EXPECT_EQ(Slider()->m_nPos, 0);
    EXPECT_STREQ(SliderText(), "00:00:01/00:00:01");
}

// A clip that does not load: nothing is bound when it comes first; after a
// playing clip the video state and the clip clock end, and a resize no
// longer shows the empty player. The play button then leaves the clock stopped.
TEST_F(ClipTest, FailedClipUnbindsWhatWasBound)
{
    const std::string junk = player_test::WriteClipFile("window-junk.avi", std::string(3000, 'x'));
    EXPECT_EQ(wnd.SetImage(junk.c_str(), 0), 0);
    EXPECT_EQ(Player(), nullptr);
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().video.c_str(), 0), 1);
    Command(8200);
    EXPECT_EQ(wnd.SetImage(junk.c_str(), 0), 0);
    EXPECT_EQ(wnd.GetIsVideoFile(), 0);
    PlatformAdvanceTime(2000);
    EXPECT_EQ(Slider()->m_nPos, 0);
    wnd.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_FALSE(Player()->CWnd::IsWindowVisible());
    EXPECT_FALSE(Slider()->CWnd::IsWindowVisible());
    Command(8200);
    PlatformAdvanceTime(2000);
    EXPECT_EQ(Slider()->m_nPos, 0);
    EXPECT_STREQ(SliderText(), "");
}

TEST_F(ClipTest, SliderSeeksTheClip)
{
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().video.c_str(), 0), 1);
    wnd.SendMessage(SliderPosMessage, 0, 0);
    EXPECT_EQ(Player()->GetCurrentPosition(), 0);
    Command(8200);
    const auto seeked = std::chrono::steady_clock::now();
    wnd.SendMessage(SliderPosMessage, 0, 0);
    Command(8201);
    // Back at second 0, the clip has played on no longer than the time since.
    const long position = Player()->GetCurrentPosition();
    EXPECT_LE(position, player_test::MillisecondsSince(seeked));
}

TEST_F(ClipTest, ImageAfterClipHidesThePlayerAndStopsTheClipClock)
{
    ASSERT_EQ(wnd.SetImage(player_test::GeneratedClips().video.c_str(), 0), 1);
    Command(8200);
    PlatformAdvanceTime(1000);
    ASSERT_EQ(Slider()->m_nPos, 1);
    Bind(kMono2U8);
    EXPECT_EQ(wnd.GetIsVideoFile(), 0);
    EXPECT_FALSE(Player()->CWnd::IsWindowVisible());
    PlatformAdvanceTime(3000);
    EXPECT_EQ(Slider()->m_nPos, 1);
}

// Binding another image, by path or by pointer, stops the cine of the last.
TEST_F(CommandsTest, NewImageStopsTheCine)
{
    for (bool byPointer : {false, true}) {
        Bind(kMultiFrameVector);
        Command(2230);
        CDcmImage other;
        if (byPointer) {
            ASSERT_EQ(other.OpenFile(DataPath(kMultiFrameTime).c_str()), 1);
            ASSERT_EQ(wnd.SetImage(&other), 1);
        } else {
            Bind(kMultiFrameTime);
        }
        PlatformAdvanceTime(1000);
        EXPECT_EQ(Frame(), 0) << byPointer;
        wnd.SetImage(static_cast<CDcmImage*>(nullptr));
    }
}

} // namespace
