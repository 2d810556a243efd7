#include "DicomFiles.h"

#include <cstdio>
#include <stdexcept>

namespace testdata {

std::string MakeUid(const std::string& seed) {
  // FNV-1a, twice with different offsets, gives a stable 128-bit-ish number.
  uint64_t a = 1469598103934665603ULL, b = 1099511628211ULL * 7;
  for (unsigned char ch : seed) {
    a = (a ^ ch) * 1099511628211ULL;
    b = (b ^ ch) * 1099511628211ULL + 0x9E37;
  }
  return "2.25." + std::to_string(a % 100000000000000000ULL + 1) + std::to_string(b % 1000000000ULL);
}

Header MakeHeader(const std::string& seed, const std::string& modality) {
  Header h;
  h.modality = modality;
  h.studyUid = MakeUid(seed + "/study");
  h.seriesUid = MakeUid(seed + "/series");
  h.instanceUid = MakeUid(seed + "/instance");
  h.frameOfReferenceUid = MakeUid(seed + "/frame-of-reference");
  return h;
}

const char* SopClassFor(const std::string& modality, int frames) {
  if (modality == "CT") return UID_CTImageStorage;
  if (modality == "MR") return UID_MRImageStorage;
  if (modality == "CR") return UID_ComputedRadiographyImageStorage;
  if (modality == "DX") return UID_DigitalXRayImageStorageForPresentation;
  if (modality == "MG") return UID_DigitalMammographyXRayImageStorageForPresentation;
  if (modality == "XA") return UID_XRayAngiographicImageStorage;
  if (modality == "US") return frames > 1 ? UID_UltrasoundMultiframeImageStorage : UID_UltrasoundImageStorage;
  return UID_SecondaryCaptureImageStorage;
}

void Put(DcmItem& item, const DcmTagKey& key, const std::string& value) {
  const OFCondition status = item.putAndInsertString(key, value.c_str());
  if (status.bad()) throw std::runtime_error(std::string("cannot put ") + DcmTag(key).getTagName() + ": " + status.text());
}

void PutUs(DcmItem& item, const DcmTagKey& key, uint16_t value) {
  const OFCondition status = item.putAndInsertUint16(key, value);
  if (status.bad()) throw std::runtime_error(std::string("cannot put ") + DcmTag(key).getTagName() + ": " + status.text());
}

void PutHeader(DcmItem& item, const Header& h) {
  if (!h.characterSet.empty()) Put(item, DCM_SpecificCharacterSet, h.characterSet);
  Put(item, DCM_ImageType, "ORIGINAL\\PRIMARY\\AXIAL");
  Put(item, DCM_SOPClassUID, SopClassFor(h.modality, 1));
  Put(item, DCM_SOPInstanceUID, h.instanceUid);
  Put(item, DCM_StudyDate, h.studyDate);
  Put(item, DCM_SeriesDate, h.seriesDate);
  Put(item, DCM_StudyTime, h.studyTime);
  Put(item, DCM_SeriesTime, h.seriesTime);
  Put(item, DCM_AcquisitionTime, h.acquisitionTime);
  Put(item, DCM_AccessionNumber, h.accession);
  Put(item, DCM_Modality, h.modality);
  Put(item, DCM_Manufacturer, h.manufacturer);
  Put(item, DCM_InstitutionName, h.institution);
  Put(item, DCM_ReferringPhysicianName, "");
  Put(item, DCM_StudyDescription, h.studyDescription);
  Put(item, DCM_SeriesDescription, h.seriesDescription);
  Put(item, DCM_ManufacturerModelName, h.modelName);
  Put(item, DCM_PatientName, h.patientName);
  Put(item, DCM_PatientID, h.patientId);
  Put(item, DCM_PatientBirthDate, h.birthDate);
  Put(item, DCM_PatientSex, h.sex);
  Put(item, DCM_StudyInstanceUID, h.studyUid);
  Put(item, DCM_SeriesInstanceUID, h.seriesUid);
  Put(item, DCM_StudyID, h.studyId);
  Put(item, DCM_SeriesNumber, h.seriesNumber);
  Put(item, DCM_AcquisitionNumber, h.acquisitionNumber);
  Put(item, DCM_InstanceNumber, h.instanceNumber);
  Put(item, DCM_FrameOfReferenceUID, h.frameOfReferenceUid);
}

namespace {

int SampleAt(const Image& image, int x, int y, int f, int c) {
  return StoredValue(image.pattern, x, y, f, c, image.columns);
}

// Calls emit(value) for every sample of every frame in storage order.
template <typename Emit>
void ForEachSample(const Image& image, int firstFrame, Emit emit) {
  for (int f = firstFrame; f < firstFrame + image.frames; ++f) {
    if (image.samples == 3 && image.planar == 1) {
      for (int c = 0; c < 3; ++c)
        for (int y = 0; y < image.rows; ++y)
          for (int x = 0; x < image.columns; ++x) emit(SampleAt(image, x, y, f, c));
    } else {
      for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.columns; ++x)
          for (int c = 0; c < image.samples; ++c) emit(SampleAt(image, x, y, f, c));
    }
  }
}

}  // namespace

