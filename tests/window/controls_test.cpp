// The annotation-text dialog, the playback slider and the play buttons.
#include <cstdio>
#include <fstream>

#include "NoteTextDlg.h"
#include "PlayButton.h"
#include "PlaySlider.h"
#include "platform/gdi_canvas.h"
#include "window_harness.h"

namespace {

std::string WritePhraseFile(const std::string& name, const std::string& content)
{
    const std::string path = std::string(BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::vector<std::string> ComboItems(CComboBox& box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box.GetCount(); ++i) {
        CString text;
        box.GetLBText(i, text);
        items.push_back(static_cast<const char*>(text));
    }
    return items;
}

class NoteDialogTest : public WindowTest {
protected:
    void TearDown() override
    {
        SetModalResponder(nullptr);
        WindowTest::TearDown();
    }
};

TEST_F(NoteDialogTest, OffersNonEmptyPhrasesSortedAndReturnsTheText)
{
    const std::string path = WritePhraseFile("phrases_crlf.txt", "zeta\r\n\r\nalpha\r\n\r\n\r\nmiddle 中文\r\n");
    CNoteTextDlg dialog(&wnd);
    dialog.m_strPhraseFile = path.c_str();
    dialog.m_strText = "start";
    dialog.m_strCaption = "Title";
    std::vector<std::string> offered;
    CString shownText, shownTitle;
    ScriptedResponder()
        .Dialog([&](CDialog& d) {
            auto& note = static_cast<CNoteTextDlg&>(d);
            offered = ComboItems(note.m_PhraseBox);
            note.m_PhraseBox.GetWindowText(shownText);
            note.GetWindowText(shownTitle);
            note.m_PhraseBox.SetWindowText("typed");
            note.SendMessage(WM_COMMAND, IDOK, 0);
        })
        .Install();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(offered, (std::vector<std::string>{"alpha", "middle 中文", "zeta"}));
    EXPECT_EQ(shownText, CString("start"));
    EXPECT_EQ(shownTitle, CString("Title"));
    EXPECT_EQ(dialog.m_strText, CString("typed"));
}

TEST_F(NoteDialogTest, CancelKeepsTheTextAndAMissingFileOffersNothing)
{
    CNoteTextDlg dialog(&wnd);
    EXPECT_EQ(dialog.m_strCaption, CString("标注文字"));
    dialog.m_strPhraseFile = "/nonexistent/phrases.txt";
    dialog.m_strText = "kept";
    size_t offered = 99;
    ScriptedResponder()
        .Dialog([&](CDialog& d) {
            auto& note = static_cast<CNoteTextDlg&>(d);
            offered = ComboItems(note.m_PhraseBox).size();
            note.m_PhraseBox.SetWindowText("typed");
            note.SendMessage(WM_COMMAND, IDCANCEL, 0);
        })
        .Install();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(offered, 0u);
    EXPECT_EQ(dialog.m_strText, CString("kept"));
}

class SliderTest : public WindowTest {
protected:
    void CreateSlider(int width, int height)
    {
        ASSERT_TRUE(slider.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(10, 10, 10 + width, 10 + height), &host,
                                  8202));
    }
    CPlaySlider slider;
};

TEST_F(SliderTest, KeepsItsHeightAndReportsClickedPositions)
{
    CreateSlider(210, 15);
    CRect client;
    slider.GetClientRect(&client);
    EXPECT_EQ(client.Height(), 20);
    EXPECT_EQ(client.Width(), 210);

    slider.m_nMin = 0;
    slider.m_nMax = 99;
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 5));
    slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 5));
    ASSERT_EQ(host.sliderPositions.size(), 1u);
    EXPECT_EQ(host.sliderPositions[0], 100 * (150 - 5) / 200);
    EXPECT_EQ(slider.m_nPos, host.sliderPositions[0]);
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
    EXPECT_EQ(slider.m_nPos, 0);
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(209, 5));
    EXPECT_EQ(slider.m_nPos, 99);

    // Dragging the thumb follows the mouse until the release.
    const CPoint thumb = slider.m_ThumbRect.CenterPoint();
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.x, thumb.y));
    EXPECT_EQ(slider.m_bDragging, 1);
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(105, 5));
    EXPECT_EQ(slider.m_nPos, 50);
    slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(105, 5));
    slider.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(slider.m_nPos, 50);
}

TEST_F(SliderTest, DegenerateTracksAndRanges)
{
    CreateSlider(8, 20);
    slider.m_nMin = 3;
    slider.m_nMax = 9;
    // The thumb covers the whole track: drag it.
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 5));
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 5));
    EXPECT_EQ(slider.m_nPos, 3);
    slider.MoveWindow(10, 10, 10, 20);
    slider.m_nPos = 5;
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 5));
    EXPECT_EQ(slider.m_nPos, 3);
    slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(9, 5));

    slider.MoveWindow(10, 10, 200, 20);
    slider.m_nMin = 0;
    slider.m_nMax = 0;
    slider.m_nPos = 0;
    slider.Redraw();
    EXPECT_EQ(slider.m_ThumbRect.left, 0);
    slider.m_nMax = -5;
    slider.m_nPos = 7;
    slider.Redraw();
    EXPECT_EQ(slider.m_ThumbRect.left, 0);
}

TEST_F(SliderTest, BandsAndThumbArePainted)
{
    CreateSlider(210, 20);
    slider.m_nMax = 99;
    slider.m_nPos = 50;
    slider.m_bShowBand1 = 1;
    slider.m_nBand1Start = 0;
    slider.m_nBand1End = 20;
    slider.Redraw();
    slider.UpdateWindow();
    WindowRecord* record = wndsys::Find(slider.GetSafeHwnd());
    auto at = [&](int x, int y) { return record->surface.Pixels()[y * record->surface.Width() + x] & 0xFFFFFF; };
    // COLORREF 0xFF8080 shows as 0x8080FF; the background 0xC0C0C0.
    EXPECT_EQ(at(10, 3), 0x8080FFu);
    EXPECT_EQ(at(10, 15), 0xC0C0C0u);
    EXPECT_EQ(at(100 + 5, 10), 0x8080FFu);
}

TEST_F(WindowTest, PlayButtonDrawsItsFacesByState)
{
    CPlayButton button;
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 15, 15), &host, 8200));
    button.SetBitmaps(8003, 8004, 8004, 8003);
    button.SetSize(15, 15);
    button.SetToolTipText("播放");
    button.SetToolTipText("again");
    button.Enable(FALSE);
    EXPECT_TRUE(button.GetStyle() & WS_DISABLED);
    button.Enable(TRUE);
    EXPECT_FALSE(button.GetStyle() & WS_DISABLED);

    Canvas canvas(15, 15);
    auto at = [&](int x, int y) { return canvas.at(x, y); };
    DRAWITEMSTRUCT item{};
    item.hDC = canvas.dc;
    item.rcItem = {0, 0, 15, 15};
    button.DrawItem(&item);
    EXPECT_EQ(at(0, 0), 0xC8C8C8u);
    EXPECT_EQ(at(5, 7), 0u);
    item.itemState = ODS_SELECTED;
    button.DrawItem(&item);
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(1, 1), 0xC8C8C8u);
}

}  // namespace
