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

// Print request: a record of 32-bit words read by position.
class IMVEXA_API CDicomImageInfo {
public:
    CDicomImageInfo()
        : m_nWord0(0), m_nWord1(0), m_nSize2(0), m_nSize3(0), m_nRotateAngle(0), m_nFlip(0), m_nReverse(0),
          m_nInverse(0), m_nWord8(0)
    {
    }

    int m_nWord0;
    int m_nWord1;
    // Passed on as the two size arguments of the print-pixel call, which ignores them.
    int m_nSize2;
    int m_nSize3;
    int m_nRotateAngle;
    int m_nFlip;
    int m_nReverse;
    int m_nInverse;
    int m_nWord8;
    CRelativeRect m_RelativeRect;
};
