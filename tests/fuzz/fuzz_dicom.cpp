// The image model opening arbitrary bytes as a DICOM file, then running the
// display pipeline again on another window, the last frame and a rotation.
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
    }
    return 0;
}
