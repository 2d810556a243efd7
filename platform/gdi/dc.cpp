// Device contexts: creation, selection, state, device capabilities.
#include <algorithm>
#include <cstring>
#include <strings.h>
#include <utility>

#include "gdi/gdiapi.h"
#include "gdi/surface.h"
#include "gdi/target.h"

namespace gdi {

namespace {

HBITMAP defaultBitmapHandle()
{
    static HBITMAP handle = [] {
        std::shared_ptr<Bitmap> b = makeBitmap(1, 1, 1, true);
        b->stock = true;
        return static_cast<HBITMAP>(add(b));
    }();
    return handle;
}

void selectDefaults(DcState& s)
{
    s.penHandle = static_cast<HPEN>(stockObject(BLACK_PEN));
    s.pen = findPen(s.penHandle);
    s.brushHandle = static_cast<HBRUSH>(stockObject(WHITE_BRUSH));
    s.brush = findBrush(s.brushHandle);
    s.fontHandle = static_cast<HFONT>(stockObject(SYSTEM_FONT));
    s.font = findFont(s.fontHandle);
    s.paletteHandle = static_cast<HPALETTE>(stockObject(DEFAULT_PALETTE));
}

HDC newDc(HBITMAP bitmapHandle, bool memory, bool infoOnly)
{
    auto dc = std::make_shared<Dc>();
    dc->memory = memory;
    dc->infoOnly = infoOnly;
    selectDefaults(dc->state);
    dc->state.bitmapHandle = bitmapHandle;
    dc->state.bitmap = findBitmap(bitmapHandle);
    if (!dc->state.bitmap)
        return nullptr;
    return static_cast<HDC>(add(dc));
}

}  // namespace

std::vector<RECT> visibleRects(const Dc& dc, const Bitmap& bitmap)
{
    if (dc.infoOnly)
        return {};
    if (!dc.state.clip)
        return {RECT{0, 0, bitmap.width, bitmap.height}};
    return Region::combine(Region::fromRect(0, 0, bitmap.width, bitmap.height), *dc.state.clip, RGN_AND).rects();
}

bool targetOf(HDC handle, Target& out)
{
    out.dc = findDc(handle);
    if (!out.dc || out.dc->infoOnly || !out.dc->state.bitmap)
        return false;
    out.bitmap = out.dc->state.bitmap;
    out.setClip(visibleRects(*out.dc, *out.bitmap));
    const DcState& s = out.dc->state;
    out.dx = s.viewportOrg.x - s.windowOrg.x;  // origins are kept within half the coordinate limit
    out.dy = s.viewportOrg.y - s.windowOrg.y;
    return !out.clip.empty();
}

namespace {

template <class Combine>
void combinePixels32(uint32_t* row, int count, Combine combine)
{
    for (int i = 0; i < count; ++i)
        row[i] = combine(row[i]);
}

// A 32-bit row combined a whole pixel at a time, the common raster
// operations chosen once a span rather than once a pixel.
void spanOf32(uint32_t* row, int count, uint32_t value, int rop2)
{
    const uint32_t mask = 0x00FFFFFFu;
    switch (rop2) {
    case R2_COPYPEN: fillPixels32(row, size_t(count), value & mask); break;
    case R2_XORPEN: combinePixels32(row, count, [=](uint32_t d) { return (value ^ d) & mask; }); break;
    case R2_NOT: combinePixels32(row, count, [=](uint32_t d) { return ~d & mask; }); break;
    default: combinePixels32(row, count, [=](uint32_t d) { return applyRop2(rop2, value, d) & mask; }); break;
    }
}

}  // namespace

void Target::setClip(std::vector<RECT> rects)
{
    clip = std::move(rects);
    bounds = {0, 0, 0, 0};
    for (const RECT& c : clip)
        UnionRect(&bounds, &bounds, &c);
    bands_.clear();
    hint_ = 0;
    if (clip.size() <= 1)
        return;
    for (size_t i = 0; i < clip.size(); ++i) {
        const RECT& r = clip[i];
        if (!bands_.empty() && bands_.back().top == r.top && bands_.back().bottom == r.bottom) {
            if (r.left < clip[i - 1].right)
                break;
            bands_.back().last = i + 1;
            continue;
        }
        if (!bands_.empty() && r.top < bands_.back().bottom)
            break;
        bands_.push_back({int(r.top), int(r.bottom), i, i + 1});
    }
    if (bands_.empty() || bands_.back().last != clip.size())
        bands_.clear();  // not in bands: every rectangle is looked at
}

// A line walks from row to row: the band of its last pixel, and those
// above and below it, are tried before the search.
const Target::ClipBand* Target::bandOf(int y) const
{
    for (size_t i = hint_ > 0 ? hint_ - 1 : 0; i < std::min(hint_ + 2, bands_.size()); ++i)
        if (y >= bands_[i].top && y < bands_[i].bottom) {
            hint_ = i;
            return &bands_[i];
        }
    auto band = std::upper_bound(bands_.begin(), bands_.end(), y, [](int row, const ClipBand& c) { return row < c.bottom; });
    if (band == bands_.end() || y < band->top)
        return nullptr;
    hint_ = size_t(band - bands_.begin());
    return &*band;
}

const RECT* Target::firstReaching(const ClipBand& band, int x) const
{
    return std::upper_bound(clip.data() + band.first, clip.data() + band.last, x,
                            [](int v, const RECT& r) { return v < r.right; });
}

void Target::paintPiece(int y, int a, int e, uint32_t rawValue, int rop2)
{
    Bitmap& b = *bitmap;
    if (b.bpp == 32) {
        spanOf32(reinterpret_cast<uint32_t*>(b.row(y)) + a, e - a, rawValue, rop2);
        return;
    }
    const uint32_t mask = rawMask(b.bpp);
    for (int x = a; x < e; ++x)
        writeRaw(b, x, y, applyRop2(rop2, rawValue, readRaw(b, x, y)) & mask);
}

void Target::span(int y, int x0, int x1, uint32_t rawValue, int rop2)
{
    if (bands_.empty()) {
        for (const RECT& c : clip) {
            int a = std::max<int>(x0, c.left), e = std::min<int>(x1, c.right);
            if (y >= c.top && y < c.bottom && a < e)
                paintPiece(y, a, e, rawValue, rop2);
        }
        return;
    }
    const ClipBand* band = bandOf(y);
    if (!band)
        return;
    const RECT* last = clip.data() + band->last;
    for (const RECT* c = firstReaching(*band, x0); c != last && c->left < x1; ++c)
        paintPiece(y, std::max<int>(x0, c->left), std::min<int>(x1, c->right), rawValue, rop2);
}

bool Target::visible(int x, int y) const
{
    if (bands_.empty()) {
        for (const RECT& c : clip)
            if (x >= c.left && x < c.right && y >= c.top && y < c.bottom)
                return true;
        return false;
    }
    const ClipBand* band = bandOf(y);
    if (!band)
        return false;
    const RECT* c = firstReaching(*band, x);
    return c != clip.data() + band->last && c->left <= x;
}

}  // namespace gdi

