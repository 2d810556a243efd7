// The command-line tools start without the GUI toolkit and the media
// framework: nothing they load depends on either.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "RunProgram.h"

TEST(ToolStartup, ToolsLoadNeitherGuiToolkitNorMediaFramework)
{
    for (const char* tool : {"dcmrender", "rasterconv", "jpeg2dcm"}) {
        const ProgramResult ldd = RunProgram({"ldd", std::string(BINARY_DIR) + "/tools/" + tool});
        ASSERT_EQ(ldd.exitCode, 0) << tool << "\n" << ldd.output;
        // The linker drops libraries a tool does not use (DCMTK from rasterconv),
        // so only the C library shows that ldd listed what the tool loads.
        EXPECT_NE(ldd.output.find("libc.so"), std::string::npos) << tool << "\n" << ldd.output;
        std::istringstream lines(ldd.output);
        for (std::string line; std::getline(lines, line);) {
            for (const char* library : {"libwx", "libgtk", "libgdk", "libgst", "libX11"})
                EXPECT_EQ(line.find(library), std::string::npos) << tool << ": " << line;
        }
    }
}
