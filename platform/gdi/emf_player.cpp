#include "gdi/emf_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gdi {

namespace {

enum : uint32_t {
    kHeader = 1, kPolyBezier = 2, kPolygon = 3, kPolyline = 4, kPolyBezierTo = 5,
    kPolylineTo = 6, kPolyPolyline = 7, kPolyPolygon = 8, kSetWindowExt = 9, kSetWindowOrg = 10,
    kSetViewportExt = 11, kSetViewportOrg = 12, kEof = 14, kSetPixelV = 15, kSetMapMode = 17,
    kSetBkMode = 18, kSetPolyFillMode = 19, kSetRop2 = 20, kSetStretchBltMode = 21,
    kSetTextAlign = 22, kSetTextColor = 24, kSetBkColor = 25, kMoveTo = 27,
    kExcludeClipRect = 29, kIntersectClipRect = 30, kScaleViewportExt = 31,
    kScaleWindowExt = 32, kSaveDc = 33, kRestoreDc = 34, kSetWorldTransform = 35,
    kModifyWorldTransform = 36, kSelectObject = 37, kCreatePen = 38, kCreateBrush = 39,
    kDeleteObject = 40, kEllipse = 42, kRectangle = 43, kRoundRect = 44, kArc = 45, kChord = 46,
    kPie = 47, kSelectPalette = 48, kCreatePalette = 49, kRealizePalette = 52, kLineTo = 54,
    kArcTo = 55, kBeginPath = 59, kEndPath = 60, kCloseFigure = 61, kFillPath = 62,
    kStrokeAndFillPath = 63, kStrokePath = 64, kAbortPath = 68, kExtSelectClipRgn = 75,
    kBitBlt = 76, kStretchBlt = 77, kStretchDiBits = 81, kCreateFont = 82, kExtTextOutA = 83,
    kExtTextOutW = 84, kPolyBezier16 = 85, kPolygon16 = 86, kPolyline16 = 87,
    kPolyBezierTo16 = 88, kPolylineTo16 = 89, kPolyPolyline16 = 90, kPolyPolygon16 = 91,
    kCreateDibPatternBrush = 94, kExtCreatePen = 95,
};

const uint32_t kStockObject = 0x80000000;

float F32(const RecordReader& r, size_t offset)
{
    uint32_t bits = r.U32(offset);
    float f;
    memcpy(&f, &bits, 4);
    return std::isfinite(f) ? f : 0.0f;
}

// A cubic Bezier flattened into line segments.
void Flatten(const PointD& p0, const PointD& p1, const PointD& p2, const PointD& p3,
             std::vector<PointD>& out)
{
    const int kSteps = 16;
    for (int i = 1; i <= kSteps; i++) {
        double t = double(i) / kSteps, u = 1 - t;
        out.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                       u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
    }
}

std::vector<PointD> BezierPoints(const PointD& start, const std::vector<PointD>& controls)
{
    std::vector<PointD> out{start};
    for (size_t i = 0; i + 2 < controls.size(); i += 3) {
        // A copy: appending to the curve moves its points.
        const PointD from = out.back();
        Flatten(from, controls[i], controls[i + 1], controls[i + 2], out);
    }
    return out;
}

}  // namespace

EmfPlayer::EmfPlayer(HDC dc, const RECT& dest, const ENHMETAHEADER& h) : MetafilePlayer(dc, dest)
{
    double left = h.rclBounds.left, top = h.rclBounds.top;
    double width = double(h.rclBounds.right) - h.rclBounds.left;
    double height = double(h.rclBounds.bottom) - h.rclBounds.top;
    double frameWidth = double(h.rclFrame.right) - h.rclFrame.left;
    double frameHeight = double(h.rclFrame.bottom) - h.rclFrame.top;
    if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0 && h.szlDevice.cx > 0 &&
        h.szlDevice.cy > 0 && frameWidth > 0 && frameHeight > 0) {
        double px = double(h.szlDevice.cx) / (h.szlMillimeters.cx * 100.0);
        double py = double(h.szlDevice.cy) / (h.szlMillimeters.cy * 100.0);
        left = h.rclFrame.left * px;
        top = h.rclFrame.top * py;
        width = frameWidth * px;
        height = frameHeight * py;
    }
    m_frameLeft = left;
    m_frameTop = top;
    m_scaleX = width > 0 ? (dest.right - dest.left) / width : 1.0;
    m_scaleY = height > 0 ? (dest.bottom - dest.top) / height : 1.0;
}

