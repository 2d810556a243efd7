#include "OverLayLine.h"

#include <cmath>
#include <cstdlib>

#include "DcmImage.h"
#include "NoteTextDlg.h"
#include "OverLayManager.h"

IMPLEMENT_DYNCREATE(COverLayLine, COverLay)

COverLayLine::COverLayLine()
{
    m_nPenWidth = ProfileInt("OverlayLine", "PenWidth", 2);
    LineOverlayColor = static_cast<COLORREF>(ProfileInt("OverlayLine", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverlayLine", "FontSize", 8);
    m_nTextColor = ProfileInt("OverlayLine", "TextColor", 65408);
    m_nAllowSetLen = ProfileInt("OverlayLine", "AllowSetLen", 1);
}

CString COverLayLine::MeasureText() const
{
    CString text;
    if (HasPixelSpacing())
        text.Format("M:%0.2f S:%0.2f Ln:%0.2f mm", m_Segment.m_dMean, m_Segment.m_dDeviation, m_Segment.m_dLength);
    else
        text.Format("M:%0.2f S:%0.2f", m_Segment.m_dMean, m_Segment.m_dDeviation);
    return text;
}

void COverLayLine::UpdateInfoText(int reset)
{
    if (reset)
        m_Segment.m_dMean = m_Segment.m_dDeviation = m_Segment.m_dLength = 0;
    SetInfoText(MeasureText());
}

int COverLayLine::BuildRecord()
{
    m_Segment.BuildRecord(*this, 5);
    return 1;
}

void COverLayLine::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, LineOverlayColor);
    DrawMeasureText(dc);
    dc->MoveTo(m_Segment.m_Screen1);
    dc->LineTo(m_Segment.m_Screen2);
    if (m_bSelected)
        DrawHandles(dc, 2);
    RestoreDrawPen(dc);
}

void COverLayLine::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayLine::OnLButtonDown(UINT, CPoint& point, CDC*)
{
    m_Segment.OnLButtonDown(*this, point);
}

void COverLayLine::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    m_Segment.OnMouseMove(*this, point, dragCode, dc);
}

void COverLayLine::OnLButtonUp(UINT, CPoint&, CDC*)
{
    m_Segment.OnLButtonUp(*this);
}

int COverLayLine::CalibrateLength(double value)
{
    if (value <= 0) {
        m_bHasSpacing = 0;
        m_fColSpacing = m_fRowSpacing = 0;
        return 1;
    }
    const double dx = m_Segment.m_nX2 - m_Segment.m_nX1;
    const double dy = m_Segment.m_nY2 - m_Segment.m_nY1;
    // A line of no image length has no spacing that would give it a length.
    if (dx == 0 && dy == 0)
        return 0;
    const float s = static_cast<float>(std::sqrt(value * value / (dx * dx + dy * dy)));
    m_bHasSpacing = 1;
    m_fColSpacing = m_fRowSpacing = s;
    if (m_pManager != nullptr && m_pManager->m_pImage != nullptr) {
        CDicomInfo* info = m_pManager->m_pImage->GetDicomInfo();
        info->m_dRowSpacing = s;
        info->m_dColumnSpacing = s;
    }
    return 1;
}

void COverLayLine::OnLButtonDblClk(UINT, CPoint&, CDC*)
{
    if (!m_nAllowSetLen)
        return;
    CNoteTextDlg dialog(m_pOwnerWnd);
    dialog.m_strCaption = "直线长度（单位:mm）";
    dialog.m_strText.Format("%.2f", m_Segment.m_dLength);
    if (dialog.DoModal() != IDOK)
        return;
    CalibrateLength(std::atof(dialog.m_strText));
}

void COverLayLine::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    BurnLine(pixels, pixelType, rowWidth, m_Segment.m_nX1, m_Segment.m_nY1, m_Segment.m_nX2, m_Segment.m_nY2);
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
