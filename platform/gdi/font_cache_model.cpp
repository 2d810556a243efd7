#include "gdi/font_cache_model.h"

#include <algorithm>

namespace gdi {

namespace {

// What the cache holds for an instance, FreeType's sizes of one or two
// faces included, and for a glyph: its pixels from its cell, a few runs a
// row, and its entry. At or a little above what common faces measure, so
// that the model drops about when the cache does, and seldom later.
const size_t kModelledFontBytes = 40 << 10;

size_t ModelledGlyphBytes(uint64_t cell, long height)
{
    return size_t(512 + cell / 8 + uint64_t(std::max(1L, height)) * 32);
}

}  // namespace

FontCacheModel::Work FontCacheModel::Draw(uint64_t font, const std::u32string& text, uint64_t cell, long height,
                                          const GlyphTransform& turn)
{
    Work work;
    const Use whole{font, kWhole, {}};
    if (!Touch(whole, kModelledFontBytes))
        work.fontsOpened++;
    const size_t glyphBytes = ModelledGlyphBytes(cell, height);
    for (int pass = 0; pass < 2; pass++) {
        for (char32_t c : text) {
            if (c != kWhole && !Touch({font, c, turn}, glyphBytes))
                work.renderedPixels += double(cell);
            m_held.touch(whole);
        }
    }
    return work;
}

bool FontCacheModel::Touch(const Use& use, size_t bytes)
{
    if (m_held.touch(use))
        return true;
    m_held.add(use, bytes);
    m_held.trim([this] { return m_held.bytes() > kFontCacheLimit; }, [](const Use&) { return true; });
    return false;
}

}  // namespace gdi
