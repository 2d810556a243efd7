// A JPEG file wrapped unchanged as the one fragment of a
// secondary-capture DICOM file.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomFileWriter.h"
#include "JpegFile.h"
#include "base/StagedFile.h"

namespace {

// Fragments carry a 32-bit length; larger files are refused.
const long kMaxJpegFileBytes = 0x7FFFFFF0L;

// A UID under the root for UUID-derived UIDs: "2.25." and the 128 bits in
// decimal, unique without any registration.
CString UuidUid(unsigned __int128 value)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(value % 10)));
        value /= 10;
    } while (value != 0);
    return CString(("2.25." + digits).c_str());
}

CString NewUid()
{
    std::random_device device;
    unsigned __int128 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 32) | device();
    return UuidUid(value);
}

// The same name always gives the same UID: a 128-bit FNV-1a hash of the
// name, marked as a name-based UUID of version 8 (variant bits 10).
CString NameUid(const CString& name)
{
    const unsigned __int128 prime = (unsigned __int128)(1) << 88 | 0x13B;
    unsigned __int128 hash = (unsigned __int128)(0x6C62272E07BB0142ULL) << 64 | 0x62B821756295C58DULL;
    for (int i = 0; i < name.GetLength(); ++i)
        hash = (hash ^ BYTE(name[i])) * prime;
    hash &= ~((unsigned __int128)(0xF) << 76);
    hash |= (unsigned __int128)(0x8) << 76;
    hash &= ~((unsigned __int128)(0x3) << 62);
    hash |= (unsigned __int128)(0x2) << 62;
    return UuidUid(hash);
}

CString DigitsOnly(const CString& text)
{
    CString digits;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text[i] >= '0' && text[i] <= '9')
            digits += text[i];
    return digits;
}

// A date as its eight digits, separators dropped; empty when it is no
// whole date, which the date attributes then leave unknown.
CString DateValue(const CString& text)
{
    const CString digits = DigitsOnly(text);
    return digits.GetLength() == 8 ? digits : CString();
}

CString DigitsOrZeros(const CString& text)
{
    const CString digits = DigitsOnly(text);
    return digits.IsEmpty() ? CString("00000000") : digits;
}

// Files of one patient on one study date share the study, and those that
// also share the image number the series: both UIDs are named by those
// values (the study date's and the patient ID's digits, eight zeros for
// none), so every conversion of them gives the same UIDs.
CString StudyName(const CDicomInfo& info)
{
    return DigitsOrZeros(info.m_strStudyDate) + "." + DigitsOrZeros(info.m_strPatientID);
}

// The transfer syntax of the JPEG's coding process.
const char* TransferSyntaxOf(const JpegFile::Coding& coding)
{
    if (coding.progressive)
        return coding.arithmetic ? "1.2.840.10008.1.2.4.56" : "1.2.840.10008.1.2.4.55";
    if (coding.arithmetic)
        return "1.2.840.10008.1.2.4.52";
    return coding.baseline ? "1.2.840.10008.1.2.4.50" : "1.2.840.10008.1.2.4.51";
}

// Colour JPEG is labelled as it is coded: Y, Cb, Cr with full or subsampled
// chroma, or R, G, B. Other colour models (CMYK) are not written.
const char* PhotometricOf(const JpegFile::Coding& coding)
{
    if (coding.components == 1)
        return "MONOCHROME2";
    if (coding.components != 3 || coding.grey)
        return nullptr;
    if (coding.rgb)
        return "RGB";
    return coding.subsampled ? "YBR_FULL_422" : "YBR_FULL";
}

