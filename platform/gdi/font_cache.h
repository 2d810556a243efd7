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
    // A font itself (code kWhole) or one of its glyphs.
    struct Use {
        CachedFont* font;
        char32_t code;
        bool operator==(const Use& o) const { return font == o.font && code == o.code; }
    };
    struct UseHash {
        size_t operator()(const Use& u) const { return std::hash<const void*>()(u.font) * 31 + u.code; }
    };
    static constexpr char32_t kWhole = 0xFFFFFFFF;

    std::shared_ptr<const GlyphImage> glyph(CachedFont& font, char32_t code);
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
