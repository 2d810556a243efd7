#include "DicomInfo.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfcache.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcmetinf.h>
#include <dcmtk/dcmdata/dcovlay.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmdata/dcvrobow.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/oflog/oflog.h>

#include "DicomText.h"
#include "JpegDataFloor.h"
#include "JpegScanLimit.h"
#include "PixelLimit.h"
#include "PixelOps.h"
#include "SequenceDepthScan.h"

namespace {

struct TextField {
    DcmTagKey tag;
    CString CDicomInfo::*member;
};

struct DoubleField {
    DcmTagKey tag;
    double CDicomInfo::*member;
};

const TextField kTextFields[] = {
    {DCM_PatientName, &CDicomInfo::m_strPatientName},
    {DCM_PatientSex, &CDicomInfo::m_strPatientSex},
    {DCM_PatientBirthDate, &CDicomInfo::m_strPatientBirthDate},
    {DCM_PatientBirthTime, &CDicomInfo::m_strPatientBirthTime},
    {DCM_PatientID, &CDicomInfo::m_strPatientID},
    {DCM_StudyInstanceUID, &CDicomInfo::m_strStudyInstanceUID},
    {DCM_SeriesInstanceUID, &CDicomInfo::m_strSeriesInstanceUID},
    {DCM_StudyID, &CDicomInfo::m_strStudyID},
    {DCM_StudyDate, &CDicomInfo::m_strStudyDate},
    {DCM_AccessionNumber, &CDicomInfo::m_strAccessionNumber},
    {DCM_AcquisitionNumber, &CDicomInfo::m_strAcquisitionNumber},
    {DCM_InstanceNumber, &CDicomInfo::m_strInstanceNumber},
    {DCM_SeriesNumber, &CDicomInfo::m_strSeriesNumber},
    {DCM_AcquisitionTime, &CDicomInfo::m_strAcquisitionTime},
    {DCM_MediaStorageSOPClassUID, &CDicomInfo::m_strMediaStorageSOPClassUID},
    {DCM_MediaStorageSOPInstanceUID, &CDicomInfo::m_strMediaStorageSOPInstanceUID},
    {DCM_TransferSyntaxUID, &CDicomInfo::m_strTransferSyntaxUID},
    {DCM_InstitutionName, &CDicomInfo::m_strInstitutionName},
    {DCM_ImageType, &CDicomInfo::m_strImageType},
    {DCM_FrameTimeVector, &CDicomInfo::m_strFrameTimeVector},
    {DCM_PixelSpacing, &CDicomInfo::m_strPixelSpacing},
    {DCM_ImagerPixelSpacing, &CDicomInfo::m_strPixelSpacing},
    {DCM_Modality, &CDicomInfo::m_strModality},
    {DCM_PercentPhaseFieldOfView, &CDicomInfo::m_strPercentPhaseFov},
    {DCM_PatientPosition, &CDicomInfo::m_strPatientPosition},
    {DCM_PatientOrientation, &CDicomInfo::m_strPatientOrientation},
    {DCM_RETIRED_ImagePosition, &CDicomInfo::m_strImagePosition},
    {DCM_ImagePositionPatient, &CDicomInfo::m_strImagePositionPatient},
    {DCM_RETIRED_ImageOrientation, &CDicomInfo::m_strImageOrientation},
    {DCM_ImageOrientationPatient, &CDicomInfo::m_strImageOrientationPatient},
    {DCM_Laterality, &CDicomInfo::m_strLaterality},
    {DCM_ImageLaterality, &CDicomInfo::m_strImageLaterality},
    {DCM_ImageComments, &CDicomInfo::m_strImageComments},
    {DCM_ManufacturerModelName, &CDicomInfo::m_strManufacturerModelName},
    {DcmTagKey(0x0021, 0x1011), &CDicomInfo::m_strPrivate00211011},
    {DcmTagKey(0x0021, 0x1120), &CDicomInfo::m_strPrivate00211120},
    {DcmTagKey(0x0051, 0x1010), &CDicomInfo::m_strPrivateList},
    {DCM_ScanOptions, &CDicomInfo::m_strScanOptions},
    {DCM_SeriesDescription, &CDicomInfo::m_strSeriesDescription},
    {DCM_SeriesTime, &CDicomInfo::m_strSeriesTime},
    {DCM_SeriesDate, &CDicomInfo::m_strSeriesDate},
    {DCM_SOPClassUID, &CDicomInfo::m_strSOPClassUID},
    {DCM_SOPInstanceUID, &CDicomInfo::m_strSOPInstanceUID},
    {DcmTagKey(0x0011, 0x1010), &CDicomInfo::m_strPrivate00111010},
    {DCM_FrameOfReferenceUID, &CDicomInfo::m_strFrameOfReferenceUID},
    {DCM_Manufacturer, &CDicomInfo::m_strManufacturer},
    {DCM_ConvolutionKernel, &CDicomInfo::m_strConvolutionKernel},
    {DCM_RETIRED_DataSetSubtype, &CDicomInfo::m_strDataSetSubtype},
    {DCM_OperatorsName, &CDicomInfo::m_strOperatorsName},
};

const DoubleField kDoubleFields[] = {
    {DCM_RescaleIntercept, &CDicomInfo::m_dRescaleIntercept},
    {DCM_RescaleSlope, &CDicomInfo::m_dRescaleSlope},
    {DCM_KVP, &CDicomInfo::m_dKVP},
    {DCM_RepetitionTime, &CDicomInfo::m_dRepetitionTime},
    {DCM_EchoTime, &CDicomInfo::m_dEchoTime},
    {DCM_TableHeight, &CDicomInfo::m_dTableHeight},
    {DCM_InversionTime, &CDicomInfo::m_dInversionTime},
    {DCM_XRayTubeCurrent, &CDicomInfo::m_dXRayTubeCurrent},
    {DCM_SliceThickness, &CDicomInfo::m_dSliceThickness},
    {DCM_SliceLocation, &CDicomInfo::m_dSliceLocation},
    {DcmTagKey(0x0018, 0x1041), &CDicomInfo::m_dSliceLocation},
    {DcmTagKey(0x0019, 0x1354), &CDicomInfo::m_dPrivate00191354},
    {DCM_GantryDetectorTilt, &CDicomInfo::m_dGantryDetectorTilt},
};

// Attributes that describe the image's own pixels: an icon or other nested
// image carries its own, which must not replace them.
int CDicomInfo::*ImageDescriptionField(const DcmTagKey& tag)
{
    if (tag == DCM_Rows) return &CDicomInfo::m_nRows;
    if (tag == DCM_Columns) return &CDicomInfo::m_nColumns;
    if (tag == DCM_RETIRED_Planes) return &CDicomInfo::m_nPlanes;
    if (tag == DCM_PlanarConfiguration) return &CDicomInfo::m_nPlanarConfiguration;
    if (tag == DCM_BitsAllocated) return &CDicomInfo::m_nBitsAllocated;
    if (tag == DCM_BitsStored) return &CDicomInfo::m_nBitsStored;
    if (tag == DCM_HighBit) return &CDicomInfo::m_nHighBit;
    if (tag == DCM_PixelRepresentation) return &CDicomInfo::m_nPixelRepresentation;
    if (tag == DCM_SamplesPerPixel) return &CDicomInfo::m_nSamplesPerPixel;
    return nullptr;
}

int CDicomInfo::*OverlayNumberField(const DcmTagKey& tag)
{
    if (tag == DCM_OverlayBitsAllocated) return &CDicomInfo::m_nOverlayBitsAllocated;
    if (tag == DCM_OverlayBitPosition) return &CDicomInfo::m_nOverlayBitPosition;
    if (tag == DCM_RETIRED_OverlayPlanes) return &CDicomInfo::m_nOverlayPlanes;
    if (tag == DCM_OverlayColumns) return &CDicomInfo::m_nOverlayColumns;
    return nullptr;
}

int ClampedInt(double value)
{
    if (!(value > INT_MIN))
        return value != value ? 0 : INT_MIN;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

// Decoders are registered for one read only. Lossy colour is converted to
// RGB as the JPEG data itself is coded: R, G, B-coded data stays as it is,
// and Y, Cb, Cr-coded data is converted even where an older writer labelled
// it RGB. Lossless data is never converted here.
struct DecoderRegistration {
    DecoderRegistration()
    {
        DJDecoderRegistration::registerCodecs(EDC_guessLossyOnly, EUC_default, EPC_default);
        DcmRLEDecoderRegistration::registerCodecs(OFFalse, OFFalse);
    }
    ~DecoderRegistration() { Release(); }
    void Release()
    {
        if (!m_bRegistered)
            return;
        DJDecoderRegistration::cleanup();
        DcmRLEDecoderRegistration::cleanup();
        m_bRegistered = false;
    }
    bool m_bRegistered = true;
};

// Reading failures are reported by the result only; the toolkit stays quiet.
void SilenceToolkitLog()
{
    static const bool silenced = (OFLog::configure(OFLogger::OFF_LOG_LEVEL), true);
    (void)silenced;
}

// Group lengths stay as the file has them: recomputing them on load walks
// nested items again at every level of nesting. Nesting the toolkit cannot
// read within its stack is refused before it reads.
OFCondition LoadFile(DcmFileFormat& file, const char* path)
{
    SilenceToolkitLog();
    if (SequenceDepthScan::Deeper(path))
        return EC_IllegalCall;
    return file.loadFile(path, EXS_Unknown, EGL_noChange, 4096, ERM_autoDetect);
}

// Writes the data set to a new file beside the original and puts it in the
// original's place only once it is complete, so a failed write leaves the
// original as it was. A file that may not be written stays untouched.
int ReplaceFile(DcmFileFormat& file, const char* path)
{
    struct stat original;
    if (access(path, W_OK) != 0 || stat(path, &original) != 0)
        return 0;
    std::string temporary = std::string(path) + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0)
        return 0;
    close(fd);
    bool written = false;
    try {
        written = file.saveFile(temporary.c_str(), EXS_Unknown, EET_UndefinedLength, EGL_recalcGL,
                                EPD_noChange, 0, 0, EWM_fileformat).good();
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (!written || chmod(temporary.c_str(), original.st_mode & 07777) != 0 ||
        std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
        return 0;
    }
    return 1;
}

unsigned short TopLevelUint16(DcmDataset* dataset, const DcmTagKey& tag)
{
    Uint16 value = 0;
    dataset->findAndGetUint16(tag, value);
    return value;
}

long TopLevelFrameCount(DcmDataset* dataset)
{
    OFString text;
    if (dataset->findAndGetOFString(DCM_NumberOfFrames, text).bad())
        return 0;
    return std::strtol(text.c_str(), nullptr, 10);
}

unsigned long long ExpectedPixelBytes(DcmDataset* dataset)
{
    unsigned long long rows = TopLevelUint16(dataset, DCM_Rows);
    unsigned long long columns = TopLevelUint16(dataset, DCM_Columns);
    unsigned long long samples = TopLevelUint16(dataset, DCM_SamplesPerPixel);
    unsigned long long bits = TopLevelUint16(dataset, DCM_BitsAllocated);
    long frames = TopLevelFrameCount(dataset);
    if (samples == 0)
        samples = 1;
    if (frames < 1)
        frames = 1;
    return rows * columns * samples * bits * static_cast<unsigned long long>(frames) / 8;
}

// Huffman-coded frames whose file cannot hold the least data of the
// picture they declare are refused before the toolkit allocates and
// decodes them. The whole file bounds the compressed data from above.
bool JpegDataTooShort(DcmDataset* dataset, E_TransferSyntax syntax, const char* path)
{
    JpegDataFloor::Process process;
    switch (syntax) {
    case EXS_JPEGProcess1:
    case EXS_JPEGProcess2_4: process = JpegDataFloor::Process::Sequential; break;
    case EXS_JPEGProcess6_8:
    case EXS_JPEGProcess10_12: process = JpegDataFloor::Process::Progressive; break;
    case EXS_JPEGProcess14:
    case EXS_JPEGProcess14SV1: process = JpegDataFloor::Process::Lossless; break;
    default: return false;
    }
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    const unsigned long long frames = std::max(1L, TopLevelFrameCount(dataset));
    const unsigned long long leastBits = frames * JpegDataFloor::LeastBits(process, TopLevelUint16(dataset, DCM_Columns),
                                                                           TopLevelUint16(dataset, DCM_Rows));
    return JpegDataFloor::CannotHold(ExpectedPixelBytes(dataset), static_cast<unsigned long long>(status.st_size),
                                     leastBits);
}

// Each RLE frame starts with a 64-byte header, and a run of two bytes gives
// at most 128 bytes of one segment (one byte of every sample): a large
// picture whose whole file falls below that is refused before the toolkit
// allocates and decodes it.
bool RleDataTooShort(DcmDataset* dataset, E_TransferSyntax syntax, const char* path)
{
    struct stat status;
    if (syntax != EXS_RLELossless || stat(path, &status) != 0)
        return false;
    const unsigned long long pixels =
        static_cast<unsigned long long>(TopLevelUint16(dataset, DCM_Rows)) * TopLevelUint16(dataset, DCM_Columns);
    const unsigned long long segments = std::max<unsigned long long>(1, TopLevelUint16(dataset, DCM_SamplesPerPixel)) *
                                        ((TopLevelUint16(dataset, DCM_BitsAllocated) + 7ULL) / 8);
    const unsigned long long frames = std::max(1L, TopLevelFrameCount(dataset));
    const unsigned long long leastBytes = frames * (64 + segments * 2 * ((pixels + 127) / 128));
    return JpegDataFloor::CannotHold(ExpectedPixelBytes(dataset), static_cast<unsigned long long>(status.st_size),
                                     leastBytes * 8);
}

// The toolkit's JPEG decoders report no progress: frames of more scans than
// the bound are refused before any of them is decoded.
bool JpegHasTooManyScans(DcmDataset* dataset, E_TransferSyntax syntax)
{
    switch (syntax) {
    case EXS_JPEGProcess1:
    case EXS_JPEGProcess2_4:
    case EXS_JPEGProcess6_8:
    case EXS_JPEGProcess10_12:
    case EXS_JPEGProcess14:
    case EXS_JPEGProcess14SV1: break;
    default: return false;
    }
    DcmElement* element = nullptr;
    DcmPixelSequence* fragments = nullptr;
    DcmPixelData* pixels = nullptr;
    if (dataset->findAndGetElement(DCM_PixelData, element, OFFalse).bad() ||
        !(pixels = dynamic_cast<DcmPixelData*>(element)) ||
        pixels->getEncapsulatedRepresentation(syntax, nullptr, fragments).bad() || !fragments)
        return false;
    // Frames may continue from one fragment into the next.
    std::vector<uint8_t> data;
    for (unsigned long i = 1; i < fragments->card(); ++i) {
        DcmPixelItem* item = nullptr;
        Uint8* bytes = nullptr;
        if (fragments->getItem(item, i).good() && item->getUint8Array(bytes).good() && bytes)
            data.insert(data.end(), bytes, bytes + item->getLength());
    }
    return JpegScanLimit::Exceeded(data.data(), data.size());
}

bool ElementBytes(DcmElement* element, const BYTE*& bytes)
{
    Uint8* bytes8 = nullptr;
    if (element->getUint8Array(bytes8).good() && bytes8) {
        bytes = bytes8;
        return true;
    }
    Uint16* words = nullptr;
    if (element->getUint16Array(words).good() && words) {
        bytes = reinterpret_cast<const BYTE*>(words);
        return true;
    }
    return false;
}

BYTE* CopyBytes(const BYTE* bytes, size_t length)
{
    BYTE* copy = new (std::nothrow) BYTE[length];
    if (copy)
        std::memcpy(copy, bytes, length);
    return copy;
}

// Bytes [offset, offset + length) of the value, read from the file when the
// toolkit has not loaded it, so that it never holds a copy of its own.
BYTE* ReadValuePart(DcmElement* element, unsigned long long offset, size_t length, DcmFileCache& cache)
{
    BYTE* part = new (std::nothrow) BYTE[length];
    if (part && element->getPartialValue(part, static_cast<Uint32>(offset), static_cast<Uint32>(length), &cache).bad()) {
        delete[] part;
        return nullptr;
    }
    return part;
}

// A copy of a binary element's whole value, or null for an empty, oversized
// or unreadable one.
BYTE* CopyElementValue(DcmElement* element, int& length)
{
    const BYTE* bytes = nullptr;
    const Uint32 size = element->getLength();
    if (size == 0 || size > INT_MAX || !ElementBytes(element, bytes))
        return nullptr;
    length = static_cast<int>(size);
    return CopyBytes(bytes, size);
}

// The toolkit may throw from deep inside a read or write of a damaged file;
// to our callers that is one more failure.
template <class Body>
int WithoutExceptions(Body body)
{
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

void DeleteFramesFrom(CPtrArray* frames, INT_PTR first)
{
    while (frames && frames->GetSize() > first) {
        delete[] static_cast<BYTE*>(frames->GetAt(frames->GetSize() - 1));
        frames->RemoveAt(frames->GetSize() - 1);
    }
}

}  // namespace

CDicomInfo::CDicomInfo()
{
    Reset();
}

CDicomInfo::~CDicomInfo()
{
    FreeOwnedData();
}

void CDicomInfo::FreeOwnedData()
{
    DicomPalette* palettes[] = {m_pRedPalette, m_pGreenPalette, m_pBluePalette};
    for (DicomPalette* palette : palettes) {
        if (palette)
            delete[] palette->pData;
        delete palette;
    }
    delete[] m_pOverlayBlob;
    delete[] m_pOverlayPlane;
}

void CDicomInfo::Reset()
{
    m_pRedPalette = m_pGreenPalette = m_pBluePalette = nullptr;
    m_nStoredTransferSyntax = 0;
    m_nRows = m_nColumns = m_nPlanes = m_nPlanarConfiguration = m_nNumberOfFrames = 0;
    m_nWindowCenter = m_nWindowWidth = 0;
    m_dRescaleIntercept = m_dRescaleSlope = 0.0;
    m_bVoiLutPresent = 0;
    m_nBitsAllocated = m_nBitsStored = m_nHighBit = 0;
    m_nPixelRepresentation = m_nSamplesPerPixel = 0;
    m_dRowSpacing = m_dColumnSpacing = 0.0;
    m_nOverlayBitsAllocated = m_nOverlayBitPosition = m_nOverlayPlanes = m_nOverlayColumns = 0;
    m_dKVP = m_dRepetitionTime = m_dEchoTime = m_dTableHeight = 0.0;
    m_dInversionTime = m_dXRayTubeCurrent = m_dSliceThickness = m_dSliceLocation = 0.0;
    m_dPrivate00191354 = m_dGantryDetectorTilt = 0.0;
    m_bOverlayBlobPresent = 0;
    m_pOverlayBlob = nullptr;
    m_nOverlayBlobLength = 0;
    m_pOverlayPlane = nullptr;
    m_nOverlayPlaneLength = 0;
}

CString CDicomInfo::ReadString(DcmElement* element)
{
    char* value = nullptr;
    if (element == nullptr || element->getString(value).bad() || value == nullptr)
        return CString();
    // A value may hold NULs; the text ends at the first one, as a C string.
    Uint32 length = element->getLength();
    const char* end = static_cast<const char*>(std::memchr(value, 0, length));
    size_t size = end ? static_cast<size_t>(end - value) : length;
    size_t first = 0;
    while (first < size && value[first] == ' ')
        ++first;
    while (size > first && value[size - 1] == ' ')
        --size;
    std::string utf8 = DicomText::ToUtf8(std::string(value + first, size - first));
    return CString(utf8.c_str());
}

int CDicomInfo::ReadInt(DcmElement* element)
{
    CString text = ReadString(element);
    return ClampedInt(std::strtod(static_cast<const char*>(text), nullptr));
}

double CDicomInfo::ReadDouble(DcmElement* element)
{
    return std::atof(static_cast<const char*>(ReadString(element)));
}

WORD CDicomInfo::ReadUint16(DcmElement* element, WORD previous)
{
    Uint16 value = 0;
    if (element == nullptr || element->getUint16(value).bad())
        return previous;
    return value;
}

int CDicomInfo::ReadDicomFile(const char* path, CPtrArray* frames)
{
    const INT_PTR firstNew = frames ? frames->GetSize() : 0;
    const int result = WithoutExceptions([&] { return ReadDicomFileUnguarded(path, frames); });
    if (!result)
        DeleteFramesFrom(frames, firstNew);
    return result;
}

int CDicomInfo::ReadDicomFileUnguarded(const char* path, CPtrArray* frames)
{
    DecoderRegistration decoders;
    DcmFileFormat file;
    if (path == nullptr || LoadFile(file, path).bad())
        return 0;
    DcmDataset* dataset = file.getDataset();
    if (dataset == nullptr)
        return 0;
    DcmXfer stored(dataset->getOriginalXfer());
    m_nStoredTransferSyntax = stored.getXfer();
    // No colour model has more than four samples: such data is refused
    // before anything is decompressed for it.
    if (ExpectedPixelBytes(dataset) > kMaxPixelBytes || TopLevelUint16(dataset, DCM_SamplesPerPixel) > 4 ||
        JpegDataTooShort(dataset, stored.getXfer(), path) || JpegHasTooManyScans(dataset, stored.getXfer()) ||
        RleDataTooShort(dataset, stored.getXfer(), path))
        return 0;
    // The pixel bytes are taken as little-endian words below.
    if (stored.isEncapsulated() || stored.isBigEndian()) {
        if (dataset->chooseRepresentation(EXS_LittleEndianExplicit, nullptr).bad())
            return 0;
    }
    decoders.Release();
    DicomText::ConvertDatasetToUtf8(dataset);

    DcmStack stack;
    DcmItem* items[] = {file.getMetaInfo(), dataset};
    for (DcmItem* item : items) {
        stack.clear();
        while (item && item->nextObject(stack, OFTrue).good()) {
            DcmObject* object = stack.top();
            if (object->isLeaf())
                StoreElement(static_cast<DcmElement*>(object), object->getParentItem() == item);
            else if (object->getTag() == DCM_VOILUTSequence)
                m_bVoiLutPresent = 1;
        }
    }
    int result = 1;
    if (frames) {
        DcmElement* pixels = nullptr;
        if (dataset->findAndGetElement(DCM_PixelData, pixels, OFFalse).bad() ||
            !StorePixelData(pixels, frames))
            result = 0;
    }
    if (m_strPixelSpacing.IsEmpty())
        m_strPixelSpacing = "0.36\\0.36";
    ParsePixelSpacing();
    m_strFilePath = path;
    return result;
}

void CDicomInfo::StoreElement(DcmElement* element, bool topLevel)
{
    const DcmTagKey tag = element->getTag();
    if (tag == DCM_PixelData)
        return;
    if (StoreText(element) || StoreNumber(element))
        return;
    if (int CDicomInfo::*field = ImageDescriptionField(tag)) {
        if (topLevel)
            this->*field = ReadUint16(element, static_cast<WORD>(this->*field));
        return;
    }
    if (tag == DCM_NumberOfFrames) {
        if (topLevel)
            m_nNumberOfFrames = ReadInt(element);
    } else if (tag == DCM_PhotometricInterpretation) {
        if (topLevel)
            m_strPhotometricInterpretation = ReadString(element);
    } else if (tag == DcmTagKey(0x6061, 0x0030)) {
        StoreOverlayBlob(element);
    } else if (tag == DCM_OverlayData) {
        StoreOverlayPlane(element);
    } else {
        StorePalette(element);
    }
}

bool CDicomInfo::StoreText(DcmElement* element)
{
    const DcmTagKey tag = element->getTag();
    for (const TextField& field : kTextFields) {
        if (field.tag != tag)
            continue;
        this->*field.member = ReadString(element);
        if (field.member == &CDicomInfo::m_strPrivateList && !m_strPrivateList.IsEmpty())
            ParsePrivateValues();
        return true;
    }
    return false;
}

bool CDicomInfo::StoreNumber(DcmElement* element)
{
    const DcmTagKey tag = element->getTag();
    if (tag == DCM_WindowCenter || tag == DCM_WindowWidth) {
        int value = ClampedInt(std::atof(static_cast<const char*>(ReadString(element))));
        (tag == DCM_WindowCenter ? m_nWindowCenter : m_nWindowWidth) = value;
        return true;
    }
    for (const DoubleField& field : kDoubleFields) {
        if (field.tag == tag) {
            this->*field.member = ReadDouble(element);
            return true;
        }
    }
    if (int CDicomInfo::*number = OverlayNumberField(tag)) {
        this->*number = ReadUint16(element, static_cast<WORD>(this->*number));
        return true;
    }
    return false;
}

bool CDicomInfo::StorePixelData(DcmElement* element, CPtrArray* frames)
{
    const unsigned long long length = element->getLength();
    if (length == 0)
        return false;
    if (m_nRows < 1 || m_nColumns < 1 || m_nBitsAllocated % 8 != 0 || m_nBitsAllocated == 0)
        return false;
    const unsigned long long frameCount = m_nNumberOfFrames < 1 ? 1 : m_nNumberOfFrames;
    const unsigned long long samples = m_nSamplesPerPixel < 1 ? 1 : m_nSamplesPerPixel;
    const unsigned long long frameBytes = static_cast<unsigned long long>(m_nRows) *
        m_nColumns * samples * (m_nBitsAllocated / 8);
    const unsigned long long expected = frameBytes * frameCount;
    // Shorter data would be read past; bytes after the frames are left unused.
    if (expected > kMaxPixelBytes || length < expected)
        return false;
    // The display shows colour of 8 bits per sample: wider samples are
    // scaled down as they are taken.
    const int bytesPerSample = m_nBitsAllocated / 8;
    const bool narrow = samples == 3 && bytesPerSample > 1 && bytesPerSample <= 4;
    // Uncompressed little-endian frames come straight from the file; others
    // were decoded or swapped into the toolkit's memory already.
    const DcmXfer stored(static_cast<E_TransferSyntax>(m_nStoredTransferSyntax));
    const bool fromFile = !stored.isEncapsulated() && !stored.isBigEndian();
    const BYTE* bytes = nullptr;
    if (!fromFile && !ElementBytes(element, bytes))
        return false;
    DcmFileCache cache;
    const INT_PTR firstNew = frames->GetSize();
    // Sized once: growing by steps would copy the list again for every step.
    frames->SetSize(static_cast<int>(firstNew + frameCount));
    for (unsigned long long i = 0; i < frameCount; ++i) {
        BYTE* raw = fromFile ? ReadValuePart(element, i * frameBytes, static_cast<size_t>(frameBytes), cache) : nullptr;
        const BYTE* source = fromFile ? raw : bytes + i * frameBytes;
        BYTE* frame = nullptr;
        if (source != nullptr && narrow) {
            frame = PixelOps::NarrowSamples(source, static_cast<size_t>(frameBytes / bytesPerSample), bytesPerSample,
                                            m_nBitsStored);
            delete[] raw;
        } else if (source != nullptr) {
            frame = fromFile ? raw : CopyBytes(source, static_cast<size_t>(frameBytes));
        }
        if (frame == nullptr) {
            DeleteFramesFrom(frames, firstNew);
            return false;
        }
        frames->SetAt(static_cast<int>(firstNew + i), frame);
    }
    if (narrow) {
        m_nBitsAllocated = m_nBitsStored = 8;
        m_nHighBit = 7;
    }
    return true;
}

void CDicomInfo::StoreOverlayBlob(DcmElement* element)
{
    int length = 0;
    BYTE* copy = CopyElementValue(element, length);
    if (copy == nullptr)
        return;
    m_bOverlayBlobPresent = 1;
    m_nOverlayBlobLength = length;
    delete[] m_pOverlayBlob;
    m_pOverlayBlob = copy;
}

void CDicomInfo::StoreOverlayPlane(DcmElement* element)
{
    int length = 0;
    BYTE* copy = CopyElementValue(element, length);
    if (copy == nullptr)
        return;
    delete[] m_pOverlayPlane;
    m_pOverlayPlane = copy;
    m_nOverlayPlaneLength = length;
}

void CDicomInfo::StorePalette(DcmElement* element)
{
    const DcmTagKey tag = element->getTag();
    const DcmTagKey descriptors[] = {DCM_RedPaletteColorLookupTableDescriptor,
                                     DCM_GreenPaletteColorLookupTableDescriptor,
                                     DCM_BluePaletteColorLookupTableDescriptor};
    const DcmTagKey datas[] = {DCM_RedPaletteColorLookupTableData,
                               DCM_GreenPaletteColorLookupTableData,
                               DCM_BluePaletteColorLookupTableData};
    DicomPalette** palettes[] = {&m_pRedPalette, &m_pGreenPalette, &m_pBluePalette};
    for (int colour = 0; colour < 3; ++colour) {
        DicomPalette*& palette = *palettes[colour];
        if (tag == descriptors[colour] && element->getLength() == 6) {
            Uint16 entries = 0, first = 0, bits = 0;
            element->getUint16(entries, 0);
            element->getUint16(first, 1);
            element->getUint16(bits, 2);
            if (palette == nullptr)
                palette = new (std::nothrow) DicomPalette{0, 0, 0, nullptr};
            if (palette == nullptr)
                return;
            palette->nEntries = entries;
            palette->nFirstMapped = static_cast<BYTE>(first);
            palette->nBitsPerEntry = static_cast<BYTE>(bits);
            return;
        }
        if (tag == datas[colour] && palette && palette->nBitsPerEntry == 16) {
            const BYTE* bytes = nullptr;
            const Uint32 length = element->getLength();
            if (length < 2 || !ElementBytes(element, bytes))
                return;
            WORD* data = new (std::nothrow) WORD[length / 2];
            if (data == nullptr)
                return;
            std::memcpy(data, bytes, length / 2 * 2);
            delete[] palette->pData;
            palette->pData = data;
            return;
        }
    }
}

void CDicomInfo::ParsePixelSpacing()
{
    const int slash = m_strPixelSpacing.Find('\\');
    CString before = slash < 0 ? m_strPixelSpacing : m_strPixelSpacing.Left(slash);
    CString after = slash < 0 ? CString() : m_strPixelSpacing.Mid(slash + 1);
    m_dRowSpacing = std::atof(static_cast<const char*>(before));
    m_dColumnSpacing = std::atof(static_cast<const char*>(after));
}

void CDicomInfo::ParsePrivateValues()
{
    struct Component {
        CString CDicomInfo::*member;
        int dropAfter;
        bool trimLeft;
    };
    const Component components[26] = {
        {nullptr, 0, false},
        {nullptr, 0, false},
        {&CDicomInfo::m_strPrivateValue02, 0, false},
        {nullptr, 1, false},
        {nullptr, 0, false},
        {nullptr, 0, false},
        {&CDicomInfo::m_strPrivateValue06, 0, false},
        {&CDicomInfo::m_strPrivateValue07, 2, false},
        {nullptr, 0, false},
        {nullptr, 0, false},
        {&CDicomInfo::m_strPrivateValue10, 0, true},
        {&CDicomInfo::m_strPrivateValue11, 0, true},
        {nullptr, 0, false},
        {nullptr, 0, false},
        {nullptr, 5, false},
        {nullptr, 0, false},
        {nullptr, 0, false},
        {&CDicomInfo::m_strPrivateValue17, 0, false},
        {&CDicomInfo::m_strPrivateValue18, 0, false},
        {&CDicomInfo::m_strPrivateValue19, 4, true},
        {nullptr, 8, false},
        {&CDicomInfo::m_strPrivateValue21, 0, false},
        {&CDicomInfo::m_strPrivateValue22, 0, false},
        {&CDicomInfo::m_strPrivateValue23, 0, false},
        {&CDicomInfo::m_strPrivateValue24, 0, false},
        {&CDicomInfo::m_strPrivateValue25, 0, false},
    };
    CString rest = m_strPrivateList;
    for (const Component& component : components) {
        const int slash = rest.Find('\\');
        CString value = slash < 0 ? CString() : rest.Left(slash);
        if (slash >= 0)
            rest = rest.Mid(slash + 1);
        rest = rest.Mid(component.dropAfter);
        if (component.member == nullptr)
            continue;
        if (component.trimLeft)
            value.TrimLeft(' ');
        if (component.member == &CDicomInfo::m_strPrivateValue06)
            value = value.Right(5);
        this->*component.member = value;
    }
}

int CDicomInfo::WriteElement(WORD group, WORD element, int vr, int length, const BYTE* data)
{
    if (m_strFilePath.IsEmpty() || length < 0 || (length > 0 && data == nullptr))
        return 0;
    return WithoutExceptions([&] { return WriteElementUnguarded(group, element, vr, length, data); });
}

int CDicomInfo::WriteElementUnguarded(WORD group, WORD element, int vr, int length, const BYTE* data)
{
    const char* path = static_cast<const char*>(m_strFilePath);
    DcmFileFormat file;
    if (LoadFile(file, path).bad())
        return 0;
    DcmDataset* dataset = file.getDataset();
    DcmTag tag(group, element, DcmVR(static_cast<DcmEVR>(vr)));
    std::unique_ptr<DcmOtherByteOtherWord> value(new DcmOtherByteOtherWord(tag));
    if (value->putUint8Array(data, static_cast<unsigned long>(length)).bad() ||
        dataset->insert(value.get(), OFTrue).bad())
        return 0;
    value.release();
    // Window Center and Width are decimal strings.
    char centre[32], width[32];
    std::snprintf(centre, sizeof centre, "%d", m_nWindowCenter);
    std::snprintf(width, sizeof width, "%d", m_nWindowWidth);
    if (dataset->putAndInsertString(DCM_WindowCenter, centre).bad() ||
        dataset->putAndInsertString(DCM_WindowWidth, width).bad())
        return 0;
    return ReplaceFile(file, path);
}
