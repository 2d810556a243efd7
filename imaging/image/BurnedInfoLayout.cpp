#include "BurnedInfoLayout.h"

#include <utility>

#include "DcmImage.h"
#include "GlyphLineBurner.h"
#include "InfoTextFormat.h"

using namespace infotext;

namespace {

bool IsProjectionModality(const CString& modality)
{
    return modality == "DX" || modality == "PX" || modality == "IO" || modality == "MG";
}

CString NameWithSex(CDicomInfo* info)
{
    CString text;
    text.Format("%s(%s)", static_cast<const char*>(info->GetPatientName()),
                static_cast<const char*>(info->GetPatientSex()));
    return Upper(text);
}

CString TrimmedDate(CDicomInfo* info)
{
    CString date = info->GetStudyDate();
    date.TrimLeft();
    date.TrimRight();
    return date;
}

}  // namespace

BurnedInfoLayout::BurnedInfoLayout(int width, int height, int margin, int lineHeight, Burner burn)
    : m_width(width), m_height(height), m_margin(margin), m_h(lineHeight), m_burn(std::move(burn))
{
}

void BurnedInfoLayout::BurnTextBitmapLayout(CDcmImage* image, long centre, long width)
{
    const CString modality = image->GetDicomInfo()->GetModality();
    if (modality == "CT")
        CtItems(image, centre, width, true);
    else if (modality == "MR")
        MrPrivateItems(image, centre, width);
    else if (IsProjectionModality(modality))
        DxItems(image, centre, width);
    else if (modality == "DR" || modality == "CR" || modality == "RF")
        DrItems(image, centre, width, true);
    else
        OtherTextBitmapItems(image, centre, width);
}

void BurnedInfoLayout::BurnMatrixLayout(CDcmImage* image, long centre, long width)
{
    const CString modality = image->GetDicomInfo()->GetModality();
    if (modality == "CT")
        CtItems(image, centre, width, true);
    else if (modality == "MR" && image->IsQmHospital())
        MrPrivateItems(image, centre, width);
    else if (modality == "MR")
        CtItems(image, centre, width, false);
    else if (IsProjectionModality(modality))
        DxItems(image, centre, width);
    else if (modality == "DR" || modality == "CR")
        DrItems(image, centre, width, false);
    else if (modality == "OT")
        OtItems(image, centre, width);
    else
        OtherMatrixItems(image, centre, width);
}

// A two-byte character counts 2 in the length estimate of right-aligned items.
int BurnedInfoLayout::RightX(const CString& text) const
{
    return m_width - (GlyphLineBurner::CodedLength(text) + 2) * m_margin;
}

void BurnedInfoLayout::OrientationLabels(CDcmImage* image)
{
    m_burn(m_width / 2, m_height - m_h, Fmt("[%s]", image->GetBOrientation()));
    const CString right = Fmt("[%s]", image->GetROrientation());
    m_burn(m_width - (GlyphLineBurner::CodedLength(right) + 4) * m_margin, m_height / 2, right);
}

// Upper-case name, ID, study date and acquisition time on the first four
// left-hand lines; the date and time as stored or as display texts.
void BurnedInfoLayout::PatientLines(CDicomInfo* info, bool asStored)
{
    TopLeft(1, Upper(Fmt("%s", info->GetPatientName())));
    TopLeft(2, info->GetPatientID());
    const CString date = info->GetStudyDate();
    if (!date.IsEmpty())
        TopLeft(3, asStored ? date : DateText(date));
    const CString time = info->GetAcquisitionTime();
    if (!time.IsEmpty())
        TopLeft(4, asStored ? time : TimeText(time));
}

// Series, acquisition and image numbers on three right-hand top lines.
void BurnedInfoLayout::SeriesNumbers(CDicomInfo* info, int firstLine)
{
    TopRight(firstLine, Fmt("Srs:%s", NoZeros(info->GetSeriesNumber())));
    TopRight(firstLine + 1, Fmt("Acq:%s", NoZeros(info->GetAcquisitionNumber())));
    TopRight(firstLine + 2, Fmt("Img:%s", NoZeros(info->GetInstanceNumber())));
}

void BurnedInfoLayout::WindowItems(int line, long centre, long width, const char* centreFormat)
{
    BottomRight(line + 1, Fmt(centreFormat, int(centre)));
    BottomRight(line, Fmt("W:%d", int(width)));
}

