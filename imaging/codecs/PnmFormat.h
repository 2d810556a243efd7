// Portable bitmap, greymap and pixmap files (P1 to P6, 8 and 16 bits).
#pragma once

#include "JasFormat.h"

bool PnmRecognise(const uint8_t* data, size_t size);
jas_image_t* PnmDecode(const uint8_t* data, size_t size);
bool PnmEncode(const jas_image_t& image, double rate, std::vector<uint8_t>& out);
