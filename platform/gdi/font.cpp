#include "gdi/font.h"

#include <algorithm>
#include <cmath>

#include "gdi/font_cache.h"

namespace gdi {

GlyphTransform GlyphTransform::of(const double m[4])
{
    auto fixed = [](double v) { return static_cast<int32_t>(std::lround(std::clamp(std::isfinite(v) ? v : 0.0, -4.0, 4.0) * 65536)); };
    return {fixed(m[0]), fixed(m[1]), fixed(m[2]), fixed(m[3])};
}

size_t GlyphTransform::hash() const
{
    uint64_t h = static_cast<uint32_t>(xx);
    for (int32_t v : {xy, yx, yy})
        h = h * 0x9E3779B97F4A7C15ULL + static_cast<uint32_t>(v);
    return static_cast<size_t>(h ^ (h >> 29));
}

// Clear and full bytes are passed a byte at a time: a large glyph's rows
// are mostly one or the other.
void GlyphImage::findRuns()
{
    runs.clear();
    for (int r = 0; r < rows; ++r) {
        const uint8_t* row = &bits[static_cast<size_t>(r) * pitch];
        for (int c = 0; c < width;) {
            if (c % 8 == 0 && row[c / 8] == 0) {
                c += 8;
                continue;
            }
            if (!isSet(c, r)) {
                ++c;
                continue;
            }
            int end = c + 1;
            while (end < width) {
                if (end % 8 == 0 && end + 8 <= width && row[end / 8] == 0xFF)
                    end += 8;
                else if (isSet(end, r))
                    ++end;
                else
                    break;
            }
            runs.push_back({r, c, end});
            c = end;
        }
    }
    runs.shrink_to_fit();
}

bool GlyphTransform::byQuarters() const
{
    auto unit = [](int32_t v) { return v == 0 || v == 0x10000 || v == -0x10000; };
    return unit(xx) && unit(xy) && unit(yx) && unit(yy) && (xx == 0) == (yy == 0) && (xy == 0) == (yx == 0) &&
           (xx == 0) != (xy == 0);
}

// A pixel is the unit square right and down of its corner: moved, the
// square's corner nearest the top left names the pixel.
void GlyphImage::turnByQuarters(const GlyphTransform& turn)
{
    const int a = turn.xx >> 16, b = turn.xy >> 16, c = turn.yx >> 16, d = turn.yy >> 16;
    auto moved = [&](int x, int y) {
        return std::pair<int, int>{a * x + b * y + std::min(0, a) + std::min(0, b), c * x + d * y + std::min(0, c) + std::min(0, d)};
    };
    if (width == 0 || rows == 0) {
        const auto corner = moved(left, -top);
        left = corner.first;
        top = -corner.second;
        return;
    }
    const auto p0 = moved(left, -top), p1 = moved(left + width - 1, -top + rows - 1);
    const int newLeft = std::min(p0.first, p1.first), newTop = std::min(p0.second, p1.second);
    const int newWidth = std::abs(p1.first - p0.first) + 1, newRows = std::abs(p1.second - p0.second) + 1;
    const int newPitch = (newWidth + 7) / 8;
    std::vector<uint8_t> turned(static_cast<size_t>(newPitch) * newRows, 0);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
            if (isSet(x, y)) {
                const auto p = moved(left + x, y - top);
                const int nx = p.first - newLeft, ny = p.second - newTop;
                turned[static_cast<size_t>(ny) * newPitch + nx / 8] |= static_cast<uint8_t>(0x80 >> (nx % 8));
            }
    bits = std::move(turned);
    left = newLeft;
    top = -newTop;
    width = newWidth;
    rows = newRows;
    pitch = newPitch;
}

std::shared_ptr<FontInstance> fontFor(const LOGFONT& log) { return FontCache::shared().font(log); }

FontCacheCount fontCacheCount() { return FontCache::shared().count(); }

std::u32string decodeUtf8(const char* text, size_t length)
{
    std::u32string out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        unsigned char c = s[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= length || (s[i + k] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

}  // namespace gdi
