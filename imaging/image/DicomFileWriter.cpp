#include "DicomFileWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/StagedFile.h"

namespace {

constexpr WORD Vr(char first, char second)
{
    return WORD((BYTE(first) << 8) | BYTE(second));
}

}  // namespace

// StudyTime, ReferringPhysicianName, PatientOrientation and Laterality
// follow the original forty: the secondary-capture object requires them,
// empty.
const DicomWriterEntry DicomWriterDictionary[] = {
    {0x0002, 0x0001, Vr('O', 'B'), 2, "FileMetaInformationVersion"},
    {0x0002, 0x0002, Vr('U', 'I'), 26, "MediaStorageSOPClassUID"},
    {0x0002, 0x0003, Vr('U', 'I'), 54, "MediaStorageSOPInstanceUID"},
    {0x0002, 0x0010, Vr('U', 'I'), 22, "TransferSyntaxUID"},
    {0x0002, 0x0012, Vr('U', 'I'), 34, "ImplementationClassUID"},
    {0x0002, 0x0013, Vr('S', 'H'), 16, "ImplementationVersionName"},
    {0x0008, 0x0008, Vr('C', 'S'), 8, "ImageType"},
    {0x0008, 0x0016, Vr('U', 'I'), 26, "SOPClassUID"},
    {0x0008, 0x0018, Vr('U', 'I'), 54, "SOPInstanceUID"},
    {0x0008, 0x0020, Vr('D', 'A'), 8, "StudyDate"},
    {0x0008, 0x0050, Vr('S', 'H'), 12, "AccessionNumber"},
    {0x0008, 0x0060, Vr('C', 'S'), 2, "Modality"},
    {0x0008, 0x0064, Vr('C', 'S'), 2, "ConversionType"},
    {0x0008, 0x1030, Vr('L', 'O'), 2, "StudyDescription"},
    {0x0008, 0x2111, Vr('S', 'T'), 10, "DerivationDescription"},
    {0x0008, 0x2112, Vr('S', 'Q'), 10, "SourceImageSequence"},
    {0x0008, 0x1150, Vr('U', 'I'), 26, "ReferencedSOPClassUID"},
    {0x0008, 0x1155, Vr('U', 'I'), 54, "ReferencedSOPInstanceUID"},
    {0x0010, 0x0010, Vr('P', 'N'), 12, "PatientName"},
    {0x0010, 0x0020, Vr('L', 'O'), 10, "PatientID"},
    {0x0010, 0x0030, Vr('D', 'A'), 10, "PatientBirthDate"},
    {0x0010, 0x0040, Vr('C', 'S'), 2, "PatientSex"},
    {0x0020, 0x000D, Vr('U', 'I'), 54, "StudyInstanceUID"},
    {0x0020, 0x000E, Vr('U', 'I'), 54, "SeriesInstanceUID"},
    {0x0020, 0x0010, Vr('S', 'H'), 12, "StudyID"},
    {0x0020, 0x0011, Vr('I', 'S'), 2, "SeriesNumber"},
    {0x0020, 0x0013, Vr('I', 'S'), 2, "ImageNumber"},
    {0x0028, 0x0002, Vr('U', 'S'), 2, "SamplesPerPixel"},
    {0x0028, 0x0004, Vr('C', 'S'), 4, "PhotometricInterpretation"},
    {0x0028, 0x0006, Vr('U', 'S'), 4, "PlanarConfiguration"},
    {0x0028, 0x0010, Vr('U', 'S'), 2, "Rows"},
    {0x0028, 0x0011, Vr('U', 'S'), 2, "Columns"},
    {0x0028, 0x0100, Vr('U', 'S'), 2, "BitsAllocated"},
    {0x0028, 0x0101, Vr('U', 'S'), 2, "BitsStored"},
    {0x0028, 0x0102, Vr('U', 'S'), 2, "HighBit"},
    {0x0028, 0x0103, Vr('U', 'S'), 2, "PixelRepresentation"},
    {0x0028, 0x1050, Vr('D', 'S'), 4, "WindowCenter"},
    {0x0028, 0x1051, Vr('D', 'S'), 4, "WindowWidth"},
    {0x0028, 0x2110, Vr('C', 'S'), 2, "LossyImageCompression"},
    {0x7FE0, 0x0010, Vr('O', 'W'), 4, "PixelData"},
    {0x0008, 0x0030, Vr('T', 'M'), 0, "StudyTime"},
    {0x0008, 0x0090, Vr('P', 'N'), 0, "ReferringPhysicianName"},
    {0x0020, 0x0020, Vr('C', 'S'), 0, "PatientOrientation"},
    {0x0020, 0x0060, Vr('C', 'S'), 0, "Laterality"},
};
const int DicomWriterDictionarySize = int(sizeof DicomWriterDictionary / sizeof DicomWriterDictionary[0]);

