#include "Localizer.h"

#include "DcmImage.h"

namespace {

bool SamePoint(const POINT& a, const POINT& b)
{
    return a.x == b.x && a.y == b.y;
}

CString WithoutLeadingZeros(CString text)
{
    text.TrimLeft('0');
    return text;
}

}  // namespace

CLocalizer::CLocalizer()
    : m_P1(), m_P2(), m_P3(), m_P4(), m_Window1(), m_Window2(), m_Window3(), m_Window4(),
      m_Color(0)
{
}

CLocalizer::~CLocalizer() = default;

void CLocalizer::Draw(CDC* dc, int left, int top, int right, int bottom, CDcmImage* image)
{
    if (dc == nullptr || image == nullptr)
        return;
    const CRect dest(left, top, right, bottom);
    ProjectPoint(image, m_P1.x, m_P1.y, dest, m_Window1);
    ProjectPoint(image, m_P2.x, m_P2.y, dest, m_Window2);
    ProjectPoint(image, m_P3.x, m_P3.y, dest, m_Window3);
    ProjectPoint(image, m_P4.x, m_P4.y, dest, m_Window4);

    CPen pen(PS_GEOMETRIC | PS_DOT, 1, m_Color);
    dc->SelectStockObject(HOLLOW_BRUSH);
    dc->SelectObject(&pen);
    dc->MoveTo(m_Window1);
    dc->LineTo(m_Window2);
    dc->MoveTo(m_Window3);
    dc->LineTo(m_Window4);

    CString label;
    label.Format("%s/%s", static_cast<const char*>(WithoutLeadingZeros(m_strLabel1)),
                 static_cast<const char*>(WithoutLeadingZeros(m_strLabel2)));
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(0, 255, 0));
    CFont font;
    font.CreateFont(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, FF_SWISS, "宋体");
    CFont* oldFont = dc->SelectObject(&font);
    const bool firstIsPoint = SamePoint(m_Window1, m_Window2);
    const bool secondIsPoint = SamePoint(m_Window3, m_Window4);
    if (firstIsPoint)
        dc->TextOut(m_Window4.x + 2, m_Window4.y - 5, label);
    else if (secondIsPoint)
        dc->TextOut(m_Window2.x, m_Window2.y + 2, label);
    dc->SelectStockObject(NULL_PEN);
    dc->SelectObject(oldFont);
}

void CLocalizer::GetPoints(POINT& p1, POINT& p2, POINT& p3, POINT& p4) const
{
    p1 = m_P1;
    p2 = m_P2;
    p3 = m_P3;
    p4 = m_P4;
}

int CLocalizer::ProjectPoint(CDcmImage* image, int x, int y, const CRect& dest, POINT& point)
{
    if (image == nullptr)
        return 0;
    const long long dw = dest.Width(), dh = dest.Height();
    const long long W = image->GetWidth(), H = image->GetHeight();
    const int angle = image->GetRotatedAngle();
    const bool flip = image->GetFilped() != 0, reverse = image->GetReversed() != 0;
    if (W < 1 || H < 1) {
        point = POINT{0, 0};
        return 0;
    }
    const bool quarter = angle == 90 || angle == 270;
    const long long a = quarter ? (image->GetRows() - y) * dw / W : x * dw / W;
    const long long b = quarter ? (image->GetColumns() - x) * dh / H : y * dh / H;
    const long long l = dest.left, t = dest.top;
    long long wx = 0, wy = 0;
    switch (angle) {
    case 0:
        wx = reverse ? l + dw - a : l + a;
        wy = flip ? t + dh - b : t + b;
        break;
    case 90:
        wx = reverse ? l + a : l + dw - a;
        wy = flip ? t + dh - b : t + b;
        break;
    case 180:
        wx = reverse ? l + a : l + dw - a;
        wy = flip ? t + b : t + dh - b;
        break;
    case 270:
        wx = reverse ? l + dw - a : l + a;
        wy = flip ? t + b : t + dh - b;
        break;
    default:
        break;
    }
    point = POINT{static_cast<LONG>(wx), static_cast<LONG>(wy)};
    return 1;
}

CLocalizerList::CLocalizerList() = default;

CLocalizerList::~CLocalizerList()
{
    RemoveAll();
}

void CLocalizerList::Add(CLocalizer* localizer)
{
    if (localizer)
        m_Localizers.Add(localizer);
}

void CLocalizerList::RemoveAll()
{
    for (int i = 0; i < m_Localizers.GetSize(); ++i)
        delete static_cast<CLocalizer*>(m_Localizers.GetAt(i));
    m_Localizers.RemoveAll();
}

CLocalizer* CLocalizerList::GetAt(int index) const
{
    if (index < 0 || index >= m_Localizers.GetSize())
        return nullptr;
    return static_cast<CLocalizer*>(m_Localizers.GetAt(index));
}

int CLocalizerList::GetCount() const
{
    return m_Localizers.GetSize();
}

void CLocalizerList::DrawAll(CDC* dc, int left, int top, int right, int bottom, CDcmImage* image)
{
    for (int i = 0; i < m_Localizers.GetSize(); ++i)
        GetAt(i)->Draw(dc, left, top, right, bottom, image);
}