PointD EmfPlayer::ReferenceToDevice(const PointD& p) const
{
    return {m_dest.left + (p.x - m_frameLeft) * m_scaleX, m_dest.top + (p.y - m_frameTop) * m_scaleY};
}

void EmfPlayer::Play(const uint8_t* bytes, size_t size)
{
    RecordReader header(bytes, size);
    m_slots.assign(header.U16(56), nullptr);  // the header's handle count
    size_t pos = 0;
    while (pos + 8 <= size && KeepPlaying()) {
        RecordReader record(bytes + pos, size - pos);
        uint32_t type = record.U32(0), length = record.U32(4);
        if (length < 8 || length % 4 || length > size - pos || type == kEof)
            return;
        PlayRecord(type, RecordReader(bytes + pos, length));
        pos += length;
    }
}

void EmfPlayer::PlayRecord(uint32_t type, const RecordReader& r)
{
    PlayState(type, r) || PlayMapping(type, r) || PlayObject(type, r) || PlayShape(type, r) ||
        PlayPoly(type, r) || PlayPath(type, r) || PlayTextOrBitmap(type, r);
}

bool EmfPlayer::PlayState(uint32_t type, const RecordReader& r)
{
    switch (type) {
    case kSaveDc: SaveState(); return true;
    case kRestoreDc: RestoreState(r.S32(8)); return true;
    case kSetBkMode: SetBkMode(m_dc, int(r.U32(8))); return true;
    case kSetRop2: SetROP2(m_dc, int(r.U32(8))); return true;
    case kSetPolyFillMode: SetPolyFillMode(m_dc, int(r.U32(8))); return true;
    case kSetStretchBltMode: SetStretchBltMode(m_dc, int(r.U32(8))); return true;
    case kSetTextAlign: SetTextAlign(m_dc, r.U32(8)); return true;
    case kSetTextColor: SetTextColor(m_dc, r.U32(8) & 0xFFFFFF); return true;
    case kSetBkColor: SetBkColor(m_dc, r.U32(8) & 0xFFFFFF); return true;
    case kRealizePalette: RealizePalette(m_dc); return true;
    case kExcludeClipRect: ExcludeClip(r.S32(8), r.S32(12), r.S32(16), r.S32(20)); return true;
    case kIntersectClipRect: IntersectClip(r.S32(8), r.S32(12), r.S32(16), r.S32(20)); return true;
    case kExtSelectClipRgn: SelectClipRects(r); return true;
    default: return false;
    }
}

// Region rectangles are in the reference device's pixels.
void EmfPlayer::SelectClipRects(const RecordReader& r)
{
    uint32_t dataBytes = r.U32(8);
    int mode = int(r.U32(12));
    if (dataBytes == 0 || !r.Has(16, dataBytes) || dataBytes < 32) {
        if (mode == RGN_COPY)
            SelectClipRgn(m_dc, nullptr);
        return;
    }
    uint32_t count = std::min<uint32_t>(r.U32(24), (dataBytes - 32) / 16);
    if (!AffordClip(count))
        return;
    std::vector<HRGN> parts;
    for (uint32_t i = 0; i < count; i++) {
        size_t o = 48 + 16 * size_t(i);
        PointD a = ReferenceToDevice({double(r.S32(o)), double(r.S32(o + 4))});
        PointD b = ReferenceToDevice({double(r.S32(o + 8)), double(r.S32(o + 12))});
        parts.push_back(CreateRectRgn(int(std::lround(std::clamp(a.x, -1e6, 1e6))),
                                      int(std::lround(std::clamp(a.y, -1e6, 1e6))),
                                      int(std::lround(std::clamp(b.x, -1e6, 1e6))),
                                      int(std::lround(std::clamp(b.y, -1e6, 1e6)))));
    }
    // Joined in pairs, so that no rectangle is merged into a large area
    // more than a few times.
    for (size_t step = 1; step < parts.size(); step *= 2)
        for (size_t i = 0; i + step < parts.size(); i += 2 * step) {
            CombineRgn(parts[i], parts[i], parts[i + step], RGN_OR);
            DeleteObject(parts[i + step]);
        }
    HRGN area = parts.empty() ? CreateRectRgn(0, 0, 0, 0) : parts[0];
    ExtSelectClipRgn(m_dc, area, mode);
    DeleteObject(area);
}

