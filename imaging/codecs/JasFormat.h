// One coder of the component image layer: recognises, decodes and encodes
// whole files held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "JasImage.h"

struct JasFormat {
    const char* name;
    bool (*recognise)(const uint8_t* data, size_t size);
    jas_image_t* (*decode)(const uint8_t* data, size_t size);
    // rate: the coded size as a fraction of the raw samples (lossy coders only).
    bool (*encode)(const jas_image_t& image, double rate, std::vector<uint8_t>& out);
};

// Largest sample count a decoder allocates for one image (4 bytes each).
const uint64_t kJasMaxSamples = uint64_t(1) << 28;

// A new image whose components all share one size and depth, or null when
// the size is empty or past kJasMaxSamples.
jas_image_t* JasNewImage(int numcmpts, uint32_t width, uint32_t height, int prec, bool sgnd,
                         int clrspc);