using namespace gdi;

HDC PlatformCreateSurfaceDC(HBITMAP surface)
{
    std::shared_ptr<Bitmap> b = findBitmap(surface);
    if (!b)
        return nullptr;
    return newDc(surface, false, false);
}

HBITMAP PlatformScreenSurface() { return screenBitmapHandle(); }

namespace {

HDC (*windowDcSource)(HWND) = nullptr;

}  // namespace

void PlatformSetWindowDCSource(HDC (*source)(HWND)) { windowDcSource = source; }

HDC GetDC(HWND wnd)
{
    if (wnd)
        return windowDcSource ? windowDcSource(wnd) : nullptr;
    return newDc(screenBitmapHandle(), false, false);
}

int ReleaseDC(HWND, HDC dc) { return DeleteDC(dc); }

HDC CreateCompatibleDC(HDC dc)
{
    if (dc && !findDc(dc))
        return nullptr;
    return newDc(defaultBitmapHandle(), true, false);
}

HDC CreateDC(LPCSTR driver, LPCSTR, LPCSTR, const void*)
{
    if (!driver || strcasecmp(driver, "DISPLAY") != 0)
        return nullptr;
    return newDc(screenBitmapHandle(), false, false);
}

HDC CreateIC(LPCSTR driver, LPCSTR, LPCSTR, const void*)
{
    if (!driver || strcasecmp(driver, "DISPLAY") != 0)
        return nullptr;
    return newDc(screenBitmapHandle(), false, true);
}

