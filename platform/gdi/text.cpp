// Font objects, text output and measurement.
#include <algorithm>
#include <cstring>

#include "gdi/font.h"
#include "gdi/gdiapi.h"
#include "gdi/target.h"

using namespace gdi;

HFONT CreateFontIndirect(const LOGFONT* font)
{
    if (!font)
        return nullptr;
    auto f = std::make_shared<Font>();
    f->log = *font;
    f->log.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(add(f));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCSTR face)
{
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face)
        std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

namespace {

// Held for the call: the cache keeps a font in use.
std::shared_ptr<FontInstance> dcFont(HDC dc)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !d->state.font)
        return nullptr;
    return fontFor(d->state.font->log);
}

int advanceOf(FontInstance& font, char32_t c)
{
    std::shared_ptr<const GlyphImage> g = font.glyph(c);
    return g ? g->advance : 0;
}

int widthOf(FontInstance& font, const std::u32string& text)
{
    int w = 0;
    for (char32_t c : text)
        w += advanceOf(font, c);
    return w;
}

void drawGlyphs(Target& t, FontInstance& font, const std::u32string& text, int x, int baseline, COLORREF color,
                const INT* dx)
{
    uint32_t raw = t.raw(color);
    for (size_t i = 0; i < text.size(); ++i) {
        std::shared_ptr<const GlyphImage> g = font.glyph(text[i]);
        if (!g)
            continue;
        const int gx = x + g->left, gy = baseline - g->top;
        for (const GlyphRun& run : g->runs)
            t.span(gy + run.row, gx + run.x0, gx + run.x1, raw, R2_COPYPEN);
        x += dx ? dx[i] : g->advance;
    }
}

bool fillOpaque(Target& t, const RECT& logical, COLORREF color)
{
    RECT r = normalised(logical.left, logical.top, logical.right, logical.bottom);
    OffsetRect(&r, t.dx, t.dy);
    patternBlt(t, r, t.raw(color), PATCOPY);
    return true;
}

}  // namespace

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const INT* dx)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || (length > 0 && !text))
        return FALSE;
    std::shared_ptr<FontInstance> font = dcFont(dc);
    Target t;
    bool drawable = targetOf(dc, t);
    DcState& s = d->state;
    if (drawable && rect && (options & ETO_OPAQUE))
        fillOpaque(t, *rect, s.bkColor);
    if (length == 0 || !font)
        return TRUE;
    std::u32string chars = decodeUtf8(text, length);
    int width = 0;
    for (size_t i = 0; i < chars.size(); ++i)
        width += dx ? dx[i] : advanceOf(*font, chars[i]);
    const FontMetrics& m = font->metrics();
    x = clampCoord(x);
    y = clampCoord(y);
    UINT align = s.textAlign;
    if (align & TA_UPDATECP) {
        x = s.position.x;
        y = s.position.y;
    }
    int left = x;
    if ((align & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (align & TA_RIGHT)
        left = x - width;
    int baseline = y + m.ascent;
    if ((align & TA_BASELINE) == TA_BASELINE)
        baseline = y;
    else if (align & TA_BOTTOM)
        baseline = y - m.descent;
    if (align & TA_UPDATECP)
        s.position.x = (align & TA_RIGHT) && !((align & TA_CENTER) == TA_CENTER) ? left : left + width;
    if (!drawable)
        return TRUE;
    if (rect && (options & ETO_CLIPPED)) {
        RECT clip = normalised(rect->left, rect->top, rect->right, rect->bottom);
        OffsetRect(&clip, t.dx, t.dy);
        std::vector<RECT> inside;
        for (const RECT& c : t.clip) {
            RECT a;
            if (IntersectRect(&a, &c, &clip))
                inside.push_back(a);
        }
        t.setClip(std::move(inside));
    }
    if (s.bkMode == OPAQUE) {
        RECT cell{left, baseline - m.ascent, left + width, baseline + m.descent};
        fillOpaque(t, cell, s.bkColor);
    }
    drawGlyphs(t, *font, chars, left + t.dx, baseline + t.dy, s.textColor, dx);
    const LOGFONT& log = s.font->log;
    int thickness = std::max(1, (m.ascent + m.descent) / 20);
    uint32_t raw = t.raw(s.textColor);
    for (int k = 0; k < thickness; ++k) {
        if (log.lfUnderline)
            t.span(baseline + t.dy + std::max(1, m.descent / 3) + k, left + t.dx, left + t.dx + width, raw, R2_COPYPEN);
        if (log.lfStrikeOut)
            t.span(baseline + t.dy - m.ascent / 3 + k, left + t.dx, left + t.dx + width, raw, R2_COPYPEN);
    }
    return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int length)
{
    if (length < 0)
        return FALSE;
    return ExtTextOut(dc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int length, LPSIZE size)
{
    std::shared_ptr<FontInstance> font = dcFont(dc);
    if (!font || !size || length < 0 || (length > 0 && !text))
        return FALSE;
    const FontMetrics& m = font->metrics();
    size->cx = widthOf(*font, decodeUtf8(text, static_cast<size_t>(length)));
    size->cy = m.ascent + m.descent;
    return TRUE;
}

BOOL GetTextMetrics(HDC dc, LPTEXTMETRIC tm)
{
    std::shared_ptr<Dc> d = findDc(dc);
    std::shared_ptr<FontInstance> font = dcFont(dc);
    if (!font || !tm)
        return FALSE;
    const FontMetrics& m = font->metrics();
    const LOGFONT& log = d->state.font->log;
    *tm = TEXTMETRIC{};
    tm->tmHeight = m.ascent + m.descent;
    tm->tmAscent = m.ascent;
    tm->tmDescent = m.descent;
    tm->tmInternalLeading = m.internalLeading;
    tm->tmAveCharWidth = m.aveCharWidth;
    tm->tmMaxCharWidth = m.maxCharWidth;
    tm->tmWeight = log.lfWeight ? log.lfWeight : FW_NORMAL;
    tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = kScreenDpi;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    tm->tmItalic = log.lfItalic;
    tm->tmUnderlined = log.lfUnderline;
    tm->tmStruckOut = log.lfStrikeOut;
    tm->tmPitchAndFamily = static_cast<BYTE>(VARIABLE_PITCH | (log.lfPitchAndFamily & 0xF0));
    tm->tmCharSet = log.lfCharSet;
    return TRUE;
}

int GetTextFace(HDC dc, int count, LPSTR face)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !d->state.font)
        return 0;
    const char* name = d->state.font->log.lfFaceName;
    int n = static_cast<int>(std::strlen(name));
    if (!face)
        return n + 1;
    if (count <= 0)
        return 0;
    int copied = std::min(n, count - 1);
    std::memcpy(face, name, static_cast<size_t>(copied));
    face[copied] = '\0';
    return copied;
}

