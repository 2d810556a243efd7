// JPEG wrapped as a secondary-capture DICOM file, read back by DCMTK's
// dcmdump and dcmj2pnm and checked by dciodvfy.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "JpegFile.h"
#include "RunProgram.h"

using namespace testfiles;

namespace {

class JpegToDicomTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    // A colour JPEG of 45 x 31 pixels whose file length is odd.
    std::string MakeJpeg(const std::string& name, int colour)
    {
        std::vector<BYTE> rgb(45 * 31 * 3);
        for (size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = BYTE((i * 7) % 251);
        const std::string path = dir + "/" + name;
        EXPECT_EQ(JpegFile::WriteRGB(path.c_str(), rgb.data(), 45, 31, colour, 90), 1);
        std::vector<uint8_t> bytes = ReadBytes(path);
        if (bytes.size() % 2 == 0) {
            bytes.push_back(0);
            WriteBytes(path, bytes);
        }
        return path;
    }

    std::string Dump(const std::string& path) { return RunProgram({"dcmdump", "+L", path}).output; }

    std::string dir;
};

// The bracketed value of a tag in a dump.
std::string Field(const std::string& dump, const std::string& tag)
{
    const size_t at = dump.find(tag);
    const size_t open = at == std::string::npos ? at : dump.find('[', at);
    if (open == std::string::npos)
        return "<absent>";
    return dump.substr(open, dump.find(']', open) - open + 1);
}

}  // namespace

