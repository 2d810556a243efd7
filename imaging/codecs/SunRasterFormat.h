// Sun raster files: 1, 8, 24 and 32 bits, colour maps, run-length coding.
#pragma once

#include "JasFormat.h"

bool SunRasterRecognise(const uint8_t* data, size_t size);
jas_image_t* SunRasterDecode(const uint8_t* data, size_t size);
bool SunRasterEncode(const jas_image_t& image, double rate, std::vector<uint8_t>& out);
