// Files the benchmarks share, written once into a temporary folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

inline std::string BenchDir()
{
    const auto dir = std::filesystem::temp_directory_path() / "imvexa-bench";
    std::filesystem::create_directories(dir);
    return dir.string();
}

// A signed 16-bit CT-like file of size x size with rescale and window.
inline std::string MakeFile(int size)
{
    const std::string path = BenchDir() + "/ct" + std::to_string(size) + ".dcm";
    if (std::filesystem::exists(path))
        return path;
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_CTImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.9.1");
    ds->putAndInsertString(DCM_Modality, "CT");
    ds->putAndInsertUint16(DCM_Rows, static_cast<Uint16>(size));
    ds->putAndInsertUint16(DCM_Columns, static_cast<Uint16>(size));
    ds->putAndInsertUint16(DCM_BitsAllocated, 16);
    ds->putAndInsertUint16(DCM_BitsStored, 16);
    ds->putAndInsertUint16(DCM_HighBit, 15);
    ds->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    ds->putAndInsertUint16(DCM_PixelRepresentation, 1);
    ds->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    ds->putAndInsertString(DCM_RescaleIntercept, "-1024");
    ds->putAndInsertString(DCM_RescaleSlope, "1");
    ds->putAndInsertString(DCM_WindowCenter, "40");
    ds->putAndInsertString(DCM_WindowWidth, "400");
    std::vector<Uint16> pixels(static_cast<size_t>(size) * size);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<Uint16>((i * 7 + i / size * 13) % 3000);
    ds->putAndInsertUint16Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    file.saveFile(path.c_str(), EXS_LittleEndianExplicit);
    return path;
}
