// Plain JPEG files for the folder of frames that accompanies a subtraction run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testdata {

// Writes top-down rows of 1 (grey) or 3 (R,G,B) bytes per pixel as a baseline
// JPEG without chroma subsampling; true on success.
bool WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint8_t>& pixels, int quality);

}  // namespace testdata
