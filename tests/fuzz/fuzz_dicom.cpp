// The image model opening arbitrary bytes as a DICOM file, then running the
// display pipeline again on another window, the last frame, a rotation and a
// mirror, and reading a pixel value under a point.
#include "DcmImage.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteScratchFile(data, size, ".dcm");
    CDcmImage image;
    if (image.OpenFile(path.c_str())) {
        image.AdjustBoth(image.GetWindowWidth() + 7, image.GetWindowCenter() - 3, 0);
        image.SetCurrentFrame(image.GetFramesCount() - 1);
        image.SetRotateAngle(90, 1);
        image.SetFlip(1, 1);
        image.GetClientPixelValue(CRect(3, 5, 103, 95), CPoint(50, 40));
    }
    return 0;
}
