#include "OverLayManager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "DcmImage.h"
#include "OverLay.h"
#include "OverLayEllipse.h"
#include "OverLayLine.h"
#include "OverLayLineArrow.h"
#include "OverLayPoint.h"
#include "OverLayPoly.h"
#include "OverLayProTractor.h"
#include "OverLayRect.h"
#include "OverLayRowSums.h"
#include "OverLayText.h"

IMPLEMENT_DYNCREATE(COverLayManager, CObject)

namespace {

// Blobs come from files: a bound on the records keeps a hostile element
// from exhausting memory while any real list fits.
const int kMaxRecords = 100000;

// Regions measured pixel by pixel until they have counted this many images'
// worth in one pass: ordinary lists never pay for the row sums, while
// thousands of stored regions covering the image cost a few reads per row.
const long long kImagesBeforeRowSums = 4;

short WordAt(const BYTE* bytes, int index)
{
    return static_cast<short>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

}  // namespace

COverLayManager::COverLayManager()
    : m_bVisible(1), m_bShowMeasure(1), m_bShowNumber(0), m_nCurrentIndex(0), m_OverlayList(10),
      m_pCurrentOverlay(nullptr), m_pOwnerWnd(nullptr), m_pImage(nullptr), m_bButtonDown(0),
      m_pRecords(nullptr), m_nRecordsSize(0), m_bLoading(0), m_bModified(0), m_nCursorIndex(-1),
      m_CursorPosition(nullptr), m_pPassSums(nullptr), m_nPassPixels(0)
{
}

COverLayManager::~COverLayManager()
{
    while (!m_OverlayList.IsEmpty())
        delete static_cast<COverLay*>(m_OverlayList.RemoveTail());
    delete[] m_pRecords;
}

void COverLayManager::Serialize(CArchive&) {}

void COverLayManager::AddOverlay(COverLay* overlay)
{
    if (overlay == nullptr)
        return;
    m_OverlayList.AddTail(overlay);
    m_nCursorIndex = -1;
    overlay->m_nNumber = m_OverlayList.GetCount();
    overlay->m_pOwnerWnd = m_pOwnerWnd;
    if (!m_bLoading)
        m_bModified = 1;
}

// Erasing runs from the last overlay to the first: searching from the tail
// keeps it linear.
POSITION COverLayManager::FindFromTail(COverLay* overlay) const
{
    for (POSITION pos = m_OverlayList.GetTailPosition(); pos != nullptr;) {
        const POSITION here = pos;
        if (m_OverlayList.GetPrev(pos) == overlay)
            return here;
    }
    return nullptr;
}

void COverLayManager::DeleteOverlay(COverLay* overlay)
{
    if (POSITION pos = FindFromTail(overlay)) {
        m_OverlayList.RemoveAt(pos);
        m_nCursorIndex = -1;
        delete overlay;
    }
    m_nCurrentIndex = std::min(std::max(m_nCurrentIndex - 1, 0), m_OverlayList.GetCount() - 1);
    m_pCurrentOverlay = nullptr;
    if (!m_bLoading)
        m_bModified = 1;
}

void COverLayManager::EraseAll()
{
    while (!m_OverlayList.IsEmpty())
        DeleteOverlay(static_cast<COverLay*>(m_OverlayList.GetTail()));
    m_nCurrentIndex = -1;
}

void COverLayManager::DrawAll(CDC* dc, float scale)
{
    for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr && m_bVisible;) {
        COverLay* overlay = static_cast<COverLay*>(m_OverlayList.GetNext(pos));
        overlay->m_fScale = scale;
        overlay->Draw(dc);
        overlay->m_fScale = 1.0f;
    }
}

void COverLayManager::UpdateScreenPoints()
{
    for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr;)
        static_cast<COverLay*>(m_OverlayList.GetNext(pos))->UpdateScreenPoints();
}

void COverLayManager::MeasureAll()
{
    // The sums hold the frame as it is now, so they live for this pass only.
    CRowSums sums;
    struct Pass {
        COverLayManager& manager;
        ~Pass() { manager.m_pPassSums = nullptr; }
    } pass{*this};
    m_pPassSums = &sums;
    m_nPassPixels = 0;
    // A kind may delete itself while measuring; step back before it runs.
    for (POSITION pos = m_OverlayList.GetTailPosition(); pos != nullptr;)
        static_cast<COverLay*>(m_OverlayList.GetPrev(pos))->Measure();
}

const CRowSums* COverLayManager::RowSumsFor(long long pixels)
{
    if (m_pPassSums == nullptr || m_pImage == nullptr)
        return nullptr;
    m_nPassPixels += pixels;
    if (m_pPassSums->IsBuilt())
        return m_pPassSums;
    const CSize size(m_pImage->GetColumns(), m_pImage->GetRows());
    if (m_nPassPixels <= kImagesBeforeRowSums * size.cx * size.cy)
        return nullptr;
    if (!m_pPassSums->Build(size, [this](int x, int y) { return m_pImage->DataValue(m_pImage->GetPixelValue(x, y)); })) {
        m_pPassSums = nullptr;
        return nullptr;
    }
    return m_pPassSums;
}

