// Every generated file is read back by DCMTK's dcmdump: readable files dump
// cleanly and show their layout, broken files are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "RunProgram.h"
#include "testdata.h"

using namespace testdata;

namespace {

ProgramResult Dump(const std::string& file, const std::string& option = "") {
  if (option.empty()) return RunProgram({"dcmdump", Path(file)});
  return RunProgram({"dcmdump", option, Path(file)});
}

// The dump line of an element: "(gggg,eeee) VR value".
std::string Line(const std::string& tag, const std::string& vrAndValue) { return tag + " " + vrAndValue; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

void CheckDump(const Image& image) {
  const ProgramResult dump = Dump(image.name, "-Un");
  ASSERT_EQ(dump.exitCode, 0) << dump.output;
  EXPECT_FALSE(Contains(dump.output, "\nE: ") || dump.output.rfind("E: ", 0) == 0) << dump.output;
  EXPECT_FALSE(Contains(dump.output, "\nW: ") || dump.output.rfind("W: ", 0) == 0) << dump.output;
  const std::string& out = dump.output;
  if (std::string(image.name) == kNoMeta) {
    EXPECT_TRUE(Contains(out, "# Used TransferSyntax: Little Endian Implicit")) << out;
    EXPECT_FALSE(Contains(out, "(0002,0010)")) << out;
  } else {
    EXPECT_TRUE(Contains(out, std::string("(0002,0010) UI [") + image.transferSyntax + "]")) << out;
  }
  EXPECT_TRUE(Contains(out, Line("(0028,0010) US", std::to_string(image.rows)))) << out;
  EXPECT_TRUE(Contains(out, Line("(0028,0011) US", std::to_string(image.columns)))) << out;
  EXPECT_TRUE(Contains(out, Line("(0028,0002) US", std::to_string(image.samples)))) << out;
  EXPECT_TRUE(Contains(out, Line("(0028,0100) US", std::to_string(image.bitsAllocated)))) << out;
  EXPECT_TRUE(Contains(out, Line("(0028,0101) US", std::to_string(image.bitsStored)))) << out;
  EXPECT_TRUE(Contains(out, Line("(0028,0103) US", std::to_string(image.pixelRepresentation)))) << out;
  EXPECT_TRUE(Contains(out, std::string("(0028,0004) CS [") + image.photometric + "]")) << out;
  if (image.planar >= 0) {
    EXPECT_TRUE(Contains(out, Line("(0028,0006) US", std::to_string(image.planar)))) << out;
  }
  if (image.frames > 1) {
    EXPECT_TRUE(Contains(out, "(0028,0008) IS [" + std::to_string(image.frames) + "]")) << out;
  }
  EXPECT_TRUE(Contains(out, "(7fe0,0010)")) << out;
}

}  // namespace

// One test walks the whole table: a test process per file costs more than the dumps.
TEST(DumpEveryImage, ShowsLayoutAndTransferSyntax) {
  for (const Image& image : kImages) {
    SCOPED_TRACE(image.name);
    CheckDump(image);
  }
}

TEST(DumpBrokenFiles, TruncatedEmptyAndForeignFilesAreRefused) {
  for (const char* name : {kTruncatedPixels, kTruncatedHeader, kEmpty, kNotDicom}) {
    const ProgramResult dump = Dump(name);
    EXPECT_NE(dump.exitCode, 0) << name << "\n" << dump.output;
    EXPECT_TRUE(Contains(dump.output, "E: ")) << name << "\n" << dump.output;
  }
  EXPECT_TRUE(Contains(Dump(kTruncatedPixels).output, "PixelData (7fe0,0010) larger"));
}

TEST(DumpBrokenFiles, ShortPixelDataIsWellFormedButShorterThanClaimed) {
  const ProgramResult shortPixels = Dump(kShortPixels);
  ASSERT_EQ(shortPixels.exitCode, 0) << shortPixels.output;
  EXPECT_TRUE(Contains(shortPixels.output, "(0028,0010) US 64")) << shortPixels.output;
  EXPECT_TRUE(Contains(shortPixels.output, "# 4096, 1 PixelData")) << shortPixels.output;  // 64x64x2 = 8192 claimed

  const ProgramResult shortFrames = Dump(kShortFrames);
  ASSERT_EQ(shortFrames.exitCode, 0) << shortFrames.output;
  EXPECT_TRUE(Contains(shortFrames.output, "(0028,0008) IS [4]")) << shortFrames.output;
  EXPECT_TRUE(Contains(shortFrames.output, "# 2560, 1 PixelData")) << shortFrames.output;  // 4 x 1024 claimed
}

TEST(DumpAttributes, WindowRescaleSpacingAndFrameTimes) {
  const std::string ct = Dump(kCtRescale).output;
  EXPECT_TRUE(Contains(ct, "(0028,1050) DS [40\\400]")) << ct;
  EXPECT_TRUE(Contains(ct, "(0028,1051) DS [400\\1500]")) << ct;
  EXPECT_TRUE(Contains(ct, "(0028,1052) DS [-1024]")) << ct;
  EXPECT_TRUE(Contains(ct, "(0028,1053) DS [1]")) << ct;
  EXPECT_TRUE(Contains(ct, "(0008,0060) CS [CT]")) << ct;
  EXPECT_TRUE(Contains(Dump(kCtSlope2).output, "(0028,1053) DS [2]"));
  const std::string scout = Dump(kCtScout).output;
  EXPECT_TRUE(Contains(scout, "(0008,0080) LO [ELM RIVER GENERAL HOSP]")) << scout;
  EXPECT_TRUE(Contains(scout, "(0018,0022) CS [SCOUT MODE]")) << scout;

  EXPECT_FALSE(Contains(Dump(kMono2U8NoWindow).output, "(0028,1050)"));
  EXPECT_FALSE(Contains(Dump(kMono2U16NoWindow).output, "(0028,1051)"));
  EXPECT_TRUE(Contains(Dump(kMono2U8).output, "(0028,1050) DS [100]"));

  EXPECT_TRUE(Contains(Dump(kSpacingSquare).output, "(0028,0030) DS [0.7\\0.7]"));
  EXPECT_TRUE(Contains(Dump(kSpacingNonSquare).output, "(0028,0030) DS [1.25\\0.8]"));
  const std::string absent = Dump(kSpacingAbsent).output;
  EXPECT_FALSE(Contains(absent, "(0028,0030)") || Contains(absent, "(0018,1164)")) << absent;
  const std::string imager = Dump(kSpacingImager).output;
  EXPECT_TRUE(Contains(imager, "(0018,1164) DS [0.15\\0.2]")) << imager;
  EXPECT_FALSE(Contains(imager, "(0028,0030)")) << imager;
  const std::string both = Dump(kSpacingBoth).output;
  ASSERT_TRUE(Contains(both, "(0028,0030) DS [0.3\\0.3]")) << both;
  EXPECT_LT(both.find("(0018,1164) DS [0.15\\0.15]"), both.find("(0028,0030) DS [0.3\\0.3]")) << both;

  EXPECT_TRUE(Contains(Dump(kMultiFrameTime).output, "(0018,1063) DS [40]"));
  EXPECT_TRUE(Contains(Dump(kMultiFrameVector).output, "(0018,1065) DS [0\\33.3\\33.3\\50\\50]"));
  EXPECT_TRUE(Contains(Dump(kOrientCoronal).output, "(0020,0037) DS [1\\0\\0\\0\\0\\-1]"));
  EXPECT_TRUE(Contains(Dump(kOrientNone).output, "(0020,0020) CS [L\\P]"));
}

TEST(DumpAttributes, OverlayBlobIconAndPrivateTexts) {
  const std::string line = Dump(kOverlayLine, "+L").output;
  EXPECT_TRUE(Contains(line, "(6061,0030) OB 05\\00\\0a\\00\\0c\\00\\32\\00\\28\\00")) << line;
  EXPECT_TRUE(Contains(Dump(kOverlayAll).output, "(6061,0030) OB 01\\00\\04\\00"));
  const std::string plane = Dump(kOverlayPlane).output;
  EXPECT_TRUE(Contains(plane, "(6000,0100) US 1")) << plane;
  EXPECT_TRUE(Contains(plane, "(6000,3000) OW")) << plane;

  const std::string icon = Dump(kIcon).output;
  EXPECT_TRUE(Contains(icon, "(0088,0200) SQ")) << icon;
  EXPECT_TRUE(Contains(icon, "    (0028,0010) US 16")) << icon;
  EXPECT_EQ(CountOf(icon, "(7fe0,0010)"), 2) << icon;

  const std::string mr = Dump(kMrPrivateList, "+L").output;
  EXPECT_TRUE(Contains(mr, std::string("(0051,1010) LT [") + kPrivateList + "]")) << mr;
  EXPECT_TRUE(Contains(mr, std::string("(0021,1011) LO [") + kPrivate00211011 + "]")) << mr;
  EXPECT_TRUE(Contains(mr, std::string("(0019,1354) DS [") + kPrivate00191354 + "]")) << mr;
}

TEST(DumpAttributes, ChineseNamesInTheirCharacterSets) {
  const std::string utf8 = Dump(kTextUtf8).output;
  EXPECT_TRUE(Contains(utf8, "(0008,0005) CS [ISO_IR 192]")) << utf8;
  EXPECT_TRUE(Contains(utf8, std::string("(0010,0010) PN [") + kNameUtf8 + "]")) << utf8;
  // +U8 converts to UTF-8 through the file's character set.
  const ProgramResult gb = RunProgram({"dcmdump", "+U8", Path(kTextGb18030)});
  ASSERT_EQ(gb.exitCode, 0) << gb.output;
  EXPECT_TRUE(Contains(Dump(kTextGb18030).output, "(0008,0005) CS [GB18030]"));
  EXPECT_TRUE(Contains(gb.output, std::string("(0010,0010) PN [") + kNameGb18030Utf8 + "]")) << gb.output;
  EXPECT_TRUE(Contains(gb.output, "(0008,0080) LO [中心医院]")) << gb.output;
}

TEST(DumpMedia, DicomdirListsEveryImageByFileId) {
  const ProgramResult dump = RunProgram({"dcmdump", Path(kMediaDicomdir)});
  ASSERT_EQ(dump.exitCode, 0) << dump.output;
  EXPECT_EQ(CountOf(dump.output, "(0004,1430) CS [IMAGE]"), 5) << dump.output;
  EXPECT_EQ(CountOf(dump.output, "(0004,1430) CS [PATIENT]"), 2) << dump.output;
  for (const char* file : kMediaFiles) {
    std::string id = file;
    for (char& c : id)
      if (c == '/') c = '\\';
    EXPECT_TRUE(Contains(dump.output, "(0004,1500) CS [" + id + "]")) << id;
    const ProgramResult image = RunProgram({"dcmdump", "-q", Path(std::string(kMediaFolder) + "/" + file)});
    EXPECT_EQ(image.exitCode, 0) << file << "\n" << image.output;
  }
}

TEST(DumpManifest, ListsEveryImageFile) {
  std::ifstream in(Path("MANIFEST.txt"));
  const std::string manifest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const Image& image : kImages) EXPECT_TRUE(Contains(manifest, std::string(image.name) + "\n")) << image.name;
  for (const char* name : {kTruncatedPixels, kTruncatedHeader, kShortPixels, kShortFrames, kEmpty, kNotDicom})
    EXPECT_TRUE(Contains(manifest, std::string(name) + "\n")) << name;
}
