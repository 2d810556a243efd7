// The process's fonts and their rendered glyphs, held within a fixed bound
// whatever the files opened name: the least recently used are dropped
// first, never one a caller holds. A glyph dropped and needed again is
// rendered again. Safe for use from any thread: one lock serialises every
// lookup and rendering, as the faces are shared.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "gdi/font.h"
#include "gdi/freetype_font.h"
#include "gdi/least_recently_used.h"

namespace gdi {

class FontCache {
public:
    static FontCache& shared();

    std::shared_ptr<FontInstance> font(const LOGFONT& log);
    FontCacheCount count();

private:
    class CachedFont;
    // A character as one turn draws it.
    struct GlyphKey {
        char32_t code;
        GlyphTransform turn;
        bool operator==(const GlyphKey& o) const { return code == o.code && turn == o.turn; }
    };
    struct GlyphKeyHash {
        size_t operator()(const GlyphKey& k) const { return k.turn.hash() * 31 + k.code; }
    };
    // A font itself (code kWhole) or one of its glyphs.
    struct Use {
        CachedFont* font;
        GlyphKey glyph;
        bool operator==(const Use& o) const { return font == o.font && glyph == o.glyph; }
    };
    struct UseHash {
        size_t operator()(const Use& u) const { return std::hash<const void*>()(u.font) * 31 + GlyphKeyHash()(u.glyph); }
    };
    static constexpr char32_t kWhole = 0xFFFFFFFF;
    static Use wholeOf(CachedFont* font) { return {font, {kWhole, {}}}; }

    std::shared_ptr<const GlyphImage> glyph(CachedFont& font, const GlyphKey& key);
    size_t heldBytes() const;
    void trim();
    bool drop(const Use& use);
    void noteHeld();

    std::mutex lock_;
    std::unordered_map<uint64_t, std::shared_ptr<CachedFont>> fonts_;
    LeastRecentlyUsed<Use, UseHash> used_;
    size_t peak_ = 0;
    size_t renders_ = 0;
};

}  // namespace gdi
