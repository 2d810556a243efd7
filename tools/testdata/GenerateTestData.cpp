// Writes the DICOM files the tests read into the folder given as the only
// argument, with MANIFEST.txt (what each file is), and <folder>.files beside
// it (every path written, for the build's up-to-date check).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DicomFiles.h"
#include "JpegFrames.h"
#include "ToolRunner.h"

namespace fs = std::filesystem;
using namespace testdata;

namespace {

using Extra = std::function<void(DcmItem&)>;

const char* FormulaText(Pattern p) {
  switch (p) {
    case Pattern::Ramp8: return "Ramp8 = (x*3 + y*5 + f*17) & 0xFF";
    case Pattern::Ramp8Signed: return "Ramp8 as signed 8-bit";
    case Pattern::Ramp12: return "Ramp12 = (x*37 + y*59 + f*101) & 0xFFF";
    case Pattern::Ramp12Signed: return "Ramp12 - 2048, sign-extended to 16 bits";
    case Pattern::Ramp16: return "Ramp16 = (x*251 + y*509 + f*1021) & 0xFFFF";
    case Pattern::Ramp16Signed: return "Ramp16 as signed 16-bit";
    case Pattern::Blocks8: return "Blocks8 = 32 + 24*((x/16 + 2*(y/16) + f) % 8)";
    case Pattern::Blocks12: return "Blocks12 = 256 + 480*((x/16 + 2*(y/16) + f) % 8)";
    case Pattern::RgbRamp: return "RgbRamp: R = (x*4 + f*32) & 0xFF, G = (y*4 + f*16) & 0xFF, B = ((x+y)*2 + 64) & 0xFF";
    case Pattern::RgbBlocks: return "RgbBlocks: R = 40 + 60*((x/16 + f) % 4), G = 40 + 60*((y/16) % 4), B = 220 - 50*((x/16 + y/16) % 4)";
    case Pattern::Ybr: return "Ybr: Y = 64 + (x*2 + y + f*8) % 128, Cb = 128 + ((y%16) - 8)*4, Cr = 128 + ((x%16) - 8)*4";
    case Pattern::CtPhantom: return "PhantomHu(x, y, slice = f, columns) + 1024";
    case Pattern::CtPhantomSlope2: return "(PhantomHu(x, y, slice = f, columns) + 1024) / 2";
    case Pattern::None: break;
  }
  return "none";
}

const char* TransferSyntaxName(const std::string& uid) {
  if (uid == kImplicitLE) return "implicit VR little endian";
  if (uid == kExplicitLE) return "explicit VR little endian";
  if (uid == kExplicitBE) return "explicit VR big endian";
  if (uid == kDeflatedLE) return "deflated explicit VR little endian";
  if (uid == kJpegBaseline) return "JPEG baseline (lossy, quality 95)";
  if (uid == kJpegExtended) return "JPEG extended 12-bit (lossy, quality 95)";
  if (uid == kJpegLosslessSV1) return "JPEG lossless, first-order prediction";
  if (uid == kRle) return "RLE lossless";
  return uid.c_str();
}

void PutWindow(DcmItem& item, const std::string& centre, const std::string& width) {
  Put(item, DCM_WindowCenter, centre);
  Put(item, DCM_WindowWidth, width);
}

void PutModalityDefaults(DcmItem& item, const std::string& modality) {
  if (modality == "CT") {
    Put(item, DCM_KVP, "120");
    Put(item, DCM_XRayTubeCurrent, "250");
    Put(item, DCM_SliceThickness, "5");
    Put(item, DCM_TableHeight, "150");
    Put(item, DCM_GantryDetectorTilt, "0");
    Put(item, DCM_ConvolutionKernel, "STANDARD");
    Put(item, DCM_PatientPosition, "HFS");
  } else if (modality == "MR") {
    Put(item, DCM_RepetitionTime, "500");
    Put(item, DCM_EchoTime, "15");
    Put(item, DCM_InversionTime, "0");
    Put(item, DCM_PercentPhaseFieldOfView, "100");
    Put(item, DCM_SliceThickness, "4");
    Put(item, DCM_PatientPosition, "HFS");
  } else if (modality == "CR" || modality == "DX") {
    Put(item, DCM_KVP, "80");
    Put(item, DCM_XRayTubeCurrent, "200");
  }
}

void PutCtGeometry(DcmItem& item, double spacing, double sliceLocation, int columns) {
  const double origin = -spacing * columns / 2 + spacing / 2;
  char text[128];
  std::snprintf(text, sizeof text, "%.4g\\%.4g", spacing, spacing);
  Put(item, DCM_PixelSpacing, text);
  std::snprintf(text, sizeof text, "%.4g\\%.4g\\%.4g", origin, origin, sliceLocation);
  Put(item, DCM_ImagePositionPatient, text);
  Put(item, DCM_ImageOrientationPatient, "1\\0\\0\\0\\1\\0");
  std::snprintf(text, sizeof text, "%.4g", sliceLocation);
  Put(item, DCM_SliceLocation, text);
}

void PutOverlayBlob(DcmItem& item, const int16_t* words, size_t count) {
  std::vector<Uint8> bytes;
  for (size_t i = 0; i < count; ++i) {
    bytes.push_back(static_cast<Uint8>(words[i] & 0xFF));
    bytes.push_back(static_cast<Uint8>((words[i] >> 8) & 0xFF));
  }
  auto* element = new DcmOtherByteOtherWord(DcmTag(0x6061, 0x0030, EVR_OB));
  element->putUint8Array(bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (item.insert(element, true).bad()) throw std::runtime_error("cannot insert the overlay blob");
}

void PutPrivate(DcmItem& item, Uint16 group, Uint16 element, DcmEVR vr, const std::string& value) {
  if (item.putAndInsertString(DcmTag(group, element, vr), value.c_str()).bad())
    throw std::runtime_error("cannot insert a private element");
}

class Generator {
 public:
  explicit Generator(const fs::path& dir) : dir_(dir), work_(dir / ".work") {
    fs::create_directories(work_);
  }

  // Writes the table entry `name` with a header for `modality`, the extra
  // attributes and the entry's transfer syntax.
  void Write(const char* name, const std::string& modality, const std::string& what, const Extra& extra = {}) {
    const testdata::Image& image = ImageOf(name);
    testdata::Image source = image;
    if (image.samples == 3 && image.tolerance) source.photometric = "RGB";  // the lossy coder makes it YBR
    DcmFileFormat file;
    BuildDataset(*file.getDataset(), source, modality, extra);
    const std::string target = (dir_ / name).string();
    const std::string ts = image.transferSyntax;
    if (ts == kExplicitLE) {
      Check(SaveFile(file, target), name);
    } else {
      const std::string plain = (work_ / name).string();
      Check(SaveFile(file, plain), name);
      Check(RunTool(TranscodeCommand(ts, plain, target)), name);
    }
    Record(name, Describe(image, modality, what));
  }

  void BuildDataset(DcmItem& item, const testdata::Image& image, const std::string& modality, const Extra& extra) {
    Header header = MakeHeader(image.name, modality);
    header.seriesDescription = image.name;
    PutHeader(item, header);
    Put(item, DCM_SOPClassUID, SopClassFor(modality, image.frames));
    PutModalityDefaults(item, modality);
    PutPixels(item, image);
    if (extra) extra(item);
  }

  void Record(const std::string& file, const std::string& what) {
    manifest_.push_back(file + "\n    " + what);
    files_.push_back(file);
  }

  void RecordFileOnly(const std::string& file) { files_.push_back(file); }

  void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error("failed to write " + what);
  }

  const fs::path& Dir() const { return dir_; }

  void Finish() {
    std::ofstream manifest(dir_ / "MANIFEST.txt");
    manifest << "DICOM test data written by tools/testdata (see tests/testdata.h for the formulas).\n"
                "Pixel values are stored values; x from the left, y from the top, f the frame from 0.\n\n";
    for (const std::string& line : manifest_) manifest << line << "\n";
    std::ofstream list(dir_.string() + ".files");
    for (const std::string& file : files_) list << file << "\n";
    fs::remove_all(work_);
    if (!manifest || !list) throw std::runtime_error("cannot write the manifest");
  }

 private:
  static std::vector<std::string> TranscodeCommand(const std::string& ts, const std::string& in, const std::string& out) {
    if (ts == kImplicitLE) return {"dcmconv", "-q", "+ti", in, out};
    if (ts == kExplicitBE) return {"dcmconv", "-q", "+tb", in, out};
    if (ts == kDeflatedLE) return {"dcmconv", "-q", "+td", in, out};
    if (ts == kJpegBaseline) return {"dcmcjpeg", "-q", "+eb", "+q", "95", "+s4", "+sr", "+un", in, out};
    if (ts == kJpegExtended) return {"dcmcjpeg", "-q", "+ee", "+q", "95", "+sr", "+un", in, out};
    if (ts == kJpegLosslessSV1) return {"dcmcjpeg", "-q", "+e1", in, out};
    if (ts == kRle) return {"dcmcrle", "-q", in, out};
    throw std::runtime_error("no transcoder for " + ts);
  }

  static std::string Describe(const testdata::Image& image, const std::string& modality, const std::string& what) {
    using std::to_string;
    std::string s = what + "; " + modality + " " + to_string(image.columns) + "x" + to_string(image.rows) + ", " +
                    to_string(image.frames) + " frame(s), " + image.photometric + ", " + to_string(image.samples) +
                    " sample(s), bits " + to_string(image.bitsAllocated) + "/" + to_string(image.bitsStored) +
                    ", pixel representation " + to_string(image.pixelRepresentation);
    if (image.planar >= 0) s += ", planar configuration " + std::to_string(image.planar);
    s += "; ";
    s += TransferSyntaxName(image.transferSyntax);
    s += "\n    pixels: ";
    s += FormulaText(image.pattern);
    if (image.tolerance) s += " (within " + std::to_string(image.tolerance) + " after decoding)";
    return s;
  }

  fs::path dir_, work_;
  std::vector<std::string> manifest_, files_;
};

void WriteGrey(Generator& g) {
  g.Write(kMono2U8, "OT", "MONOCHROME2 8-bit unsigned, window 100/150",
          [](DcmItem& d) { PutWindow(d, "100", "150"); });
  g.Write(kMono2U8NoWindow, "OT", "MONOCHROME2 8-bit unsigned, no window");
  g.Write(kMono2S8, "OT", "MONOCHROME2 8-bit signed, window 0/200",
          [](DcmItem& d) { PutWindow(d, "0", "200"); });
  g.Write(kMono2U12, "MR", "MONOCHROME2 12 bits in 16, unsigned, window 2048/4096",
          [](DcmItem& d) { PutWindow(d, "2048", "4096"); });
  g.Write(kMono2S12, "MR", "MONOCHROME2 12 bits in 16, signed (sign-extended), window 0/4096",
          [](DcmItem& d) { PutWindow(d, "0", "4096"); });
  g.Write(kMono2U16, "OT", "MONOCHROME2 16-bit unsigned, window 30000/20000",
          [](DcmItem& d) { PutWindow(d, "30000", "20000"); });
  g.Write(kMono2U16NoWindow, "OT", "MONOCHROME2 16-bit unsigned, no window");
  g.Write(kMono2S16, "OT", "MONOCHROME2 16-bit signed, window 0/40000",
          [](DcmItem& d) { PutWindow(d, "0", "40000"); });
  g.Write(kMono1U8, "CR", "MONOCHROME1 8-bit, window 128/256, Imager Pixel Spacing 0.15\\0.15 only",
          [](DcmItem& d) {
            PutWindow(d, "128", "256");
            Put(d, DCM_ImagerPixelSpacing, "0.15\\0.15");
          });
  g.Write(kMono1U12, "DX", "MONOCHROME1 12 bits in 16, window 2048/4096, Pixel Spacing 0.1\\0.1",
          [](DcmItem& d) {
            PutWindow(d, "2048", "4096");
            Put(d, DCM_PixelSpacing, "0.1\\0.1");
            Put(d, DCM_PatientOrientation, "A\\F");
          });
  g.Write(kMono2U8Odd, "OT", "8-bit, width and height not multiples of 4",
          [](DcmItem& d) { PutWindow(d, "128", "256"); });
  g.Write(kMono2U8Wide, "OT", "8-bit 510 x 3 (pads to 512 x 4), no window");
  g.Write(kMono2U16OddColumns, "OT", "16-bit, width not a multiple of 4, window 32768/65536",
          [](DcmItem& d) { PutWindow(d, "32768", "65536"); });
  g.Write(kMono2U8OddRows, "OT", "8-bit, height not a multiple of 4, window 128/256",
          [](DcmItem& d) { PutWindow(d, "128", "256"); });
}

void WriteCt(Generator& g) {
  g.Write(kCtRescale, "CT",
          "CT phantom slice, rescale intercept -1024 slope 1, window centre \"40\\400\" width \"400\\1500\"",
          [](DcmItem& d) {
            PutWindow(d, "40\\400", "400\\1500");
            Put(d, DCM_WindowCenterWidthExplanation, "SOFT TISSUE\\BONE");
            Put(d, DCM_RescaleIntercept, "-1024");
            Put(d, DCM_RescaleSlope, "1");
            Put(d, DCM_RescaleType, "HU");
            PutCtGeometry(d, 0.7, -27.5, 64);
          });
  g.Write(kCtSlope2, "CT",
          "CT phantom slice, rescale intercept -1024 slope 2, window centre \"-50.6\" width \"350.9\"",
          [](DcmItem& d) {
            PutWindow(d, "-50.6", "350.9");
            Put(d, DCM_RescaleIntercept, "-1024");
            Put(d, DCM_RescaleSlope, "2");
            Put(d, DCM_RescaleType, "HU");
            PutCtGeometry(d, 0.7, -22.5, 64);
          });
  g.Write(kMono2U16Rescale, "OT",
          "16-bit unsigned with stored values above 32767, rescale intercept -1000 slope 1, window 31768/40000",
          [](DcmItem& d) {
            PutWindow(d, "31768", "40000");
            Put(d, DCM_RescaleIntercept, "-1000");
            Put(d, DCM_RescaleSlope, "1");
          });
  g.Write(kCtScout, "CT",
          "CT phantom slice, institution \"ELM RIVER GENERAL HOSP\", scan options \"SCOUT MODE\", window 40/400",
          [](DcmItem& d) {
            PutWindow(d, "40", "400");
            Put(d, DCM_InstitutionName, "ELM RIVER GENERAL HOSP");
            Put(d, DCM_ScanOptions, "SCOUT MODE");
            Put(d, DCM_RescaleIntercept, "-1024");
            Put(d, DCM_RescaleSlope, "1");
            Put(d, DCM_ImageType, "ORIGINAL\\PRIMARY\\LOCALIZER");
            PutCtGeometry(d, 0.7, 0, 64);
          });
}

void WriteColour(Generator& g) {
  g.Write(kRgbPlanar0, "OT", "RGB, planar configuration 0 (R,G,B per pixel)");
  g.Write(kRgbPlanar1, "OT", "RGB, planar configuration 1 (R plane, G plane, B plane)");
  g.Write(kRgbPlanar0Odd, "OT", "RGB, planar 0, width and height not multiples of 4");
  g.Write(kRgbPlanar1Odd, "OT", "RGB, planar 1, width and height not multiples of 4");
  g.Write(kYbrFullPlanar0, "US", "YBR_FULL, planar configuration 0 (Y,Cb,Cr per pixel)");
  g.Write(kYbrFullPlanar1, "US", "YBR_FULL, planar configuration 1 (Y plane, Cb plane, Cr plane)");
}

void WriteMultiFrame(Generator& g) {
  g.Write(kMultiFrameTime, "XA", "8 frames, Frame Time 40 ms, window 128/256", [](DcmItem& d) {
    PutWindow(d, "128", "256");
    Put(d, DCM_FrameTime, "40");
    d.putAndInsertTagKey(DCM_FrameIncrementPointer, DCM_FrameTime);
    Put(d, DCM_CineRate, "25");
  });
  g.Write(kMultiFrameVector, "XA", "5 frames, Frame Time Vector \"0\\33.3\\33.3\\50\\50\", window 32768/65536",
          [](DcmItem& d) {
            PutWindow(d, "32768", "65536");
            Put(d, DCM_FrameTimeVector, "0\\33.3\\33.3\\50\\50");
            d.putAndInsertTagKey(DCM_FrameIncrementPointer, DCM_FrameTimeVector);
          });
  g.Write(kMultiFrameRgb, "US", "6 colour frames, Frame Time 33.3 ms", [](DcmItem& d) {
    Put(d, DCM_FrameTime, "33.3");
    d.putAndInsertTagKey(DCM_FrameIncrementPointer, DCM_FrameTime);
  });
}

void WriteTransferSyntaxes(Generator& g) {
  const Extra window16 = [](DcmItem& d) { PutWindow(d, "30000", "20000"); };
  g.Write(kTsImplicitLE, "OT", "16-bit, implicit VR little endian (dcmconv)", window16);
  g.Write(kTsExplicitLE, "OT", "16-bit, explicit VR little endian", window16);
  g.Write(kTsExplicitBE, "OT", "16-bit, explicit VR big endian (dcmconv)", window16);
  g.Write(kTsExplicitBERgb, "OT", "RGB, explicit VR big endian (dcmconv)");
  g.Write(kTsDeflated, "OT", "16-bit, deflated explicit VR little endian (dcmconv)", window16);
  const Extra window8 = [](DcmItem& d) { PutWindow(d, "128", "256"); };
  g.Write(kTsJpegBaseline, "OT", "8-bit grey, JPEG baseline (dcmcjpeg)", window8);
  g.Write(kTsJpegBaselineRgb, "OT", "RGB compressed as JPEG baseline YBR_FULL 4:4:4 (dcmcjpeg)");
  g.Write(kTsJpegBaselineMultiFrame, "XA", "4 frames, JPEG baseline, one fragment per frame (dcmcjpeg)",
          [](DcmItem& d) {
            PutWindow(d, "128", "256");
            Put(d, DCM_FrameTime, "100");
            d.putAndInsertTagKey(DCM_FrameIncrementPointer, DCM_FrameTime);
          });
  g.Write(kTsJpegExtended, "MR", "12 bits in 16, JPEG extended 12-bit (dcmcjpeg)",
          [](DcmItem& d) { PutWindow(d, "2048", "4096"); });
  g.Write(kTsJpegLossless, "OT", "16-bit, JPEG lossless (dcmcjpeg)", window16);
  g.Write(kTsJpegLosslessRgb, "OT", "RGB, JPEG lossless (dcmcjpeg)");
  g.Write(kTsRleU8, "OT", "8-bit, RLE (dcmcrle)", window8);
  g.Write(kTsRleU16, "OT", "16-bit, RLE (dcmcrle)", window16);
  g.Write(kTsRleRgb, "OT", "RGB, RLE (dcmcrle)");
  g.Write(kTsRleMultiFrameRgb, "US", "6 colour frames, RLE (dcmcrle)", [](DcmItem& d) {
    Put(d, DCM_FrameTime, "33.3");
    d.putAndInsertTagKey(DCM_FrameIncrementPointer, DCM_FrameTime);
  });
}

void WriteGeometry(Generator& g) {
  const auto window = [](DcmItem& d) { PutWindow(d, "128", "256"); };
  g.Write(kSpacingSquare, "CT", "Pixel Spacing 0.7\\0.7", [&](DcmItem& d) {
    window(d);
    Put(d, DCM_PixelSpacing, "0.7\\0.7");
  });
  g.Write(kSpacingNonSquare, "MR", "Pixel Spacing 1.25\\0.8 (row spacing 1.25, column spacing 0.8)",
          [&](DcmItem& d) {
            window(d);
            Put(d, DCM_PixelSpacing, "1.25\\0.8");
          });
  g.Write(kSpacingAbsent, "OT", "no Pixel Spacing and no Imager Pixel Spacing", window);
  g.Write(kSpacingImager, "CR", "Imager Pixel Spacing 0.15\\0.2 only", [&](DcmItem& d) {
    window(d);
    Put(d, DCM_ImagerPixelSpacing, "0.15\\0.2");
  });
  g.Write(kSpacingBoth, "DX", "Imager Pixel Spacing 0.15\\0.15 and Pixel Spacing 0.3\\0.3", [&](DcmItem& d) {
    window(d);
    Put(d, DCM_ImagerPixelSpacing, "0.15\\0.15");
    Put(d, DCM_PixelSpacing, "0.3\\0.3");
  });
  struct Orientation { const char* name; const char* cosines; const char* what; };
  const Orientation orientations[] = {
      {kOrientAxial, "1\\0\\0\\0\\1\\0", "axial (right edge L, bottom edge P)"},
      {kOrientAxialReversed, "-1\\0\\0\\0\\-1\\0", "axial rotated 180 degrees (right R, bottom A)"},
      {kOrientCoronal, "1\\0\\0\\0\\0\\-1", "coronal (right L, bottom F)"},
      {kOrientSagittal, "0\\1\\0\\0\\0\\-1", "sagittal (right P, bottom F)"},
      {kOrientOblique, "0.866025\\0.5\\0\\-0.5\\0.866025\\0", "oblique axial, 30 degrees"},
  };
  for (const Orientation& o : orientations) {
    const std::string cosines = o.cosines;
    g.Write(o.name, "MR", std::string("Image Orientation (Patient) ") + o.cosines + ": " + o.what,
            [&](DcmItem& d) {
              window(d);
              Put(d, DCM_ImageOrientationPatient, cosines);
              Put(d, DCM_ImagePositionPatient, "-32\\-32\\0");
              Put(d, DCM_PixelSpacing, "1\\1");
            });
  }
  g.Write(kOrientNone, "MR", "no Image Orientation (Patient); Patient Orientation \"L\\P\"", [&](DcmItem& d) {
    window(d);
    Put(d, DCM_PatientOrientation, "L\\P");
  });
}

void WriteOverlays(Generator& g) {
  const auto common = [](DcmItem& d) {
    PutWindow(d, "128", "256");
    Put(d, DCM_PixelSpacing, "0.5\\0.5");
  };
  g.Write(kOverlayLine, "OT", "(6061,0030) OB overlay record blob: one line (5, 10,12, 50,40); Pixel Spacing 0.5\\0.5",
          [&](DcmItem& d) {
            common(d);
            PutOverlayBlob(d, kOverlayLineBlob, sizeof kOverlayLineBlob / sizeof kOverlayLineBlob[0]);
          });
  g.Write(kOverlayAll, "OT",
          "(6061,0030) OB overlay record blob: rectangle, ellipse, polygon, point, line, arrow, angle, text \"OK\" "
          "(kOverlayAllBlob); Pixel Spacing 0.5\\0.5",
          [&](DcmItem& d) {
            common(d);
            PutOverlayBlob(d, kOverlayAllBlob, sizeof kOverlayAllBlob / sizeof kOverlayAllBlob[0]);
          });
  g.Write(kOverlayPlane, "OT", "overlay plane group 6000: 64x64, 1 bit, bit set on the image border", [&](DcmItem& d) {
    common(d);
    PutUs(d, DcmTagKey(0x6000, 0x0010), 64);
    PutUs(d, DcmTagKey(0x6000, 0x0011), 64);
    PutUs(d, DcmTagKey(0x6000, 0x0012), 1);
    Put(d, DcmTagKey(0x6000, 0x0040), "G");
    d.putAndInsertSint16Array(DcmTagKey(0x6000, 0x0050), std::vector<Sint16>{1, 1}.data(), 2);
    PutUs(d, DcmTagKey(0x6000, 0x0100), 1);
    PutUs(d, DcmTagKey(0x6000, 0x0102), 0);
    std::vector<Uint16> words(64 * 64 / 16, 0);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        if (x == 0 || y == 0 || x == 63 || y == 63) words[(y * 64 + x) / 16] |= Uint16(1u << ((y * 64 + x) % 16));
    auto* data = new DcmOtherByteOtherWord(DcmTag(0x6000, 0x3000, EVR_OW));
    data->putUint16Array(words.data(), static_cast<unsigned long>(words.size()));
    d.insert(data, true);
  });
}

void WriteTexts(Generator& g) {
  g.Write(kTextUtf8, "MR",
          "Specific Character Set ISO_IR 192: patient \"王^小明\", institution \"第一人民医院\", "
          "series description \"头部 平扫\", image comments \"测试图像\"",
          [](DcmItem& d) {
            Put(d, DCM_SpecificCharacterSet, "ISO_IR 192");
            Put(d, DCM_PatientName, kNameUtf8);
            Put(d, DCM_InstitutionName, "第一人民医院");
            Put(d, DCM_SeriesDescription, "头部 平扫");
            Put(d, DCM_ImageComments, "测试图像");
            Put(d, DCM_OperatorsName, "张^三");
            PutWindow(d, "2048", "4096");
            Put(d, DCM_PixelSpacing, "0.9\\0.9");
            Put(d, DCM_ImageOrientationPatient, "1\\0\\0\\0\\1\\0");
          });
  g.Write(kTextGb18030, "CT",
          "Specific Character Set GB18030: patient \"李^四\" (C0 EE 5E CB C4), institution \"中心医院\" "
          "(D6 D0 D0 C4 D2 BD D4 BA); CT phantom slice, rescale -1024/1, window 40/400",
          [](DcmItem& d) {
            Put(d, DCM_SpecificCharacterSet, "GB18030");
            Put(d, DCM_PatientName, kNameGb18030Bytes);
            Put(d, DCM_InstitutionName, "\xD6\xD0\xD0\xC4\xD2\xBD\xD4\xBA");
            Put(d, DCM_StudyDescription, "\xCD\xB7\xB2\xBF\xC6\xBD\xC9\xA8");
            PutWindow(d, "40", "400");
            Put(d, DCM_RescaleIntercept, "-1024");
            Put(d, DCM_RescaleSlope, "1");
            PutCtGeometry(d, 0.7, 12.5, 64);
          });
  g.Write(kMrPrivateList, "MR",
          "private texts: (0051,1010) = kPrivateList, (0021,1011) \"PRIV 21 1011\", (0021,1120) \"PRIV 21 1120\", "
          "(0019,1354) \"12.5\", (0011,1010) \"PRIV 11 1010\"; window 2048/4096",
          [](DcmItem& d) {
            PutWindow(d, "2048", "4096");
            Put(d, DCM_PixelSpacing, "0.9\\0.9");
            Put(d, DCM_ImageOrientationPatient, "0\\1\\0\\0\\0\\-1");
            PutPrivate(d, 0x0011, 0x0010, EVR_LO, "TESTDATA PRIVATE");
            PutPrivate(d, 0x0011, 0x1010, EVR_LO, kPrivate00111010);
            PutPrivate(d, 0x0019, 0x0013, EVR_LO, "TESTDATA PRIVATE");
            PutPrivate(d, 0x0019, 0x1354, EVR_DS, kPrivate00191354);
            PutPrivate(d, 0x0021, 0x0010, EVR_LO, "TESTDATA PRIVATE");
            PutPrivate(d, 0x0021, 0x1011, EVR_LO, kPrivate00211011);
            PutPrivate(d, 0x0021, 0x0011, EVR_LO, "TESTDATA PRIVATE");
            PutPrivate(d, 0x0021, 0x1120, EVR_LO, kPrivate00211120);
            PutPrivate(d, 0x0051, 0x0010, EVR_LO, "TESTDATA PRIVATE");
            PutPrivate(d, 0x0051, 0x1010, EVR_LT, kPrivateList);
          });
}

void WriteOtherAttributes(Generator& g) {
  g.Write(kIcon, "OT", "Icon Image Sequence with a 16x16 8-bit MONOCHROME2 icon (Icon8); window 30000/20000",
          [](DcmItem& d) {
            PutWindow(d, "30000", "20000");
            DcmItem* icon = nullptr;
            if (d.findOrCreateSequenceItem(DCM_IconImageSequence, icon, -2).bad() || !icon)
              throw std::runtime_error("cannot create the icon item");
            std::vector<Uint8> pixels;
            for (int y = 0; y < 16; ++y)
              for (int x = 0; x < 16; ++x) pixels.push_back(static_cast<Uint8>(Icon8(x, y)));
            PutUs(*icon, DCM_SamplesPerPixel, 1);
            Put(*icon, DCM_PhotometricInterpretation, "MONOCHROME2");
            PutUs(*icon, DCM_Rows, 16);
            PutUs(*icon, DCM_Columns, 16);
            PutUs(*icon, DCM_BitsAllocated, 8);
            PutUs(*icon, DCM_BitsStored, 8);
            PutUs(*icon, DCM_HighBit, 7);
            PutUs(*icon, DCM_PixelRepresentation, 0);
            icon->putAndInsertUint8Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
          });
  g.Write(kPalette, "OT", "PALETTE COLOR 8-bit, 256-entry 16-bit palettes: R = i*257, G = (255-i)*257, B = ((2i) & 255)*257",
          [](DcmItem& d) {
            const Uint16 descriptor[3] = {256, 0, 16};
            std::vector<Uint16> red, green, blue;
            for (int i = 0; i < 256; ++i) {
              red.push_back(Uint16(i * 257));
              green.push_back(Uint16((255 - i) * 257));
              blue.push_back(Uint16(((2 * i) & 255) * 257));
            }
            d.putAndInsertUint16Array(DCM_RedPaletteColorLookupTableDescriptor, descriptor, 3);
            d.putAndInsertUint16Array(DCM_GreenPaletteColorLookupTableDescriptor, descriptor, 3);
            d.putAndInsertUint16Array(DCM_BluePaletteColorLookupTableDescriptor, descriptor, 3);
            d.putAndInsertUint16Array(DCM_RedPaletteColorLookupTableData, red.data(), 256);
            d.putAndInsertUint16Array(DCM_GreenPaletteColorLookupTableData, green.data(), 256);
            d.putAndInsertUint16Array(DCM_BluePaletteColorLookupTableData, blue.data(), 256);
          });
  g.Write(kVoiLut, "OT", "VOI LUT Sequence (4096 entries, first mapped 0, 16 bits), no window", [](DcmItem& d) {
    DcmItem* lut = nullptr;
    if (d.findOrCreateSequenceItem(DCM_VOILUTSequence, lut, -2).bad() || !lut)
      throw std::runtime_error("cannot create the VOI LUT item");
    const Uint16 descriptor[3] = {4096, 0, 16};
    std::vector<Uint16> data;
    for (int i = 0; i < 4096; ++i) data.push_back(Uint16(i * 16));
    lut->putAndInsertUint16Array(DCM_LUTDescriptor, descriptor, 3);
    Put(*lut, DCM_LUTExplanation, "LINEAR");
    lut->putAndInsertUint16Array(DCM_LUTData, data.data(), static_cast<unsigned long>(data.size()));
  });

  // A bare data set: no preamble, no meta header, implicit VR little endian.
  const testdata::Image& bare = ImageOf(kNoMeta);
  DcmDataset dataset;
  g.BuildDataset(dataset, bare, "OT", [](DcmItem& d) { PutWindow(d, "30000", "20000"); });
  const OFCondition status =
      dataset.saveFile((g.Dir() / kNoMeta).c_str(), EXS_LittleEndianImplicit, EET_ExplicitLength);
  g.Check(status.good(), kNoMeta);
  g.Record(kNoMeta, "bare data set without preamble and meta header, implicit VR little endian; OT 64x64 16-bit, "
                    "window 30000/20000\n    pixels: Ramp16");
}

std::vector<char> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const char* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Call after WriteGrey: the truncated files are cut from mono2_u16_64x64.dcm.
void WriteBroken(Generator& g) {
  const std::vector<char> whole = ReadAll(g.Dir() / kMono2U16);
  if (whole.size() < 8192 + 512) throw std::runtime_error("unexpected size of " + std::string(kMono2U16));
  WriteBytes(g.Dir() / kTruncatedPixels, whole.data(), whole.size() - 4096);
  g.Record(kTruncatedPixels, "mono2_u16_64x64.dcm without its last 4096 bytes: the file ends inside the pixel data");
  WriteBytes(g.Dir() / kTruncatedHeader, whole.data(), 180);
  g.Record(kTruncatedHeader, "the first 180 bytes of mono2_u16_64x64.dcm: the file ends inside the meta header");

  {
    testdata::Image half = ImageOf(kMono2U16);
    half.rows = 32;
    DcmFileFormat file;
    g.BuildDataset(*file.getDataset(), half, "OT", [](DcmItem& d) {
      PutUs(d, DCM_Rows, 64);
      PutWindow(d, "30000", "20000");
    });
    g.Check(SaveFile(file, (g.Dir() / kShortPixels).string()), kShortPixels);
    g.Record(kShortPixels, "well-formed file whose Rows/Columns claim 64x64 16-bit while the pixel data holds 32 rows "
                           "(4096 bytes)\n    pixels: Ramp16 for y < 32");
  }
  {
    testdata::Image frames = ImageOf(kMultiFrameTime);
    frames.columns = frames.rows = 32;
    frames.frames = 3;
    DcmFileFormat file;
    g.BuildDataset(*file.getDataset(), frames, "XA", [&frames](DcmItem& d) {
      Put(d, DCM_NumberOfFrames, "4");
      Put(d, DCM_FrameTime, "40");
      std::vector<Uint8> bytes = PixelBytes(frames);
      bytes.resize(2560);  // two and a half frames
      d.putAndInsertUint8Array(DCM_PixelData, bytes.data(), static_cast<unsigned long>(bytes.size()));
    });
    g.Check(SaveFile(file, (g.Dir() / kShortFrames).string()), kShortFrames);
    g.Record(kShortFrames, "well-formed file claiming 4 frames of 32x32 8-bit with 2560 bytes of pixel data "
                           "(2.5 frames)\n    pixels: Ramp8 of frames 0, 1 and the first 16 rows of frame 2");
  }
  WriteBytes(g.Dir() / kEmpty, "", 0);
  g.Record(kEmpty, "an empty file");
  const char text[] = "This is not a DICOM file.\n";
  WriteBytes(g.Dir() / kNotDicom, text, sizeof text - 1);
  g.Record(kNotDicom, "one line of text");
}

void WriteDsaFolder(Generator& g, const char* folder, int frames, int width, int height, int components) {
  fs::create_directories(g.Dir() / folder);
  for (int f = 0; f < frames; ++f) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < components; ++c)
          pixels.push_back(static_cast<uint8_t>(components == 1 ? Blocks8(x, y, f) : RgbBlocks(x, y, f, c)));
    const std::string name = std::string(folder) + "/" + DsaFrameName(f);
    g.Check(WriteJpeg((g.Dir() / name).string(), width, height, components, pixels, 95), name);
    g.RecordFileOnly(name);
  }
}

