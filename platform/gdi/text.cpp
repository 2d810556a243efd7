// Font objects, text output and measurement.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gdi/font.h"
#include "gdi/gdiapi.h"
#include "gdi/raster.h"
#include "gdi/target.h"
#include "gdi/text_frame.h"

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

bool fillOpaque(Target& t, const RECT& logical, COLORREF color)
{
    RECT r = normalised(logical.left, logical.top, logical.right, logical.bottom);
    OffsetRect(&r, t.dx, t.dy);
    patternBlt(t, r, t.raw(color), PATCOPY);
    return true;
}

// The corners of an area of the line, in font pixels from the reference
// point, on the device.
struct LineArea {
    double along0, down0, along1, down1;
};

std::vector<PointD> cornersOf(const TextFrame& f, PointD origin, const LineArea& a)
{
    auto at = [&](double along, double down) {
        return PointD{origin.x + f.line[0] * along + f.line[1] * down, origin.y + f.line[2] * along + f.line[3] * down};
    };
    return {at(a.along0, a.down0), at(a.along1, a.down0), at(a.along1, a.down1), at(a.along0, a.down1)};
}

// Where text may paint: inside the clip, and inside a turned ETO_CLIPPED
// box as well.
class TextClip {
public:
    explicit TextClip(Target& t) : t_(t) {}
    void limitTo(Region box) { box_ = std::move(box), limited_ = true; }
    bool limited() const { return limited_; }
    void span(int y, int x0, int x1, uint32_t raw)
    {
        if (!limited_) {
            t_.span(y, x0, x1, raw, R2_COPYPEN);
            return;
        }
        const std::vector<Band>& bands = box_.bands();
        auto band = std::upper_bound(bands.begin(), bands.end(), y, [](int v, const Band& b) { return v < b.bottom; });
        if (band == bands.end() || band->top > y)
            return;
        for (const Span& s : band->spans)
            if (std::max(x0, s.x0) < std::min(x1, s.x1))
                t_.span(y, std::max(x0, s.x0), std::min(x1, s.x1), raw, R2_COPYPEN);
    }

private:
    Target& t_;
    Region box_;
    bool limited_ = false;
};

// A turned area is filled as its polygon, span by span; an upright one as
// its rectangle.
void fillArea(Target& t, TextClip& clip, const TextFrame& f, PointD origin, const LineArea& a, uint32_t raw)
{
    if (f.upright() && !clip.limited()) {
        RECT r = normalised(int(origin.x + a.along0), int(origin.y + a.down0), int(origin.x + a.along1),
                            int(origin.y + a.down1));
        patternBlt(t, r, raw, PATCOPY);
        return;
    }
    polygonSpans(cornersOf(f, origin, a), ALTERNATE, {t.bounds.top, t.bounds.bottom},
                 [&](int y, int x0, int x1) { clip.span(y, x0, x1, raw); });
}

void clipToBox(Target& t, TextClip& textClip, const POINT* box)
{
    const bool upright = box[0].y == box[1].y && box[1].x == box[2].x && box[2].y == box[3].y && box[3].x == box[0].x;
    if (!upright) {
        std::vector<PointD> corners;
        for (int i = 0; i < 4; ++i)
            corners.push_back({double(clampCoord(box[i].x)) + t.dx, double(clampCoord(box[i].y)) + t.dy});
        textClip.limitTo(polygonRegion(corners, ALTERNATE, {t.bounds.top, t.bounds.bottom}));
        return;
    }
    RECT clip = normalised(box[0].x, box[0].y, box[2].x, box[2].y);
    OffsetRect(&clip, t.dx, t.dy);
    std::vector<RECT> inside;
    for (const RECT& c : t.clip) {
        RECT a;
        if (IntersectRect(&a, &c, &clip))
            inside.push_back(a);
    }
    t.setClip(std::move(inside));
}

void fillBox(Target& t, const POINT* box, COLORREF color)
{
    const bool upright = box[0].y == box[1].y && box[1].x == box[2].x && box[2].y == box[3].y && box[3].x == box[0].x;
    if (upright) {
        fillOpaque(t, {box[0].x, box[0].y, box[2].x, box[2].y}, color);
        return;
    }
    std::vector<PointD> corners;
    for (int i = 0; i < 4; ++i)
        corners.push_back({double(clampCoord(box[i].x)) + t.dx, double(clampCoord(box[i].y)) + t.dy});
    const uint32_t raw = t.raw(color);
    polygonSpans(corners, ALTERNATE, {t.bounds.top, t.bounds.bottom},
                 [&](int y, int x0, int x1) { t.span(y, x0, x1, raw, R2_COPYPEN); });
}

// Where each character's pen lies along and down the line, in font pixels
// from the text's start; one more for the end.
struct PenSteps {
    std::vector<int> along;
    std::vector<int> down;
};

PenSteps penSteps(FontInstance& font, const std::u32string& chars, const GlyphTransform& turn, const INT* dx,
                  bool pairs)
{
    PenSteps p;
    p.along.push_back(0);
    p.down.push_back(0);
    for (size_t i = 0; i < chars.size(); ++i) {
        int advance = 0, rise = 0;
        if (dx) {
            advance = pairs ? dx[2 * i] : dx[i];
            rise = pairs ? dx[2 * i + 1] : 0;
        } else {
            std::shared_ptr<const GlyphImage> g = font.glyph(chars[i], turn);
            advance = g ? g->advance : 0;
        }
        p.along.push_back(clampCoord(static_cast<long long>(p.along.back()) + advance));
        p.down.push_back(clampCoord(static_cast<long long>(p.down.back()) - rise));
    }
    return p;
}

}  // namespace

