// Writes a small explicit-VR little-endian DICOM file of named attributes,
// looked up in a fixed dictionary, ending in the header of one encapsulated
// pixel fragment.
#pragma once

#include <cstdio>

#include "ImvexaApi.h"
#include "ImagePlatform.h"

struct DicomWriterEntry {
    WORD group;
    WORD element;
    WORD vr;  // first character in the high byte
    DWORD length;
    const char* name;
};

extern const DicomWriterEntry DicomWriterDictionary[];
extern const int DicomWriterDictionarySize;

class IMVEXA_API DicomFileWriter {
public:
    struct Element {
        WORD group;
        WORD element;
        WORD vr;
        DWORD length;
        CString name;
        const char* value;  // owned by the caller, valid until the file is written
    };

    DicomFileWriter();
    virtual ~DicomFileWriter();
    DicomFileWriter(const DicomFileWriter&) = delete;
    DicomFileWriter& operator=(const DicomFileWriter&) = delete;

    void PutElementByName(CString name, const char* value);
    int SetPixelDataLength(DWORD length);
    // The header alone, written beside the path and renamed over it.
    int WriteDicomFile(const char* path);
    // The header into an open stream: preamble, meta group, data set in tag
    // order and the pixel-data header with its one fragment item. 1 or 0.
    int WriteDicomStream(FILE* file);

private:
    int WriteElement(FILE* file, const Element& element);
    static DWORD MetaGroupLength(const CPtrArray& elements);

    DWORD m_nPixelDataLength;
    CPtrArray m_Elements;
    CPtrArray m_Dictionary;
};