BOOL DeleteDC(HDC handle)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc)
        return FALSE;
    if (dc->memory && dc->state.bitmap && dc->state.bitmap->selectedInto == handle)
        dc->state.bitmap->selectedInto = nullptr;
    remove(handle);
    return TRUE;
}

int SaveDC(HDC handle)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int saved)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc)
        return FALSE;
    int depth = static_cast<int>(dc->saved.size());
    int index = saved < 0 ? depth + saved : saved - 1;
    if (index < 0 || index >= depth)
        return FALSE;
    DcState restored = dc->saved[index];
    dc->saved.resize(index);
    if (dc->memory && restored.bitmap != dc->state.bitmap) {
        if (dc->state.bitmap && dc->state.bitmap->selectedInto == handle)
            dc->state.bitmap->selectedInto = nullptr;
        if (restored.bitmap && !restored.bitmap->stock)
            restored.bitmap->selectedInto = handle;
    }
    dc->state = std::move(restored);
    return TRUE;
}

int GetDeviceCaps(HDC handle, int index)
{
    if (!findDc(handle))
        return 0;
    switch (index) {
    case HORZRES: return kScreenWidth;
    case VERTRES: return kScreenHeight;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return kScreenDpi;
    case SIZEPALETTE: return 0;
    default: return 0;
    }
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: return kScreenWidth;
    case SM_CYSCREEN: return kScreenHeight;
    default: return 0;
    }
}

namespace {

HGDIOBJ selectBitmap(HDC handle, Dc& dc, HGDIOBJ obj, const std::shared_ptr<Bitmap>& b)
{
    if (!dc.memory)
        return nullptr;
    if (b->selectedInto && b->selectedInto != handle)
        return nullptr;
    HGDIOBJ old = dc.state.bitmapHandle;
    if (dc.state.bitmap && dc.state.bitmap->selectedInto == handle)
        dc.state.bitmap->selectedInto = nullptr;
    if (!b->stock)
        b->selectedInto = handle;
    dc.state.bitmapHandle = static_cast<HBITMAP>(obj);
    dc.state.bitmap = b;
    return old;
}

}  // namespace

HGDIOBJ SelectObject(HDC handle, HGDIOBJ obj)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    std::shared_ptr<Object> o = find(obj);
    if (!dc || !o)
        return nullptr;
    DcState& s = dc->state;
    HGDIOBJ old = nullptr;
    switch (o->kind) {
    case Kind::Pen:
        old = s.penHandle;
        s.penHandle = static_cast<HPEN>(obj);
        s.pen = std::static_pointer_cast<Pen>(o);
        return old;
    case Kind::Brush:
        old = s.brushHandle;
        s.brushHandle = static_cast<HBRUSH>(obj);
        s.brush = std::static_pointer_cast<Brush>(o);
        return old;
    case Kind::Font:
        old = s.fontHandle;
        s.fontHandle = static_cast<HFONT>(obj);
        s.font = std::static_pointer_cast<Font>(o);
        return old;
    case Kind::Bitmap: return selectBitmap(handle, *dc, obj, std::static_pointer_cast<Bitmap>(o));
    case Kind::Region: {
        int type = SelectClipRgn(handle, static_cast<HRGN>(obj));
        return type == RGN_ERROR ? nullptr : reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(type));
    }
    default: return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->state.penHandle;
    case OBJ_BRUSH: return dc->state.brushHandle;
    case OBJ_FONT: return dc->state.fontHandle;
    case OBJ_BITMAP: return dc->state.bitmapHandle;
    case OBJ_PAL: return dc->state.paletteHandle;
    default: return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ obj)
{
    std::shared_ptr<Object> o = find(obj);
    if (!o || o->kind == Kind::Dc || o->kind == Kind::MetaFile)
        return FALSE;
    if (o->stock)
        return TRUE;
    // A DC that still holds the object keeps it alive until it lets go.
    remove(obj);
    return TRUE;
}

