#include "OverLay.h"

#include <cmath>
#include <new>

#include "wnd/wnd.h"
#include "DcmImage.h"
#include "OverLayManagerStub.h"

IMPLEMENT_DYNAMIC(COverLay, CObject)

COverLay::COverLay()
    : m_fScale(1.0f), m_bSelected(0), m_nNumber(0), m_pOwnerWnd(nullptr), m_pPen(nullptr),
      m_pOldPen(nullptr), m_pManager(nullptr), m_nActiveHandle(0), m_fColSpacing(0.0f),
      m_fRowSpacing(0.0f), m_bHasSpacing(0), m_pRecord(nullptr), m_nRecordSize(0)
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
    m_pOldPen = dc->SelectObject(m_pPen);
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

short COverLay::GetImagePixel(int x, int y)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return 0;
    return m_pManager->m_pImage->GetPixelValue(x, y);
}

int COverLay::IsInImage(int x, int y)
{
    if (m_pManager == nullptr || m_pManager->m_pImage == nullptr)
        return 0;
    const CDcmImage* image = m_pManager->m_pImage;
    return x >= 0 && x < image->GetColumns() && y >= 0 && y < image->GetRows() ? 1 : 0;
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