int COverLayManager::BurnAll(BYTE* pixels, int pixelType, int rowWidth, int rows)
{
    for (POSITION pos = m_OverlayList.GetTailPosition(); pos != nullptr;) {
        COverLay* overlay = static_cast<COverLay*>(m_OverlayList.GetPrev(pos));
        overlay->m_nBurnRows = rows;
        overlay->BurnIntoPixels(pixels, pixelType, rowWidth);
    }
    return 1;
}

COverLay* COverLayManager::HitBody(CPoint point)
{
    const CRect box(point.x, point.y, point.x + 10, point.y + 10);
    for (POSITION pos = m_OverlayList.GetTailPosition(); pos != nullptr;) {
        COverLay* overlay = static_cast<COverLay*>(m_OverlayList.GetPrev(pos));
        if (overlay->IntersectsBox(box))
            return overlay;
    }
    return nullptr;
}

int COverLayManager::HitHandle(CPoint point)
{
    for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr;) {
        COverLay* overlay = static_cast<COverLay*>(m_OverlayList.GetNext(pos));
        if (const int n = overlay->HitHandle(point, 1)) {
            m_pCurrentOverlay = overlay;
            overlay->m_bSelected = 1;
            overlay->m_nActiveHandle = n;
            return n;
        }
    }
    return 0;
}

void COverLayManager::DeselectAll()
{
    for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr;)
        static_cast<COverLay*>(m_OverlayList.GetNext(pos))->m_bSelected = 0;
}

void COverLayManager::SetImageRect(int left, int top, int right, int bottom, int)
{
    m_ImageRect.SetRect(left, top, right, bottom);
}

int COverLayManager::GetCount() const
{
    return m_OverlayList.GetCount();
}

COverLay* COverLayManager::GetAt(int index) const
{
    const int count = m_OverlayList.GetCount();
    if (index < 0 || index >= count)
        return nullptr;
    // Start from the head, the tail or the cursor, whichever lies nearest.
    int at = 0;
    POSITION pos = m_OverlayList.GetHeadPosition();
    if (count - 1 - index < index) {
        at = count - 1;
        pos = m_OverlayList.GetTailPosition();
    }
    if (m_nCursorIndex >= 0 && std::abs(index - m_nCursorIndex) < std::abs(index - at)) {
        at = m_nCursorIndex;
        pos = m_CursorPosition;
    }
    for (; at < index; ++at)
        m_OverlayList.GetNext(pos);
    for (; at > index; --at)
        m_OverlayList.GetPrev(pos);
    m_nCursorIndex = index;
    m_CursorPosition = pos;
    return static_cast<COverLay*>(m_OverlayList.GetAt(pos));
}

COverLay* COverLayManager::CreateOverlay(int tool)
{
    switch (tool) {
    case OVERLAY_RECT: return new (std::nothrow) COverLayRect;
    case OVERLAY_ELLIPSE: return new (std::nothrow) COverLayEllipse;
    case OVERLAY_POLY: return new (std::nothrow) COverLayPoly;
    case OVERLAY_POINT: return new (std::nothrow) COverLayPoint;
    case OVERLAY_LINE: return new (std::nothrow) COverLayLine;
    case OVERLAY_ARROW: return new (std::nothrow) COverLayLineArrow;
    case OVERLAY_ANGLE: return new (std::nothrow) COverLayProTractor;
    case OVERLAY_TEXT: return new (std::nothrow) COverLayText;
    default: return nullptr;
    }
}

void COverLayManager::StartOverlay(UINT flags, CPoint& point, CDC* dc)
{
    COverLay* overlay = CreateOverlay(CurrentOverlayTool);
    if (overlay == nullptr)
        return;
    overlay->SetOwner(this);
    AddOverlay(overlay);
    m_pCurrentOverlay = overlay;
    overlay->m_bSelected = 1;
    if (COverLayText* text = DYNAMIC_DOWNCAST(COverLayText, overlay))
        text->m_strPhraseFile = m_strPhraseFile;
    overlay->OnLButtonDown(flags, point, dc);
}

void COverLayManager::SelectAt(CPoint point)
{
    DeselectAll();
    m_pCurrentOverlay = nullptr;
    if (HitHandle(point)) {
        CurrentOverlayMode = OVERLAY_MODE_HANDLE;
        return;
    }
    if (COverLay* hit = HitBody(point)) {
        m_pCurrentOverlay = hit;
        hit->m_bSelected = 1;
        hit->m_ptLast = point;
        CurrentOverlayMode = OVERLAY_MODE_MOVE;
    }
}