void WriteSubtractionRuns(Generator& g) {
  g.Write(kDsaGrey, "XA", "subtraction-run DICOM file; its folder run_dsa/ holds frame01.jpg .. frame04.jpg, "
                          "grey 64x64 JPEG (quality 95, Blocks8 of frame f = 0..3)",
          [](DcmItem& d) { PutWindow(d, "128", "256"); });
  WriteDsaFolder(g, kDsaGreyFolder, kDsaGreyFrames, 64, 64, 1);
  g.Write(kDsaRgb, "XA", "subtraction-run DICOM file; its folder rgb_dsa/ holds frame01.jpg .. frame03.jpg, "
                         "colour 64x48 JPEG (quality 95, 4:4:4, RgbBlocks of frame f = 0..2)");
  WriteDsaFolder(g, kDsaRgbFolder, kDsaRgbFrames, 64, 48, 3);
}

void WriteMediaFile(Generator& g, const std::string& relative, const testdata::Image& layout, int firstFrame,
                    Header header, const Extra& extra) {
  const fs::path path = g.Dir() / kMediaFolder / relative;
  fs::create_directories(path.parent_path());
  DcmFileFormat file;
  DcmDataset& d = *file.getDataset();
  PutHeader(d, header);
  PutModalityDefaults(d, header.modality);
  testdata::Image one = layout;
  one.frames = 1;
  PutPixels(d, one, firstFrame);
  extra(d);
  g.Check(SaveFile(file, path.string()), relative);
  g.RecordFileOnly(std::string(kMediaFolder) + "/" + relative);
}

