// Writes the sample study: a CT-like phantom series of slices with known
// Hounsfield values into the folder given as the only argument.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "DicomFiles.h"

namespace fs = std::filesystem;
using namespace testdata;

namespace {

constexpr double kSpacing = 0.9;         // mm per pixel
constexpr double kSliceThickness = 5.0;  // mm, also the slice distance

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

void WriteSlice(const fs::path& dir, int slice) {
  const Image layout{"", kSampleSize, kSampleSize, 1, 1, 16, 16, 1, "MONOCHROME2", -1, Pattern::CtPhantom, 0, kExplicitLE};
  Header h = MakeHeader("sample-study/series1", "CT");
  h.instanceUid = MakeUid("sample-study/series1/" + std::to_string(slice));
  h.patientName = "PHANTOM^CT";
  h.patientId = "PH0001";
  h.birthDate = "19800101";
  h.accession = "SAMPLE0001";
  h.studyDescription = "PHANTOM CHEST";
  h.seriesDescription = "PHANTOM 5MM";
  h.institution = "SAMPLE PHANTOM LAB";
  h.instanceNumber = std::to_string(slice + 1);
  h.acquisitionTime = "1030" + std::string(slice < 10 ? "0" : "") + std::to_string(slice);

  DcmFileFormat file;
  DcmDataset& d = *file.getDataset();
  PutHeader(d, h);
  Put(d, DCM_KVP, "120");
  Put(d, DCM_XRayTubeCurrent, "250");
  Put(d, DCM_SliceThickness, Number(kSliceThickness));
  Put(d, DCM_TableHeight, "150");
  Put(d, DCM_GantryDetectorTilt, "0");
  Put(d, DCM_ConvolutionKernel, "STANDARD");
  Put(d, DCM_PatientPosition, "HFS");
  const double origin = -kSpacing * kSampleSize / 2 + kSpacing / 2;
  const double z = -kSliceThickness * (kSampleSlices - 1) / 2 + kSliceThickness * slice;
  Put(d, DCM_PixelSpacing, Number(kSpacing) + "\\" + Number(kSpacing));
  Put(d, DCM_ImagePositionPatient, Number(origin) + "\\" + Number(origin) + "\\" + Number(z));
  Put(d, DCM_ImageOrientationPatient, "1\\0\\0\\0\\1\\0");
  Put(d, DCM_SliceLocation, Number(z));
  Put(d, DCM_WindowCenter, "40");
  Put(d, DCM_WindowWidth, "400");
  Put(d, DCM_RescaleIntercept, "-1024");
  Put(d, DCM_RescaleSlope, "1");
  Put(d, DCM_RescaleType, "HU");
  PutPixels(d, layout, slice);
  const std::string path = (dir / SampleSliceName(slice)).string();
  if (!SaveFile(file, path)) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  try {
    const fs::path dir = argv[1];
    fs::create_directories(dir);
    std::ofstream list(dir.string() + ".files");
    for (int slice = 0; slice < kSampleSlices; ++slice) {
      WriteSlice(dir, slice);
      list << SampleSliceName(slice) << "\n";
    }
    if (!list.flush()) throw std::runtime_error("cannot write the file list");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sample study: %s\n", e.what());
    return 1;
  }
  return 0;
}