HGDIOBJ GetStockObject(int index) { return stockObject(index); }

DWORD GetObjectType(HGDIOBJ obj)
{
    std::shared_ptr<Object> o = find(obj);
    if (!o)
        return 0;
    switch (o->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Dc: return std::static_pointer_cast<Dc>(o)->memory ? OBJ_MEMDC : OBJ_DC;
    case Kind::Palette: return OBJ_PAL;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Region: return OBJ_REGION;
    case Kind::MetaFile: return OBJ_ENHMETAFILE;
    }
    return 0;
}

namespace {

template <class T>
int copyOut(const T& value, int size, LPVOID out)
{
    if (!out)
        return sizeof(T);
    if (size < static_cast<int>(sizeof(T)))
        return 0;
    std::memcpy(out, &value, sizeof(T));
    return sizeof(T);
}

}  // namespace

int gdi::bitmapBitsStride(const Bitmap& b)
{
    return b.dibSection ? b.stride : ((b.width * b.bpp + 15) / 16) * 2;
}

int GetObject(HGDIOBJ obj, int size, LPVOID out)
{
    std::shared_ptr<Object> o = find(obj);
    if (!o || size < 0)
        return 0;
    switch (o->kind) {
    case Kind::Bitmap: {
        auto b = std::static_pointer_cast<Bitmap>(o);
        BITMAP bm{0, b->width, b->height, bitmapBitsStride(*b), 1, static_cast<WORD>(b->bpp),
                  b->dibSection ? b->bits() : nullptr};
        if (b->dibSection && out && size >= static_cast<int>(sizeof(DIBSECTION))) {
            DIBSECTION ds{};
            ds.dsBm = bm;
            ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
            ds.dsBmih.biWidth = b->width;
            ds.dsBmih.biHeight = b->topDown ? -b->height : b->height;
            ds.dsBmih.biPlanes = 1;
            ds.dsBmih.biBitCount = static_cast<WORD>(b->bpp);
            ds.dsBmih.biSizeImage = static_cast<DWORD>(b->byteSize());
            ds.dsBmih.biClrUsed = static_cast<DWORD>(b->colors.size());
            std::memcpy(ds.dsBitfields, b->masks, sizeof(ds.dsBitfields));
            return copyOut(ds, size, out);
        }
        return copyOut(bm, size, out);
    }
    case Kind::Pen: {
        auto p = std::static_pointer_cast<Pen>(o);
        LOGPEN lp{static_cast<UINT>(p->style | (p->geometric ? PS_GEOMETRIC : 0)), {p->width, 0}, p->color};
        return copyOut(lp, size, out);
    }
    case Kind::Brush: {
        auto b = std::static_pointer_cast<Brush>(o);
        LOGBRUSH lb{static_cast<UINT>(b->style), b->color, 0};
        return copyOut(lb, size, out);
    }
    case Kind::Font: return copyOut(std::static_pointer_cast<Font>(o)->log, size, out);
    case Kind::Palette: {
        WORD count = static_cast<WORD>(std::static_pointer_cast<Palette>(o)->entries.size());
        return copyOut(count, size, out);
    }
    default: return 0;
    }
}

namespace {

template <class T, class F>
T withDc(HDC handle, T failure, F f)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    return dc ? f(dc->state) : failure;
}

