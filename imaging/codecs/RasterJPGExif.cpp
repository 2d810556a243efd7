#include "RasterJPG.h"
#include "SaturatedCast.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int M_SOF0 = 0xC0, M_SOF1 = 0xC1, M_SOF2 = 0xC2, M_SOF3 = 0xC3;
const int M_SOF5 = 0xC5, M_SOF6 = 0xC6, M_SOF7 = 0xC7;
const int M_SOF9 = 0xC9, M_SOF10 = 0xCA, M_SOF11 = 0xCB;
const int M_SOF13 = 0xCD, M_SOF14 = 0xCE, M_SOF15 = 0xCF;
const int M_SOI = 0xD8, M_EOI = 0xD9, M_SOS = 0xDA;
const int M_JFIF = 0xE0, M_EXIF = 0xE1, M_COM = 0xFE;
const int M_IMAGE_DATA = 0x123;

const int kBytesPerFormat[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
const int NUM_FORMATS = 12;
const int FMT_BYTE = 1, FMT_STRING = 2, FMT_USHORT = 3, FMT_ULONG = 4, FMT_URATIONAL = 5;
const int FMT_SBYTE = 6, FMT_UNDEFINED = 7, FMT_SSHORT = 8, FMT_SLONG = 9, FMT_SRATIONAL = 10;
const int FMT_SINGLE = 11, FMT_DOUBLE = 12;

// Chains longer than this are corrupt or self-linked.
const int kMaxDirectoryDepth = 8;

void CopyField(char* field, size_t fieldSize, const BYTE* value, size_t byteCount)
{
    size_t n = byteCount < fieldSize - 1 ? byteCount : fieldSize - 1;
    memcpy(field, value, n);
    field[n] = 0;
}

float UnitInInches(int unit, float current)
{
    switch (unit) {
    case 1: return 1.0f;
    case 2: return 1.0f;
    case 3: return 0.3937007874f;
    case 4: return 0.03937007874f;
    case 5: return 0.00003937007874f;
    default: return current;
    }
}

} // namespace

CRasterJPG::CExifInfo::CExifInfo(tag_ExifInfo* info)
{
    if (info) {
        m_exifinfo = info;
        freeinfo = false;
    } else {
        m_exifinfo = static_cast<tag_ExifInfo*>(calloc(1, sizeof(tag_ExifInfo)));
        freeinfo = true;
    }
    m_szLastError[0] = 0;
    ExifImageWidth = 0;
    MotorolaOrder = 0;
    SectionsRead = 0;
    memset(Sections, 0, sizeof(Sections));
}

CRasterJPG::CExifInfo::~CExifInfo()
{
    for (int i = 0; i < MAX_SECTIONS; i++)
        free(Sections[i].Data);
    if (freeinfo)
        free(m_exifinfo);
}

void CRasterJPG::CExifInfo::SetError(const char* text)
{
    strncpy(m_szLastError, text, sizeof(m_szLastError) - 1);
    m_szLastError[sizeof(m_szLastError) - 1] = 0;
}

bool CRasterJPG::CExifInfo::DecodeExif(CByteStream* hFile, int nReadMode)
{
    if (!hFile || !m_exifinfo)
        return false;
    if (hFile->GetC() != 0xFF || hFile->GetC() != M_SOI)
        return false;
    return ReadSections(hFile, nReadMode);
}

