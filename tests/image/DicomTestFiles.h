// Small DICOM files written with DCMTK for the image tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

namespace testfiles {

struct ImageLayout {
    int rows = 4;
    int columns = 4;
    int frames = 0;              // 0: no Number of Frames element
    int bitsAllocated = 16;
    int samples = 1;
    int pixelRepresentation = 0;
    int planar = 0;
    std::string photometric = "MONOCHROME2";
    std::vector<uint8_t> pixels; // raw little-endian bytes; empty: no Pixel Data
};

// Ramp pixels: value of pixel i (of all frames) is i * step + offset, as 8 or 16 bits.
std::vector<uint8_t> Ramp(const ImageLayout& layout, int step = 1, int offset = 0);

// Data set holding the image attributes and pixel data of layout.
DcmFileFormat MakeImage(const ImageLayout& layout);

// A one-bit overlay plane of rows x columns whose first byte is firstByte,
// the rest 0.
void PutOverlayPlane(DcmFileFormat& file, int rows, int columns, uint8_t firstByte);
// The same plane holding the given bytes.
void PutOverlayPlane(DcmFileFormat& file, int rows, int columns, const std::vector<uint8_t>& plane);

// Saves in the given transfer syntax (uncompressed ones, or encapsulated ones
// for which the encoders are registered by the caller).
bool Save(DcmFileFormat& file, const std::string& path,
          E_TransferSyntax xfer = EXS_LittleEndianExplicit);

// A fresh folder under the build tree for one test.
std::string TempDir(const std::string& name);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace testfiles
