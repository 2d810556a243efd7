#include "OverLay.h"

#include <cmath>
#include <new>
#include <vector>

#include "wnd/wnd.h"
#include "DcmImage.h"
#include "OverLayManager.h"

IMPLEMENT_DYNAMIC(COverLay, CObject)

COverLay::COverLay()
    : m_fScale(1.0f), m_bSelected(0), m_nNumber(0), m_pOwnerWnd(nullptr), m_pPen(nullptr),
      m_pOldPen(nullptr), m_pManager(nullptr), m_nActiveHandle(0), m_fColSpacing(0.0f),
      m_fRowSpacing(0.0f), m_bHasSpacing(0), m_pRecord(nullptr), m_nRecordSize(0),
      m_nBurnRows(0), m_bChanged(0), m_pOldBrush(nullptr)
{
}

COverLay::~COverLay()
{
    delete m_pPen;
    delete[] m_pRecord;
}

void COverLay::Serialize(CArchive&) {}
void COverLay::UpdateInfoText(int) {}
int COverLay::WriteRecord(HANDLE) { return 0; }
int COverLay::GetRecordSize() { return 10; }
int COverLay::BuildRecord() { return 1; }
void COverLay::Draw(CDC*) {}
void COverLay::UpdateScreenPoints() {}
void COverLay::Reserved1() {}
void COverLay::Measure() {}
void COverLay::Reserved2() {}
int COverLay::HandleCount() { return 8; }
void COverLay::DrawHandles(CDC*, int) {}
void COverLay::OnLButtonDblClk(UINT, CPoint&, CDC*) {}
void COverLay::DrawMeasureText(CDC*) {}

void COverLay::AllocRecord(int n)
{
    delete[] m_pRecord;
    m_pRecord = n > 0 ? new (std::nothrow) short[static_cast<size_t>(n)]() : nullptr;
    m_nRecordSize = m_pRecord != nullptr ? 2 * n : 0;
}

CPoint COverLay::HandlePoint(int n)
{
    const CRect& r = m_rcBounds;
    const int cx = r.left + (r.right - r.left) / 2;
    const int cy = r.top + (r.bottom - r.top) / 2;
    switch (n) {
    case 2: return CPoint(cx, r.top);
    case 3: return CPoint(r.right, r.top);
    case 4: return CPoint(r.right, cy);
    case 5: return CPoint(r.right, r.bottom);
    case 6: return CPoint(cx, r.bottom);
    case 7: return CPoint(r.left, r.bottom);
    case 8: return CPoint(r.left, cy);
    default: return CPoint(r.left, r.top);
    }
}

HCURSOR COverLay::HandleCursor(int n)
{
    LPCTSTR id = IDC_SIZENWSE;
    if (n == 2 || n == 6)
        id = IDC_SIZENS;
    else if (n == 3 || n == 7)
        id = IDC_SIZENESW;
    else if (n == 4 || n == 8)
        id = IDC_SIZEWE;
    return LoadCursor(nullptr, id);
}

void COverLay::DragHandle(int n, CPoint p)
{
    CRect& r = m_rcBounds;
    switch (n) {
    case 2: r.top = p.y; break;
    case 3: r.top = p.y; r.right = p.x; break;
    case 4: r.right = p.x; break;
    case 5: r.right = p.x; r.bottom = p.y; break;
    case 6: r.bottom = p.y; break;
    case 7: r.left = p.x; r.bottom = p.y; break;
    case 8: r.left = p.x; break;
    default: r.left = p.x; r.top = p.y; break;
    }
}

CRect COverLay::GetHandleRect(int n)
{
    const CPoint p = HandlePoint(n);
    return CRect(p.x - 3, p.y - 3, p.x + 3, p.y + 3);
}

int COverLay::HitHandle(CPoint p, int selected)
{
    if (selected) {
        const int count = HandleCount();
        for (int n = 1; n <= count; ++n) {
            const CRect r = GetHandleRect(n);
            if (r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom)
                return n;
        }
        return 0;
    }
    const CRect& r = m_rcBounds;
    return r.left <= p.x && p.x < r.right && r.bottom < p.y && p.y <= r.top ? 1 : 0;
}

void COverLay::SetBounds(const CRect& bounds)
{
    if (!(bounds == m_rcBounds))
        m_rcBounds = bounds;
}

