// The overlay record blob of a DICOM file, parsed into a manager over a
// small image, measured and built back, on arbitrary bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "DcmImage.h"
#include "FuzzInput.h"
#include "OverLayManager.h"

namespace {

// A 37 x 23 16-bit ramp, written and opened once per process.
CDcmImage* RampImage()
{
    static CDcmImage* image = [] {
        const int columns = 37, rows = 23;
        DcmFileFormat file;
        DcmDataset* data = file.getDataset();
        data->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
        data->putAndInsertString(DCM_SOPInstanceUID, "1.2.3.4.5.6.9");
        data->putAndInsertString(DCM_Modality, "OT");
        data->putAndInsertString(DCM_PixelSpacing, "0.5\\0.25");
        data->putAndInsertUint16(DCM_Rows, rows);
        data->putAndInsertUint16(DCM_Columns, columns);
        data->putAndInsertUint16(DCM_SamplesPerPixel, 1);
        data->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
        data->putAndInsertUint16(DCM_BitsAllocated, 16);
        data->putAndInsertUint16(DCM_BitsStored, 12);
        data->putAndInsertUint16(DCM_HighBit, 11);
        data->putAndInsertUint16(DCM_PixelRepresentation, 0);
        std::vector<Uint16> pixels(static_cast<size_t>(columns) * rows);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<Uint16>(i * 7 % 4096);
        data->putAndInsertUint16Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
        const std::string path = fuzz::WriteScratchFile(nullptr, 0, "-ramp.dcm");
        file.saveFile(path.c_str(), EXS_LittleEndianExplicit);
        auto* opened = new CDcmImage;
        opened->OpenFile(path.c_str());
        return opened;
    }();
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Word-aligned, as the element's value is.
    std::vector<short> words((size + 1) / 2);
    if (size)
        std::memcpy(words.data(), data, size);
    COverLayManager manager;
    manager.SetImage(RampImage());
    manager.ParseRecords(words.empty() ? nullptr : words.data(), static_cast<int>(size));
    manager.MeasureAll();
    if (manager.IsModified())
        __builtin_trap();  // reading must never change the list
    manager.BuildRecords();
    return 0;
}