void EmfPlayer::ModifyWorld(const RecordReader& r, uint32_t mode)
{
    double x[6];
    for (int i = 0; i < 6; i++)
        x[i] = F32(r, 8 + 4 * size_t(i));
    double* w = m_map.world;
    if (mode == 1) {
        const double identity[6] = {1, 0, 0, 1, 0, 0};
        std::copy(identity, identity + 6, w);
        return;
    }
    if (mode == 4) {
        std::copy(x, x + 6, w);
        return;
    }
    // Left multiplication applies the new transform first.
    const double* a = mode == 2 ? x : w;
    const double* b = mode == 2 ? w : x;
    if (mode != 2 && mode != 3)
        return;
    double m[6] = {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3],
                   a[2] * b[0] + a[3] * b[2], a[2] * b[1] + a[3] * b[3],
                   a[4] * b[0] + a[5] * b[2] + b[4], a[4] * b[1] + a[5] * b[3] + b[5]};
    std::copy(m, m + 6, w);
}

bool EmfPlayer::PlayMapping(uint32_t type, const RecordReader& r)
{
    switch (type) {
    case kSetMapMode: m_map.mapMode = int(r.U32(8)); return true;
    case kSetWindowExt:
        if (r.S32(8) && r.S32(12))
            m_map.windowExt = {r.S32(8), r.S32(12)};
        return true;
    case kSetWindowOrg: m_map.windowOrg = {r.S32(8), r.S32(12)}; return true;
    case kSetViewportExt:
        if (r.S32(8) && r.S32(12))
            m_map.viewportExt = {r.S32(8), r.S32(12)};
        return true;
    case kSetViewportOrg: m_map.viewportOrg = {r.S32(8), r.S32(12)}; return true;
    case kScaleViewportExt:
    case kScaleWindowExt: {
        SIZE& ext = type == kScaleWindowExt ? m_map.windowExt : m_map.viewportExt;
        int xNum = r.S32(8), xDenom = r.S32(12), yNum = r.S32(16), yDenom = r.S32(20);
        if (xNum && xDenom && yNum && yDenom) {
            SIZE scaled = {LONG(int64_t(ext.cx) * xNum / xDenom), LONG(int64_t(ext.cy) * yNum / yDenom)};
            if (scaled.cx && scaled.cy)
                ext = scaled;
        }
        return true;
    }
    case kSetWorldTransform: ModifyWorld(r, 4); return true;
    case kModifyWorldTransform: ModifyWorld(r, r.U32(32)); return true;
    default: return false;
    }
}

bool EmfPlayer::PlayObject(uint32_t type, const RecordReader& r)
{
    uint32_t index = r.U32(8);
    // Indices name slots of the header's table; anything else is ignored.
    bool validSlot = index > 0 && index < m_slots.size();
    switch (type) {
    case kCreatePen:
        if (validSlot)
            SetSlot(index, MakePen(int(r.U32(12)), r.S32(16), r.U32(24)));
        return true;
    case kExtCreatePen:
        if (validSlot)
            SetSlot(index, MakePen(int(r.U32(28)), r.S32(32), r.U32(40)));
        return true;
    case kCreateBrush:
        if (validSlot)
            SetSlot(index, MakeBrush(r.U32(12), r.U32(16)));
        return true;
    case kCreateDibPatternBrush:
        if (validSlot)
            SetSlot(index, MakeBrush(BS_SOLID, RGB(128, 128, 128)));
        return true;
    case kCreateFont: {
        if (!validSlot || !r.Has(12, 92))
            return true;
        LOGFONT font{};
        font.lfHeight = r.S32(12);
        font.lfWidth = r.S32(16);
        font.lfEscapement = r.S32(20);
        font.lfOrientation = r.S32(24);
        font.lfWeight = r.S32(28);
        memcpy(&font.lfItalic, r.At(32), 8);
        std::string face = Utf16ToUtf8(r.At(40), 32);
        strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        SetSlot(index, MakeFont(font));
        return true;
    }
    case kCreatePalette: {
        if (!validSlot)
            return true;
        uint32_t count = std::min<uint32_t>(r.U16(14), uint32_t((r.Size() - std::min<size_t>(r.Size(), 16)) / 4));
        if (count == 0)
            return true;
        std::vector<uint8_t> log(sizeof(LOGPALETTE) + size_t(count) * 4, 0);
        LOGPALETTE* pal = reinterpret_cast<LOGPALETTE*>(log.data());
        pal->palVersion = 0x300;
        pal->palNumEntries = WORD(count);
        memcpy(pal->palPalEntry, r.At(16), size_t(count) * 4);
        HPALETTE palette = CreatePalette(pal);
        if (palette)
            m_created.push_back(palette);
        SetSlot(index, palette);
        return true;
    }
    case kSelectObject:
    case kSelectPalette: {
        HGDIOBJ object = (index & kStockObject) ? GetStockObject(int(index & ~kStockObject)) : Slot(index);
        if (object && type == kSelectPalette)
            SelectPalette(m_dc, HPALETTE(object), FALSE);
        else if (object)
            SelectObject(m_dc, object);
        return true;
    }
    case kDeleteObject:
        if (validSlot)
            DeleteSlot(index);
        return true;
    default: return false;
    }
}