int COverLay::IntersectsBox(const CRect& box)
{
    CRect a = m_rcBounds;
    CRect b = box;
    a.NormalizeRect();
    b.NormalizeRect();
    CRect both;
    return both.IntersectRect(&a, &b) ? 1 : 0;
}

void COverLay::OnLButtonDown(UINT, CPoint& point, CDC*)
{
    m_bChanged = 1;
    m_ptAnchor = point;
    m_ptLast = point;
}

void COverLay::OnLButtonUp(UINT, CPoint& point, CDC*)
{
    m_rcBounds.SetRect(m_ptAnchor.x, m_ptAnchor.y, point.x, point.y);
}

void COverLay::OnMouseMove(UINT, CPoint& point, int, CDC*)
{
    m_ptLast = point;
}

void COverLay::BeginRubberBand(CDC* dc)
{
    if (m_pPen == nullptr)
        m_pPen = new CPen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80));
    m_pOldPen = dc->SelectObject(static_cast<CGdiObject*>(m_pPen));
    dc->SelectStockObject(NULL_BRUSH);
    dc->SetROP2(R2_XORPEN);
}

void COverLay::EndRubberBand(CDC* dc)
{
    if (m_pOldPen != nullptr)
        dc->SelectObject(m_pOldPen);
    delete m_pPen;
    m_pPen = nullptr;
    m_pOldPen = nullptr;
}

void COverLay::SetOwner(COverLayManager* manager)
{
    m_pManager = manager;
    m_pOwnerWnd = manager != nullptr ? manager->m_pOwnerWnd : nullptr;
}

int COverLay::GetImagePixel(int x, int y)
{
    CDcmImage* image = m_pManager != nullptr ? m_pManager->m_pImage : nullptr;
    return image != nullptr ? image->DataValue(image->GetPixelValue(x, y)) : 0;
}

int COverLay::IsInImage(int x, int y)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return 0;
    const CDcmImage* image = m_pManager->m_pImage;
    return x >= 0 && x < image->GetColumns() && y >= 0 && y < image->GetRows() ? 1 : 0;
}

CSize COverLay::ImageSize()
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return CSize(0, 0);
    return CSize(m_pManager->m_pImage->GetColumns(), m_pManager->m_pImage->GetRows());
}

void COverLay::LoadPixelSpacing()
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return;
    CDcmImage* image = m_pManager->m_pImage;
    if (!image->IsAreaMeasurable())
        return;
    m_bHasSpacing = 1;
    m_fRowSpacing = static_cast<float>(image->GetDicomInfo()->m_dRowSpacing);
    m_fColSpacing = static_cast<float>(image->GetDicomInfo()->m_dColumnSpacing);
}

int COverLay::ProfileInt(const char* section, const char* entry, int defaultValue)
{
    CWinApp* app = AfxGetApp();
    return app != nullptr ? static_cast<int>(app->GetProfileInt(section, entry, defaultValue)) : defaultValue;
}

int COverLay::ShowsMeasurement() const
{
    return m_pManager != nullptr && m_pManager->m_bShowMeasure;
}

CString COverLay::LabelText(const CString& measurement) const
{
    if (m_pManager == nullptr || !m_pManager->m_bShowNumber)
        return measurement;
    CString number;
    number.Format("%d", m_nNumber);
    return number;
}

void COverLay::DrawPlacedText(CDC* dc, const CString& text, int fontSize, COLORREF colour)
{
    CFont font;
    font.CreateFont(static_cast<int>(-fontSize * m_fScale), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 32,
                    "MS Sans Serif");
    dc->SelectObject(static_cast<CGdiObject*>(&font));
    const int previousMode = dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(colour);
    const CSize extent = dc->GetTextExtent(text);
    const CRect& r = m_rcBounds;
    const int x = (r.left + r.right) / 2 - extent.cx / 2;
    int y;
    if (r.bottom >= 0)
        y = (r.top + r.bottom) / 2 - extent.cy / 2 - (r.bottom - r.top) / 2 - fontSize - 2;
    else
        y = static_cast<int>((r.bottom - r.top) / 2 + (r.top + r.bottom) / 2 - extent.cy / 2 +
                             (fontSize + 4) * m_fScale);
    dc->TextOut(x, y, text);
    dc->SelectStockObject(SYSTEM_FONT);
    dc->SetBkMode(previousMode);
    font.DeleteObject();
}

