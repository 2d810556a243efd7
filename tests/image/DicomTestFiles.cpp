#include "DicomTestFiles.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace testfiles {

std::vector<uint8_t> Ramp(const ImageLayout& layout, int step, int offset)
{
    const size_t count = static_cast<size_t>(layout.rows) * layout.columns * layout.samples *
                         (layout.frames < 1 ? 1 : layout.frames);
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i) {
        const int value = static_cast<int>(i) * step + offset;
        bytes.push_back(static_cast<uint8_t>(value & 0xFF));
        if (layout.bitsAllocated == 16)
            bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    }
    return bytes;
}

DcmFileFormat MakeImage(const ImageLayout& layout)
{
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.1.1");
    ds->putAndInsertString(DCM_Modality, "OT");
    ds->putAndInsertUint16(DCM_Rows, static_cast<Uint16>(layout.rows));
    ds->putAndInsertUint16(DCM_Columns, static_cast<Uint16>(layout.columns));
    ds->putAndInsertUint16(DCM_BitsAllocated, static_cast<Uint16>(layout.bitsAllocated));
    ds->putAndInsertUint16(DCM_BitsStored, static_cast<Uint16>(layout.bitsAllocated));
    ds->putAndInsertUint16(DCM_HighBit, static_cast<Uint16>(layout.bitsAllocated - 1));
    ds->putAndInsertUint16(DCM_SamplesPerPixel, static_cast<Uint16>(layout.samples));
    ds->putAndInsertUint16(DCM_PixelRepresentation, static_cast<Uint16>(layout.pixelRepresentation));
    ds->putAndInsertString(DCM_PhotometricInterpretation, layout.photometric.c_str());
    if (layout.samples == 3)
        ds->putAndInsertUint16(DCM_PlanarConfiguration, static_cast<Uint16>(layout.planar));
    if (layout.frames > 0)
        ds->putAndInsertString(DCM_NumberOfFrames, std::to_string(layout.frames).c_str());
    if (!layout.pixels.empty()) {
        if (layout.bitsAllocated == 16)
            ds->putAndInsertUint16Array(DCM_PixelData,
                                        reinterpret_cast<const Uint16*>(layout.pixels.data()),
                                        static_cast<unsigned long>(layout.pixels.size() / 2));
        else
            ds->putAndInsertUint8Array(DCM_PixelData, layout.pixels.data(),
                                       static_cast<unsigned long>(layout.pixels.size()));
    }
    return file;
}

void PutOverlayPlane(DcmFileFormat& file, int rows, int columns, uint8_t firstByte)
{
    std::vector<uint8_t> plane(static_cast<size_t>(rows) * columns / 8, 0);
    plane[0] = firstByte;
    PutOverlayPlane(file, rows, columns, plane);
}

void PutOverlayPlane(DcmFileFormat& file, int rows, int columns, const std::vector<uint8_t>& plane)
{
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertUint16(DCM_OverlayRows, static_cast<Uint16>(rows));
    ds->putAndInsertUint16(DCM_OverlayColumns, static_cast<Uint16>(columns));
    ds->putAndInsertUint16(DCM_OverlayBitsAllocated, 1);
    ds->putAndInsertUint16(DCM_OverlayBitPosition, 0);
    ds->putAndInsertUint8Array(DCM_OverlayData, plane.data(), static_cast<unsigned long>(plane.size()));
}

bool Save(DcmFileFormat& file, const std::string& path, E_TransferSyntax xfer)
{
    DcmDataset* ds = file.getDataset();
    if (ds->chooseRepresentation(xfer, nullptr).bad() || !ds->canWriteXfer(xfer))
        return false;
    return file.saveFile(path.c_str(), xfer).good();
}

std::string TempDir(const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::path(BINARY_DIR) / "test-image-tmp" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testfiles
