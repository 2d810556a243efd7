// Text of DICOM elements as UTF-8.
#pragma once

#include <string>

class DcmDataset;

namespace DicomText {

// Converts every text element from the data set's Specific Character Set;
// without one the values are left for ToUtf8.
void ConvertDatasetToUtf8(DcmDataset* dataset);

// Valid UTF-8 stays as it is; anything else is taken as code page 936.
std::string ToUtf8(const std::string& text);

}  // namespace DicomText