std::vector<PointD> EmfPlayer::Points(const RecordReader& r, size_t offset, size_t count, bool small) const
{
    size_t step = small ? 4 : 8;
    std::vector<PointD> points;
    for (size_t i = 0; i < count && r.Has(offset + step * i, step); i++) {
        size_t o = offset + step * i;
        points.push_back(small ? PointD{double(r.S16(o)), double(r.S16(o + 2))}
                               : PointD{double(r.S32(o)), double(r.S32(o + 4))});
    }
    return points;
}

bool EmfPlayer::PlayShape(uint32_t type, const RecordReader& r)
{
    int left = r.S32(8), top = r.S32(12), right = r.S32(16), bottom = r.S32(20);
    switch (type) {
    case kMoveTo:
        m_position = {double(r.S32(8)), double(r.S32(12))};
        if (m_inPath)
            AddToPath({m_position}, true);
        else
            MoveTo(r.S32(8), r.S32(12));
        return true;
    case kLineTo:
        if (m_inPath)
            AddToPath({{double(r.S32(8)), double(r.S32(12))}}, false);
        else
            LineTo(r.S32(8), r.S32(12));
        m_position = {double(r.S32(8)), double(r.S32(12))};
        return true;
    case kSetPixelV: {
        POINT p = ToDevice(r.S32(8), r.S32(12));
        PaintPixel(p, r.U32(16) & 0xFFFFFF);
        return true;
    }
    case kRectangle:
        if (m_inPath)
            AddToPath({{double(left), double(top)}, {double(right), double(top)},
                       {double(right), double(bottom)}, {double(left), double(bottom)}}, true);
        else
            DrawRectangle(left, top, right, bottom);
        return true;
    case kEllipse: DrawEllipse(left, top, right, bottom); return true;
    case kRoundRect: DrawRoundRect(left, top, right, bottom, r.S32(24), r.S32(28)); return true;
    case kArc:
    case kArcTo:
    case kChord:
    case kPie: {
        ArcKind kind = type == kPie ? ArcKind::Pie : type == kChord ? ArcKind::Chord : ArcKind::Arc;
        DrawArc(kind, left, top, right, bottom, r.S32(24), r.S32(28), r.S32(32), r.S32(36));
        if (type == kArcTo)
            m_position = {double(r.S32(32)), double(r.S32(36))};
        return true;
    }
    default: return false;
    }
}

bool EmfPlayer::PlayPoly(uint32_t type, const RecordReader& r)
{
    bool small = type >= kPolyBezier16 && type <= kPolyPolygon16;
    uint32_t base = small ? type - kPolyBezier16 + kPolyBezier : type;
    if (type < kPolyBezier || (type > kPolyPolygon && !small))
        return false;
    if (base == kPolyPolyline || base == kPolyPolygon) {
        size_t polygons = std::min<size_t>(r.U32(24), r.Size() / 4);
        size_t offset = 32 + 4 * polygons;
        std::vector<std::vector<PointD>> rings;
        for (size_t i = 0; i < polygons && r.Has(offset, 0); i++) {
            size_t count = std::min<size_t>(r.U32(32 + 4 * i), r.Size());
            rings.push_back(Points(r, offset, count, small));
            offset += count * (small ? 4 : 8);
        }
        if (m_inPath) {
            for (const std::vector<PointD>& ring : rings)
                AddToPath(ring, true);
        } else if (base == kPolyPolygon) {
            DrawPolyPolygon(rings);
        } else {
            for (const std::vector<PointD>& ring : rings)
                DrawPolyline(ring);
        }
        return true;
    }
    std::vector<PointD> points = Points(r, 28, std::min<size_t>(r.U32(24), r.Size()), small);
    if (points.empty())
        return true;
    switch (base) {
    case kPolygon:
        if (m_inPath)
            AddToPath(points, true);
        else
            DrawPolygon(points);
        break;
    case kPolyline:
        if (m_inPath)
            AddToPath(points, true);
        else
            DrawPolyline(points);
        break;
    case kPolyBezier: {
        std::vector<PointD> rest(points.begin() + 1, points.end());
        std::vector<PointD> curve = BezierPoints(points.front(), rest);
        if (m_inPath)
            AddToPath(curve, true);
        else
            DrawPolyline(curve);
        break;
    }
    case kPolylineTo:
    case kPolyBezierTo: {
        std::vector<PointD> line = base == kPolylineTo ? points : BezierPoints(m_position, points);
        if (base == kPolylineTo)
            line.insert(line.begin(), m_position);
        if (m_inPath)
            AddToPath(std::vector<PointD>(line.begin() + 1, line.end()), false);
        else
            DrawPolyline(line);
        m_position = line.back();
        if (!m_inPath)
            MoveTo(int(m_position.x), int(m_position.y));
        break;
    }
    }
    return true;
}