void COverLayManager::OnLButtonDown(UINT flags, CPoint& point, CDC* dc)
{
    m_bButtonDown = 1;
    if (CurrentOverlayMode == OVERLAY_MODE_ERASE) {
        if (COverLay* hit = HitBody(point))
            DeleteOverlay(hit);
        return;
    }
    if (m_pCurrentOverlay != nullptr)
        m_pCurrentOverlay->m_bSelected = 0;
    switch (CurrentOverlayTool) {
    case OVERLAY_SELECT:
    case OVERLAY_SELECT2:
        SelectAt(point);
        break;
    case OVERLAY_ANGLE:
        if (CurrentOverlayMode == OVERLAY_MODE_SECOND_ARM) {
            if (m_pCurrentOverlay != nullptr)
                m_pCurrentOverlay->OnLButtonDown(flags, point, dc);
            break;
        }
        StartOverlay(flags, point, dc);
        break;
    case OVERLAY_RECT:
    case OVERLAY_ELLIPSE:
    case OVERLAY_POLY:
    case OVERLAY_POINT:
    case OVERLAY_LINE:
    case OVERLAY_ARROW:
    case OVERLAY_TEXT:
        StartOverlay(flags, point, dc);
        break;
    default:
        break;
    }
}

void COverLayManager::ForwardMove(UINT flags, CPoint& point, int dragCode, CDC* dc)
{
    if (m_pCurrentOverlay == nullptr)
        return;
    m_pCurrentOverlay->OnMouseMove(flags, point, dragCode, dc);
    if (!m_bLoading)
        m_bModified = 1;
}

void COverLayManager::OnMouseMove(UINT flags, CPoint& point, CDC* dc)
{
    if (!m_bButtonDown)
        return;
    const int tool = CurrentOverlayTool;
    if (tool == OVERLAY_SELECT) {
        if (CurrentOverlayMode == OVERLAY_MODE_HANDLE)
            ForwardMove(flags, point, 0, dc);
        else if (CurrentOverlayMode == OVERLAY_MODE_MOVE)
            ForwardMove(flags, point, 1, dc);
    } else if ((tool >= OVERLAY_RECT && tool <= OVERLAY_ANGLE) || tool == OVERLAY_TEXT) {
        ForwardMove(flags, point, 2, dc);
    }
}

void COverLayManager::OnLButtonUp(UINT flags, CPoint& point, CDC* dc)
{
    // The kinds may delete themselves here, which clears the current overlay.
    COverLay* current = m_pCurrentOverlay;
    switch (CurrentOverlayTool) {
    case OVERLAY_SELECT:
        if (current != nullptr)
            current->OnLButtonUp(flags, point, dc);
        break;
    case OVERLAY_ANGLE:
        if (CurrentOverlayMode == OVERLAY_MODE_CREATE) {
            CurrentOverlayMode = OVERLAY_MODE_SECOND_ARM;
            if (current != nullptr)
                current->OnLButtonUp(flags, point, dc);
        } else {
            CurrentOverlayMode = OVERLAY_MODE_IDLE;
            if (current != nullptr)
                current->OnLButtonUp(flags, point, dc);
            CurrentOverlayTool = OVERLAY_SELECT;
            m_bButtonDown = 0;
        }
        break;
    case OVERLAY_RECT:
    case OVERLAY_ELLIPSE:
    case OVERLAY_POLY:
    case OVERLAY_POINT:
    case OVERLAY_LINE:
    case OVERLAY_ARROW:
    case OVERLAY_TEXT:
        if (current != nullptr)
            current->OnLButtonUp(flags, point, dc);
        m_bButtonDown = 0;
        break;
    default:
        break;
    }
}

void COverLayManager::OnLButtonDblClk(UINT flags, CPoint& point, CDC* dc)
{
    if (m_pCurrentOverlay != nullptr)
        m_pCurrentOverlay->OnLButtonDblClk(flags, point, dc);
}

int COverLayManager::OnRButtonUp(UINT, CPoint&, CDC*)
{
    m_pCurrentOverlay = nullptr;
    CurrentOverlayMode = OVERLAY_MODE_IDLE;
    CurrentOverlayTool = OVERLAY_SELECT;
    return 0;
}

int COverLayManager::GetRecordsSize()
{
    int total = 0;
    for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr;)
        total += static_cast<COverLay*>(m_OverlayList.GetNext(pos))->GetRecordSize();
    return total;
}

