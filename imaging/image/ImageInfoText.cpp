// The image information text in the four corners of an image on screen.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "DcmImage.h"
#include "ImageInfoText.h"
#include "InfoTextFormat.h"
#include "ScaleRuler.h"
#include "gdi/gdi.h"

namespace {

using namespace infotext;

// Places lines in the corners of the drawing rectangle: left column at x 4,
// top lines counted from y 0, bottom lines counted up from the bottom.
class CornerWriter {
public:
    CornerWriter(CDC* dc, const CRect& rect, int lineHeight) : m_dc(dc), m_rect(rect), m_h(lineHeight) {}

    void TopLeft(int line, const CString& text) { Out(4, line * m_h, text); }
    void BottomLeft(int line, const CString& text) { Out(4, m_rect.bottom - line * m_h, text); }
    void TopRight(int line, const CString& text) { Out(m_rect.right - 2, line * m_h, text); }
    void BottomRight(int line, const CString& text) { Out(m_rect.right - 2, m_rect.bottom - line * m_h, text); }
    void Out(int x, int y, const CString& text) { m_dc->TextOut(x, y, text, text.GetLength()); }
    int BottomY(int line) const { return m_rect.bottom - line * m_h; }
    int TextWidth(const CString& text) const { return m_dc->GetTextExtent(text, text.GetLength()).cx; }

private:
    CDC* m_dc;
    CRect m_rect;
    int m_h;
};

void DrawDateLine(CornerWriter& out, int line, const CString& date)
{
    if (!date.IsEmpty())
        out.TopLeft(line, DateText(date));
}

void DrawTimeLine(CornerWriter& out, int line, const CString& time)
{
    if (!time.IsEmpty())
        out.TopLeft(line, TimeText(time));
}

void DrawNameSexLine(CornerWriter& out, CDicomInfo* info)
{
    CString text;
    text.Format("%s(%s)", static_cast<const char*>(info->GetPatientName()),
                static_cast<const char*>(info->GetPatientSex()));
    out.TopLeft(0, Upper(text));
}

// Bottom line 1 of the CT layout: three texts in a run, each 10 pixels after
// the measured width of the one before.
void DrawCtPrivateRun(CornerWriter& out, CDicomInfo* info)
{
    CString first;
    const CString text1120 = info->GetPrivate00211120();
    if (!text1120.IsEmpty()) {
        first = BeforeSlashText(text1120);
        out.Out(4, out.BottomY(1), first);
    }
    CString second;
    const CString text1011 = info->GetPrivate00211011();
    const int x2 = out.TextWidth(first) + 10;
    if (!text1011.IsEmpty()) {
        second = SlashPairText(text1011);
        out.Out(x2, out.BottomY(1), second);
    }
    const int x3 = x2 + out.TextWidth(second) + 10;
    out.Out(x3, out.BottomY(1), Fmt("%s", info->GetImageComments()));
}

void DrawCtLayout(CornerWriter& out, CDcmImage* image, CDC* dc)
{
    CDicomInfo* info = image->GetDicomInfo();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    out.TopLeft(0, Upper(Fmt("%s", info->GetPatientName())));
    out.TopLeft(1, info->GetPatientID());
    DrawDateLine(out, 2, info->GetSeriesDate());
    DrawTimeLine(out, 3, info->GetAcquisitionTime());
    out.TopLeft(4, Fmt("SL:%5.1f", info->m_dSliceThickness));
    out.TopLeft(5, Fmt("TP:%5.1f", info->m_dSliceLocation));
    out.TopLeft(6, Fmt("SP:%5.1f", info->m_dTableHeight));
    const CString subtype = info->GetDataSetSubtype();
    if (!subtype.IsEmpty()) {
        CString trimmed = subtype;
        trimmed.TrimLeft();
        CString text;
        text.Format("%s  %s", static_cast<const char*>(trimmed.Mid(4)),
                    static_cast<const char*>(NoZeros(info->GetAcquisitionNumber())));
        out.TopLeft(7, text);
    }
    out.BottomLeft(6, Fmt("MA:%5.1f", info->m_dXRayTubeCurrent));
    out.BottomLeft(5, Fmt("KV:%5.1f", info->m_dKVP));
    out.BottomLeft(4, Fmt("GT:%5.1f", info->m_dGantryDetectorTilt));
    out.BottomLeft(3, Fmt("TI:%5.2f", info->m_dPrivate00191354));
    out.BottomLeft(2, Fmt("%s", info->GetConvolutionKernel()));
    DrawCtPrivateRun(out, info);

    dc->SetTextAlign(TA_RIGHT | TA_TOP);
    out.TopRight(0, Fmt("%s", info->GetInstitutionName()));
    out.TopRight(1, Fmt("%s", info->GetManufacturerModelName()));
    out.TopRight(2, Fmt("Srs:%s", NoZeros(info->GetSeriesNumber())));
    out.TopRight(3, Fmt("Img:%s", NoZeros(info->GetInstanceNumber())));
    out.TopRight(4, Fmt("%s", info->GetPatientPosition()));
    out.BottomRight(2, Fmt("L:%d", image->GetWindowCenter()));
    out.BottomRight(1, Fmt("W:%d", image->GetWindowWidth()));
}

void DrawMrPrivateLayout(CornerWriter& out, CDcmImage* image, CDC* dc)
{
    CDicomInfo* info = image->GetDicomInfo();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    DrawNameSexLine(out, info);
    out.TopLeft(1, info->GetPatientID());
    DrawDateLine(out, 2, info->GetStudyDate());
    DrawTimeLine(out, 3, info->GetAcquisitionTime());
    out.TopLeft(4, Fmt("IMAGE:%s", info->GetInstanceNumber()));
    out.TopLeft(5, Fmt("%s", info->GetPrivateValue21()));
    const CString value22 = info->GetPrivateValue22();
    out.BottomLeft(9, value22 == "?" ? CString() : Fmt("%s", value22));
    out.BottomLeft(8, Fmt("%s", info->GetPrivateValue11()));
    out.BottomLeft(7, Fmt("%s", info->GetPrivateValue24()));
    out.BottomLeft(6, Fmt("%s", info->GetPrivateValue25()));
    out.BottomLeft(5, Fmt("%s", info->GetPrivateValue18()));
    out.BottomLeft(4, Fmt("TR: %5.1f", info->m_dRepetitionTime));
    out.BottomLeft(3, Fmt("TE: %5.1f", info->m_dEchoTime));
    out.BottomLeft(2, Fmt("TA: %s", info->GetPrivateValue06()));
    out.BottomLeft(1, Fmt("%s", info->GetPrivateValue07()));

    dc->SetTextAlign(TA_RIGHT | TA_TOP);
    out.TopRight(0, Fmt("%s", info->GetInstitutionName()));
    out.TopRight(1, Fmt("%s", info->GetManufacturerModelName()));
    out.TopRight(2, Fmt("Srs:%s", NoBlanks(info->GetSeriesNumber())));
    out.TopRight(2, Fmt("%s", info->GetPrivateValue02()));
    out.TopRight(3, Fmt("Acq:%s", NoBlanks(info->GetAcquisitionNumber())));
    out.TopRight(4, Fmt("Img:%s", NoBlanks(info->GetInstanceNumber())));
    out.BottomRight(7, Fmt("SP:%5.1f", info->m_dSliceLocation));
    out.BottomRight(6, Fmt("SL:%5.0f", info->m_dSliceThickness));
    out.BottomRight(5, Fmt("%s", info->GetPrivateValue19()));
    out.BottomRight(4, Fmt("%s", info->GetPrivateValue10()));
    out.BottomRight(3, Fmt("%s", info->GetPrivateValue17()));
    out.BottomRight(2, Fmt("W:%d", image->GetWindowWidth()));
    out.BottomRight(1, Fmt("C:%d", image->GetWindowCenter()));
}

void DrawMrLayout(CornerWriter& out, CDcmImage* image, CDC* dc)
{
    CDicomInfo* info = image->GetDicomInfo();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    DrawNameSexLine(out, info);
    out.TopLeft(1, info->GetPatientID());
    DrawDateLine(out, 2, info->GetStudyDate());
    DrawTimeLine(out, 3, info->GetAcquisitionTime());
    out.TopLeft(4, Fmt("SL:%5.0f", info->m_dSliceThickness));
    out.TopLeft(5, Fmt("FOV:%s", info->GetPercentPhaseFov()));
    out.TopLeft(6, Fmt("SP:%5.0f", info->m_dSliceLocation));
    out.BottomLeft(4, Fmt("%s", info->GetImageComments()));
    out.BottomLeft(3, Fmt("TR:%5.1f", info->m_dRepetitionTime));
    out.BottomLeft(2, Fmt("TE:%5.1f", info->m_dEchoTime));
    out.BottomLeft(1, Fmt("AC:%s", info->GetAveragesText()));

    dc->SetTextAlign(TA_RIGHT | TA_TOP);
    out.TopRight(0, Fmt("%s", info->GetManufacturerModelName()));
    out.TopRight(1, Fmt("Srs:%s", NoBlanks(info->GetSeriesNumber())));
    out.TopRight(2, Fmt("Acq:%s", NoBlanks(info->GetAcquisitionNumber())));
    out.TopRight(3, Fmt("Img:%s", NoBlanks(info->GetInstanceNumber())));
    out.BottomRight(2, Fmt("L:%d", image->GetWindowCenter()));
    out.BottomRight(1, Fmt("W:%d", image->GetWindowWidth()));
}

void DrawProjectionLayout(CornerWriter& out, CDcmImage* image, CDC* dc)
{
    CDicomInfo* info = image->GetDicomInfo();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    DrawNameSexLine(out, info);
    out.TopLeft(1, info->GetPatientID());
    DrawDateLine(out, 2, info->GetStudyDate());
    out.TopLeft(3, Fmt("Laterality: %s", info->GetImageLaterality()));

    dc->SetTextAlign(TA_RIGHT | TA_TOP);
    out.TopRight(0, Fmt("Srs:%s", NoZeros(info->GetSeriesNumber())));
    out.TopRight(1, Fmt("Img:%s", NoZeros(info->GetInstanceNumber())));
    out.TopRight(2, Fmt("Acq:%s", NoZeros(info->GetAcquisitionNumber())));
    out.BottomRight(2, Fmt("L:%d", image->GetWindowCenter()));
    out.BottomRight(1, Fmt("W:%d", image->GetWindowWidth()));
}

void DrawOtherLayout(CornerWriter& out, CDcmImage* image, CDC* dc)
{
    CDicomInfo* info = image->GetDicomInfo();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    const CString name = info->GetPatientName();
    if (!name.IsEmpty())
        out.TopLeft(0, Upper(name));
    const CString id = info->GetPatientID();
    if (!id.IsEmpty())
        out.TopLeft(1, id);
    CString date = info->GetStudyDate();
    date.TrimLeft();
    date.TrimRight();
    if (!date.IsEmpty())
        out.TopLeft(2, date);

    dc->SetTextAlign(TA_RIGHT | TA_TOP);
    const CString series = info->GetSeriesNumber();
    if (!series.IsEmpty())
        out.TopRight(0, Fmt("Srs:%s", NoZeros(series)));
    const CString instance = info->GetInstanceNumber();
    if (!instance.IsEmpty())
        out.TopRight(1, Fmt("Img:%s", NoZeros(instance)));
    const CString acquisition = info->GetAcquisitionNumber();
    if (!acquisition.IsEmpty())
        out.TopRight(2, Fmt("Acq:%s", NoZeros(acquisition)));
    out.BottomRight(2, Fmt("L:%d", image->GetWindowCenter()));
    out.BottomRight(1, Fmt("W:%d", image->GetWindowWidth()));
}

// Drawn right-aligned, after the right column of a layout.
void DrawOrientationLabels(CornerWriter& out, CDcmImage* image, const CRect& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    out.Out(rect.left + width / 2 - 3, out.BottomY(1), Fmt("[%s]", image->GetBOrientation()));
    out.Out(rect.right - 2, rect.top + height / 2 - 3, Fmt("[%s]", image->GetROrientation()));
}

}  // namespace

