#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "DicomInfo.h"
#include "DicomTestFiles.h"
#include "ManyScanJpeg.h"
#include "testdata.h"

namespace {

std::vector<unsigned char> Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// Sets the explicit-VR US elements Rows and Columns.
void SetRowsColumns(std::vector<unsigned char>& file, unsigned columns, unsigned rows)
{
    const unsigned char rowsTag[] = {0x28, 0, 0x10, 0, 'U', 'S', 2, 0};
    const unsigned char columnsTag[] = {0x28, 0, 0x11, 0, 'U', 'S', 2, 0};
    for (auto [tag, value] : {std::make_pair(rowsTag, rows), std::make_pair(columnsTag, columns)}) {
        auto at = std::search(file.begin(), file.end(), tag, tag + 8);
        ASSERT_NE(at, file.end());
        at[8] = BYTE(value);
        at[9] = BYTE(value >> 8);
    }
}

// Rows and Columns, and the frame header of the JPEG fragment.
void SetSize(std::vector<unsigned char>& file, unsigned columns, unsigned rows)
{
    SetRowsColumns(file, columns, rows);
    for (size_t i = 0; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC1 || file[i + 1] == 0xC3)) {
            file[i + 5] = BYTE(rows >> 8); file[i + 6] = BYTE(rows);
            file[i + 7] = BYTE(columns >> 8); file[i + 8] = BYTE(columns);
            return;
        }
    ADD_FAILURE() << "no frame header";
}

// The generated file opens as written; enlarged by resize to columns x rows
// without more data, it is refused and gives no frames.
void ExpectOpensButNotEnlarged(const std::string& dir, const char* name, unsigned columns, unsigned rows,
                               void (*resize)(std::vector<unsigned char>&, unsigned, unsigned))
{
    {
        CDicomInfo info;
        CPtrArray frames;
        EXPECT_EQ(info.ReadDicomFile(testdata::Path(name).c_str(), &frames), 1) << name;
        for (int i = 0; i < frames.GetSize(); ++i)
            delete[] static_cast<BYTE*>(frames.GetAt(i));
    }
    std::vector<unsigned char> file = Bytes(testdata::Path(name));
    resize(file, columns, rows);
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                 static_cast<std::streamsize>(file.size()));
    CDicomInfo info;
    CPtrArray frames;
    EXPECT_EQ(info.ReadDicomFile(path.c_str(), &frames), 0) << name;
    EXPECT_EQ(frames.GetSize(), 0) << name;
}

}  // namespace

// JPEG frames declaring 128 MiB and more in a file too short for even two
// bits per block (one bit per sample when lossless) are refused before the
// toolkit decodes them; the files as written open.
TEST(DicomJpegFloor, ShortFilesDeclaringLargePicturesAreRefused)
{
    const std::string dir = testfiles::TempDir("dicom-jpeg-floor");
    struct {
        const char* name;
        unsigned columns, rows;
    } cases[] = {
        {testdata::kTsJpegBaseline, 16384, 16400},
        {testdata::kTsJpegExtended, 16400, 8200},
        {testdata::kTsJpegLossless, 12000, 11200},
    };
    for (const auto& c : cases)
        ExpectOpensButNotEnlarged(dir, c.name, c.columns, c.rows, SetSize);
}

// RLE frames need their 64-byte header and two bytes for every 128 bytes of
// each segment: files declaring 128 MiB and more below that are refused
// before the toolkit allocates and decodes them; the files as written open.
TEST(DicomJpegFloor, ShortRleFilesDeclaringLargePicturesAreRefused)
{
    const std::string dir = testfiles::TempDir("dicom-rle-floor");
    struct {
        const char* name;
        unsigned columns, rows;
    } cases[] = {
        {testdata::kTsRleU8, 16400, 16384},
        {testdata::kTsRleU16, 8200, 8200},
        {testdata::kTsRleMultiFrameRgb, 3000, 2600},
    };
    for (const auto& c : cases)
        ExpectOpensButNotEnlarged(dir, c.name, c.columns, c.rows, SetRowsColumns);
}

// The toolkit decodes progressive frames without a bound on their scans:
// a frame of more scans than the raster reader takes is refused before it.
TEST(DicomJpegFloor, ProgressiveFramesOfTooManyScansAreRefused)
{
    const std::string dir = testfiles::TempDir("dicom-jpeg-scans");
    for (size_t scans : {500, 501}) {
        const std::string jpeg = dir + "/scans.jpg", dicom = dir + "/scans" + std::to_string(scans) + ".dcm";
        testfiles::WriteBytes(jpeg, manyscans::WithScans(48, 32, scans));
        ASSERT_EQ(std::system(("img2dcm -q '" + jpeg + "' '" + dicom + "'").c_str()), 0);
        CDicomInfo info;
        CPtrArray frames;
        EXPECT_EQ(info.ReadDicomFile(dicom.c_str(), &frames), scans == 500 ? 1 : 0) << scans;
        EXPECT_EQ(frames.GetSize(), scans == 500 ? 1 : 0) << scans;
        for (int i = 0; i < frames.GetSize(); ++i)
            delete[] static_cast<BYTE*>(frames.GetAt(i));
    }
}
