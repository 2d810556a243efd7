#include <typeinfo>
#include <vector>

#include "gdi_canvas.h"

namespace {

TEST(GdiClasses, WrappersOwnTheirHandles)
{
    HGDIOBJ handle;
    {
        CPen pen(PS_SOLID, 2, RGB(1, 2, 3));
        handle = pen.m_hObject;
        LOGPEN lp{};
        EXPECT_EQ(pen.GetLogPen(&lp), static_cast<int>(sizeof(lp)));
        EXPECT_EQ(lp.lopnWidth.x, 2);
        EXPECT_EQ(CPen::FromHandle(static_cast<HPEN>(handle)), &pen);
    }
    EXPECT_EQ(GetObjectType(handle), 0u);
    CBrush kept(RGB(4, 5, 6));
    HGDIOBJ brush = kept.Detach();
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    CBrush* temp = CBrush::FromHandle(static_cast<HBRUSH>(brush));
    EXPECT_EQ(CBrush::FromHandle(static_cast<HBRUSH>(brush)), temp);
    EXPECT_EQ(temp->m_hObject, brush);
    EXPECT_TRUE(DeleteObject(brush));
    HDC dcHandle;
    {
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        dcHandle = dc.m_hDC;
    }
    EXPECT_FALSE(DeleteDC(dcHandle));
}

// A handle first wrapped as a plain object, then asked for as a font, gets a
// wrapper that is a font; the plain one stays valid for its holder.
TEST(GdiClasses, TemporaryWrappersHaveTheClassAskedFor)
{
    Canvas c(4, 4);
    CDC* dc = CDC::FromHandle(c.dc);
    CGdiObject* plain = dc->SelectStockObject(DEFAULT_GUI_FONT);
    ASSERT_NE(plain, nullptr);
    HGDIOBJ handle = plain->m_hObject;
    CFont* font = CFont::FromHandle(static_cast<HFONT>(handle));
    EXPECT_EQ(typeid(*font), typeid(CFont));
    EXPECT_EQ(font->m_hObject, handle);
    EXPECT_EQ(CFont::FromHandle(static_cast<HFONT>(handle)), font);
    EXPECT_EQ(plain->m_hObject, handle);
    EXPECT_EQ(dc->SelectObject(plain)->m_hObject, GetStockObject(DEFAULT_GUI_FONT));
}

TEST(GdiClasses, SelectionThroughTheDcClass)
{
    Canvas c(4, 4);
    CDC* dc = CDC::FromHandle(c.dc);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* old = dc->SelectObject(&red);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->m_hObject, GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc->GetCurrentPen(), &red);
    CGdiObject* oldBrush = dc->SelectStockObject(NULL_BRUSH);
    EXPECT_EQ(oldBrush->m_hObject, GetStockObject(WHITE_BRUSH));
    dc->Rectangle(0, 0, 4, 4);
    EXPECT_EQ(c.at(0, 0), 0xFF0000u);
    EXPECT_EQ(c.at(1, 1), 0u);
    dc->SelectObject(old);
    dc->SelectObject(oldBrush);
    CPoint before = dc->MoveTo(1, 1);
    EXPECT_EQ(before.x, 0);
    EXPECT_EQ(dc->GetCurrentPosition().x, 1);
    CRgn rgn;
    rgn.CreateRectRgn(0, 0, 1, 1);
    EXPECT_EQ(dc->SelectClipRgn(&rgn), SIMPLEREGION);
    CRect box;
    EXPECT_EQ(dc->GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(box.right, 1);
}

TEST(GdiClasses, Palettes)
{
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(storage.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        lp->palPalEntry[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    CPalette grey;
    ASSERT_TRUE(grey.CreatePalette(lp));
    EXPECT_EQ(grey.GetEntryCount(), 256);
    EXPECT_EQ(grey.GetNearestPaletteIndex(RGB(100, 101, 99)), 100u);
    PALETTEENTRY e{};
    EXPECT_EQ(grey.GetPaletteEntries(77, 1, &e), 1u);
    EXPECT_EQ(e.peGreen, 77);
    CPalette halftone;
    CDC screen;
    screen.Attach(GetDC(nullptr));
    ASSERT_TRUE(halftone.CreateHalftonePalette(&screen));
    EXPECT_EQ(halftone.GetEntryCount(), 256);
    CPalette* old = screen.SelectPalette(&grey, FALSE);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(screen.RealizePalette(), 0u);  // a true-colour screen changes nothing
    screen.SelectPalette(old, FALSE);
    lp->palNumEntries = 0;
    CPalette empty;
    EXPECT_FALSE(empty.CreatePalette(lp));
}

TEST(GdiClasses, DrawingIntoPalettedAndPackedSections)
{
    Canvas grey(4, 1, 8);
    SetPixel(grey.dc, 0, 0, RGB(120, 120, 120));
    EXPECT_EQ(static_cast<uint8_t*>(grey.bits)[0], 120);
    RGBQUAD table[2];
    EXPECT_EQ(GetDIBColorTable(grey.dc, 254, 5, table), 2u);
    EXPECT_EQ(table[1].rgbBlue, 255);
    Canvas nibbles(4, 1, 4);
    SetPixel(nibbles.dc, 1, 0, RGB(15, 15, 15));
    EXPECT_EQ(static_cast<uint8_t*>(nibbles.bits)[0], 0x0F);
    Canvas bitsOnly(9, 1, 1);
    SetPixel(bitsOnly.dc, 8, 0, RGB(1, 1, 1));
    EXPECT_EQ(static_cast<uint8_t*>(bitsOnly.bits)[1], 0x80);
    EXPECT_EQ(GetPixel(bitsOnly.dc, 8, 0), RGB(1, 1, 1));
    Canvas packed(2, 1, 16);
    SetPixel(packed.dc, 0, 0, RGB(255, 0, 0));
    EXPECT_EQ(static_cast<uint16_t*>(packed.bits)[0], 0x7C00);
    EXPECT_EQ(GetPixel(packed.dc, 0, 0), RGB(255, 0, 0));
}

}  // namespace
