// The real program on a display of its own: started with a generated file,
// its window must show the folder's files in the tree and the image in the
// right pane; a path it cannot open ends it after the framework's message;
// ended by SIGTERM it removes its temporary folder.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DisplayWindows.h"
#include "platform/temp_folder.h"
#include "screenshot.h"
#include "testdata.h"
#include "wnd/wnd.h"

namespace {

const std::string kViewer = std::string(BINARY_DIR) + "/viewer/Viewer";


bool NearWhite(const unsigned char* p) { return p[0] > 230 && p[1] > 230 && p[2] > 230; }
bool Grey(const unsigned char* p)
{
    return p[0] > 20 && p[0] < 235 && std::abs(p[0] - p[1]) < 8 && std::abs(p[1] - p[2]) < 8;
}

// What the main window shows: text rows in the tree column on white, and
// in the right pane corner text on black with the image's grey ramp.
struct Panes {
    int treeRows = 0;
    bool treeEndsWhite = false;
    int white = 0, grey = 0;
    bool Complete() const { return treeRows == 3 && treeEndsWhite && white > 200 && grey > 20000; }
};

Panes Examine(const Screenshot& shot, const display::ShownWindow& frame)
{
    Panes panes;
    const int bottom = std::min(frame.y + frame.height, shot.height) - 5;
    const int right = std::min(frame.x + frame.width, shot.width) - 5;
    if (bottom < frame.y + 40 || right < frame.x + 280)
        return panes;
    bool inRow = false;
    for (int y = frame.y + 30; y < bottom; ++y) {
        bool marked = false;
        for (int x = frame.x + 10; x < frame.x + 230 && !marked; ++x)
            marked = !NearWhite(shot.At(x, y));
        if (marked && !inRow)
            ++panes.treeRows;
        inRow = marked;
    }
    panes.treeEndsWhite = NearWhite(shot.At(frame.x + 200, bottom - 10));
    for (int y = frame.y + 30; y < bottom; ++y)
        for (int x = frame.x + 270; x < right; ++x) {
            const unsigned char* p = shot.At(x, y);
            if (p[0] > 240 && p[1] > 240 && p[2] > 240)
                ++panes.white;
            else if (Grey(p))
                ++panes.grey;
        }
    return panes;
}

bool HaveDisplay() { return std::getenv("DISPLAY") && std::system("command -v gm >/dev/null") == 0; }

// The program's own temporary folder in that folder; "" while there is none.
std::string ViewerFolderIn(const std::string& folder)
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.path().filename().string().rfind("viewer-", 0) == 0)
            return entry.path().string();
    return std::string();
}

// The program waits on what it shows: the window first, then its content.
TEST(ViewerProgramGui, ShowsTheFolderInTheTreeAndTheImageInTheRightPane)
{
    if (!HaveDisplay())
        GTEST_SKIP() << "needs a display (the test command gives one) and gm";
    TempFolder work;
    std::string image = work.File("image.dcm");
    std::filesystem::copy_file(std::string(TESTDATA_DIR) + "/" + testdata::kMono2U8, image);
    std::filesystem::copy_file(std::string(TESTDATA_DIR) + "/" + testdata::kMono2U16, work.File("second.dcm"));
    work.Write("notes.txt", "text");
    TempFolder out;  // outside the listed folder
    display::Program viewer({kViewer, image});
    ASSERT_TRUE(viewer.Started());
    display::ShownWindow frame;
    ASSERT_TRUE(display::WaitUntil(viewer, [&] {
        frame = display::Find("DICOM浏览器");
        return frame.width > 400;
    })) << "no window titled DICOM浏览器";
    Panes panes;
    display::WaitUntil(viewer, [&] {
        Screenshot shot;
        frame = display::Find("DICOM浏览器");
        if (!frame.id || !shot.Take(out.File("shot.ppm")))
            return false;
        panes = Examine(shot, frame);
        return panes.Complete();
    });
    EXPECT_EQ(panes.treeRows, 3);
    EXPECT_TRUE(panes.treeEndsWhite);
    EXPECT_GT(panes.white, 200);
    EXPECT_GT(panes.grey, 20000);
}

// A path the framework cannot open: its message shows, no main window does,
// and closing the message ends the program.
TEST(ViewerProgramGui, EndsWhenTheCommandLinePathCannotBeOpened)
{
    if (!HaveDisplay())
        GTEST_SKIP() << "needs a display (the test command gives one)";
    TempFolder work;
    display::Program viewer({kViewer, work.File("missing.dcm")});
    ASSERT_TRUE(viewer.Started());
    display::ShownWindow box;
    ASSERT_TRUE(display::WaitUntil(viewer, [&] {
        box = display::Find("Viewer");
        return box.id != 0;
    })) << "no message box titled Viewer";
    EXPECT_EQ(display::Find("DICOM浏览器").id, 0u);
    // A box can be mapped before its toolkit answers the close request, so a
    // request sent that early is lost: ask again while the box stands.
    EXPECT_TRUE(display::WaitUntil(viewer, [&] {
        const display::ShownWindow shown = display::Find("Viewer");
        if (shown.id)
            display::Close(shown);
        return !viewer.Running();
    })) << "still running";
    EXPECT_TRUE(WIFEXITED(viewer.Status()));
}

// SIGTERM, as at logout, ends the program the way its Exit command does; one
// held by a message box runs its clean-up and ends by the signal. Either
// way its temporary folder goes.
TEST(ViewerProgramGui, EndedBySigtermRemovesItsTemporaryFolder)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display (the test command gives one)";
    for (bool held : {false, true}) {
        TempFolder temp;  // the program's TMPDIR
        std::vector<std::string> arguments = {"/usr/bin/env", "TMPDIR=" + temp.path(), kViewer};
        if (held)
            arguments.push_back(temp.File("missing.dcm"));
        display::Program viewer(arguments);
        ASSERT_TRUE(viewer.Started());
        std::string folder;
        ASSERT_TRUE(display::WaitUntil(viewer, [&] {
            folder = ViewerFolderIn(temp.path());
            return !folder.empty() && (!held || display::Find("Viewer").id != 0);
        })) << held;
        ASSERT_TRUE(viewer.Signal(SIGTERM));
        ASSERT_TRUE(display::WaitUntil(viewer, [&] { return !viewer.Running(); })) << "still running " << held;
        if (held)
            EXPECT_TRUE(WIFSIGNALED(viewer.Status()) && WTERMSIG(viewer.Status()) == SIGTERM);
        else
            EXPECT_TRUE(WIFEXITED(viewer.Status()) && WEXITSTATUS(viewer.Status()) == 0);
        EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
    }
}

}  // namespace