void gdi::turnMatrix(int tenths, double m[4])
{
    tenths %= 3600;
    if (tenths < 0)
        tenths += 3600;
    double c, s;
    switch (tenths) {
    case 0: c = 1, s = 0; break;
    case 900: c = 0, s = 1; break;
    case 1800: c = -1, s = 0; break;
    case 2700: c = 0, s = -1; break;
    default:
        c = std::cos(tenths * M_PI / 1800);
        s = std::sin(tenths * M_PI / 1800);
    }
    // Along the text goes (cos, -sin) on the screen, down from it (sin, cos).
    m[0] = c, m[1] = s, m[2] = -s, m[3] = c;
}

TextFrame TextFrame::turnedBy(int tenths)
{
    TextFrame f;
    turnMatrix(tenths, f.line);
    f.glyphs = GlyphTransform::of(f.line);
    return f;
}

BOOL gdi::drawTextAlong(HDC dc, const LOGFONT& log, const TextFrame& frame, int x, int y, UINT options,
                        const POINT* box, const char* text, UINT length, const INT* dx)
{
    std::shared_ptr<Dc> d = findDc(dc);
    const double* f = frame.line;
    if (!d || (length > 0 && !text) || !std::all_of(f, f + 4, [](double v) { return std::isfinite(v) && std::fabs(v) <= 4; }))
        return FALSE;
    Target t;
    bool drawable = targetOf(dc, t);
    DcState& s = d->state;
    if (drawable && box && (options & ETO_OPAQUE))
        fillBox(t, box, s.bkColor);
    if (length == 0)
        return TRUE;
    // Held for the call: the cache keeps a font in use.
    std::shared_ptr<FontInstance> font = fontFor(log);
    std::u32string chars = decodeUtf8(text, length);
    const PenSteps steps = penSteps(*font, chars, frame.glyphs, dx, options & ETO_PDY);
    const int width = steps.along.back();
    const FontMetrics& m = font->metrics();
    x = clampCoord(x);
    y = clampCoord(y);
    UINT align = s.textAlign;
    if (align & TA_UPDATECP) {
        x = s.position.x;
        y = s.position.y;
    }
    const bool centred = (align & TA_CENTER) == TA_CENTER, right = (align & TA_RIGHT) && !centred;
    const int along0 = centred ? -(width / 2) : right ? -width : 0;
    const int down0 = (align & TA_BASELINE) == TA_BASELINE ? 0 : (align & TA_BOTTOM) ? -m.descent : m.ascent;
    if (align & TA_UPDATECP) {
        const int end = right ? along0 : along0 + width;
        s.position = {clampCoord(std::lround(x + f[0] * end)), clampCoord(std::lround(y + f[2] * end))};
    }
    if (!drawable)
        return TRUE;
    TextClip clip(t);
    if (box && (options & ETO_CLIPPED))
        clipToBox(t, clip, box);
    // The line's start: the reference point moved along and down the line.
    const PointD origin{double(x) + t.dx + f[0] * along0 + f[1] * down0, double(y) + t.dy + f[2] * along0 + f[3] * down0};
    if (s.bkMode == OPAQUE)
        fillArea(t, clip, frame, origin, {0, -double(m.ascent), double(width), double(m.descent)}, t.raw(s.bkColor));
    const uint32_t ink = t.raw(s.textColor);
    for (size_t i = 0; i < chars.size(); ++i) {
        std::shared_ptr<const GlyphImage> g = font->glyph(chars[i], frame.glyphs);
        if (!g)
            continue;
        const double along = steps.along[i], down = steps.down[i];
        const int gx = int(std::lround(origin.x + f[0] * along + f[1] * down)) + g->left;
        const int gy = int(std::lround(origin.y + f[2] * along + f[3] * down)) - g->top;
        for (const GlyphRun& run : g->runs)
            clip.span(gy + run.row, gx + run.x0, gx + run.x1, ink);
    }
    const int thickness = std::max(1, (m.ascent + m.descent) / 20);
    if (log.lfUnderline) {
        const double under = std::max(1, m.descent / 3);
        fillArea(t, clip, frame, origin, {0, under, double(width), under + thickness}, ink);
    }
    if (log.lfStrikeOut) {
        const double strike = -(m.ascent / 3);
        fillArea(t, clip, frame, origin, {0, strike, double(width), strike + thickness}, ink);
    }
    return TRUE;
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const INT* dx)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || (length > 0 && !text))
        return FALSE;
    const POINT box[4] = {{rect ? rect->left : 0, rect ? rect->top : 0},
                          {rect ? rect->right : 0, rect ? rect->top : 0},
                          {rect ? rect->right : 0, rect ? rect->bottom : 0},
                          {rect ? rect->left : 0, rect ? rect->bottom : 0}};
    if (!d->state.font) {
        Target t;
        if (rect && (options & ETO_OPAQUE) && targetOf(dc, t))
            fillOpaque(t, *rect, d->state.bkColor);
        return TRUE;
    }
    const LOGFONT log = d->state.font->log;
    return drawTextAlong(dc, log, TextFrame::turnedBy(log.lfEscapement), x, y, options, rect ? box : nullptr, text,
                         length, dx);
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
