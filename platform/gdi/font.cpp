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
