#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "DicomInfo.h"
#include "DicomTestFiles.h"

using namespace testfiles;

namespace {

struct ReadResult {
    int result = 0;
    int frames = 0;
};

class DicomInfoTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    void TearDown() override
    {
        for (int i = 0; i < frames.GetSize(); ++i)
            delete[] static_cast<BYTE*>(frames.GetAt(i));
    }

    ReadResult Read(DcmFileFormat& file, E_TransferSyntax xfer = EXS_LittleEndianExplicit)
    {
        const std::string path = dir + "/image.dcm";
        EXPECT_TRUE(Save(file, path, xfer));
        ReadResult r;
        r.result = info.ReadDicomFile(path.c_str(), &frames);
        r.frames = frames.GetSize();
        return r;
    }

    static ImageLayout Small()
    {
        ImageLayout layout;
        layout.pixels = Ramp(layout);
        return layout;
    }

    std::string dir;
    CDicomInfo info;
    CPtrArray frames;
};

}  // namespace

TEST_F(DicomInfoTest, FirstWindowValueTruncated)
{
    DcmFileFormat file = MakeImage(Small());
    file.getDataset()->putAndInsertString(DCM_WindowCenter, "40.9\\400");
    file.getDataset()->putAndInsertString(DCM_WindowWidth, "400\\1500");
    file.getDataset()->putAndInsertString(DCM_OperatorsName, "Smith");
    ASSERT_EQ(Read(file).result, 1);
    EXPECT_EQ(info.m_nWindowCenter, 40);
    EXPECT_EQ(info.m_nWindowWidth, 400);
    EXPECT_TRUE(info.m_strManufacturerModelName.IsEmpty());
    EXPECT_EQ(info.m_strOperatorsName, "Smith");
}

TEST_F(DicomInfoTest, ShortPixelDataFailsLongerDataKeepsWhatItNeeds)
{
    ImageLayout layout;
    layout.pixels = Ramp(layout);
    layout.pixels.resize(layout.pixels.size() - 2);
    DcmFileFormat shortFile = MakeImage(layout);
    EXPECT_EQ(Read(shortFile).result, 0);
    EXPECT_EQ(frames.GetSize(), 0);
    ImageLayout frames3;
    frames3.frames = 3;
    frames3.pixels = Ramp(frames3);
    frames3.frames = 4;  // claims more frames than the data holds
    DcmFileFormat lying = MakeImage(frames3);
    EXPECT_EQ(Read(lying).result, 0);
    EXPECT_EQ(frames.GetSize(), 0);

    // Trailing bytes beyond the frames are left unused; frames stay in place.
    ImageLayout longer;
    longer.rows = 2;
    longer.columns = 3;
    longer.frames = 3;
    longer.bitsAllocated = 8;
    longer.pixels = Ramp(longer, 1, 5);
    longer.pixels.insert(longer.pixels.end(), {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE});
    DcmFileFormat longFile = MakeImage(longer);
    ReadResult r = Read(longFile);
    ASSERT_EQ(r.result, 1);
    ASSERT_EQ(r.frames, 3);
    EXPECT_EQ(static_cast<BYTE*>(frames.GetAt(1))[0], 11);
    EXPECT_EQ(static_cast<BYTE*>(frames.GetAt(2))[0], 17);
    EXPECT_EQ(static_cast<BYTE*>(frames.GetAt(2))[5], 22);
}

TEST_F(DicomInfoTest, PrivateListOfTwentyComponents)
{
    DcmFileFormat file = MakeImage(Small());
    std::string list;
    for (int i = 0; i < 20; ++i)
        list += (i ? "\\" : "") + std::string("  c") + std::to_string(i) + "abcdefgh";
    file.getDataset()->putAndInsertString(DcmTag(0x0051, 0x1010, EVR_LO), list.c_str());
    ASSERT_EQ(Read(file).result, 1);
    EXPECT_EQ(info.GetPrivateValue02(), "  c2abcdefgh");
    EXPECT_EQ(info.GetPrivateValue06(), "defgh");
    EXPECT_EQ(info.GetPrivateValue07(), "  c7abcdefgh");
    EXPECT_EQ(info.GetPrivateValue10(), "c10abcdefgh");
    EXPECT_EQ(info.GetPrivateValue18(), "  c18abcdefgh");
    EXPECT_EQ(info.GetPrivateValue17(), "  c17abcdefgh");
    EXPECT_TRUE(info.GetPrivateValue19().IsEmpty());
    EXPECT_TRUE(info.GetPrivateValue25().IsEmpty());
}