bool CRasterJPG::CExifInfo::ReadSections(CByteStream* hFile, int nReadMode)
{
    bool haveComment = false;
    for (;;) {
        if (SectionsRead >= MAX_SECTIONS) {
            SetError("Too many sections in jpg file");
            return false;
        }
        long marker = 0;
        for (int a = 0;; a++) {
            marker = hFile->GetC();
            if (marker != 0xFF)
                break;
            if (a >= 6) {
                printf("too many padding bytes\n");
                return false;
            }
        }
        long lh = hFile->GetC(), ll = hFile->GetC();
        if (marker < 0 || lh < 0 || ll < 0) {
            SetError("Premature end of file?");
            return false;
        }
        DWORD itemlen = DWORD((lh << 8) | ll);
        if (itemlen < 2) {
            SetError("invalid marker");
            return false;
        }
        BYTE* data = static_cast<BYTE*>(malloc(itemlen));
        if (!data) {
            SetError("Could not allocate memory");
            return false;
        }
        data[0] = BYTE(lh);
        data[1] = BYTE(ll);
        if (hFile->Read(data + 2, 1, itemlen - 2) != itemlen - 2) {
            free(data);
            SetError("Premature end of file?");
            return false;
        }
        Section_t& section = Sections[SectionsRead];
        section.Data = data;
        section.Type = int32_t(marker);
        section.Size = itemlen;
        SectionsRead++;

        auto drop = [&]() {
            free(data);
            SectionsRead--;
            Sections[SectionsRead].Data = nullptr;
        };
        switch (marker) {
        case M_SOF0: case M_SOF1: case M_SOF2: case M_SOF3:
        case M_SOF5: case M_SOF6: case M_SOF7:
        case M_SOF9: case M_SOF10: case M_SOF11:
        case M_SOF13: case M_SOF14: case M_SOF15:
            process_SOFn(data, int(marker), itemlen);
            break;
        case M_EOI:
            printf("No image in jpeg!\n");
            return false;
        case M_SOS:
            if (nReadMode & 2)
                return ReadRestOfImage(hFile);
            return true;
        case M_JFIF:
            drop();
            break;
        case M_EXIF:
            if ((nReadMode & 1) && itemlen >= 6 && memcmp(data + 2, "Exif", 4) == 0)
                m_exifinfo->IsExif = process_EXIF(data + 2, itemlen - 2);
            else
                drop();
            break;
        case M_COM:
            if ((nReadMode & 1) && !haveComment) {
                process_COM(data, int(itemlen));
                haveComment = true;
            } else {
                drop();
            }
            break;
        default:
            break;
        }
    }
}

// The image data after the start of scan becomes one more section, which
// must still fit the table.
bool CRasterJPG::CExifInfo::ReadRestOfImage(CByteStream* hFile)
{
    if (SectionsRead >= MAX_SECTIONS) {
        SetError("Too many sections in jpg file");
        return false;
    }
    long here = hFile->Tell();
    long size = hFile->Size();
    if (here < 0 || size < here) {
        SetError("could not read the rest of the image");
        return false;
    }
    DWORD length = DWORD(size - here);
    BYTE* data = static_cast<BYTE*>(malloc(length ? length : 1));
    if (!data) {
        SetError("could not allocate data for entire image");
        return false;
    }
    if (hFile->Read(data, 1, length) != length) {
        free(data);
        SetError("could not read the rest of the image");
        return false;
    }
    Sections[SectionsRead].Data = data;
    Sections[SectionsRead].Type = M_IMAGE_DATA;
    Sections[SectionsRead].Size = length;
    SectionsRead++;
    return true;
}

int CRasterJPG::CExifInfo::Get16m(const void* Short)
{
    const BYTE* p = static_cast<const BYTE*>(Short);
    return (p[0] << 8) | p[1];
}

int CRasterJPG::CExifInfo::Get16u(const void* Short)
{
    const BYTE* p = static_cast<const BYTE*>(Short);
    return MotorolaOrder ? ((p[0] << 8) | p[1]) : ((p[1] << 8) | p[0]);
}

int32_t CRasterJPG::CExifInfo::Get32s(const void* Long)
{
    return int32_t(Get32u(Long));
}