namespace {

using Element = DicomFileWriter::Element;

bool IsLongForm(WORD vr)
{
    return vr == Vr('O', 'B') || vr == Vr('O', 'W') || vr == Vr('S', 'Q') || vr == Vr('U', 'N') ||
           vr == Vr('U', 'T');
}

// The longest value each text VR allows.
size_t MaxTextLength(WORD vr)
{
    switch (vr) {
    case Vr('U', 'I'): return 64;
    case Vr('S', 'H'): case Vr('C', 'S'): case Vr('D', 'S'): case Vr('T', 'M'): return 16;
    case Vr('D', 'A'): return 8;
    case Vr('I', 'S'): return 12;
    case Vr('S', 'T'): return 1024;
    default: return 64;
    }
}

// The value bytes, always of even length: numbers in their binary width,
// texts cut to their VR's limit and padded (UIDs with a zero byte, other
// texts with a space).
std::string EncodeValue(const Element& element)
{
    if (element.vr == Vr('O', 'B') || element.vr == Vr('U', 'S') || element.vr == Vr('U', 'L')) {
        const unsigned long number = static_cast<unsigned long>(std::atol(element.value));
        const size_t bytes = element.vr == Vr('U', 'S') ? 2 : (element.vr == Vr('U', 'L') ? 4 : element.length);
        std::string out;
        for (size_t i = 0; i < bytes; ++i)
            out.push_back(char(i < sizeof number ? BYTE(number >> (8 * i)) : 0));
        return out;
    }
    // Each value of a multi-valued text keeps to its VR's limit.
    std::string out;
    const size_t limit = MaxTextLength(element.vr);
    size_t kept = 0;
    for (const char* p = element.value; *p != '\0'; ++p) {
        kept = *p == '\\' ? 0 : kept + 1;
        if (kept <= limit)
            out.push_back(*p);
    }
    if (out.size() % 2)
        out.push_back(element.vr == Vr('U', 'I') ? '\0' : ' ');
    return out;
}

bool Put(FILE* file, const void* data, size_t bytes)
{
    return bytes == 0 || std::fwrite(data, 1, bytes, file) == bytes;
}

bool PutHeader(FILE* file, WORD group, WORD element, WORD vr, DWORD length)
{
    BYTE header[12] = {BYTE(group), BYTE(group >> 8), BYTE(element), BYTE(element >> 8), BYTE(vr >> 8), BYTE(vr)};
    if (IsLongForm(vr)) {
        header[6] = header[7] = 0;
        for (int i = 0; i < 4; ++i)
            header[8 + i] = BYTE(length >> (8 * i));
        return Put(file, header, 12);
    }
    header[6] = BYTE(length);
    header[7] = BYTE(length >> 8);
    return Put(file, header, 8);
}

bool TagLess(const void* a, const void* b)
{
    const Element* x = static_cast<const Element*>(a);
    const Element* y = static_cast<const Element*>(b);
    return x->group != y->group ? x->group < y->group : x->element < y->element;
}

}  // namespace

