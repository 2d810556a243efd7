#include "gdi/wmf_player.h"

#include <algorithm>
#include <cstring>

namespace gdi {

namespace {

enum : uint16_t {
    kEof = 0x0000, kSaveDc = 0x001E, kRealizePalette = 0x0035, kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102, kSetMapMode = 0x0103, kSetRop2 = 0x0104, kSetPolyFillMode = 0x0106,
    kSetStretchBltMode = 0x0107, kRestoreDc = 0x0127, kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D, kSetTextAlign = 0x012E, kDibCreatePatternBrush = 0x0142,
    kCreatePatternBrush = 0x01F9, kDeleteObject = 0x01F0, kSetBkColor = 0x0201,
    kSetTextColor = 0x0209, kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C,
    kOffsetWindowOrg = 0x020F, kLineTo = 0x0213, kMoveTo = 0x0214, kSelectPalette = 0x0234,
    kCreatePenIndirect = 0x02FA, kCreateFontIndirect = 0x02FB, kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324, kPolyline = 0x0325, kScaleWindowExt = 0x0410, kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416, kEllipse = 0x0418, kRectangle = 0x041B, kSetPixel = 0x041F,
    kTextOut = 0x0521, kPolyPolygon = 0x0538, kRoundRect = 0x061C, kPatBlt = 0x061D,
    kCreateRegion = 0x06FF, kArc = 0x0817, kPie = 0x081A, kChord = 0x0830, kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32, kDibStretchBlt = 0x0B41, kStretchDib = 0x0F43,
};

const size_t kHeaderBytes = 18;

}  // namespace

WmfPlayer::WmfPlayer(HDC dc, const RECT& dest) : MetafilePlayer(dc, dest)
{
    // Until the file sets its window, one logical unit is one pixel.
    m_map.mapMode = MM_ANISOTROPIC;
    m_map.viewportOrg = {dest.left, dest.top};
    m_map.viewportExt = {dest.right - dest.left, dest.bottom - dest.top};
    m_map.windowExt = m_map.viewportExt;
}

void WmfPlayer::Play(const uint8_t* bytes, size_t size)
{
    RecordReader header(bytes, size);
    m_slots.assign(header.U16(10), nullptr);
    size_t pos = std::min<size_t>(size, header.U16(2) * 2u);
    pos = std::max(pos, kHeaderBytes);
    while (pos + 6 <= size && KeepPlaying()) {
        RecordReader record(bytes + pos, size - pos);
        uint64_t length = uint64_t(record.U32(0)) * 2;
        uint16_t function = record.U16(4);
        if (function == kEof || length < 6 || length > size - pos)
            return;
        PlayRecord(function, RecordReader(bytes + pos + 6, size_t(length) - 6));
        pos += size_t(length);
    }
}

void WmfPlayer::PlayRecord(uint16_t function, const RecordReader& r)
{
    PlayState(function, r) || PlayMapping(function, r) || PlayObject(function, r) ||
        PlayShape(function, r) || PlayTextOrBitmap(function, r);
}

bool WmfPlayer::PlayState(uint16_t function, const RecordReader& r)
{
    switch (function) {
    case kSaveDc: SaveState(); return true;
    case kRestoreDc: RestoreState(r.S16(0)); return true;
    case kSetBkMode: SetBkMode(m_dc, r.U16(0)); return true;
    case kSetRop2: SetROP2(m_dc, r.U16(0)); return true;
    case kSetPolyFillMode: SetPolyFillMode(m_dc, r.U16(0)); return true;
    case kSetStretchBltMode: SetStretchBltMode(m_dc, r.U16(0)); return true;
    case kSetTextAlign: SetTextAlign(m_dc, r.U16(0)); return true;
    case kSetBkColor: SetBkColor(m_dc, r.U32(0) & 0xFFFFFF); return true;
    case kSetTextColor: SetTextColor(m_dc, r.U32(0) & 0xFFFFFF); return true;
    case kRealizePalette: RealizePalette(m_dc); return true;
    case kExcludeClipRect: ExcludeClip(r.S16(6), r.S16(4), r.S16(2), r.S16(0)); return true;
    case kIntersectClipRect: IntersectClip(r.S16(6), r.S16(4), r.S16(2), r.S16(0)); return true;
    default: return false;
    }
}

bool WmfPlayer::PlayMapping(uint16_t function, const RecordReader& r)
{
    switch (function) {
    case kSetMapMode:
        // Text mode draws in pixels; every other mode maps the window.
        m_map.mapMode = r.U16(0) == MM_TEXT ? MM_TEXT : MM_ANISOTROPIC;
        return true;
    case kSetWindowOrg: m_map.windowOrg = {r.S16(2), r.S16(0)}; return true;
    case kSetWindowExt:
        if (r.S16(0) != 0 && r.S16(2) != 0)
            m_map.windowExt = {r.S16(2), r.S16(0)};
        return true;
    case kOffsetWindowOrg:
        m_map.windowOrg.x += r.S16(2);
        m_map.windowOrg.y += r.S16(0);
        return true;
    case kScaleWindowExt: {
        int yDenom = r.S16(0), yNum = r.S16(2), xDenom = r.S16(4), xNum = r.S16(6);
        if (xDenom && yDenom && xNum && yNum)
            m_map.windowExt = {LONG(int64_t(m_map.windowExt.cx) * xNum / xDenom),
                               LONG(int64_t(m_map.windowExt.cy) * yNum / yDenom)};
        if (!m_map.windowExt.cx || !m_map.windowExt.cy)
            m_map.windowExt = {1, 1};
        return true;
    }
    default: return false;
    }
}

void WmfPlayer::AddObject(HGDIOBJ object)
{
    auto free = std::find(m_slots.begin(), m_slots.end(), nullptr);
    size_t index = size_t(free - m_slots.begin());
    // A slot must be taken even by an object we cannot make, so that later
    // indices still name the right objects.
    SetSlot(index, object ? object : GetStockObject(NULL_BRUSH));
}

bool WmfPlayer::PlayObject(uint16_t function, const RecordReader& r)
{
    switch (function) {
    case kCreatePenIndirect: AddObject(MakePen(r.U16(0), r.S16(2), r.U32(6))); return true;
    case kCreateBrushIndirect: AddObject(MakeBrush(r.U16(0), r.U32(2))); return true;
    case kCreatePatternBrush:
    case kDibCreatePatternBrush: AddObject(MakeBrush(BS_SOLID, RGB(128, 128, 128))); return true;
    case kCreateFontIndirect: {
        LOGFONT font{};
        font.lfHeight = r.S16(0);
        font.lfWidth = r.S16(2);
        font.lfEscapement = r.S16(4);
        font.lfOrientation = r.S16(6);
        font.lfWeight = r.S16(8);
        memcpy(&font.lfItalic, r.At(10), std::min<size_t>(8, r.Has(10, 8) ? 8 : 0));
        if (r.Has(18, 1))
            memcpy(font.lfFaceName, r.At(18), std::min<size_t>(LF_FACESIZE - 1, r.Size() - 18));
        AddObject(MakeFont(font));
        return true;
    }
    case kCreatePalette: {
        uint32_t count = std::min<uint32_t>(r.U16(2), uint32_t((r.Size() - std::min<size_t>(r.Size(), 4)) / 4));
        std::vector<uint8_t> log(sizeof(LOGPALETTE) + std::max<size_t>(count, 1) * 4, 0);
        LOGPALETTE* pal = reinterpret_cast<LOGPALETTE*>(log.data());
        pal->palVersion = 0x300;
        pal->palNumEntries = WORD(count);
        if (count)
            memcpy(pal->palPalEntry, r.At(4), size_t(count) * 4);
        HPALETTE palette = count ? CreatePalette(pal) : nullptr;
        if (palette)
            m_created.push_back(palette);
        AddObject(palette);
        return true;
    }
    case kCreateRegion: AddObject(nullptr); return true;
    case kSelectObject:
    case kSelectPalette: {
        HGDIOBJ object = Slot(r.U16(0));
        if (object && function == kSelectPalette)
            SelectPalette(m_dc, HPALETTE(object), FALSE);
        else if (object)
            SelectObject(m_dc, object);
        return true;
    }
    case kDeleteObject: DeleteSlot(r.U16(0)); return true;
    case kSelectClipRegion: SelectClipRgn(m_dc, nullptr); return true;
    default: return false;
    }
}

std::vector<PointD> WmfPlayer::Points(const RecordReader& r, size_t offset, size_t count) const
{
    std::vector<PointD> points;
    for (size_t i = 0; i < count && r.Has(offset + 4 * i, 4); i++)
        points.push_back({double(r.S16(offset + 4 * i)), double(r.S16(offset + 4 * i + 2))});
    return points;
}

bool WmfPlayer::PlayShape(uint16_t function, const RecordReader& r)
{
    switch (function) {
    case kMoveTo: MoveTo(r.S16(2), r.S16(0)); return true;
    case kLineTo: LineTo(r.S16(2), r.S16(0)); return true;
    case kRectangle: DrawRectangle(r.S16(6), r.S16(4), r.S16(2), r.S16(0)); return true;
    case kEllipse: DrawEllipse(r.S16(6), r.S16(4), r.S16(2), r.S16(0)); return true;
    case kRoundRect:
        DrawRoundRect(r.S16(10), r.S16(8), r.S16(6), r.S16(4), r.S16(2), r.S16(0));
        return true;
    case kArc:
    case kPie:
    case kChord: {
        ArcKind kind = function == kArc ? ArcKind::Arc : function == kPie ? ArcKind::Pie : ArcKind::Chord;
        DrawArc(kind, r.S16(14), r.S16(12), r.S16(10), r.S16(8), r.S16(6), r.S16(4), r.S16(2), r.S16(0));
        return true;
    }
    case kPolygon: DrawPolygon(Points(r, 2, r.U16(0))); return true;
    case kPolyline: DrawPolyline(Points(r, 2, r.U16(0))); return true;
    case kPolyPolygon: {
        size_t polygons = r.U16(0);
        size_t offset = 2 + 2 * polygons;
        std::vector<std::vector<PointD>> rings;
        for (size_t i = 0; i < polygons && r.Has(offset, 0); i++) {
            size_t count = r.U16(2 + 2 * i);
            rings.push_back(Points(r, offset, count));
            offset += 4 * count;
        }
        DrawPolyPolygon(rings);
        return true;
    }
    case kSetPixel: {
        POINT p = ToDevice(r.S16(6), r.S16(4));
        PaintPixel(p, r.U32(0) & 0xFFFFFF);
        return true;
    }
    case kPatBlt: {
        RECT rect = ToDeviceRect(r.S16(10), r.S16(8), r.S16(10) + r.S16(6), r.S16(8) + r.S16(4));
        PatternFill(rect, r.U32(0));
        return true;
    }
    default: return false;
    }
}

bool WmfPlayer::PlayTextOrBitmap(uint16_t function, const RecordReader& r)
{
    switch (function) {
    case kTextOut: {
        size_t count = r.U16(0);
        size_t padded = (count + 1) & ~size_t(1);
        if (!r.Has(2, padded + 4))
            return true;
        DrawText(r.S16(2 + padded + 2), r.S16(2 + padded), 0, nullptr, Latin1Text(r.At(2), count, {}, false), false);
        return true;
    }
    case kExtTextOut: {
        int y = r.S16(0), x = r.S16(2);
        size_t count = r.U16(4);
        UINT options = r.U16(6);
        size_t offset = 8;
        RECT rect{};
        bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
        if (hasRect) {
            rect = {r.S16(8), r.S16(10), r.S16(12), r.S16(14)};
            offset += 8;
        }
        if (!r.Has(offset, count))
            return true;
        // The spacing array follows the text, padded to a whole word, where
        // the record has one.
        const size_t spacingOffset = offset + ((count + 1) & ~size_t(1));
        std::vector<int32_t> spacing;
        if (count > 0 && r.Has(spacingOffset, 2 * count))
            for (size_t i = 0; i < count; i++)
                spacing.push_back(r.S16(spacingOffset + 2 * i));
        DrawText(x, y, options & ~UINT(ETO_PDY), hasRect ? &rect : nullptr, Latin1Text(r.At(offset), count, spacing, false),
                 false);
        return true;
    }
    case kStretchDib: {
        size_t dib = 22;
        DrawDib(r.S16(20), r.S16(18), r.S16(16), r.S16(14), r.S16(12), r.S16(10), r.S16(8), r.S16(6), r,
                dib, r.Size() - std::min(r.Size(), dib), kPackedBits, 0, r.U32(0));
        return true;
    }
    case kDibStretchBlt:
    case kDibBitBlt: {
        bool stretch = function == kDibStretchBlt;
        size_t dib = stretch ? 20 : 16;
        if (r.Size() == size_t(function >> 8) * 2) {
            // No bitmap: a pattern fill of the destination.
            size_t o = stretch ? 14 : 10;
            RECT rect = ToDeviceRect(r.S16(o + 6), r.S16(o + 4), r.S16(o + 6) + r.S16(o + 2),
                                     r.S16(o + 4) + r.S16(o));
            PatternFill(rect, r.U32(0));
            return true;
        }
        int srcHeight = stretch ? r.S16(4) : r.S16(8);
        int srcWidth = stretch ? r.S16(6) : r.S16(10);
        int ySrc = stretch ? r.S16(8) : r.S16(4), xSrc = stretch ? r.S16(10) : r.S16(6);
        int destHeight = stretch ? r.S16(12) : srcHeight, destWidth = stretch ? r.S16(14) : srcWidth;
        int yDest = stretch ? r.S16(16) : r.S16(12), xDest = stretch ? r.S16(18) : r.S16(14);
        size_t rest = r.Size() - dib;
        DrawDib(xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, r, dib, rest,
                kPackedBits, 0, r.U32(0));
        return true;
    }
    default: return false;
    }
}

}  // namespace gdi
