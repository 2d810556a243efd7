// Logical palettes. The virtual screen is true colour, so realising a
// palette changes nothing on it; palettes still serve colour lookups.
#include <algorithm>

#include "gdi/dib.h"
#include "gdi/gdiapi.h"
#include "gdi/pixels.h"

using namespace gdi;

namespace {

HPALETTE addPalette(std::vector<PALETTEENTRY> entries)
{
    auto p = std::make_shared<Palette>();
    p->entries = std::move(entries);
    return static_cast<HPALETTE>(add(p));
}

}  // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palNumEntries == 0 || palette->palNumEntries > 1024)
        return nullptr;
    return addPalette(std::vector<PALETTEENTRY>(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries));
}

HPALETTE CreateHalftonePalette(HDC dc)
{
    if (dc && !findDc(dc))
        return nullptr;
    std::vector<PALETTEENTRY> entries;
    for (const RGBQUAD& q : defaultColors(8))
        entries.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
    return addPalette(std::move(entries));
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc || !findPalette(palette))
        return nullptr;
    HPALETTE old = dc->state.paletteHandle;
    dc->state.paletteHandle = palette;
    return old;
}

UINT RealizePalette(HDC dc) { return findDc(dc) ? 0 : GDI_ERROR; }

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries)
{
    std::shared_ptr<Palette> p = findPalette(palette);
    if (!p)
        return 0;
    UINT size = static_cast<UINT>(p->entries.size());
    if (!entries)
        return size;
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(p->entries.begin() + start, n, entries);
    return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries)
{
    std::shared_ptr<Palette> p = findPalette(palette);
    if (!p || !entries || p->stock)
        return 0;
    UINT size = static_cast<UINT>(p->entries.size());
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(entries, n, p->entries.begin() + start);
    return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color)
{
    std::shared_ptr<Palette> p = findPalette(palette);
    if (!p || p->entries.empty())
        return CLR_INVALID;
    std::vector<RGBQUAD> table;
    for (const PALETTEENTRY& e : p->entries)
        table.push_back({e.peBlue, e.peGreen, e.peRed, 0});
    return nearestIndex(table.data(), static_cast<int>(table.size()), color);
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }
