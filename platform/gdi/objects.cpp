#include "gdi/objects.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace gdi {

namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects;
    uintptr_t next = 0x10000;
};

Table& table()
{
    static Table* t = new Table;  // outlives every static wrapper's destructor
    return *t;
}

constexpr size_t kMaxBitmapBytes = size_t(1) << 30;

}  // namespace

HGDIOBJ add(std::shared_ptr<Object> object)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    t.next += 4;
    t.objects.emplace(t.next, std::move(object));
    return reinterpret_cast<HGDIOBJ>(t.next);
}

std::shared_ptr<Object> find(HGDIOBJ handle)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

bool remove(HGDIOBJ handle)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    return t.objects.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

std::shared_ptr<Bitmap> makeBitmap(int width, int height, int bpp, bool topDown, bool sparse)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return nullptr;
    size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (stride > kMaxBitmapBytes / static_cast<size_t>(height))
        return nullptr;
    auto b = std::make_shared<Bitmap>();
    try {
        b->storage.assign(stride * height, 0, sparse);
        b->data = b->storage.data();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->stride = static_cast<int>(stride);
    b->topDown = topDown;
    if (bpp == 1)
        b->colors = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    return b;
}

namespace {

HGDIOBJ makeStockPen(int style, COLORREF color)
{
    auto p = std::make_shared<Pen>();
    p->style = style;
    p->color = color;
    p->stock = true;
    return add(p);
}

HGDIOBJ makeStockBrush(int style, COLORREF color)
{
    auto b = std::make_shared<Brush>();
    b->style = style;
    b->color = color;
    b->stock = true;
    return add(b);
}

HGDIOBJ makeStockFont(int height, const char* face)
{
    auto f = std::make_shared<Font>();
    f->log.lfHeight = height;
    f->log.lfWeight = FW_NORMAL;
    std::strncpy(f->log.lfFaceName, face, LF_FACESIZE - 1);
    f->stock = true;
    return add(f);
}

HGDIOBJ makeStock(int index)
{
    switch (index) {
    case WHITE_BRUSH: return makeStockBrush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return makeStockBrush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH: return makeStockBrush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return makeStockBrush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH: return makeStockBrush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH: return makeStockBrush(BS_NULL, 0);
    case WHITE_PEN: return makeStockPen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return makeStockPen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return makeStockPen(PS_NULL, 0);
    case SYSTEM_FONT: return makeStockFont(16, "System");
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT:
    case DEVICE_DEFAULT_FONT: return makeStockFont(-11, "MS Shell Dlg");
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return makeStockFont(16, "Courier");
    case DEFAULT_PALETTE: {
        auto p = std::make_shared<Palette>();
        static const BYTE vga[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                        {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                        {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                        {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                        {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        for (const auto& c : vga)
            p->entries.push_back({c[0], c[1], c[2], 0});
        p->stock = true;
        return add(p);
    }
    default: return nullptr;
    }
}

}  // namespace

HGDIOBJ stockObject(int index)
{
    static std::mutex lock;
    static HGDIOBJ made[DEFAULT_GUI_FONT + 1] = {};
    if (index < 0 || index > DEFAULT_GUI_FONT)
        return nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (!made[index])
        made[index] = makeStock(index);
    return made[index];
}

std::shared_ptr<Bitmap> screenBitmap() { return findBitmap(screenBitmapHandle()); }

HBITMAP screenBitmapHandle()
{
    static HBITMAP handle = [] {
        std::shared_ptr<Bitmap> b = makeBitmap(kScreenWidth, kScreenHeight, 32, true, true);
        b->stock = true;
        b->dibSection = true;
        return static_cast<HBITMAP>(add(b));
    }();
    return handle;
}

}  // namespace gdi
