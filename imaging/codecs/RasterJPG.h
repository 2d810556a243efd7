// JPEG codec over libjpeg, with the EXIF and comment reader.
#pragma once

#include <cstdint>

#include "RasterImage.h"

#define MAX_COMMENT 1000
#define MAX_SECTIONS 20

class IMVEXA_API CRasterJPG : public CRasterImage {
public:
    struct tag_ExifInfo {
        char Version[5];
        char CameraMake[32];
        char CameraModel[40];
        char DateTime[20];
        int32_t Height;
        int32_t Width;
        int32_t Orientation;
        int32_t IsColor;
        int32_t Process;
        int32_t FlashUsed;
        float FocalLength;
        float ExposureTime;
        float ApertureFNumber;
        float Distance;
        float CCDWidth;
        float ExposureBias;
        int32_t Whitebalance;
        int32_t MeteringMode;
        int32_t ExposureProgram;
        int32_t ISOequivalent;
        int32_t CompressionLevel;
        float FocalplaneXRes;
        float FocalplaneYRes;
        float FocalplaneUnits;
        float Xresolution;
        float Yresolution;
        float ResolutionUnit;
        float Brightness;
        char Comments[MAX_COMMENT];
        BYTE* ThumbnailPointer;
        DWORD ThumbnailSize;
        bool IsExif;
    };

    class IMVEXA_API CExifInfo {
    public:
        struct Section_t {
            BYTE* Data;
            int32_t Type;
            DWORD Size;
        };

        explicit CExifInfo(tag_ExifInfo* info = nullptr);
        ~CExifInfo();
        CExifInfo(const CExifInfo&) = delete;
        CExifInfo& operator=(const CExifInfo&) = delete;

        bool DecodeExif(CByteStream* hFile, int nReadMode = 1);
        bool EncodeExif(CByteStream* hFile);
        void DiscardAllButExif();
        Section_t* FindSection(int SectionType);
        const char* GetLastError() const { return m_szLastError; }

    protected:
        bool process_EXIF(BYTE* CharBuf, unsigned int length);
        bool ProcessExifDir(BYTE* DirStart, BYTE* OffsetBase, unsigned ExifLength,
                            tag_ExifInfo* pInfo, BYTE** LastExifRefdP, int level = 0);
        void ProcessExifTag(int Tag, int Format, BYTE* ValuePtr, size_t ByteCount,
                            tag_ExifInfo* pInfo);
        double ConvertAnyFormat(void* ValuePtr, int Format);
        void process_COM(const BYTE* Data, int length);
        void process_SOFn(const BYTE* Data, int marker, DWORD size);
        int Get16m(const void* Short);
        int Get16u(const void* Short);
        int32_t Get32s(const void* Long);
        uint32_t Get32u(const void* Long);
        bool ReadSections(CByteStream* hFile, int nReadMode);
        bool ReadRestOfImage(CByteStream* hFile);
        void SetError(const char* text);

        tag_ExifInfo* m_exifinfo;
        char m_szLastError[256];
        int ExifImageWidth;
        int MotorolaOrder;
        Section_t Sections[MAX_SECTIONS];
        int SectionsRead;
        bool freeinfo;
    };

    CRasterJPG();
    CRasterJPG(const CRasterJPG& src);
    CRasterJPG& operator=(const CRasterJPG& src);
    ~CRasterJPG() override;

    bool Decode(CByteStream* stream);
    bool Decode(FILE* hFile);
    bool Encode(CByteStream* stream);
    bool Encode(FILE* hFile);
    bool DecodeExif(CByteStream* stream);
    bool DecodeExif(FILE* hFile);

    CExifInfo* m_exif;
    tag_ExifInfo m_exifinfo;
    int32_t m_nPredictor;
    int32_t m_nPointTransform;
    int32_t m_nSmoothing;
    int32_t m_nQuantization;
    int32_t m_nDither;

protected:
    bool DecodePixels(CByteStream* stream);
    bool EncodePixels(CByteStream* stream);
    void WriteExifBack(CByteStream* stream, long start);
};
