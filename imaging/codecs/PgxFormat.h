// PGX: one grey component of 1 to 32 bits, signed or not, either byte order.
#pragma once

#include "JasFormat.h"

bool PgxRecognise(const uint8_t* data, size_t size);
jas_image_t* PgxDecode(const uint8_t* data, size_t size);
bool PgxEncode(const jas_image_t& image, double rate, std::vector<uint8_t>& out);
