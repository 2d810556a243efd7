#include "gdi/font_cache.h"

#include <algorithm>

namespace gdi {

namespace {

// Beside a glyph's pixels and runs: its image, shared count, map node and
// place in the order, each with the allocator's own overhead.
const size_t kGlyphEntryBytes = 256;
// Beside FreeType's sizes, which it counts itself: the instance, its map
// node and its place in the order.
const size_t kFontEntryBytes = 1024;

size_t bytesOf(const GlyphImage* g)
{
    if (!g)
        return kGlyphEntryBytes;
    return kGlyphEntryBytes + sizeof(GlyphImage) + g->bits.capacity() + g->runs.capacity() * sizeof(GlyphRun);
}

}  // namespace

class FontCache::CachedFont : public FontInstance {
public:
    CachedFont(FontCache& owner, const LOGFONT& log, uint64_t keyOfLog) : cache(owner), key(keyOfLog), renderer(log)
    {
    }
    const FontMetrics& metrics() const override { return renderer.metrics(); }
    std::shared_ptr<const GlyphImage> glyph(char32_t code, const GlyphTransform& turn) override
    {
        return cache.glyph(*this, {code, turn});
    }

    FontCache& cache;
    const uint64_t key;
    FreeTypeFont renderer;
    // Null for a character no face has.
    std::unordered_map<GlyphKey, std::shared_ptr<const GlyphImage>, GlyphKeyHash> glyphs;
};

FontCache& FontCache::shared()
{
    static auto* cache = new FontCache;
    return *cache;
}

std::shared_ptr<FontInstance> FontCache::font(const LOGFONT& log)
{
    const uint64_t key = fontKeyOf(log);
    std::lock_guard<std::mutex> guard(lock_);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) {
        used_.touch(wholeOf(it->second.get()));
        return it->second;
    }
    auto font = std::make_shared<CachedFont>(*this, log, key);
    fonts_.emplace(key, font);
    used_.add(wholeOf(font.get()), kFontEntryBytes);
    std::shared_ptr<FontInstance> held = std::move(font);
    trim();
    noteHeld();
    return held;
}

std::shared_ptr<const GlyphImage> FontCache::glyph(CachedFont& font, const GlyphKey& key)
{
    if (key.code == kWhole)
        return nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    std::shared_ptr<const GlyphImage> held;
    auto it = font.glyphs.find(key);
    const bool added = it == font.glyphs.end();
    if (added) {
        auto image = std::make_shared<GlyphImage>();
        ++renders_;
        if (font.renderer.render(key.code, key.turn, *image))
            held = std::move(image);
        font.glyphs.emplace(key, held);
        used_.add({&font, key}, bytesOf(held.get()));
    } else {
        used_.touch({&font, key});
        held = it->second;
    }
    // A font stays more recent than each of its glyphs: it is dropped after
    // them, and takes with it only those in use.
    used_.touch(wholeOf(&font));
    if (added) {
        trim();
        noteHeld();
    }
    return held;
}

size_t FontCache::heldBytes() const { return used_.bytes() + FreeTypeFont::libraryBytes(); }

void FontCache::trim()
{
    used_.trim([this] { return heldBytes() > kFontCacheLimit; }, [this](const Use& use) { return drop(use); });
}

// A font or glyph a caller holds is in use and stays.
bool FontCache::drop(const Use& use)
{
    CachedFont& font = *use.font;
    if (use.glyph.code != kWhole) {
        auto it = font.glyphs.find(use.glyph);
        if (it->second.use_count() > 1)
            return false;
        font.glyphs.erase(it);
        return true;
    }
    auto it = fonts_.find(font.key);
    if (it->second.use_count() > 1)
        return false;
    for (const auto& glyph : font.glyphs)
        used_.remove({&font, glyph.first});
    fonts_.erase(it);
    return true;
}

void FontCache::noteHeld() { peak_ = std::max(peak_, heldBytes()); }

FontCacheCount FontCache::count()
{
    std::lock_guard<std::mutex> guard(lock_);
    FontCacheCount c;
    c.bytes = heldBytes();
    c.peak = peak_;
    c.fonts = fonts_.size();
    for (const auto& font : fonts_)
        c.glyphs += font.second->glyphs.size();
    c.entries = used_.size();
    c.renders = renders_;
    return c;
}

}  // namespace gdi