void COverLay::SelectDrawPen(CDC* dc, int width, COLORREF colour)
{
    delete m_pPen;
    m_pPen = new CPen(PS_SOLID, width, colour);
    m_pOldBrush = dc->SelectStockObject(NULL_BRUSH);
    m_pOldPen = dc->SelectObject(static_cast<CGdiObject*>(m_pPen));
}

void COverLay::RestoreDrawPen(CDC* dc)
{
    if (m_pOldPen != nullptr)
        dc->SelectObject(m_pOldPen);
    if (m_pOldBrush != nullptr)
        dc->SelectObject(m_pOldBrush);
    delete m_pPen;
    m_pPen = nullptr;
    m_pOldPen = nullptr;
    m_pOldBrush = nullptr;
}

void COverLay::RubberBand(CDC* dc, CPoint point, const std::function<void()>& draw,
                          const std::function<void()>& change)
{
    if (dc != nullptr) {
        BeginRubberBand(dc);
        draw();
    }
    change();
    m_bChanged = 1;
    if (dc != nullptr) {
        draw();
        EndRubberBand(dc);
    }
    COverLay::OnMouseMove(0, point, 0, dc);
}

void COverLay::DrawInvertedHandles(CDC* dc, int state, int half)
{
    if (state != 1 && state != 2)
        return;
    const int count = HandleCount();
    for (int n = 1; n <= count; ++n) {
        const CPoint p = HandlePoint(n);
        dc->PatBlt(p.x - half, p.y - half, 2 * half + 1, 2 * half + 1, DSTINVERT);
    }
}

int COverLay::MeasurePixels(const CArray<CPoint, CPoint>& points, double& sum, double& mean,
                            double& deviation)
{
    const int count = points.GetSize();
    for (int i = 0; i < count; ++i)
        if (!IsInImage(points[i].x, points[i].y))
            return 0;
    std::vector<int> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        values[static_cast<size_t>(i)] = GetImagePixel(points[i].x, points[i].y);
    return PixelStats(values, sum, mean, deviation);
}

int COverLay::PixelStats(const std::vector<int>& values, double& sum, double& mean, double& deviation)
{
    // No pixel has no mean: the region measures like one outside the image.
    if (values.empty())
        return 0;
    sum = 0;
    for (int v : values)
        sum += v;
    const double count = static_cast<double>(values.size());
    mean = sum / count;
    double squares = 0;
    for (int v : values)
        squares += (v - mean) * (v - mean);
    deviation = std::sqrt(squares / count);
    return 1;
}

int COverLay::SegmentMeetsBox(CPoint a, CPoint b, const CRect& box)
{
    const POINT corners[4] = {{a.x - 5, a.y - 5}, {a.x + 5, a.y + 5}, {b.x - 5, b.y - 5}, {b.x + 5, b.y + 5}};
    CRgn region;
    if (!region.CreatePolygonRgn(corners, 4, WINDING))
        return 0;
    return region.RectInRegion(&box) ? 1 : 0;
}

void COverLay::DeleteSelf()
{
    if (m_pManager != nullptr)
        m_pManager->DeleteOverlay(this);
}

int COverLay::TakeChanged()
{
    const int changed = m_bChanged;
    m_bChanged = 0;
    return changed;
}

int COverLay::WriteBuiltRecord(HANDLE file)
{
    BuildRecord();
    const int words = GetRecordSize() / 2;
    for (int i = 0; i < words && m_pRecord != nullptr; ++i) {
        DWORD written = 0;
        if (!WriteFile(file, &m_pRecord[i], 2, &written, nullptr) || written != 2)
            return 0;
    }
    return 1;
}

void COverLay::MoveBoundsTo(CPoint point)
{
    CRect moved = m_rcBounds;
    moved.OffsetRect(point.x - m_ptLast.x, point.y - m_ptLast.y);
    SetBounds(moved);
}

void COverLay::StoreRecord(std::initializer_list<int> words)
{
    AllocRecord(static_cast<int>(words.size()));
    if (m_pRecord == nullptr)
        return;
    int i = 0;
    for (int word : words)
        m_pRecord[i++] = static_cast<short>(word);
}
