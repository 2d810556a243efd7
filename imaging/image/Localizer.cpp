#include "Localizer.h"

CLocalizer::CLocalizer()
    : m_P1(), m_P2(), m_P3(), m_P4(), m_Window1(), m_Window2(), m_Window3(), m_Window4(),
      m_Color(0)
{
}

CLocalizer::~CLocalizer() = default;

void CLocalizer::Draw(CDC*, int, int, int, int, CDcmImage*)
{
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
