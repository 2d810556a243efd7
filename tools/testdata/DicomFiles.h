// Building blocks shared by the test-data and sample-study generators.
#pragma once

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testdata.h"

namespace testdata {

// Patient, study, series and instance text of one file.
struct Header {
  std::string modality = "OT";
  std::string characterSet;  // empty: default repertoire
  std::string patientName = "TEST^PATTERN";
  std::string patientId = "TD0001";
  std::string birthDate = "19700101";
  std::string sex = "O";
  std::string studyUid, seriesUid, instanceUid, frameOfReferenceUid;
  std::string studyId = "1";
  std::string accession = "ACC0001";
  std::string studyDate = "20240315";
  std::string studyTime = "101530";
  std::string seriesDate = "20240315";
  std::string seriesTime = "102000";
  std::string acquisitionTime = "102015.250000";
  std::string seriesNumber = "1";
  std::string acquisitionNumber = "1";
  std::string instanceNumber = "1";
  std::string seriesDescription = "TEST PATTERN";
  std::string studyDescription = "GENERATED TEST DATA";
  std::string institution = "TEST INSTITUTION";
  std::string manufacturer = "TESTDATA GENERATOR";
  std::string modelName = "PATTERN 1";
};

// A deterministic UID under the 2.25 root, derived from the seed text.
std::string MakeUid(const std::string& seed);

// A header with UIDs derived from the seed and the modality given.
Header MakeHeader(const std::string& seed, const std::string& modality);

const char* SopClassFor(const std::string& modality, int frames);

// Writes the header's attributes into the data set.
void PutHeader(DcmItem& item, const Header& header);

// Writes the image pixel module of `image` with its pattern; the frames are
// the pattern's frames firstFrame .. firstFrame + image.frames - 1.
void PutPixels(DcmItem& item, const Image& image, int firstFrame = 0);

// The 8-bit or 16-bit samples of those frames in storage order.
std::vector<uint8_t> PixelBytes(const Image& image, int firstFrame = 0);
std::vector<uint16_t> PixelWords(const Image& image, int firstFrame = 0);

void Put(DcmItem& item, const DcmTagKey& key, const std::string& value);
void PutUs(DcmItem& item, const DcmTagKey& key, uint16_t value);

// Saves as a DICOM file (preamble and meta header) in the transfer syntax given.
bool SaveFile(DcmFileFormat& file, const std::string& path,
              E_TransferSyntax transferSyntax = EXS_LittleEndianExplicit);

// The table entry of the file name given; throws when there is none.
const Image& ImageOf(const std::string& name);

}  // namespace testdata
