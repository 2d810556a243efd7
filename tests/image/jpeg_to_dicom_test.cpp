// JPEG wrapped as a secondary-capture DICOM file, read back by DCMTK's
// dcmdump and dcmj2pnm and checked by dciodvfy.
#include <gtest/gtest.h>

#include <algorithm>
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

    std::string Dump(const std::string& path) { return RunProgram({"dcmdump", "+L", "-Un", path}).output; }

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
    // Same (here no) patient and date: the same study.
    EXPECT_EQ(Field(a, "(0020,000d) UI"), Field(b, "(0020,000d) UI"));
    EXPECT_EQ(RunProgram({"dciodvfy", dir + "/a.dcm"}).output.find("Error"), std::string::npos);

    const std::string decoded = dir + "/decoded.pgm";
    const std::string reference = dir + "/reference.pgm";
    ASSERT_EQ(RunProgram({"dcmj2pnm", "+op", dir + "/a.dcm", decoded}).exitCode, 0);
    ASSERT_EQ(RunProgram({"sh", "-c", "djpeg -pnm '" + jpeg + "' > '" + reference + "'"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(decoded), ReadBytes(reference));
}

namespace {

// A valid UID: digit components without leading zeros, dot-separated, at most 64 characters.
bool IsValidUid(const std::string& field)
{
    if (field.size() < 3 || field.front() != '[' || field.back() != ']')
        return false;
    const std::string uid = field.substr(1, field.size() - 2);
    if (uid.empty() || uid.size() > 64)
        return false;
    size_t start = 0;
    while (true) {
        const size_t dot = uid.find('.', start);
        const std::string part = uid.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos ||
            (part.size() > 1 && part[0] == '0'))
            return false;
        if (dot == std::string::npos)
            return true;
        start = dot + 1;
    }
}

// Error lines of dciodvfy, but for one it gives for every YBR_FULL JPEG:
// YBR_FULL is the standard's label for JPEG colour that is not subsampled
// (while the verifier knows only YBR_FULL_422 for lossy JPEG).
std::string VerifierErrors(const std::string& path)
{
    const std::string output = RunProgram({"dciodvfy", path}).output;
    std::string errors;
    size_t start = 0;
    while (start < output.size()) {
        const size_t end = std::min(output.find('\n', start), output.size());
        const std::string line = output.substr(start, end - start);
        if (line.rfind("Error", 0) == 0 &&
            line != "Error - Unrecognized enumerated value <YBR_FULL> for value 1 of attribute <Photometric Interpretation>")
            errors += line + "\n";
        start = end + 1;
    }
    return errors;
}

}  // namespace

// The study UID is named by the study date and the patient ID's digits, the
// series UID by those and the image number; every instance gets its own.
TEST_F(JpegToDicomTest, StudyAndSeriesUidsFollowPatientDateAndImageNumber)
{
    const std::string jpeg = MakeJpeg("photo.jpg", 1);
    struct Conversion {
        const char* id;
        const char* date;
        const char* number;
    };
    const Conversion conversions[] = {
        {"AB-12C3", "2021-03-04", "7"},  // 0
        {"X123", "20210304", "7"},       // 1: the same digits and date
        {"AB-12C3", "2021-03-04", "8"},  // 2: another image number
        {"AB-12C4", "2021-03-04", "7"},  // 3: another patient
        {"AB-12C3", "2021-03-05", "7"},  // 4: another date
    };
    std::vector<std::string> studies, series, instances;
    for (size_t i = 0; i < std::size(conversions); ++i) {
        CDcmImage image;
        image.SetFieldValue("patient_local_id", conversions[i].id);
        image.SetFieldValue("studydate", conversions[i].date);
        image.SetFieldValue("image_number", conversions[i].number);
        const std::string path = dir + "/" + std::to_string(i) + ".dcm";
        ASSERT_EQ(image.JpegToDicom(jpeg.c_str(), path.c_str()), 1);
        const std::string dump = Dump(path);
        studies.push_back(Field(dump, "(0020,000d) UI"));
        series.push_back(Field(dump, "(0020,000e) UI"));
        instances.push_back(Field(dump, "(0008,0018) UI"));
        for (const std::string& uid : {studies.back(), series.back(), instances.back()})
            EXPECT_TRUE(IsValidUid(uid)) << uid;
        if (i == 0) {
            const ProgramResult verify = RunProgram({"dciodvfy", path});
            EXPECT_EQ(verify.output.find("Error"), std::string::npos) << verify.output;
        }
    }
    EXPECT_EQ(studies[1], studies[0]);
    EXPECT_EQ(series[1], series[0]);
    EXPECT_EQ(studies[2], studies[0]);
    EXPECT_NE(series[2], series[0]);
    EXPECT_NE(studies[3], studies[0]);
    EXPECT_NE(studies[4], studies[0]);
    EXPECT_NE(studies[4], studies[3]);
    EXPECT_NE(series[0], studies[0]);
    EXPECT_NE(instances[1], instances[0]);
}

