// A parent window that records the image window's notices, and a fixture
// that creates an image window in it without a display.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "DicomWnd.h"
#include "testdata.h"
#include "wnd/window_system.h"

struct Notice {
    UINT message;
    CEduMsg record;
};

class NoticeHost : public CWnd {
public:
    std::vector<Notice> notices;
    std::vector<int> sliderPositions;
    std::vector<std::pair<WPARAM, LPARAM>> showNotices;

    std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (const Notice& n : notices)
            codes.push_back(n.message == WindowLevelChangedMessage ? 1000 + n.record.m_nCode : n.record.m_nCode);
        return codes;
    }

protected:
    LRESULT OnImageEvent(WPARAM w, LPARAM) { return Record(ImageWndEventMessage, w); }
    LRESULT OnWindowLevel(WPARAM w, LPARAM) { return Record(WindowLevelChangedMessage, w); }
    LRESULT OnSlider(WPARAM w, LPARAM)
    {
        sliderPositions.push_back(static_cast<int>(w));
        return 0;
    }
    LRESULT OnShowNotice(WPARAM w, LPARAM l)
    {
        showNotices.push_back({w, l});
        return 0;
    }
    LRESULT Record(UINT message, WPARAM w)
    {
        notices.push_back({message, *reinterpret_cast<CEduMsg*>(w)});
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

inline std::string DataPath(const char* name) { return std::string(TESTDATA_DIR) + "/" + name; }

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformResetWindows();
        host.CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr);
        ASSERT_TRUE(wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &host, 9090));
    }
    void TearDown() override
    {
        wnd.DestroyWindow();
        PlatformResetWindows();
    }
    void Bind(const char* name) { ASSERT_EQ(wnd.SetImage(DataPath(name).c_str(), 0), 1) << name; }
    void Mouse(UINT message, int x, int y, UINT flags = 0) { wnd.SendMessage(message, flags, MAKELPARAM(x, y)); }
    void Paint()
    {
        wnd.Invalidate(TRUE);
        wnd.UpdateWindow();
    }
    // Surface pixel as 0x00RRGGBB.
    uint32_t Pixel(int x, int y)
    {
        WindowRecord* record = wndsys::Find(wnd.GetSafeHwnd());
        return record->surface.Pixels()[y * record->surface.Width() + x] & 0xFFFFFF;
    }
    int CountPixels(uint32_t value, const CRect& area)
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                n += Pixel(x, y) == value;
        return n;
    }

    NoticeHost host;
    CDicomWnd wnd;
};
