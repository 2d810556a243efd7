// DCMTK's library (and its decompressing tools) read back the pixel values
// that the formulas of testdata.h promise.
#include <gtest/gtest.h>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmdata/dctk.h>
#include <dcmtk/dcmjpeg/djdecode.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "RunProgram.h"
#include "testdata.h"

using namespace testdata;
namespace fs = std::filesystem;

namespace {

class Codecs : public testing::Environment {
 public:
  void SetUp() override {
    DJDecoderRegistration::registerCodecs();
    DcmRLEDecoderRegistration::registerCodecs();
  }
  void TearDown() override {
    DJDecoderRegistration::cleanup();
    DcmRLEDecoderRegistration::cleanup();
  }
};
const testing::Environment* const codecs = testing::AddGlobalTestEnvironment(new Codecs);

// Samples of every frame as decoded by DCMTK, with the layout it reports.
struct Decoded {
  std::string photometric;
  int planar = 0;
  int rows = 0, columns = 0, samples = 0, bitsAllocated = 0, pixelRepresentation = 0;
  std::vector<int> values;  // storage order, signed when the pixel representation is 1
};

::testing::AssertionResult Load(const std::string& path, Decoded& out, bool bareDataset = false) {
  DcmFileFormat file;
  OFCondition status = bareDataset ? file.getDataset()->loadFile(path.c_str()) : file.loadFile(path.c_str());
  if (status.bad()) return ::testing::AssertionFailure() << "load " << path << ": " << status.text();
  DcmDataset& d = *file.getDataset();
  status = d.chooseRepresentation(EXS_LittleEndianExplicit, nullptr);
  if (status.bad()) return ::testing::AssertionFailure() << "decode " << path << ": " << status.text();
  OFString photometric;
  Uint16 planar = 0, rows = 0, columns = 0, samples = 0, bits = 0, representation = 0;
  d.findAndGetOFString(DCM_PhotometricInterpretation, photometric);
  d.findAndGetUint16(DCM_PlanarConfiguration, planar);
  d.findAndGetUint16(DCM_Rows, rows);
  d.findAndGetUint16(DCM_Columns, columns);
  d.findAndGetUint16(DCM_SamplesPerPixel, samples);
  d.findAndGetUint16(DCM_BitsAllocated, bits);
  d.findAndGetUint16(DCM_PixelRepresentation, representation);
  out = Decoded{photometric.c_str(), planar, rows, columns, samples, bits, representation, {}};

  DcmElement* pixels = nullptr;
  if (d.findAndGetElement(DCM_PixelData, pixels).bad() || !pixels)
    return ::testing::AssertionFailure() << "no pixel data in " << path;
  if (bits == 8) {
    Uint8* bytes = nullptr;
    if (pixels->getUint8Array(bytes).bad() || !bytes) return ::testing::AssertionFailure() << "8-bit pixels of " << path;
    for (Uint32 i = 0; i < pixels->getLength(); ++i)
      out.values.push_back(representation ? int(Sint8(bytes[i])) : int(bytes[i]));
  } else {
    Uint16* words = nullptr;
    if (pixels->getUint16Array(words).bad() || !words) return ::testing::AssertionFailure() << "16-bit pixels of " << path;
    for (Uint32 i = 0; i < pixels->getLength() / 2; ++i)
      out.values.push_back(representation ? int(Sint16(words[i])) : int(words[i]));
  }
  return ::testing::AssertionSuccess();
}

// Compares every sample of every frame with the formula; reports the first misses.
::testing::AssertionResult MatchesFormula(const Image& image, const Decoded& decoded) {
  if (decoded.rows != image.rows || decoded.columns != image.columns || decoded.samples != image.samples)
    return ::testing::AssertionFailure() << "layout " << decoded.columns << "x" << decoded.rows;
  const size_t frameSize = size_t(image.rows) * image.columns * image.samples;
  if (decoded.values.size() < frameSize * image.frames)
    return ::testing::AssertionFailure() << "only " << decoded.values.size() << " samples";
  int misses = 0;
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (int f = 0; f < image.frames; ++f)
    for (int y = 0; y < image.rows; ++y)
      for (int x = 0; x < image.columns; ++x)
        for (int c = 0; c < image.samples; ++c) {
          const size_t pixel = size_t(y) * image.columns + x;
          const size_t index = f * frameSize + (image.samples == 3 && decoded.planar == 1
                                                    ? c * size_t(image.rows) * image.columns + pixel
                                                    : pixel * image.samples + c);
          const int expected = StoredValue(image.pattern, x, y, f, c, image.columns);
          if (std::abs(decoded.values[index] - expected) > image.tolerance && misses++ < 5) {
            if (result) result = ::testing::AssertionFailure();
            result << " (" << x << "," << y << ",f" << f << ",c" << c << ") = " << decoded.values[index]
                   << " expected " << expected << ";";
          }
        }
  return result;
}

struct TempFolder {
  fs::path path;
  TempFolder() {
    char name[] = "/tmp/testdata-XXXXXX";
    if (mkdtemp(name)) path = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};

}  // namespace

TEST(PixelsOfEveryImage, DecodeToTheFormula) {
  for (const Image& image : kImages) {
    SCOPED_TRACE(image.name);
    Decoded decoded;
    ASSERT_TRUE(Load(Path(image.name), decoded, std::string(image.name) == kNoMeta));
    if (image.samples == 3 && image.tolerance)
      EXPECT_EQ(decoded.photometric, "RGB");  // lossy colour comes back converted
    else
      EXPECT_EQ(decoded.photometric, image.photometric);
    EXPECT_TRUE(MatchesFormula(image, decoded));
  }
}

// The compressed files, decompressed by DCMTK's own tools, hold the same values.
TEST(PixelsAfterDecompressingTools, JpegAndRleRoundTrips) {
  TempFolder temp;
  ASSERT_FALSE(temp.path.empty());
  int checked = 0;
  for (const Image& image : kImages) {
    const std::string ts = image.transferSyntax;
    const bool rle = ts == kRle;
    if (!rle && ts.rfind("1.2.840.10008.1.2.4.", 0) != 0) continue;
    const std::string out = (temp.path / image.name).string();
    const ProgramResult run = RunProgram({rle ? "dcmdrle" : "dcmdjpeg", Path(image.name), out});
    ASSERT_EQ(run.exitCode, 0) << image.name << "\n" << run.output;
    DcmFileFormat file;
    ASSERT_TRUE(file.loadFile(out.c_str()).good());
    EXPECT_EQ(file.getDataset()->getOriginalXfer(), EXS_LittleEndianExplicit) << image.name;
    Decoded decoded;
    ASSERT_TRUE(Load(out, decoded));
    EXPECT_TRUE(MatchesFormula(image, decoded)) << image.name;
    ++checked;
  }
  EXPECT_EQ(checked, 10);
}

TEST(PixelsOfSpecialFiles, ShortPixelDataHoldsTheFirstRows) {
  Decoded decoded;
  ASSERT_TRUE(Load(Path(kShortPixels), decoded));
  EXPECT_EQ(decoded.rows, 64);
  ASSERT_EQ(decoded.values.size(), 64u * 32u);
  ASSERT_NE(FindImage(kMono2U16), nullptr);
  Image half = *FindImage(kMono2U16);
  half.rows = 32;
  decoded.rows = 32;
  EXPECT_TRUE(MatchesFormula(half, decoded));

  ASSERT_TRUE(Load(Path(kShortFrames), decoded));
  EXPECT_EQ(decoded.values.size(), 2560u);
  EXPECT_EQ(decoded.values[1024 + 5 * 32 + 7], Ramp8(7, 5, 1));
}

TEST(PixelsOfSpecialFiles, IconAndOverlayBlob) {
  DcmFileFormat file;
  ASSERT_TRUE(file.loadFile(Path(kIcon).c_str()).good());
  DcmItem* icon = nullptr;
  ASSERT_TRUE(file.getDataset()->findAndGetSequenceItem(DCM_IconImageSequence, icon, 0).good());
  const Uint8* bytes = nullptr;
  unsigned long count = 0;
  ASSERT_TRUE(icon->findAndGetUint8Array(DCM_PixelData, bytes, &count).good());
  ASSERT_EQ(count, 256u);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(bytes[y * 16 + x], Icon8(x, y)) << x << "," << y;

  DcmFileFormat overlay;
  ASSERT_TRUE(overlay.loadFile(Path(kOverlayAll).c_str()).good());
  DcmElement* blob = nullptr;
  ASSERT_TRUE(overlay.getDataset()->findAndGetElement(DcmTagKey(0x6061, 0x0030), blob).good());
  Uint8* data = nullptr;
  ASSERT_TRUE(blob->getUint8Array(data).good());
  ASSERT_EQ(blob->getLength(), sizeof kOverlayAllBlob);
  for (size_t i = 0; i < sizeof kOverlayAllBlob / 2; ++i)
    EXPECT_EQ(int16_t(data[2 * i] | (data[2 * i + 1] << 8)), kOverlayAllBlob[i]) << i;
}

// djpeg, an independent JPEG reader, decodes the frame folders of the subtraction runs.
TEST(PixelsOfSpecialFiles, SubtractionRunFrames) {
  struct Run { const char* folder; int frames, width, height, components; };
  for (const Run run : {Run{kDsaGreyFolder, kDsaGreyFrames, 64, 64, 1}, Run{kDsaRgbFolder, kDsaRgbFrames, 64, 48, 3}}) {
    for (int f = 0; f < run.frames; ++f) {
      const std::string file = Path(std::string(run.folder) + "/" + DsaFrameName(f));
      const ProgramResult pnm = RunProgram({"djpeg", "-pnm", file});
      ASSERT_EQ(pnm.exitCode, 0) << file;
      const std::string header = std::string(run.components == 1 ? "P5" : "P6") + "\n" +
                                 std::to_string(run.width) + " " + std::to_string(run.height) + "\n255\n";
      ASSERT_EQ(pnm.output.compare(0, header.size(), header), 0) << file;
      ASSERT_EQ(pnm.output.size(), header.size() + size_t(run.width) * run.height * run.components) << file;
      const auto* pixels = reinterpret_cast<const unsigned char*>(pnm.output.data() + header.size());
      for (int y = 0; y < run.height; ++y)
        for (int x = 0; x < run.width; ++x)
          for (int c = 0; c < run.components; ++c) {
            const int expected = run.components == 1 ? Blocks8(x, y, f) : RgbBlocks(x, y, f, c);
            const int actual = pixels[(y * run.width + x) * run.components + c];
            ASSERT_LE(std::abs(actual - expected), run.components == 1 ? 3 : 6) << file << " " << x << "," << y;
          }
    }
  }
}

TEST(Phantom, ShapesHaveTheirValuesAndChangeWithTheSlice) {
  const int n = kSampleSize;
  EXPECT_EQ(PhantomHu(0, 0, 0, n), kHuAir);
  EXPECT_EQ(PhantomHu(n / 2, n / 2, 0, n), kHuFat);
  EXPECT_EQ(PhantomHu(n / 2, n * 15 / 100 + 2, 0, n), kHuBone);  // just inside the top of the outer ellipse
  EXPECT_EQ(PhantomHu(n / 2 - n * 19 / 100, n / 2, 0, n), kHuLung);
  EXPECT_EQ(PhantomHu(n / 2, n / 2 + n * 24 / 100, 0, n), kHuSpine);
  EXPECT_EQ(PhantomHu(n / 2, n / 2 + n * 125 / 1000, 0, n), kHuContrast);
  EXPECT_EQ(PhantomHu(n / 2, n / 2 - n * 225 / 1000, 0, n), kHuSoftTissue);
  EXPECT_EQ(PhantomHu(n / 2, n / 2 - n / 10, 0, n), kHuGrowing);
  EXPECT_EQ(PhantomHu(n / 2 + n / 8, n / 2 + n / 8, 0, n), kHuWater);
  // Left and right agree (the phantom is symmetric about the vertical axis).
  for (int y = 0; y < n; y += 7)
    for (int x = 0; x < n / 2; x += 5) ASSERT_EQ(PhantomHu(x, y, 3, n), PhantomHu(n - 1 - x, y, 3, n));
  auto count = [&](int slice, int hu) {
    int c = 0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) c += PhantomHu(x, y, slice, n) == hu;
    return c;
  };
  EXPECT_LT(count(0, kHuGrowing), count(kSampleSlices - 1, kHuGrowing));
  EXPECT_LT(count(0, kHuLung), count(kSampleSlices - 1, kHuLung));
}