template <class T>
T swapValue(T& slot, T value)
{
    T old = slot;
    slot = value;
    return old;
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF c)
{
    return withDc(dc, COLORREF(CLR_INVALID), [&](DcState& s) { return swapValue(s.textColor, c); });
}
COLORREF GetTextColor(HDC dc) { return withDc(dc, COLORREF(CLR_INVALID), [](DcState& s) { return s.textColor; }); }
COLORREF SetBkColor(HDC dc, COLORREF c)
{
    return withDc(dc, COLORREF(CLR_INVALID), [&](DcState& s) { return swapValue(s.bkColor, c); });
}
COLORREF GetBkColor(HDC dc) { return withDc(dc, COLORREF(CLR_INVALID), [](DcState& s) { return s.bkColor; }); }

int SetBkMode(HDC dc, int mode)
{
    if (mode != OPAQUE && mode != TRANSPARENT)
        return 0;
    return withDc(dc, 0, [&](DcState& s) { return swapValue(s.bkMode, mode); });
}
int GetBkMode(HDC dc) { return withDc(dc, 0, [](DcState& s) { return s.bkMode; }); }

int SetROP2(HDC dc, int rop2)
{
    if (rop2 < R2_BLACK || rop2 > R2_WHITE)
        return 0;
    return withDc(dc, 0, [&](DcState& s) { return swapValue(s.rop2, rop2); });
}
int GetROP2(HDC dc) { return withDc(dc, 0, [](DcState& s) { return s.rop2; }); }

int SetStretchBltMode(HDC dc, int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    return withDc(dc, 0, [&](DcState& s) { return swapValue(s.stretchMode, mode); });
}
int GetStretchBltMode(HDC dc) { return withDc(dc, 0, [](DcState& s) { return s.stretchMode; }); }

int SetPolyFillMode(HDC dc, int mode)
{
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    return withDc(dc, 0, [&](DcState& s) { return swapValue(s.polyFillMode, mode); });
}
int GetPolyFillMode(HDC dc) { return withDc(dc, 0, [](DcState& s) { return s.polyFillMode; }); }

UINT SetTextAlign(HDC dc, UINT align)
{
    return withDc(dc, UINT(GDI_ERROR), [&](DcState& s) { return swapValue(s.textAlign, align); });
}
UINT GetTextAlign(HDC dc) { return withDc(dc, UINT(GDI_ERROR), [](DcState& s) { return s.textAlign; }); }

int SetMapMode(HDC dc, int mode)
{
    // Only the text mapping mode is drawn; the others are remembered.
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    return withDc(dc, 0, [&](DcState& s) { return swapValue(s.mapMode, mode); });
}
int GetMapMode(HDC dc) { return withDc(dc, 0, [](DcState& s) { return s.mapMode; }); }

namespace {

BOOL setPoint(HDC dc, POINT DcState::*field, int x, int y, bool relative, LPPOINT old)
{
    return withDc(dc, FALSE, [&](DcState& s) {
        if (old)
            *old = s.*field;
        long long nx = relative ? static_cast<long long>((s.*field).x) + x : x;
        long long ny = relative ? static_cast<long long>((s.*field).y) + y : y;
        auto limit = [](long long v) { return std::clamp<long long>(v, -kCoordLimit / 2, kCoordLimit / 2); };
        s.*field = {static_cast<LONG>(limit(nx)), static_cast<LONG>(limit(ny))};
        return TRUE;
    });
}

}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT old) { return setPoint(dc, &DcState::viewportOrg, x, y, false, old); }
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT old)
{
    return setPoint(dc, &DcState::viewportOrg, dx, dy, true, old);
}
BOOL GetViewportOrgEx(HDC dc, LPPOINT out) { return setPoint(dc, &DcState::viewportOrg, 0, 0, true, out); }
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT old) { return setPoint(dc, &DcState::windowOrg, x, y, false, old); }
BOOL GetWindowOrgEx(HDC dc, LPPOINT out) { return setPoint(dc, &DcState::windowOrg, 0, 0, true, out); }
BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT old) { return setPoint(dc, &DcState::brushOrg, x, y, false, old); }
