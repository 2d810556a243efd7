// Attribute record of one DICOM image and its reader.
#pragma once

#include <string>

#include "ImvexaApi.h"
#include "base/wintypes.h"
#include "ImagePlatform.h"

class DcmElement;
class DcmItem;

// One palette colour: descriptor and entry data.
struct DicomPalette {
    WORD nEntries;
    BYTE nFirstMapped;
    BYTE nBitsPerEntry;
    WORD* pData;
};

class IMVEXA_API CDicomInfo {
public:
    CDicomInfo();
    virtual ~CDicomInfo();

    int ReadDicomFile(const char* path, CPtrArray* frames);
    int WriteElement(WORD group, WORD element, int vr, int length, const BYTE* data);
    void Reset();

    CString GetInstitutionName() const { return m_strInstitutionName; }
    CString GetPatientID() const { return m_strPatientID; }
    CString GetPatientName() const { return m_strPatientName; }
    CString GetPatientSex() const { return m_strPatientSex; }
    CString GetStudyDate() const { return m_strStudyDate; }
    CString GetModality() const { return m_strModality; }
    CString GetAcquisitionNumber() const { return m_strAcquisitionNumber; }
    CString GetSeriesNumber() const { return m_strSeriesNumber; }
    CString GetInstanceNumber() const { return m_strInstanceNumber; }
    CString GetImageLaterality() const { return m_strImageLaterality; }
    CString GetPercentPhaseFov() const { return m_strPercentPhaseFov; }
    CString GetPatientPosition() const { return m_strPatientPosition; }
    CString GetPrivate00211011() const { return m_strPrivate00211011; }
    CString GetPrivate00211120() const { return m_strPrivate00211120; }
    CString GetImageComments() const { return m_strImageComments; }
    CString GetManufacturerModelName() const { return m_strManufacturerModelName; }
    CString GetAcquisitionTime() const { return m_strAcquisitionTime; }
    CString GetSeriesDate() const { return m_strSeriesDate; }
    CString GetConvolutionKernel() const { return m_strConvolutionKernel; }
    CString GetDataSetSubtype() const { return m_strDataSetSubtype; }
    CString GetPrivateValue02() const { return m_strPrivateValue02; }
    CString GetPrivateValue06() const { return m_strPrivateValue06; }
    CString GetPrivateValue07() const { return m_strPrivateValue07; }
    CString GetPrivateValue10() const { return m_strPrivateValue10; }
    CString GetPrivateValue11() const { return m_strPrivateValue11; }
    CString GetPrivateValue17() const { return m_strPrivateValue17; }
    CString GetPrivateValue18() const { return m_strPrivateValue18; }
    CString GetPrivateValue19() const { return m_strPrivateValue19; }
    CString GetPrivateValue21() const { return m_strPrivateValue21; }
    CString GetPrivateValue22() const { return m_strPrivateValue22; }
    CString GetPrivateValue23() const { return m_strPrivateValue23; }
    CString GetPrivateValue24() const { return m_strPrivateValue24; }
    CString GetPrivateValue25() const { return m_strPrivateValue25; }
    CString GetAveragesText() const { return CString(); }

    void ParsePrivateValues();

