// Receiver of the frames of a multi-frame decode, one at a time; it answers
// false to end the decode early.
#pragma once

#include <functional>

class CRasterImage;

using RasterFrameSink = std::function<bool(CRasterImage& frame)>;