void BurnedInfoLayout::CtItems(CDcmImage* image, long centre, long width, bool exposure)
{
    CDicomInfo* info = image->GetDicomInfo();
    PatientLines(info, false);
    if (!info->GetPrivate00211011().IsEmpty())
        TopLeft(5, SlashPairText(info->GetPrivate00211011()));
    if (!info->GetPrivate00211120().IsEmpty())
        TopLeft(6, BeforeSlashText(info->GetPrivate00211120()));
    TopLeft(5, Fmt("SL:%5.1f", info->m_dSliceThickness));
    TopLeft(6, Fmt("TP:%5.1f", info->m_dSliceLocation));
    TopLeft(7, Fmt("SP:%5.1f", info->m_dTableHeight));
    if (exposure) {
        BottomLeft(5, Fmt("MA:%5.1f", info->m_dXRayTubeCurrent));
        BottomLeft(4, Fmt("KV:%5.1f", info->m_dKVP));
        BottomLeft(3, Fmt("GT:%5.1f", info->m_dGantryDetectorTilt));
        BottomLeft(2, Fmt("TI:%5.2f", info->m_dPrivate00191354));
        BottomLeft(6, Fmt("%s", info->GetImageComments()));
    }
    TopRight(1, Fmt("%s", info->GetManufacturerModelName()));
    SeriesNumbers(info, 2);
    WindowItems(1, centre, width, "L:%d");
    OrientationLabels(image);
}

void BurnedInfoLayout::MrPrivateItems(CDcmImage* image, long centre, long width)
{
    CDicomInfo* info = image->GetDicomInfo();
    PatientLines(info, false);
    TopLeft(5, Fmt("IMAGE:%s", info->GetInstanceNumber()));
    TopLeft(6, Fmt("%s", info->GetPrivateValue21()));
    BottomLeft(7, Fmt("%s", info->GetPrivateValue22()));
    BottomLeft(6, Fmt("%s", info->GetPrivateValue11()));
    BottomLeft(5, Fmt("%s", info->GetPrivateValue23()));
    BottomLeft(3, Fmt("TR:%5.1f", info->m_dRepetitionTime));
    BottomLeft(2, Fmt("TE:%5.1f", info->m_dEchoTime));
    BottomLeft(1, Fmt("%s", info->GetPrivateValue07()));
    TopRight(1, Fmt("%s", info->GetInstitutionName()));
    TopRight(2, Fmt("%s", info->GetManufacturerModelName()));
    TopRight(3, Fmt("Srs:%s", NoBlanks(info->GetSeriesNumber())));
    TopRight(4, Fmt("Acq:%s", NoBlanks(info->GetAcquisitionNumber())));
    TopRight(5, Fmt("Img:%s", NoBlanks(info->GetInstanceNumber())));
    // The slice position sits on the bottom line numbered like the margin.
    BottomRight(m_margin, Fmt("SP:%5.1f", info->m_dSliceLocation));
    BottomRight(7, Fmt("SL:%5.0f", info->m_dSliceThickness));
    BottomRight(5, Fmt("%s", info->GetPrivateValue19()));
    BottomRight(4, Fmt("%s", info->GetPrivateValue10()));
    BottomRight(3, Fmt("%s", info->GetPrivateValue17()));
    WindowItems(1, centre, width, "C:%d");
    OrientationLabels(image);
}

void BurnedInfoLayout::DxItems(CDcmImage* image, long centre, long width)
{
    CDicomInfo* info = image->GetDicomInfo();
    TopLeft(1, NameWithSex(info));
    TopLeft(2, info->GetPatientID());
    if (!info->GetStudyDate().IsEmpty())
        TopLeft(3, DateText(info->GetStudyDate()));
    TopLeft(4, Fmt("Laterality: %s", info->GetImageLaterality()));
    SeriesNumbers(info, 1);
    WindowItems(2, centre, width, "L:%d");
    OrientationLabels(image);
}

void BurnedInfoLayout::DrItems(CDcmImage* image, long centre, long width, bool asStored)
{
    CDicomInfo* info = image->GetDicomInfo();
    PatientLines(info, asStored);
    SeriesNumbers(info, 1);
    WindowItems(1, centre, width, "L:%d");
}

void BurnedInfoLayout::OtItems(CDcmImage* image, long centre, long width)
{
    CDicomInfo* info = image->GetDicomInfo();
    TopLeft(1, NameWithSex(info));
    TopLeft(2, info->GetPatientID());
    const CString date = TrimmedDate(info);
    if (!date.IsEmpty())
        TopLeft(3, DateText(date));
    WindowItems(1, centre, width, "L:%d");
}

void BurnedInfoLayout::OtherTextBitmapItems(CDcmImage* image, long centre, long width)
{
    CDicomInfo* info = image->GetDicomInfo();
    PatientLines(info, false);
    TopRight(1, Fmt("%s", info->GetManufacturerModelName()));
    SeriesNumbers(info, 2);
    WindowItems(1, centre, width, "L:%d");
}

// The print layout of any other modality: the OT items, with the numbers
// on the right like every other layout.
void BurnedInfoLayout::OtherMatrixItems(CDcmImage* image, long centre, long width)
{
    OtItems(image, centre, width);
    SeriesNumbers(image->GetDicomInfo(), 1);
}