TEST_F(JpegToDicomTest, ColourJpegBecomesAValidSecondaryCaptureWithTheSamePixels)
{
    const std::string jpeg = MakeJpeg("photo.jpg", 1);
    const std::string dicom = dir + "/photo.dcm";
    CDcmImage image;
    image.SetFieldValue("Name", "WANG^LI");
    image.SetFieldValue("PATIENT_LOCAL_ID", "AB-12C3");
    image.SetFieldValue("studydate", "2021-03-04");
    image.SetFieldValue("date_of_birth", "1970-01-02");
    image.SetFieldValue("Modality", "CT");
    image.SetFieldValue("image_number", "7");
    image.SetFieldValue("unknown_key", "X");
    ASSERT_EQ(image.JpegToDicom(jpeg.c_str(), dicom.c_str()), 1);

    const ProgramResult dump = RunProgram({"dcmdump", "+L", dicom});
    ASSERT_EQ(dump.exitCode, 0);
    EXPECT_EQ(dump.output.find("W: "), std::string::npos) << dump.output;
    EXPECT_EQ(dump.output.find("E: "), std::string::npos) << dump.output;
    EXPECT_NE(dump.output.find("(0010,0010) PN [WANG^LI]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0010,0020) LO [AB-12C3]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0008,0020) DA [20210304]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0010,0030) DA [19700102]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0008,0060) CS [CT]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0020,0013) IS [7]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0008,0008) CS [DERIVED\\SECONDARY]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0028,0010) US 31"), std::string::npos);
    EXPECT_NE(dump.output.find("(0028,0011) US 45"), std::string::npos);
    // The odd JPEG is padded to an even fragment that says so.
    const size_t jpegBytes = ReadBytes(jpeg).size();
    ASSERT_EQ(jpegBytes % 2, 1u);
    EXPECT_NE(dump.output.find("# " + std::to_string(jpegBytes + 1) + ", 1 Item"), std::string::npos);

    const ProgramResult verify = RunProgram({"dciodvfy", dicom});
    EXPECT_EQ(verify.output.find("Error"), std::string::npos) << verify.output;

    const std::string decoded = dir + "/decoded.ppm";
    const std::string reference = dir + "/reference.ppm";
    ASSERT_EQ(RunProgram({"dcmj2pnm", "+op", dicom, decoded}).exitCode, 0);
    ASSERT_EQ(RunProgram({"sh", "-c", "djpeg -pnm '" + jpeg + "' > '" + reference + "'"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(decoded), ReadBytes(reference));
}

TEST_F(JpegToDicomTest, GreyJpegIsOneSampleAndEveryFileGetsItsOwnInstance)
{
    const std::string jpeg = MakeJpeg("grey.jpg", 0);
    CDcmImage image;
    ASSERT_EQ(image.JpegToDicom(jpeg.c_str(), (dir + "/a.dcm").c_str()), 1);
    ASSERT_EQ(image.JpegToDicom(jpeg.c_str(), (dir + "/b.dcm").c_str()), 1);
    const std::string a = Dump(dir + "/a.dcm");
    const std::string b = Dump(dir + "/b.dcm");
    EXPECT_NE(a.find("(0028,0004) CS [MONOCHROME2]"), std::string::npos) << a;
    EXPECT_NE(a.find("(0028,0002) US 1"), std::string::npos);
    // No study date: left empty rather than an invalid date.
    EXPECT_NE(a.find("(0008,0020) DA (no value available)"), std::string::npos);
    const std::string instanceA = Field(a, "(0008,0018) UI");
    EXPECT_EQ(instanceA.rfind("[2.25.", 0), 0u) << instanceA;
    EXPECT_NE(instanceA, Field(b, "(0008,0018) UI"));
    EXPECT_EQ(instanceA, Field(a, "(0002,0003) UI"));
    EXPECT_NE(Field(a, "(0020,000d) UI"), Field(b, "(0020,000d) UI"));
    EXPECT_EQ(RunProgram({"dciodvfy", dir + "/a.dcm"}).output.find("Error"), std::string::npos);

    const std::string decoded = dir + "/decoded.pgm";
    const std::string reference = dir + "/reference.pgm";
    ASSERT_EQ(RunProgram({"dcmj2pnm", "+op", dir + "/a.dcm", decoded}).exitCode, 0);
    ASSERT_EQ(RunProgram({"sh", "-c", "djpeg -pnm '" + jpeg + "' > '" + reference + "'"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(decoded), ReadBytes(reference));
}

TEST_F(JpegToDicomTest, StudyAndSeriesOfAnOpenedImageAreKept)
{
    ImageLayout layout;
    layout.pixels = Ramp(layout);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_StudyInstanceUID, "1.2.3.4");
    file.getDataset()->putAndInsertString(DCM_SeriesInstanceUID, "1.2.3.4.5");
    ASSERT_TRUE(Save(file, dir + "/source.dcm"));
    CDcmImage image;
    ASSERT_EQ(image.OpenFile((dir + "/source.dcm").c_str()), 1);
    const std::string jpeg = MakeJpeg("photo.jpg", 1);
    ASSERT_EQ(image.JpegToDicom(jpeg.c_str(), (dir + "/out.dcm").c_str()), 1);
    const std::string dump = Dump(dir + "/out.dcm");
    EXPECT_NE(dump.find("(0020,000d) UI [1.2.3.4]"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0020,000e) UI [1.2.3.4.5]"), std::string::npos);
}

TEST_F(JpegToDicomTest, MissingOrBrokenJpegWritesNothingAndCreatesNothing)
{
    CDcmImage image;
    const std::string missing = dir + "/missing.jpg";
    const std::string out = dir + "/out.dcm";
    EXPECT_EQ(image.JpegToDicom(missing.c_str(), out.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(out));
    WriteBytes(dir + "/broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    WriteBytes(out, {1, 2, 3});
    EXPECT_EQ(image.JpegToDicom((dir + "/broken.jpg").c_str(), out.c_str()), 0);
    EXPECT_EQ(ReadBytes(out), (std::vector<uint8_t>{1, 2, 3}));
    // A folder that does not exist takes no file.
    const std::string jpeg = MakeJpeg("photo.jpg", 1);
    EXPECT_EQ(image.JpegToDicom(jpeg.c_str(), (dir + "/no/such/out.dcm").c_str()), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);
}