DicomFileWriter::DicomFileWriter() : m_nPixelDataLength(0)
{
    for (int i = 0; i < DicomWriterDictionarySize; ++i) {
        const DicomWriterEntry& entry = DicomWriterDictionary[i];
        m_Dictionary.Add(new Element{entry.group, entry.element, entry.vr, entry.length, entry.name, nullptr});
    }
}

DicomFileWriter::~DicomFileWriter()
{
    for (int i = 0; i < m_Elements.GetSize(); ++i)
        delete static_cast<Element*>(m_Elements.GetAt(i));
    for (int i = 0; i < m_Dictionary.GetSize(); ++i)
        delete static_cast<Element*>(m_Dictionary.GetAt(i));
}

void DicomFileWriter::PutElementByName(CString name, const char* value)
{
    for (int i = 0; i < m_Dictionary.GetSize(); ++i) {
        const Element* entry = static_cast<const Element*>(m_Dictionary.GetAt(i));
        if (entry->name == name)
            m_Elements.Add(new Element{entry->group, entry->element, entry->vr, entry->length, entry->name, value});
    }
}

int DicomFileWriter::SetPixelDataLength(DWORD length)
{
    m_nPixelDataLength = length;
    return 1;
}

int DicomFileWriter::WriteElement(FILE* file, const Element& element)
{
    const std::string value = EncodeValue(element);
    return PutHeader(file, element.group, element.element, element.vr, DWORD(value.size())) &&
           Put(file, value.data(), value.size());
}

DWORD DicomFileWriter::MetaGroupLength(const CPtrArray& elements)
{
    DWORD length = 0;
    for (int i = 0; i < elements.GetSize(); ++i) {
        const Element* element = static_cast<const Element*>(elements.GetAt(i));
        if (element->group == 0x0002 && element->value != nullptr)
            length += DWORD((IsLongForm(element->vr) ? 12 : 8) + EncodeValue(*element).size());
    }
    return length;
}

int DicomFileWriter::WriteDicomStream(FILE* file)
{
    if (file == nullptr)
        return 0;
    // Readers expect the elements in ascending tag order, whatever order they were added in.
    std::vector<const Element*> ordered;
    for (int i = 0; i < m_Elements.GetSize(); ++i) {
        const Element* element = static_cast<const Element*>(m_Elements.GetAt(i));
        if (element->value != nullptr)
            ordered.push_back(element);
    }
    std::stable_sort(ordered.begin(), ordered.end(), TagLess);
    BYTE preamble[132] = {};
    std::memcpy(preamble + 128, "DICM", 4);
    const DWORD metaLength = MetaGroupLength(m_Elements);
    const BYTE groupLength[4] = {BYTE(metaLength), BYTE(metaLength >> 8), BYTE(metaLength >> 16),
                                 BYTE(metaLength >> 24)};
    if (!Put(file, preamble, sizeof preamble) || !PutHeader(file, 0x0002, 0x0000, Vr('U', 'L'), 4) ||
        !Put(file, groupLength, 4))
        return 0;
    for (const Element* element : ordered)
        if (!WriteElement(file, *element))
            return 0;
    const DWORD length = m_nPixelDataLength;
    const BYTE pixelHeader[] = {0xE0, 0x7F, 0x10, 0x00, 'O', 'B', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFE, 0xFF, 0x00, 0xE0, 0x04, 0, 0, 0, 0, 0, 0, 0,
                                0xFE, 0xFF, 0x00, 0xE0, BYTE(length), BYTE(length >> 8), BYTE(length >> 16),
                                BYTE(length >> 24)};
    return Put(file, pixelHeader, sizeof pixelHeader) ? 1 : 0;
}

int DicomFileWriter::WriteDicomFile(const char* path)
{
    StagedFile file;
    if (!file.Open(path) || !WriteDicomStream(file.Stream()))
        return 0;
    return file.Commit() ? 1 : 0;
}
