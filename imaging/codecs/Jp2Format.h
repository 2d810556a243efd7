// JPEG 2000 files (the JP2 box structure) and raw codestreams, both coded
// by the library's own codestream codec.
#pragma once

#include "JasFormat.h"

bool Jp2Recognise(const uint8_t* data, size_t size);
jas_image_t* Jp2Decode(const uint8_t* data, size_t size);
bool Jp2Encode(const jas_image_t& image, double rate, std::vector<uint8_t>& out);

bool JpcRecognise(const uint8_t* data, size_t size);
jas_image_t* JpcDecode(const uint8_t* data, size_t size);
bool JpcEncode(const jas_image_t& image, double rate, std::vector<uint8_t>& out);