namespace {

std::string withoutPrefixes(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&')
                ++i;
            else
                continue;
        }
        out.push_back(s[i]);
    }
    return out;
}

std::vector<std::string> splitLines(const std::string& s, bool single)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (!single && (c == '\r' || c == '\n')) {
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            lines.emplace_back();
            continue;
        }
        if (single && (c == '\r' || c == '\n'))
            continue;
        lines.back().push_back(c);
    }
    return lines;
}

}  // namespace

int DrawText(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format)
{
    std::shared_ptr<Dc> d = findDc(dc);
    std::shared_ptr<FontInstance> font = dcFont(dc);
    if (!d || !font || !rect || !text)
        return 0;
    RECT box{clampCoord(rect->left), clampCoord(rect->top), clampCoord(rect->right), clampCoord(rect->bottom)};
    std::string s = length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
    if (!(format & DT_NOPREFIX))
        s = withoutPrefixes(s);
    std::vector<std::string> lines = splitLines(s, format & DT_SINGLELINE);
    const FontMetrics& m = font->metrics();
    int lineHeight = m.ascent + m.descent;
    std::vector<int> widths;
    int maxWidth = 0;
    for (const std::string& line : lines) {
        widths.push_back(widthOf(*font, decodeUtf8(line.data(), line.size())));
        maxWidth = std::max(maxWidth, widths.back());
    }
    int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        rect->right = box.left + maxWidth;
        rect->bottom = box.top + total;
        return total;
    }
    int y = box.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = box.top + (box.bottom - box.top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = box.bottom - lineHeight;
    }
    UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
    UINT clip = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
    for (size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
        int x = box.left;
        if (format & DT_CENTER)
            x = box.left + (box.right - box.left - widths[i]) / 2;
        else if (format & DT_RIGHT)
            x = box.right - widths[i];
        ExtTextOut(dc, x, y, clip, &box, lines[i].data(), static_cast<UINT>(lines[i].size()), nullptr);
    }
    SetTextAlign(dc, oldAlign);
    return y - box.top;
}