// The sample study's generator writes its slices with the phantom's values.
TEST(SampleStudy, SlicesHoldThePhantom) {
  TempFolder temp;
  ASSERT_FALSE(temp.path.empty());
  // The generator lists its files beside the study's folder: inside ours.
  const fs::path study = temp.path / "study";
  const std::string generator = std::string(BINARY_DIR) + "/tools/generate-sample-study";
  const ProgramResult run = RunProgram({"env", "ASAN_OPTIONS=detect_leaks=0", generator, study.string()});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::string studyUid, seriesUid;
  for (int slice = 0; slice < kSampleSlices; ++slice) {
    const std::string path = (study / SampleSliceName(slice)).string();
    const ProgramResult dump = RunProgram({"dcmdump", path});
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    EXPECT_NE(dump.output.find("(0028,1050) DS [40]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0028,1051) DS [400]"), std::string::npos);
    EXPECT_NE(dump.output.find("(0028,1052) DS [-1024]"), std::string::npos);

    DcmFileFormat file;
    ASSERT_TRUE(file.loadFile(path.c_str()).good());
    DcmDataset& d = *file.getDataset();
    OFString study, series, instance;
    d.findAndGetOFString(DCM_StudyInstanceUID, study);
    d.findAndGetOFString(DCM_SeriesInstanceUID, series);
    d.findAndGetOFString(DCM_InstanceNumber, instance);
    if (slice == 0) {
      studyUid = study.c_str();
      seriesUid = series.c_str();
    }
    EXPECT_EQ(studyUid, study.c_str());
    EXPECT_EQ(seriesUid, series.c_str());
    EXPECT_EQ(std::to_string(slice + 1), instance.c_str());
    Float64 z = 0, location = 0;
    d.findAndGetFloat64(DCM_ImagePositionPatient, z, 2);
    d.findAndGetFloat64(DCM_SliceLocation, location);
    EXPECT_DOUBLE_EQ(z, -27.5 + 5.0 * slice);
    EXPECT_DOUBLE_EQ(location, z);
    if (slice == 0 || slice == kSampleSlices - 1) {
      Decoded decoded;
      ASSERT_TRUE(Load(path, decoded));
      ASSERT_EQ(decoded.pixelRepresentation, 1);
      for (int y = 0; y < kSampleSize; ++y)
        for (int x = 0; x < kSampleSize; ++x)
          ASSERT_EQ(decoded.values[y * kSampleSize + x], PhantomHu(x, y, slice, kSampleSize) + 1024) << x << "," << y;
    }
  }
}