uint32_t CRasterJPG::CExifInfo::Get32u(const void* Long)
{
    const BYTE* p = static_cast<const BYTE*>(Long);
    if (MotorolaOrder)
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

bool CRasterJPG::CExifInfo::process_EXIF(BYTE* CharBuf, unsigned int length)
{
    m_exifinfo->FlashUsed = 0;
    m_exifinfo->Comments[0] = 0;
    ExifImageWidth = 0;
    // "Exif", two zero bytes, the byte order, 42 and the first offset.
    if (length < 14 || memcmp(CharBuf, "Exif\0\0", 6) != 0) {
        SetError("Incorrect Exif header");
        return false;
    }
    if (memcmp(CharBuf + 6, "II", 2) == 0) {
        MotorolaOrder = 0;
    } else if (memcmp(CharBuf + 6, "MM", 2) == 0) {
        MotorolaOrder = 1;
    } else {
        SetError("Invalid Exif alignment marker.");
        return false;
    }
    if (Get16u(CharBuf + 8) != 0x2A) {
        SetError("Invalid Exif start (1)");
        return false;
    }
    unsigned exifLength = length - 6;
    BYTE* base = CharBuf + 6;
    uint32_t firstOffset = Get32u(CharBuf + 10);
    BYTE* lastRefd = base;
    if (!ProcessExifDir(base + 8, base, exifLength, m_exifinfo, &lastRefd))
        return false;
    if (firstOffset > 8) {
        if (firstOffset >= exifLength) {
            SetError("Illegal subdirectory link");
            return false;
        }
        if (!ProcessExifDir(base + firstOffset, base, exifLength, m_exifinfo, &lastRefd))
            return false;
    }
    if (m_exifinfo->FocalplaneXRes != 0)
        m_exifinfo->CCDWidth = float(ExifImageWidth * m_exifinfo->FocalplaneUnits /
                                     m_exifinfo->FocalplaneXRes);
    return true;
}

double CRasterJPG::CExifInfo::ConvertAnyFormat(void* ValuePtr, int Format)
{
    const BYTE* p = static_cast<const BYTE*>(ValuePtr);
    switch (Format) {
    case FMT_SBYTE: return double(static_cast<signed char>(p[0]));
    case FMT_BYTE: return double(p[0]);
    case FMT_USHORT: return double(Get16u(p));
    case FMT_SSHORT: return double(int16_t(Get16u(p)));
    case FMT_ULONG: return double(Get32u(p));
    case FMT_SLONG: return double(Get32s(p));
    case FMT_URATIONAL:
    case FMT_SRATIONAL: {
        int32_t num = Get32s(p), den = Get32s(p + 4);
        return den == 0 ? 0.0 : double(num) / double(den);
    }
    case FMT_SINGLE: {
        float f;
        memcpy(&f, p, sizeof(f));
        return double(f);
    }
    case FMT_DOUBLE: {
        double d;
        memcpy(&d, p, sizeof(d));
        return d;
    }
    default: return 0.0;
    }
}

bool CRasterJPG::CExifInfo::ProcessExifDir(BYTE* DirStart, BYTE* OffsetBase, unsigned ExifLength,
                                           tag_ExifInfo* pInfo, BYTE** LastExifRefdP, int level)
{
    BYTE* end = OffsetBase + ExifLength;
    if (level > kMaxDirectoryDepth) {
        SetError("Illegal subdirectory link");
        return false;
    }
    if (DirStart < OffsetBase || DirStart + 2 > end) {
        SetError("Illegally sized directory");
        return false;
    }
    int numEntries = Get16u(DirStart);
    if (DirStart + 2 + size_t(numEntries) * 12 > end) {
        SetError("Illegally sized directory");
        return false;
    }
    uint32_t thumbnailOffset = 0, thumbnailSize = 0;
    for (int de = 0; de < numEntries; de++) {
        BYTE* dirEntry = DirStart + 2 + 12 * de;
        int tag = Get16u(dirEntry);
        int format = Get16u(dirEntry + 2);
        uint32_t components = Get32u(dirEntry + 4);
        if (format < 1 || format > NUM_FORMATS) {
            SetError("Illegal format code in EXIF dir");
            return false;
        }
        uint64_t byteCount = uint64_t(components) * uint64_t(kBytesPerFormat[format]);
        BYTE* valuePtr;
        if (byteCount > 4) {
            uint32_t offsetVal = Get32u(dirEntry + 8);
            if (uint64_t(offsetVal) + byteCount > ExifLength) {
                SetError("Illegal pointer offset value in EXIF.");
                return false;
            }
            valuePtr = OffsetBase + offsetVal;
        } else {
            valuePtr = dirEntry + 8;
        }
        if (*LastExifRefdP < valuePtr + byteCount)
            *LastExifRefdP = valuePtr + byteCount;

        if (tag == 0x0201 || tag == 0x0202) {
            // A negative offset or length stored as a signed value names no thumbnail.
            uint32_t v = byteCount >= uint64_t(kBytesPerFormat[format])
                             ? SaturatedCast<uint32_t>(ConvertAnyFormat(valuePtr, format)) : 0;
            (tag == 0x0201 ? thumbnailOffset : thumbnailSize) = v;
            continue;
        }
        if (tag == 0x8769 || tag == 0xA005) {
            uint32_t subdirOffset = Get32u(valuePtr);
            if (subdirOffset > 8) {
                if (subdirOffset >= ExifLength) {
                    SetError("Illegal subdirectory link");
                    return false;
                }
                ProcessExifDir(OffsetBase + subdirOffset, OffsetBase, ExifLength, pInfo,
                               LastExifRefdP, level + 1);
            }
            continue;
        }
        ProcessExifTag(tag, format, valuePtr, size_t(byteCount), pInfo);
    }

    BYTE* linkPtr = DirStart + 2 + 12 * numEntries;
    if (linkPtr + 4 <= end) {
        uint32_t offset = Get32u(linkPtr);
        if (offset) {
            if (offset >= ExifLength) {
                SetError("Illegal subdirectory link");
                return false;
            }
            if (!ProcessExifDir(OffsetBase + offset, OffsetBase, ExifLength, pInfo, LastExifRefdP,
                                level + 1))
                return false;
        }
    }
    if (thumbnailOffset && thumbnailSize && uint64_t(thumbnailOffset) + thumbnailSize <= ExifLength) {
        pInfo->ThumbnailPointer = OffsetBase + thumbnailOffset;
        pInfo->ThumbnailSize = thumbnailSize;
    }
    return true;
}

// Text fields copy no more than the tag holds and no more than the field
// has room for; numbers are read only when the tag holds a whole value.
void CRasterJPG::CExifInfo::ProcessExifTag(int Tag, int Format, BYTE* ValuePtr, size_t ByteCount,
                                           tag_ExifInfo* pInfo)
{
    switch (Tag) {
    case 0x010F: CopyField(pInfo->CameraMake, sizeof(pInfo->CameraMake), ValuePtr, ByteCount); return;
    case 0x0110: CopyField(pInfo->CameraModel, sizeof(pInfo->CameraModel), ValuePtr, ByteCount); return;
    case 0x9003: CopyField(pInfo->DateTime, sizeof(pInfo->DateTime), ValuePtr, ByteCount); return;
    case 0x9000: CopyField(pInfo->Version, sizeof(pInfo->Version), ValuePtr, ByteCount); return;
    case 0x9286: {
        size_t n = ByteCount;
        while (n > 0 && (ValuePtr[n - 1] == ' ' || ValuePtr[n - 1] == 0))
            n--;
        const BYTE* text = ValuePtr;
        if (n >= 5 && memcmp(ValuePtr, "ASCII", 5) == 0) {
            size_t a = 5;
            while (a < 10 && a < n && (ValuePtr[a] == 0 || ValuePtr[a] == ' '))
                a++;
            if (a >= 10 || a >= n)
                return;
            text = ValuePtr + a;
            n -= a;
        }
        CopyField(pInfo->Comments, 200, text, n);
        return;
    }
    default:
        break;
    }
    if (Format == FMT_STRING || Format == FMT_UNDEFINED || ByteCount < size_t(kBytesPerFormat[Format]))
        return;
    double v = ConvertAnyFormat(ValuePtr, Format);
    switch (Tag) {
    case 0x0112:
        if (v >= 1 && v <= 8) {
            pInfo->Orientation = SaturatedCast<int32_t>(v);
        } else {
            pInfo->Orientation = 0;
            SetError("Undefined rotation value");
        }
        break;
    case 0x829D: pInfo->ApertureFNumber = float(v); break;
    case 0x9202:
    case 0x9205:
        if (pInfo->ApertureFNumber == 0)
            pInfo->ApertureFNumber = float(exp(v * log(2.0) * 0.5));
        break;
    case 0x920A: pInfo->FocalLength = float(v); break;
    case 0x9206: pInfo->Distance = float(v); break;
    case 0x829A: pInfo->ExposureTime = float(v); break;
    case 0x9201:
        if (pInfo->ExposureTime == 0)
            pInfo->ExposureTime = float(1.0 / exp(v * log(2.0)));
        break;
    case 0x9209: pInfo->FlashUsed = (SaturatedCast<int32_t>(v) & 7) ? 1 : 0; break;
    case 0xA002:
    case 0xA003:
        if (SaturatedCast<int>(v) > ExifImageWidth)
            ExifImageWidth = SaturatedCast<int>(v);
        break;
    case 0xA20E: pInfo->FocalplaneXRes = float(v); break;
    case 0xA20F: pInfo->FocalplaneYRes = float(v); break;
    case 0xA210: pInfo->FocalplaneUnits = UnitInInches(SaturatedCast<int>(v), pInfo->FocalplaneUnits); break;
    case 0x011A: pInfo->Xresolution = float(v); break;
    case 0x011B: pInfo->Yresolution = float(v); break;
    case 0x0128: pInfo->ResolutionUnit = UnitInInches(SaturatedCast<int>(v), pInfo->ResolutionUnit); break;
    case 0x9204: pInfo->ExposureBias = float(v); break;
    case 0x9208: pInfo->Whitebalance = SaturatedCast<int32_t>(v); break;
    case 0x9207: pInfo->MeteringMode = SaturatedCast<int32_t>(v); break;
    case 0x8822: pInfo->ExposureProgram = SaturatedCast<int32_t>(v); break;
    case 0x8827:
        pInfo->ISOequivalent = SaturatedCast<int32_t>(v);
        if (pInfo->ISOequivalent < 50 && pInfo->ISOequivalent > INT32_MIN / 200)
            pInfo->ISOequivalent *= 200;
        break;
    case 0x9102: pInfo->CompressionLevel = SaturatedCast<int32_t>(v); break;
    case 0x9203: pInfo->Brightness = float(v); break;
    default: break;
    }
}

// Keeps room for the terminator: at most MAX_COMMENT - 1 characters.
void CRasterJPG::CExifInfo::process_COM(const BYTE* Data, int length)
{
    char comment[MAX_COMMENT];
    int nch = 0;
    if (length > MAX_COMMENT)
        length = MAX_COMMENT;
    for (int a = 2; a < length && nch < MAX_COMMENT - 1; a++) {
        int ch = Data[a];
        if (ch == '\r' && a + 1 < length && Data[a + 1] == '\n')
            continue;
        if ((ch >= 0x20 && ch < 0x7F) || ch == '\n' || ch == '\t')
            comment[nch++] = char(ch);
        else
            comment[nch++] = '?';
    }
    comment[nch] = 0;
    memcpy(m_exifinfo->Comments, comment, size_t(nch) + 1);
}

void CRasterJPG::CExifInfo::process_SOFn(const BYTE* Data, int marker, DWORD size)
{
    if (size < 8)
        return;
    m_exifinfo->Height = Get16m(Data + 3);
    m_exifinfo->Width = Get16m(Data + 5);
    m_exifinfo->IsColor = Data[7] == 3 ? 1 : 0;
    m_exifinfo->Process = marker;
}

void CRasterJPG::CExifInfo::DiscardAllButExif()
{
    Section_t exif = {nullptr, 0, 0};
    Section_t comment = {nullptr, 0, 0};
    for (int a = 0; a < SectionsRead; a++) {
        if (Sections[a].Type == M_EXIF && !exif.Data) {
            exif = Sections[a];
        } else if (Sections[a].Type == M_COM && !comment.Data) {
            comment = Sections[a];
        } else {
            free(Sections[a].Data);
        }
        Sections[a].Data = nullptr;
    }
    SectionsRead = 0;
    if (exif.Data)
        Sections[SectionsRead++] = exif;
    if (comment.Data)
        Sections[SectionsRead++] = comment;
}

CRasterJPG::CExifInfo::Section_t* CRasterJPG::CExifInfo::FindSection(int SectionType)
{
    for (int a = 0; a < SectionsRead - 1; a++)
        if (Sections[a].Type == SectionType)
            return &Sections[a];
    return nullptr;
}

bool CRasterJPG::CExifInfo::EncodeExif(CByteStream* hFile)
{
    if (!FindSection(M_SOS)) {
        SetError("Can't write exif : didn't read all");
        return false;
    }
    hFile->PutC(0xFF);
    hFile->PutC(M_SOI);
    if (Sections[0].Type != M_EXIF && Sections[0].Type != M_JFIF) {
        static const BYTE kJfifHead[18] = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01,
                                           0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
        hFile->Write(kJfifHead, sizeof(kJfifHead), 1);
    }
    for (int a = 0; a < SectionsRead - 1; a++) {
        hFile->PutC(0xFF);
        hFile->PutC(BYTE(Sections[a].Type));
        hFile->Write(Sections[a].Data, Sections[a].Size, 1);
    }
    Section_t& last = Sections[SectionsRead - 1];
    if (last.Size)
        hFile->Write(last.Data, last.Size, 1);
    return true;
}