std::vector<uint8_t> PixelBytes(const Image& image, int firstFrame) {
  std::vector<uint8_t> bytes;
  ForEachSample(image, firstFrame, [&](int v) { bytes.push_back(static_cast<uint8_t>(v & 0xFF)); });
  return bytes;
}

std::vector<uint16_t> PixelWords(const Image& image, int firstFrame) {
  std::vector<uint16_t> words;
  ForEachSample(image, firstFrame, [&](int v) { words.push_back(static_cast<uint16_t>(v & 0xFFFF)); });
  return words;
}

void PutPixels(DcmItem& item, const Image& image, int firstFrame) {
  PutUs(item, DCM_SamplesPerPixel, static_cast<uint16_t>(image.samples));
  Put(item, DCM_PhotometricInterpretation, image.photometric);
  if (image.planar >= 0) PutUs(item, DCM_PlanarConfiguration, static_cast<uint16_t>(image.planar));
  if (image.frames > 1) Put(item, DCM_NumberOfFrames, std::to_string(image.frames));
  PutUs(item, DCM_Rows, static_cast<uint16_t>(image.rows));
  PutUs(item, DCM_Columns, static_cast<uint16_t>(image.columns));
  PutUs(item, DCM_BitsAllocated, static_cast<uint16_t>(image.bitsAllocated));
  PutUs(item, DCM_BitsStored, static_cast<uint16_t>(image.bitsStored));
  PutUs(item, DCM_HighBit, static_cast<uint16_t>(image.bitsStored - 1));
  PutUs(item, DCM_PixelRepresentation, static_cast<uint16_t>(image.pixelRepresentation));
  OFCondition status;
  if (image.bitsAllocated == 8) {
    std::vector<uint8_t> bytes = PixelBytes(image, firstFrame);
    if (bytes.size() % 2) bytes.push_back(0);
    status = item.putAndInsertUint8Array(DCM_PixelData, bytes.data(), static_cast<unsigned long>(bytes.size()));
  } else {
    const std::vector<uint16_t> words = PixelWords(image, firstFrame);
    status = item.putAndInsertUint16Array(DCM_PixelData, words.data(), static_cast<unsigned long>(words.size()));
  }
  if (status.bad()) throw std::runtime_error(std::string("cannot put pixel data: ") + status.text());
}

bool SaveFile(DcmFileFormat& file, const std::string& path, E_TransferSyntax transferSyntax) {
  const OFCondition status = file.saveFile(path.c_str(), transferSyntax, EET_ExplicitLength, EGL_recalcGL);
  if (status.bad()) std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), status.text());
  return status.good();
}

const Image& ImageOf(const std::string& name) {
  if (const Image* image = FindImage(name)) return *image;
  throw std::runtime_error("no such test image: " + name);
}

}  // namespace testdata
