// A 24 x 16 image of 16-bit values y * 24 + x, shown at twice its size at
// (10, 20) in the window, with an overlay manager over it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "OverLayManager.h"
#include "gdi/gdi.h"

class OverlayImageTest : public ::testing::Test {
protected:
    static constexpr int kColumns = 24;
    static constexpr int kRows = 16;

    void SetUp() override { dir = testfiles::TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    // spacing: the Pixel Spacing text, "" for none.
    std::string WriteImage(const char* spacing, const std::string& name = "image.dcm")
    {
        testfiles::ImageLayout layout;
        layout.rows = kRows;
        layout.columns = kColumns;
        layout.pixels = testfiles::Ramp(layout);
        DcmFileFormat file = testfiles::MakeImage(layout);
        if (spacing[0] != '\0')
            file.getDataset()->putAndInsertString(DCM_PixelSpacing, spacing);
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(testfiles::Save(file, path));
        return path;
    }

    COverLayManager* Open(const char* spacing = "0.5\\0.25")
    {
        if (!image.OpenFile(WriteImage(spacing).c_str()))
            return nullptr;
        COverLayManager* manager = image.CreateOverLayManager();
        ShowAtTwice(manager);
        return manager;
    }

    // The image rectangle for the current rotation, at scale 2.
    void ShowAtTwice(COverLayManager* manager)
    {
        manager->SetImageRect(10, 20, 10 + 2 * image.GetWidth(), 20 + 2 * image.GetHeight(), 0);
    }

    std::string dir;
    CDcmImage image;
};
