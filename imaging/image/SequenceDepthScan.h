// How deeply a DICOM file nests its sequences, found by walking the element
// headers of the stored bytes and skipping every value. The toolkit reads
// nested sequences recursively, so a file nesting thousands of them would
// exhaust the stack; this walk keeps its own stack of open containers.
#pragma once

class SequenceDepthScan {
public:
    // Deepest nesting the readers accept; real files stay far below it.
    static const int kMaxDepth = 500;

    // Whether the file nests sequences deeper than maxDepth. Damaged data
    // ends the walk with what it found so far; the reader then judges it.
    static bool Deeper(const char* path, int maxDepth = kMaxDepth);
};