bool ReadWholeFile(const char* path, std::vector<BYTE>& bytes)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size > 0 && size <= kMaxJpegFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(size_t(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

// The values of one file, kept alive until it is written.
struct SecondaryCaptureValues {
    CString sopInstance = NewUid();
    CString studyDate;
    CString birthDate;
    CString studyUid;
    CString seriesUid;
    CString modality;
    CString photometric;
    CString samples;
    CString rows;
    CString columns;
};

}  // namespace

void CDcmImage::SetFieldValue(CString key, CString value)
{
    key.MakeLower();
    CDicomInfo& info = m_DicomInfo;
    if (key == "studydate")
        info.m_strStudyDate = value;
    else if (key == "exam_no")
        info.m_strAccessionNumber = value;
    else if (key == "modality")
        info.m_strModality = value;
    else if (key == "name")
        info.m_strPatientName = value;
    else if (key == "patient_local_id")
        info.m_strPatientID = value;
    else if (key == "date_of_birth")
        info.m_strPatientBirthDate = value;
    else if (key == "sex")
        info.m_strPatientSex = value;
    else if (key == "image_number")
        info.m_strInstanceNumber = value;
}

int CDcmImage::JpegToDicom(const char* jpegPath, const char* dicomPath)
{
    // Read first: a missing or unreadable JPEG writes nothing and creates nothing.
    std::vector<BYTE> jpeg;
    if (!ReadWholeFile(jpegPath, jpeg))
        return 0;
    JpegFile::Coding coding;
    if (!JpegFile::ReadCoding(jpegPath, &coding) || coding.width == 0 || coding.height == 0 ||
        coding.width > 65535 || coding.height > 65535 || PhotometricOf(coding) == nullptr)
        return 0;
    const CDicomInfo& info = m_DicomInfo;
    SecondaryCaptureValues v;
    v.studyDate = DateValue(info.m_strStudyDate);
    v.birthDate = DateValue(info.m_strPatientBirthDate);
    // An opened image lends its own study and series.
    v.studyUid = info.m_strStudyInstanceUID.IsEmpty() ? NameUid(StudyName(info)) : info.m_strStudyInstanceUID;
    v.seriesUid = info.m_strSeriesInstanceUID.IsEmpty() ? NameUid(StudyName(info) + "." + info.m_strInstanceNumber)
                                                        : info.m_strSeriesInstanceUID;
    v.modality = info.m_strModality.IsEmpty() ? CString("OT") : info.m_strModality;
    const bool grey = coding.components == 1;
    v.photometric = PhotometricOf(coding);
    v.samples = grey ? "1" : "3";
    v.rows.Format("%u", coding.height);
    v.columns.Format("%u", coding.width);

    DicomFileWriter writer;
    writer.PutElementByName("FileMetaInformationVersion", "256");  // the bytes 00 01
    writer.PutElementByName("MediaStorageSOPClassUID", "1.2.840.10008.5.1.4.1.1.7");
    writer.PutElementByName("MediaStorageSOPInstanceUID", v.sopInstance);
    writer.PutElementByName("TransferSyntaxUID", TransferSyntaxOf(coding));
    writer.PutElementByName("ImplementationClassUID", "1.2.826.0.1.3680043.1.1.3.1.209.2");
    writer.PutElementByName("ImplementationVersionName", "VODEDU 3.1.209.2");
    writer.PutElementByName("ImageType", "DERIVED\\SECONDARY");
    writer.PutElementByName("SOPClassUID", "1.2.840.10008.5.1.4.1.1.7");
    writer.PutElementByName("SOPInstanceUID", v.sopInstance);
    writer.PutElementByName("StudyDate", v.studyDate);
    writer.PutElementByName("StudyTime", "");
    writer.PutElementByName("AccessionNumber", info.m_strAccessionNumber);
    writer.PutElementByName("Modality", v.modality);
    writer.PutElementByName("ConversionType", "DI");
    writer.PutElementByName("ReferringPhysicianName", "");
    writer.PutElementByName("StudyDescription", "");
    writer.PutElementByName("DerivationDescription", "Lossy JPEG");
    writer.PutElementByName("PatientName", info.m_strPatientName);
    writer.PutElementByName("PatientID", info.m_strPatientID);
    writer.PutElementByName("PatientBirthDate", v.birthDate);
    writer.PutElementByName("PatientSex", info.m_strPatientSex);
    writer.PutElementByName("StudyInstanceUID", v.studyUid);
    writer.PutElementByName("SeriesInstanceUID", v.seriesUid);
    writer.PutElementByName("StudyID", info.m_strStudyID);
    writer.PutElementByName("SeriesNumber", "1");
    writer.PutElementByName("ImageNumber", info.m_strInstanceNumber);
    writer.PutElementByName("PatientOrientation", "");
    writer.PutElementByName("Laterality", "");
    writer.PutElementByName("SamplesPerPixel", v.samples);
    writer.PutElementByName("PhotometricInterpretation", v.photometric);
    if (!grey)
        writer.PutElementByName("PlanarConfiguration", "0");
    writer.PutElementByName("Rows", v.rows);
    writer.PutElementByName("Columns", v.columns);
    writer.PutElementByName("BitsAllocated", "8");
    writer.PutElementByName("BitsStored", "8");
    writer.PutElementByName("HighBit", "7");
    writer.PutElementByName("PixelRepresentation", "0");
    if (grey) {
        writer.PutElementByName("WindowCenter", "128");
        writer.PutElementByName("WindowWidth", "256");
    }
    writer.PutElementByName("LossyImageCompression", "01");

    // Fragments have even lengths: an odd JPEG gets one padding byte.
    const bool odd = jpeg.size() % 2 != 0;
    writer.SetPixelDataLength(DWORD(jpeg.size() + (odd ? 1 : 0)));
    StagedFile file;
    if (!file.Open(dicomPath) || !writer.WriteDicomStream(file.Stream()))
        return 0;
    const BYTE padding = 0;
    const BYTE delimiter[8] = {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0};
    if (!file.Write(jpeg.data(), jpeg.size()) || (odd && !file.Write(&padding, 1)) ||
        !file.Write(delimiter, sizeof delimiter))
        return 0;
    return file.Commit() ? 1 : 0;
}