// Each file names its JPEG's colours and coding process: YBR_FULL for 4:4:4,
// YBR_FULL_422 for 4:2:2 and 4:2:0, RGB for JPEG coded as R, G, B; baseline,
// extended (quantisation past 8 bits, or arithmetic coding) and progressive.
TEST_F(JpegToDicomTest, PhotometricAndTransferSyntaxFollowTheJpeg)
{
    std::string ppm = "P6\n45 31\n255\n";
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 45; ++x)
            ppm += {char(x * 5), char(200 - y * 6), char((x * 3 + y * 4) % 256)};
    WriteBytes(dir + "/source.ppm", std::vector<uint8_t>(ppm.begin(), ppm.end()));
    struct Case {
        const char* name;
        std::vector<std::string> options;
        const char* photometric;
        const char* syntax;
        bool decodable;
    };
    const Case cases[] = {
        {"444", {"-sample", "1x1"}, "YBR_FULL", "1.2.840.10008.1.2.4.50", true},
        {"422", {"-sample", "2x1"}, "YBR_FULL_422", "1.2.840.10008.1.2.4.50", true},
        {"420", {"-sample", "2x2"}, "YBR_FULL_422", "1.2.840.10008.1.2.4.50", true},
        {"progressive", {"-sample", "1x1", "-progressive"}, "YBR_FULL", "1.2.840.10008.1.2.4.55", true},
        {"extended", {"-quality", "2"}, "YBR_FULL_422", "1.2.840.10008.1.2.4.51", true},
        {"arithmetic", {"-arithmetic"}, "YBR_FULL_422", "1.2.840.10008.1.2.4.52", false},
        {"grey", {"-grayscale", "-progressive"}, "MONOCHROME2", "1.2.840.10008.1.2.4.55", true},
        {"rgb", {"-rgb", "-sample", "1x1"}, "RGB", "1.2.840.10008.1.2.4.50", true},
    };
    for (const Case& c : cases) {
        const std::string jpeg = dir + "/" + c.name + ".jpg";
        std::string command = "cjpeg";
        for (const std::string& option : c.options)
            command += " " + option;
        ASSERT_EQ(RunProgram({"sh", "-c", command + " '" + dir + "/source.ppm' > '" + jpeg + "'"}).exitCode, 0);
        const std::string dicom = dir + "/" + c.name + ".dcm";
        CDcmImage image;
        ASSERT_EQ(image.JpegToDicom(jpeg.c_str(), dicom.c_str()), 1) << c.name;
        const std::string dump = Dump(dicom);
        EXPECT_EQ(Field(dump, "(0028,0004) CS"), std::string("[") + c.photometric + "]") << c.name;
        EXPECT_EQ(Field(dump, "(0002,0010) UI"), std::string("[") + c.syntax + "]") << c.name;
        EXPECT_EQ(VerifierErrors(dicom), "") << c.name;
        if (!c.decodable)
            continue;
        const std::string decoded = dir + "/" + c.name + ".pnm";
        const std::string reference = dir + "/" + c.name + ".ref.pnm";
        ASSERT_EQ(RunProgram({"dcmj2pnm", "+op", dicom, decoded}).exitCode, 0) << c.name;
        ASSERT_EQ(RunProgram({"sh", "-c", "djpeg -pnm '" + jpeg + "' > '" + reference + "'"}).exitCode, 0);
        EXPECT_EQ(ReadBytes(decoded), ReadBytes(reference)) << c.name;
    }
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