int COverLayManager::BuildRecords()
{
    m_bModified = 0;
    delete[] m_pRecords;
    m_pRecords = nullptr;
    m_nRecordsSize = 0;
    int total = 0;
    for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr;) {
        COverLay* overlay = static_cast<COverLay*>(m_OverlayList.GetNext(pos));
        overlay->BuildRecord();
        total += overlay->GetRecordSize();
    }
    if (total > 0) {
        m_pRecords = new (std::nothrow) BYTE[static_cast<size_t>(total)]();
        if (m_pRecords == nullptr)
            return 0;
        m_nRecordsSize = total;
        int offset = 0;
        for (POSITION pos = m_OverlayList.GetHeadPosition(); pos != nullptr;) {
            COverLay* overlay = static_cast<COverLay*>(m_OverlayList.GetNext(pos));
            const int size = overlay->GetRecordSize();
            if (size > 0 && overlay->m_pRecord != nullptr)
                std::memcpy(m_pRecords + offset, overlay->m_pRecord, static_cast<size_t>(size));
            offset += size;
        }
    }
    return GetRecordsSize() > 0 ? 1 : 0;
}

// Attaches and adds an overlay read from a record, then stores its values.
template <class Kind, class Store>
int COverLayManager::Attach(Kind* overlay, Store store)
{
    if (overlay == nullptr)
        return 0;
    overlay->SetOwner(this);
    AddOverlay(overlay);
    // Stored overlays measure with the image's spacing like drawn ones do.
    overlay->LoadPixelSpacing();
    store(overlay);
    return 1;
}

// Reads one record at index: 1 for an overlay, 2 for a skipped unknown type,
// 0 when it runs past the blob, which ends parsing.
int COverLayManager::ParseOne(const BYTE* bytes, int wordCount, int& index)
{
    const int type = WordAt(bytes, index++);
    // Values of a record with n words after its type word, or 0 when they run past the end.
    auto take = [&](int n, short* out) {
        if (n < 0 || n > wordCount - index)
            return 0;
        for (int i = 0; i < n; ++i)
            out[i] = WordAt(bytes, index + i);
        index += n;
        return 1;
    };
    short v[6] = {};
    switch (type) {
    case 1:
    case 2:
    case 5:
    case 6:
        if (!take(4, v))
            return 0;
        if (type == 1)
            return Attach(new (std::nothrow) COverLayRect, [&](COverLayRect* o) { o->SetFromRecord(v[0], v[1], v[2], v[3]); });
        if (type == 2)
            return Attach(new (std::nothrow) COverLayEllipse, [&](COverLayEllipse* o) { o->SetFromRecord(v[0], v[1], v[2], v[3]); });
        if (type == 5)
            return Attach(new (std::nothrow) COverLayLine, [&](COverLayLine* o) { o->SetFromRecord(v[0], v[1], v[2], v[3]); });
        return Attach(new (std::nothrow) COverLayLineArrow, [&](COverLayLineArrow* o) { o->SetFromRecord(v[0], v[1], v[2], v[3]); });
    case 4:
        if (!take(2, v))
            return 0;
        return Attach(new (std::nothrow) COverLayPoint, [&](COverLayPoint* o) { o->SetFromRecord(v[0], v[1]); });
    case 7:
        if (!take(6, v))
            return 0;
        return Attach(new (std::nothrow) COverLayProTractor,
                      [&](COverLayProTractor* o) { o->SetFromRecord(v[0], v[1], v[2], v[3], v[4], v[5]); });
    case 3: {
        if (!take(1, v) || v[0] < 0 || 2 * v[0] > wordCount - index)
            return 0;
        CArray<CPoint, CPoint> vertices;
        vertices.SetSize(v[0]);
        for (int i = 0; i < v[0]; ++i)
            vertices[i] = CPoint(WordAt(bytes, index + 2 * i), WordAt(bytes, index + 2 * i + 1));
        index += 2 * v[0];
        return Attach(new (std::nothrow) COverLayPoly, [&](COverLayPoly* o) { o->SetFromRecord(vertices); });
    }
    case 9: {
        if (!take(3, v) || v[2] < 0 || v[2] > wordCount - index)
            return 0;
        std::string stored;
        for (int i = 0; i < v[2]; ++i)
            stored += static_cast<char>(WordAt(bytes, index + i) & 0xFF);
        index += v[2];
        return Attach(new (std::nothrow) COverLayText, [&](COverLayText* o) {
            o->m_strPhraseFile = m_strPhraseFile;
            o->SetFromRecord(v[0], v[1], stored);
        });
    }
    default:
        return 2;
    }
}

void COverLayManager::ParseRecords(const short* words, int byteCount)
{
    const int wordCount = byteCount / 2;
    if (words == nullptr || wordCount < 1)
        return;
    m_bLoading = 1;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(words);
    int index = 0;
    int records = 0;
    while (index < wordCount && records < kMaxRecords) {
        const int result = ParseOne(bytes, wordCount, index);
        if (result == 0)
            break;
        if (result == 1)
            ++records;
    }
    m_bLoading = 0;
    m_pCurrentOverlay = nullptr;
    DeselectAll();
}
