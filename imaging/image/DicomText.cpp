#include "DicomText.h"

#include "ImagePlatform.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>

namespace DicomText {

void ConvertDatasetToUtf8(DcmDataset* dataset)
{
    OFString charset;
    if (dataset->findAndGetOFStringArray(DCM_SpecificCharacterSet, charset).bad() ||
        charset.empty())
        return;
    dataset->convertToUTF8();
}

std::string ToUtf8(const std::string& text)
{
    if (IsValidUtf8(text.c_str()))
        return text;
    return static_cast<const char*>(Cp936ToUtf8(text.c_str()));
}

}  // namespace DicomText
