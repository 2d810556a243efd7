// The overlay record blob of a DICOM file, parsed into a manager and built
// back, on arbitrary bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "OverLayManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Word-aligned, as the element's value is.
    std::vector<short> words((size + 1) / 2);
    if (size)
        std::memcpy(words.data(), data, size);
    COverLayManager manager;
    manager.ParseRecords(words.empty() ? nullptr : words.data(), static_cast<int>(size));
    manager.BuildRecords();
    return 0;
}
