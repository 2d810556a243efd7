// Small records and enumerations that travel with an image.
#pragma once

#include "ImvexaApi.h"
#include "ImagePlatform.h"

// Display colour mode of an image.
enum ColorMode {
    COLOR_MODE_RGB = 0,
    COLOR_MODE_GRAY = 1,
    COLOR_MODE_NONE = 3,
};

// Scout-image kind; stored and returned only.
enum EnumScoutImageType {
    SCOUT_IMAGE_NONE = 0,
};

// Destination rectangle relative to the fitted one; (0, 0, 1, 1) is the fitted rectangle.
class IMVEXA_API CRelativeRect {
public:
    CRelativeRect() : left(0.0f), top(0.0f), right(0.0f), bottom(0.0f) {}
    CRelativeRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}

    float left;
    float top;
    float right;
    float bottom;
};

// Print request.
class IMVEXA_API CDicomImageInfo {
public:
    CDicomImageInfo() : m_nFlip(0), m_nReverse(0), m_nInverse(0), m_nRotateAngle(0) {}

    int m_nFlip;
    int m_nReverse;
    int m_nInverse;
    int m_nRotateAngle;
    CRelativeRect m_RelativeRect;
};