TEST_F(DicomInfoTest, TextIsUtf8)
{
    DcmFileFormat latin = MakeImage(Small());
    latin.getDataset()->putAndInsertString(DCM_SpecificCharacterSet, "ISO_IR 100");
    latin.getDataset()->putAndInsertString(DCM_PatientName, "M\xfcller^Hans");
    ASSERT_EQ(Read(latin).result, 1);
    EXPECT_EQ(info.m_strPatientName, "M\xc3\xbcller^Hans");

    CDicomInfo gbk;
    DcmFileFormat plain = MakeImage(Small());
    plain.getDataset()->putAndInsertString(DCM_InstitutionName, "\xd6\xd0\xce\xc4");  // cp936
    plain.getDataset()->putAndInsertString(DCM_PatientName, "\xe5\xbc\xa0\xe4\xb8\x89");  // UTF-8
    Save(plain, dir + "/gbk.dcm");
    ASSERT_EQ(gbk.ReadDicomFile((dir + "/gbk.dcm").c_str(), nullptr), 1);
    EXPECT_EQ(gbk.m_strInstitutionName, "中文");
    EXPECT_EQ(gbk.m_strPatientName, "张三");
}

TEST_F(DicomInfoTest, WriteElementStoresBlobAndDecimalWindow)
{
    DcmFileFormat file = MakeImage(Small());
    ASSERT_EQ(Read(file).result, 1);
    info.m_nWindowCenter = -600;
    info.m_nWindowWidth = 1500;
    const BYTE blob[10] = {5, 0, 10, 0, 20, 0, 30, 0, 40, 0};
    ASSERT_EQ(info.WriteElement(0x6061, 0x0030, EVR_OB, 10, blob), 1);

    DcmFileFormat check;
    ASSERT_TRUE(check.loadFile((dir + "/image.dcm").c_str()).good());
    OFString centre, width;
    ASSERT_TRUE(check.getDataset()->findAndGetOFString(DCM_WindowCenter, centre).good());
    check.getDataset()->findAndGetOFString(DCM_WindowWidth, width);
    EXPECT_EQ(centre, "-600");
    EXPECT_EQ(width, "1500");
    const Uint8* stored = nullptr;
    unsigned long count = 0;
    ASSERT_TRUE(check.getDataset()->findAndGetUint8Array(DcmTagKey(0x6061, 0x0030), stored, &count).good());
    ASSERT_EQ(count, 10u);
    EXPECT_EQ(stored[2], 10);

    CDicomInfo reread;
    ASSERT_EQ(reread.ReadDicomFile((dir + "/image.dcm").c_str(), nullptr), 1);
    EXPECT_EQ(reread.m_bOverlayBlobPresent, 1);
    EXPECT_EQ(reread.m_nOverlayBlobLength, 10);
    EXPECT_EQ(reread.m_nWindowCenter, -600);
}

TEST_F(DicomInfoTest, WriteElementIntoReadOnlyFileLeavesItUnchanged)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files";
    DcmFileFormat file = MakeImage(Small());
    ASSERT_EQ(Read(file).result, 1);
    const std::string path = dir + "/image.dcm";
    const auto before = ReadBytes(path);
    chmod(path.c_str(), 0444);
    const BYTE blob[2] = {1, 0};
    EXPECT_EQ(info.WriteElement(0x6061, 0x0030, EVR_OB, 2, blob), 0);
    EXPECT_EQ(ReadBytes(path), before);
}
