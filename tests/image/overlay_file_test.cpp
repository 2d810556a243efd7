// Overlays read with a DICOM file, edited and written back into it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "OverLayLine.h"
#include "OverLayManager.h"
#include "testdata.h"

namespace {

std::vector<BYTE> Blob(const int16_t* words, size_t bytes)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(words);
    return std::vector<BYTE>(b, b + bytes);
}

std::vector<BYTE> StoredBlob(const std::string& path)
{
    DcmFileFormat file;
    EXPECT_TRUE(file.loadFile(path.c_str()).good());
    const Uint8* data = nullptr;
    unsigned long length = 0;
    if (file.getDataset()->findAndGetUint8Array(DcmTagKey(0x6061, 0x0030), data, &length).bad())
        return {};
    return std::vector<BYTE>(data, data + length);
}

// Every top-level element but the overlay blob and the window values, as text.
std::vector<std::string> OtherElements(const std::string& path)
{
    DcmFileFormat file;
    EXPECT_TRUE(file.loadFile(path.c_str()).good());
    std::vector<std::string> out;
    DcmDataset* ds = file.getDataset();
    for (unsigned long i = 0; i < ds->card(); ++i) {
        DcmElement* e = ds->getElement(i);
        const DcmTagKey tag = e->getTag();
        if (tag == DcmTagKey(0x6061, 0x0030) || tag == DCM_WindowCenter || tag == DCM_WindowWidth)
            continue;
        OFString value;
        e->getOFStringArray(value);
        out.push_back(tag.toString().c_str() + std::string(" ") + value.c_str());
    }
    return out;
}

class OverlayFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = testfiles::TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string Copy(const std::string& name)
    {
        const std::string path = dir + "/" + name;
        testfiles::WriteBytes(path, testfiles::ReadBytes(testdata::Path(testdata::kOverlayAll)));
        return path;
    }
    std::string dir;
};

TEST_F(OverlayFileTest, StoredOverlaysAreReadAndAnUnmodifiedListIsNotWritten)
{
    const std::string path = Copy("all.dcm");
    CurrentOverlayTool = OVERLAY_LINE;
    CurrentOverlayMode = OVERLAY_MODE_CREATE;
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    COverLayManager* manager = image.GetOverLayManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetCount(), 8);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
    // Measured when opened: the line's text is known before anything is drawn.
    EXPECT_EQ(manager->GetAt(4)->GetInfoText().Left(2), CString("M:"));
    EXPECT_EQ(image.WriteOverLayToFile(), 0);
    EXPECT_EQ(testfiles::ReadBytes(path), testfiles::ReadBytes(testdata::Path(testdata::kOverlayAll)));
}

TEST_F(OverlayFileTest, EditedOverlaysAreSavedAndReopenedWithTheSameBlob)
{
    const std::string path = Copy("all.dcm");
    const std::vector<std::string> before = OtherElements(path);
    std::vector<BYTE> saved;
    {
        CDcmImage image;
        ASSERT_EQ(image.OpenFile(path.c_str()), 1);
        COverLayManager* manager = image.GetOverLayManager();
        manager->DeleteOverlay(manager->GetAt(3));  // the point
        COverLayLine* line = new COverLayLine;
        line->SetOwner(manager);
        manager->AddOverlay(line);
        line->SetFromRecord(-7, 3, 300, 2);
        ASSERT_EQ(image.WriteOverLayToFile(), 1);
        saved = Blob(reinterpret_cast<const int16_t*>(manager->GetRecordsBlob()), manager->GetRecordsBlobSize());
        EXPECT_EQ(manager->IsModified(), 0);
    }
    std::vector<BYTE> expected = Blob(testdata::kOverlayAllBlob, sizeof testdata::kOverlayAllBlob);
    expected.erase(expected.begin() + 2 * 18, expected.begin() + 2 * 21);  // words of the point record
    const std::vector<BYTE> added = Blob(std::vector<int16_t>{5, -7, 3, 300, 2}.data(), 10);
    expected.insert(expected.end(), added.begin(), added.end());
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(StoredBlob(path), expected);
    EXPECT_EQ(OtherElements(path), before);

    CDcmImage reopened;
    ASSERT_EQ(reopened.OpenFile(path.c_str()), 1);
    COverLayManager* manager = reopened.GetOverLayManager();
    ASSERT_EQ(manager->GetCount(), 8);
    manager->BuildRecords();
    EXPECT_EQ(Blob(reinterpret_cast<const int16_t*>(manager->GetRecordsBlob()), manager->GetRecordsBlobSize()),
              expected);
}

TEST_F(OverlayFileTest, AFailedWriteLeavesTheOriginalByteIdentical)
{
    // No file beside this one can be created: its name leaves no room.
    const std::string path = Copy(std::string(250, 'n') + ".dcm");
    const std::vector<uint8_t> original = testfiles::ReadBytes(path);
    ASSERT_FALSE(original.empty());
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    COverLayManager* manager = image.GetOverLayManager();
    manager->EraseAll();
    EXPECT_EQ(image.WriteOverLayToFile(), 0);
    EXPECT_EQ(testfiles::ReadBytes(path), original);
}

}  // namespace
