// The GDI object model behind the handles: a table of live objects keyed by
// never-reused ids, so that stale or foreign handles are refused instead of
// dereferenced.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "gdi/gdidefs.h"
#include "gdi/pixel_store.h"
#include "gdi/region.h"

namespace gdi {

enum class Kind { Pen, Brush, Dc, Palette, Font, Bitmap, Region, MetaFile };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    int bpp = 0;
    int stride = 0;
    bool topDown = true;
    bool dibSection = false;
    PixelStore storage;
    uint8_t* data = nullptr;  // storage, or caller memory for a wrapped DIB
    std::vector<RGBQUAD> colors;  // colour table for 8 bits and fewer
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16-bit layout
    HDC selectedInto = nullptr;
    uint8_t* bits() { return data; }
    uint8_t* row(int y) { return data + static_cast<size_t>(topDown ? y : height - 1 - y) * stride; }
    const uint8_t* row(int y) const { return data + static_cast<size_t>(topDown ? y : height - 1 - y) * stride; }
    size_t byteSize() const { return static_cast<size_t>(stride) * height; }
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    int style = PS_SOLID;  // PS_STYLE_MASK part
    bool geometric = false;
    int width = 1;
    COLORREF color = 0;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    int style = BS_SOLID;
    COLORREF color = 0;
};

struct Palette : Object {
    Palette() : Object(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONT log{};
};

struct RegionObject : Object {
    RegionObject() : Object(Kind::Region) {}
    Region region;
};

// The drawing state that SaveDC/RestoreDC keep.
struct DcState {
    HBITMAP bitmapHandle = nullptr;
    std::shared_ptr<Bitmap> bitmap;
    HPEN penHandle = nullptr;
    std::shared_ptr<Pen> pen;
    HBRUSH brushHandle = nullptr;
    std::shared_ptr<Brush> brush;
    HFONT fontHandle = nullptr;
    std::shared_ptr<Font> font;
    HPALETTE paletteHandle = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int stretchMode = BLACKONWHITE;
    int polyFillMode = ALTERNATE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int mapMode = MM_TEXT;
    POINT position{0, 0};
    POINT viewportOrg{0, 0};
    POINT windowOrg{0, 0};
    POINT brushOrg{0, 0};
    std::optional<Region> clip;  // device coordinates
};

struct Dc : Object {
    Dc() : Object(Kind::Dc) {}
    bool memory = false;   // a memory DC: bitmaps may be selected
    bool infoOnly = false;  // an information context: draws nothing
    DcState state;
    std::vector<DcState> saved;
};

// Handle table
HGDIOBJ add(std::shared_ptr<Object> object);
std::shared_ptr<Object> find(HGDIOBJ handle);
bool remove(HGDIOBJ handle);

template <class T>
std::shared_ptr<T> findAs(HGDIOBJ handle, Kind kind)
{
    std::shared_ptr<Object> o = find(handle);
    if (!o || o->kind != kind)
        return nullptr;
    return std::static_pointer_cast<T>(o);
}

inline std::shared_ptr<Dc> findDc(HDC dc) { return findAs<Dc>(dc, Kind::Dc); }
inline std::shared_ptr<Bitmap> findBitmap(HBITMAP b) { return findAs<Bitmap>(b, Kind::Bitmap); }
inline std::shared_ptr<Pen> findPen(HGDIOBJ p) { return findAs<Pen>(p, Kind::Pen); }
inline std::shared_ptr<Brush> findBrush(HGDIOBJ b) { return findAs<Brush>(b, Kind::Brush); }
inline std::shared_ptr<Font> findFont(HGDIOBJ f) { return findAs<Font>(f, Kind::Font); }
inline std::shared_ptr<RegionObject> findRegion(HRGN r) { return findAs<RegionObject>(r, Kind::Region); }
inline std::shared_ptr<Palette> findPalette(HPALETTE p) { return findAs<Palette>(p, Kind::Palette); }

// Stock objects and the virtual screen
HGDIOBJ stockObject(int index);
std::shared_ptr<Bitmap> screenBitmap();
HBITMAP screenBitmapHandle();
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kScreenDpi = 96;

// A bitmap with the given geometry, zero-filled; null when the size is not
// acceptable (non-positive or beyond the limit).
// sparse: drawn on here and there, so kept in small pages.
std::shared_ptr<Bitmap> makeBitmap(int width, int height, int bpp, bool topDown, bool sparse = false);
// Row length of the device-dependent bit interface (GetBitmapBits): DIB
// sections keep their 4-byte rows, other bitmaps use 2-byte alignment.
int bitmapBitsStride(const Bitmap& b);

}  // namespace gdi
