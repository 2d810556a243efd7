#include <gtest/gtest.h>

#include <filesystem>

#include "base/CProfileStore.h"
#include "temp_folder.h"

namespace {
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const std::string& path)
    {
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        hadValue_ = saved != nullptr;
        saved_ = saved ? saved : "";
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~ScopedConfigHome()
    {
        if (hadValue_)
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

private:
    bool hadValue_;
    std::string saved_;
};
} // namespace

TEST(ProfileStore, LooksUpSectionsAndEntriesWithoutRegardToCase)
{
    TempFolder folder;
    ScopedConfigHome home(folder.path());
    std::filesystem::create_directories(folder.File("Norvane"));
    folder.Write("Norvane/Viewer.ini",
                 "; overlay settings\r\n"
                 "[OverlayLine]\r\n"
                 "PenWidth = 3\r\n"
                 "LineColor=51200\r\n"
                 "penwidth=9\r\n"
                 "[OverLayRect]\n"
                 "TextColor=0x00FF80\n"
                 "Offset=-2\n"
                 "Font=\xe5\xae\x8b\xe4\xbd\x93\n"
                 "Empty=\n"
                 "Bad=abc\n");
    CProfileStore profile;
    profile.SetLocation("Norvane", "Viewer");
    EXPECT_EQ(profile.GetPath(), (folder.path() + "/Norvane/Viewer.ini").c_str());

    EXPECT_EQ(profile.GetProfileInt("OverlayLine", "PenWidth", 1), 3u);
    EXPECT_EQ(profile.GetProfileInt("OVERLAYLINE", "penWIDTH", 1), 3u); // first entry wins
    EXPECT_EQ(profile.GetProfileInt("overlayline", "LineColor", 0), 51200u);
    EXPECT_EQ(profile.GetProfileInt("OverlayRect", "TextColor", 0), 0x00FF80u);
    EXPECT_EQ(static_cast<int>(profile.GetProfileInt("OverlayRect", "Offset", 0)), -2);
    EXPECT_EQ(profile.GetProfileInt("OverlayRect", "Empty", 7), 7u);
    EXPECT_EQ(profile.GetProfileInt("OverlayRect", "Bad", 7), 0u);
    EXPECT_EQ(profile.GetProfileInt("OverlayRect", "PenWidth", 2), 2u);
    EXPECT_EQ(profile.GetProfileInt("OverlayAngle", "PenWidth", 4), 4u);
    EXPECT_EQ(profile.GetProfileString("overlayrect", "FONT", "x"), "\xe5\xae\x8b\xe4\xbd\x93");
    EXPECT_EQ(profile.GetProfileString("OverlayRect", "Missing", "fallback"), "fallback");
    EXPECT_EQ(profile.GetProfileString("OverlayRect", "Missing"), "");
}

TEST(ProfileStore, MissingOrUnreadableFileIsAnEmptyProfile)
{
    TempFolder folder;
    ScopedConfigHome home(folder.path());
    CProfileStore profile;
    profile.SetLocation("Norvane", "Viewer");
    EXPECT_EQ(profile.GetProfileInt("Settings", "x", 5), 5u);
    profile.Load(folder.path().c_str()); // a folder, not a file
    EXPECT_EQ(profile.GetProfileString("Settings", "x", "d"), "d");
}

TEST(ProfileStore, ConfigFolderFallsBackToHome)
{
    ScopedConfigHome home("relative/is/ignored");
    const char* user = std::getenv("HOME");
    if (user && *user) {
        EXPECT_EQ(CProfileStore::ConfigFolder(), (std::string(user) + "/.config").c_str());
    }
}