void WriteMedia(Generator& g) {
  for (int slice = 0; slice < 3; ++slice) {
    Header h = MakeHeader("media/pat1/study1/series1", "CT");
    h.instanceUid = MakeUid("media/pat1/study1/series1/" + std::to_string(slice));
    h.patientName = "MEDIA^ONE";
    h.patientId = "MEDIA1";
    h.studyUid = MakeUid("media/pat1/study1");
    h.instanceNumber = std::to_string(slice + 1);
    WriteMediaFile(g, kMediaFiles[slice], ImageOf(kCtRescale), slice, h, [slice](DcmItem& d) {
      PutWindow(d, "40", "400");
      Put(d, DCM_RescaleIntercept, "-1024");
      Put(d, DCM_RescaleSlope, "1");
      PutCtGeometry(d, 0.7, -5.0 + 5.0 * slice, 64);
    });
  }
  {
    Header h = MakeHeader("media/pat1/study1/series2", "MR");
    h.patientName = "MEDIA^ONE";
    h.patientId = "MEDIA1";
    h.studyUid = MakeUid("media/pat1/study1");
    h.seriesNumber = "2";
    WriteMediaFile(g, kMediaFiles[3], ImageOf(kMono2U12), 0, h,
                   [](DcmItem& d) { PutWindow(d, "2048", "4096"); });
  }
  {
    Header h = MakeHeader("media/pat2/study1/series1", "CR");
    h.patientName = "MEDIA^TWO";
    h.patientId = "MEDIA2";
    WriteMediaFile(g, kMediaFiles[4], ImageOf(kMono1U8), 0, h,
                   [](DcmItem& d) { PutWindow(d, "128", "256"); });
  }
  const std::string media = (g.Dir() / kMediaFolder).string();
  g.Check(RunTool({"dcmmkdir", "-q", "+r", "+F", "TESTMEDIA", "+D", "DICOMDIR", "PAT1", "PAT2"}, media), "DICOMDIR");
  g.Record(kMediaDicomdir,
           "DICOMDIR (dcmmkdir, general purpose CD-R profile) over media/: PAT1 (MEDIA^ONE) with a CT series of "
           "3 phantom slices (PAT1/STUDY1/SERIES1/IM1..IM3, PhantomHu slice 0..2 + 1024, rescale -1024/1) and an MR "
           "series (PAT1/STUDY1/SERIES2/IM1, Ramp12); PAT2 (MEDIA^TWO) with a CR MONOCHROME1 image "
           "(PAT2/STUDY1/SERIES1/IM1, Ramp8 64x60)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  try {
    const fs::path dir = argv[1];
    // Only the folders we own are emptied: the media folder must hold nothing
    // but this run's files when its DICOMDIR is made.
    for (const char* folder : {kMediaFolder, kDsaGreyFolder, kDsaRgbFolder, ".work"}) fs::remove_all(dir / folder);
    fs::create_directories(dir);
    Generator g(dir);
    WriteGrey(g);
    WriteCt(g);
    WriteColour(g);
    WriteMultiFrame(g);
    WriteTransferSyntaxes(g);
    WriteGeometry(g);
    WriteOverlays(g);
    WriteTexts(g);
    WriteOtherAttributes(g);
    WriteBroken(g);
    WriteSubtractionRuns(g);
    WriteMedia(g);
    g.Finish();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "test data: %s\n", e.what());
    return 1;
  }
  return 0;
}