void DrawImageInfoText(CDC* dc, CDcmImage* image, const CRect& area, int rulerHeight)
{
    if (dc == nullptr || image == nullptr)
        return;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const int h = static_cast<int>(std::min(width, height) * 0.025 + 7.0);

    CFont font;
    font.CreateFont(h, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "Arial");
    dc->SetTextColor(image->GetInverse() ? RGB(160, 160, 160) : RGB(255, 255, 255));
    const int previousMode = dc->SetBkMode(TRANSPARENT);
    CFont* previousFont = dc->SelectObject(&font);

    CornerWriter out(dc, area, h);
    const CString modality = image->GetDicomInfo()->GetModality();
    if (modality == "CT") {
        DrawCtLayout(out, image, dc);
    } else if (modality == "MR") {
        if (image->IsQmHospital())
            DrawMrPrivateLayout(out, image, dc);
        else
            DrawMrLayout(out, image, dc);
    } else if (modality == "DX" || modality == "PX" || modality == "IO" || modality == "MG") {
        DrawProjectionLayout(out, image, dc);
    } else {
        DrawOtherLayout(out, image, dc);
    }
    if (modality == "CT" || modality == "MR" || modality == "DX" || modality == "PX" || modality == "IO" ||
        modality == "MG")
        DrawOrientationLabels(out, image, area);

    // An image without display rows has no scale to draw a ruler with.
    if (image->GetHeight() > 0)
        DrawScaleRuler(dc, area.right - h - 4, area.top + height / 2 - (height / 2) / 2, height / 2,
                       static_cast<float>(rulerHeight) / image->GetHeight(),
                       static_cast<float>(image->GetDicomInfo()->m_dColumnSpacing));

    dc->SelectStockObject(SYSTEM_FONT);
    if (previousFont != nullptr)
        dc->SelectObject(previousFont);
    dc->SetBkMode(previousMode);
    font.DeleteObject();
}

void CDcmImage::ShowImgInfo(CDC* dc, CDcmImage* image, CRect* rect)
{
    if (rect == nullptr)
        return;
    DrawImageInfoText(dc, image, *rect, rect->bottom - rect->top);
}
