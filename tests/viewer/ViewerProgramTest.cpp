// The real program on a display of its own: started with a generated file,
// its window must show the folder's files in the tree and the image in the
// right pane. Without a display, a path it cannot open ends it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/temp_folder.h"
#include "screenshot.h"
#include "testdata.h"
#include "wnd/wnd.h"

namespace {

const std::string kViewer = std::string(BINARY_DIR) + "/viewer/Viewer";


struct Geometry {
    int x = -1, y = -1, width = 0, height = 0;
};

Geometry ReadGeometry(const std::string& path)
{
    Geometry g;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("Absolute upper-left X:") != std::string::npos)
            g.x = std::atoi(line.substr(line.find(':') + 1).c_str());
        else if (line.find("Absolute upper-left Y:") != std::string::npos)
            g.y = std::atoi(line.substr(line.find(':') + 1).c_str());
        else if (line.find("  Width:") == 0)
            g.width = std::atoi(line.substr(line.find(':') + 1).c_str());
        else if (line.find("  Height:") == 0)
            g.height = std::atoi(line.substr(line.find(':') + 1).c_str());
    }
    return g;
}

bool NearWhite(const unsigned char* p) { return p[0] > 230 && p[1] > 230 && p[2] > 230; }
bool Grey(const unsigned char* p)
{
    return p[0] > 20 && p[0] < 235 && std::abs(p[0] - p[1]) < 8 && std::abs(p[1] - p[2]) < 8;
}

TEST(ViewerProgramGui, ShowsTheFolderInTheTreeAndTheImageInTheRightPane)
{
    if (std::system("command -v xvfb-run >/dev/null && command -v gm >/dev/null && "
                    "command -v xwininfo >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run, gm or xwininfo missing";
    TempFolder work;
    std::string image = work.File("image.dcm");
    std::filesystem::copy_file(std::string(TESTDATA_DIR) + "/" + testdata::kMono2U8, image);
    std::filesystem::copy_file(std::string(TESTDATA_DIR) + "/" + testdata::kMono2U16, work.File("second.dcm"));
    work.Write("notes.txt", "text");
    TempFolder out;  // outside the listed folder
    std::string script = out.Write("run.sh",
        "\"$1\" \"$2\" & pid=$!\n"
        "i=0; while [ $i -lt 600 ] && ! xwininfo -name 'DICOM浏览器' >/dev/null 2>&1; do sleep 0.1; i=$((i+1)); done\n"
        "sleep 3\n"
        "xwininfo -name 'DICOM浏览器' > \"$3/geometry.txt\"\n"
        "gm import -window root ppm:\"$3/shot.ppm\"\n"
        "kill $pid; wait $pid\n");
    std::string command = "xvfb-run -a -s '-screen 0 1400x1000x24' sh '" + script + "' '" + kViewer + "' '" + image +
                          "' '" + out.path() + "' >/dev/null 2>&1";
    std::system(command.c_str());

    Geometry frame = ReadGeometry(out.File("geometry.txt"));
    ASSERT_GT(frame.width, 400) << "no window titled DICOM浏览器";
    Screenshot shot;
    ASSERT_TRUE(shot.Load(out.File("shot.ppm")));
    int bottom = std::min(frame.y + frame.height, shot.height) - 5;

    // The tree column: one band of text rows per listed file on white.
    int bands = 0;
    bool inBand = false;
    for (int y = frame.y + 30; y < bottom; ++y) {
        bool marked = false;
        for (int x = frame.x + 10; x < frame.x + 230 && !marked; ++x)
            marked = !NearWhite(shot.At(x, y));
        if (marked && !inBand)
            ++bands;
        inBand = marked;
    }
    EXPECT_EQ(bands, 3);
    EXPECT_TRUE(NearWhite(shot.At(frame.x + 200, bottom - 10)));

    // The right pane: corner text on black, and the image's grey ramp.
    int right = std::min(frame.x + frame.width, shot.width) - 5;
    int white = 0, grey = 0;
    for (int y = frame.y + 30; y < bottom; ++y)
        for (int x = frame.x + 270; x < right; ++x) {
            const unsigned char* p = shot.At(x, y);
            if (p[0] > 240 && p[1] > 240 && p[2] > 240)
                ++white;
            else if (Grey(p))
                ++grey;
        }
    EXPECT_GT(white, 200);
    EXPECT_GT(grey, 20000);
}

TEST(ViewerProgramGui, EndsWhenTheCommandLinePathCannotBeOpened)
{
    TempFolder work;
    std::string command = "env -u DISPLAY timeout 60 '" + kViewer + "' '" + work.File("missing.dcm") + "' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 124) << "still running after 60 s";
}

}  // namespace
