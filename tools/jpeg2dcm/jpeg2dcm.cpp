// Wraps a JPEG file as a secondary-capture DICOM file through the
// image model, with patient and study values set by name.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: jpeg2dcm [--set NAME=VALUE]... INPUT.jpg OUTPUT.dcm\n"
                 "names: studydate exam_no modality name patient_local_id date_of_birth sex image_number\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    CDcmImage image;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--set" && i + 1 < argc) {
            const std::string assignment = argv[++i];
            const size_t equals = assignment.find('=');
            if (equals == std::string::npos || equals == 0)
                return Usage();
            image.SetFieldValue(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str());
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage();
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2)
        return Usage();
    if (!image.JpegToDicom(files[0], files[1])) {
        std::fprintf(stderr, "jpeg2dcm: cannot convert %s\n", files[0]);
        return 1;
    }
    return 0;
}
