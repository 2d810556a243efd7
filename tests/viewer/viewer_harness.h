// Runs the program's start-up in memory (no display) with a chosen command
// line and temporary folder, and reaches into its frame and panes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "LeftView.h"
#include "MainFrm.h"
#include "ViewerApp.h"
#include "ViewerView.h"
#include "platform/temp_folder.h"
#include "testdata.h"
#include "wnd/wnd.h"

inline std::string TestData(const std::string& name) { return std::string(TESTDATA_DIR) + "/" + name; }

inline void CopyFile(const std::string& from, const std::string& to)
{
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

inline bool MessageBoxShown(const char* text)
{
    for (const PlatformMessageBoxRecord& box : PlatformMessageBoxLog())
        if (box.text == text)
            return true;
    return false;
}

class ViewerTest : public ::testing::Test {
protected:
    TempFolder temp;  // the process's temporary folder
    TempFolder work;  // files the test opens
    CMainFrame* frame = nullptr;
    CLeftView* tree = nullptr;
    CViewerView* view = nullptr;

    void SetUp() override
    {
        setenv("TMPDIR", temp.path().c_str(), 1);
        PlatformClearMessageBoxLog();
        ClearModalLog();
    }

    void TearDown() override
    {
        SetModalResponder({});
        if (CWnd* main = theApp.m_pMainWnd) {
            main->DestroyWindow();
            // A frame whose end the window layer did not see is still ours.
            if (theApp.m_pMainWnd == main)
                delete main;
        }
        theApp.m_pMainWnd = nullptr;
        PlatformResetWindows();
        unsetenv("TMPDIR");
    }

    // Runs the start-up with these arguments after the program name.
    BOOL Start(std::vector<std::string> arguments = {})
    {
        std::vector<std::string> strings = {"Viewer"};
        strings.insert(strings.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& s : strings)
            argv.push_back(&s[0]);
        AfxSetCommandLine((int)argv.size(), argv.data());
        BOOL started = theApp.InitInstance();
        frame = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
        if (frame) {
            tree = dynamic_cast<CLeftView*>(frame->m_wndSplitter.GetPane(0, 0));
            view = frame->GetRightPane();
            frame->MoveWindow(0, 0, 800, 600, TRUE);
            PlatformPumpMessages();
        }
        return started;
    }

    std::vector<std::string> TreeItems() const
    {
        std::vector<std::string> items;
        CTreeCtrl& control = tree->GetTreeCtrl();
        for (HTREEITEM item = control.GetRootItem(); item; item = control.GetNextSiblingItem(item))
            items.push_back((LPCTSTR)control.GetItemText(item));
        return items;
    }

    std::string SelectedItem() const
    {
        HTREEITEM item = tree->GetTreeCtrl().GetSelectedItem();
        return item ? (LPCTSTR)tree->GetTreeCtrl().GetItemText(item) : "";
    }

    HTREEITEM FindItem(const std::string& text) const
    {
        CTreeCtrl& control = tree->GetTreeCtrl();
        for (HTREEITEM item = control.GetRootItem(); item; item = control.GetNextSiblingItem(item))
            if (text == (LPCTSTR)control.GetItemText(item))
                return item;
        return nullptr;
    }

    int TreeColumnWidth() const
    {
        int current = -1, minimum = -1;
        frame->m_wndSplitter.GetColumnInfo(0, current, minimum);
        return current;
    }

    // Where the DICOMDIR listing goes: the program's own temporary folder.
    static std::string ListingPath() { return std::string((LPCTSTR)theApp.m_strTempFolder) + "/dicomdir.xml"; }

    std::string ShownPath()
    {
        CDcmImage* image = view->m_wndDicom.GetImage();
        return image ? (LPCTSTR)view->m_wndDicom.GetDCMFileName() : "";
    }
};