void EmfPlayer::AddToPath(const std::vector<PointD>& points, bool newFigure)
{
    if (newFigure || m_path.empty())
        m_path.emplace_back();
    m_path.back().insert(m_path.back().end(), points.begin(), points.end());
}

void EmfPlayer::FinishPath(bool fill, bool stroke)
{
    if (fill && !stroke) {
        HGDIOBJ pen = SelectObject(m_dc, GetStockObject(NULL_PEN));
        DrawPolyPolygon(m_path);
        SelectObject(m_dc, pen);
    } else if (fill) {
        DrawPolyPolygon(m_path);
    } else {
        for (const std::vector<PointD>& figure : m_path)
            DrawPolyline(figure);
    }
    m_path.clear();
}

bool EmfPlayer::PlayPath(uint32_t type, const RecordReader&)
{
    switch (type) {
    case kBeginPath:
        m_inPath = true;
        m_path.clear();
        return true;
    case kEndPath: m_inPath = false; return true;
    case kAbortPath:
        m_inPath = false;
        m_path.clear();
        return true;
    case kCloseFigure:
        if (!m_path.empty() && !m_path.back().empty())
            m_path.back().push_back(m_path.back().front());
        return true;
    case kFillPath: FinishPath(true, false); return true;
    case kStrokePath: FinishPath(false, true); return true;
    case kStrokeAndFillPath: FinishPath(true, true); return true;
    default: return false;
    }
}

bool EmfPlayer::PlayTextOrBitmap(uint32_t type, const RecordReader& r)
{
    switch (type) {
    case kExtTextOutA:
    case kExtTextOutW: {
        uint32_t chars = r.U32(44), offset = r.U32(48), options = r.U32(52), spacingOffset = r.U32(72);
        size_t bytes = size_t(chars) * (type == kExtTextOutW ? 2 : 1);
        if (!r.Has(offset, bytes))
            return true;
        RECT rect = {r.S32(56), r.S32(60), r.S32(64), r.S32(68)};
        // The spacing array, where the record has one: an advance a unit,
        // or an advance and a rise.
        const bool pairs = options & ETO_PDY;
        const size_t values = size_t(chars) * (pairs ? 2 : 1);
        std::vector<int32_t> spacing;
        if (spacingOffset >= 76 && r.Has(spacingOffset, values * 4))
            for (size_t i = 0; i < values; i++)
                spacing.push_back(r.S32(spacingOffset + 4 * i));
        RecordText text = type == kExtTextOutW ? Utf16Text(r.At(offset), chars, spacing, pairs)
                                               : Latin1Text(r.At(offset), chars, spacing, pairs);
        const uint32_t kAdvancedMode = 2;
        DrawText(r.S32(36), r.S32(40), options, &rect, text, r.U32(24) == kAdvancedMode);
        return true;
    }
    case kStretchDiBits:
        DrawDib(r.S32(24), r.S32(28), r.S32(72), r.S32(76), r.S32(32), r.S32(36), r.S32(40),
                r.S32(44), r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(68));
        return true;
    case kBitBlt:
    case kStretchBlt: {
        int x = r.S32(24), y = r.S32(28), cx = r.S32(32), cy = r.S32(36);
        if (r.U32(88) == 0) {
            RECT rect = ToDeviceRect(x, y, x + cx, y + cy);
            PatternFill(rect, r.U32(40));
            return true;
        }
        int srcWidth = type == kStretchBlt ? r.S32(100) : cx;
        int srcHeight = type == kStretchBlt ? r.S32(104) : cy;
        DrawDib(x, y, cx, cy, r.S32(44), r.S32(48), srcWidth, srcHeight, r, r.U32(84), r.U32(88),
                r.U32(92), r.U32(96), r.U32(40));
        return true;
    }
    default: return false;
    }
}

}  // namespace gdi