    static CString ReadString(DcmElement* element);
    static int ReadInt(DcmElement* element);
    static double ReadDouble(DcmElement* element);
    static WORD ReadUint16(DcmElement* element, WORD previous);

public:
    CString m_strFilePath;
    DicomPalette* m_pRedPalette;
    DicomPalette* m_pGreenPalette;
    DicomPalette* m_pBluePalette;
    int m_nStoredTransferSyntax;
    CString m_strPatientName;
    CString m_strPatientSex;
    CString m_strPatientBirthDate;
    CString m_strPatientBirthTime;
    CString m_strPatientID;
    CString m_strStudyInstanceUID;
    CString m_strSeriesInstanceUID;
    CString m_strStudyID;
    CString m_strStudyDate;
    CString m_strAccessionNumber;
    CString m_strAcquisitionNumber;
    CString m_strInstanceNumber;
    CString m_strSeriesNumber;
    CString m_strAcquisitionTime;
    CString m_strMediaStorageSOPClassUID;
    CString m_strMediaStorageSOPInstanceUID;
    CString m_strTransferSyntaxUID;
    CString m_strInstitutionName;
    int m_nRows;
    int m_nColumns;
    int m_nPlanes;
    int m_nPlanarConfiguration;
    int m_nNumberOfFrames;
    int m_nWindowCenter;
    int m_nWindowWidth;
    double m_dRescaleIntercept;
    double m_dRescaleSlope;
    int m_bVoiLutPresent;
    CString m_strImageType;
    int m_nBitsAllocated;
    int m_nBitsStored;
    int m_nHighBit;
    int m_nPixelRepresentation;
    int m_nSamplesPerPixel;
    CString m_strFrameTimeVector;
    CString m_strPixelSpacing;
    double m_dRowSpacing;
    double m_dColumnSpacing;
    int m_nOverlayBitsAllocated;
    int m_nOverlayBitPosition;
    int m_nOverlayPlanes;
    int m_nOverlayColumns;
    CString m_strPhotometricInterpretation;
    CString m_strModality;
    CString m_strPercentPhaseFov;
    CString m_strPatientPosition;
    CString m_strPatientOrientation;
    CString m_strImagePosition;
    CString m_strImagePositionPatient;
    CString m_strImageOrientation;
    CString m_strImageOrientationPatient;
    CString m_strLaterality;
    CString m_strImageLaterality;
    double m_dKVP;
    double m_dRepetitionTime;
    double m_dEchoTime;
    double m_dTableHeight;
    double m_dInversionTime;
    double m_dXRayTubeCurrent;
    double m_dSliceThickness;
    double m_dSliceLocation;
    CString m_strImageComments;
    CString m_strManufacturerModelName;
    CString m_strPrivate00211011;
    CString m_strPrivate00211120;
    double m_dPrivate00191354;
    double m_dGantryDetectorTilt;
    CString m_strPrivateList;
    CString m_strPrivateValue06;
    CString m_strPrivateValue10;
    CString m_strPrivateValue07;
    CString m_strPrivateValue11;
    CString m_strPrivateValue17;
    CString m_strPrivateValue19;
    CString m_strPrivateValue21;
    CString m_strPrivateValue23;
    CString m_strPrivateValue24;
    CString m_strPrivateValue25;
    CString m_strPrivateValue22;
    CString m_strPrivateValue02;
    CString m_strPrivateValue18;
    CString m_strScanOptions;
    int m_bOverlayBlobPresent;
    BYTE* m_pOverlayBlob;
    int m_nOverlayBlobLength;
    BYTE* m_pOverlayPlane;
    int m_nOverlayPlaneLength;
    CString m_strSeriesDescription;
    CString m_strSeriesTime;
    CString m_strSeriesDate;
    CString m_strSOPClassUID;
    CString m_strSOPInstanceUID;
    CString m_strPrivate00111010;
    CString m_strFrameOfReferenceUID;
    CString m_strManufacturer;
    CString m_strConvolutionKernel;
    CString m_strDataSetSubtype;
    CString m_strOperatorsName;

private:
    CDicomInfo(const CDicomInfo&) = delete;
    CDicomInfo& operator=(const CDicomInfo&) = delete;

    int ReadDicomFileUnguarded(const char* path, CPtrArray* frames);
    int WriteElementUnguarded(WORD group, WORD element, int vr, int length, const BYTE* data);
    void StoreElement(DcmElement* element, bool topLevel);
    bool StoreText(DcmElement* element);
    bool StoreNumber(DcmElement* element);
    bool StoreImageDescription(DcmElement* element);
    bool StorePixelData(DcmElement* element, CPtrArray* frames);
    void StoreOverlayBlob(DcmElement* element);
    void StoreOverlayPlane(DcmElement* element);
    void StorePalette(DcmElement* element);
    void ParsePixelSpacing();
    void FreeOwnedData();
};
