#include "gdi/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace gdi {

namespace {

struct FaceFiles {
    const char* regular;
    const char* bold;
    const char* italic;
    const char* boldItalic;
};

const FaceFiles kSans = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf", "DejaVuSans-BoldOblique.ttf"};
const FaceFiles kArial = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf", "LiberationSans-Italic.ttf",
                          "LiberationSans-BoldItalic.ttf"};
const FaceFiles kMono = {"LiberationMono-Regular.ttf", "LiberationMono-Bold.ttf", "LiberationMono-Italic.ttf",
                         "LiberationMono-BoldItalic.ttf"};
const FaceFiles kCjk = {"wqy-microhei.ttc", "wqy-microhei.ttc", "wqy-microhei.ttc", "wqy-microhei.ttc"};

const FaceFiles& facesFor(const char* name)
{
    static const struct {
        const char* face;
        const FaceFiles* files;
    } map[] = {{"Arial", &kArial},     {"Helvetica", &kArial},   {"Arial Narrow", &kArial},
               {"Courier", &kMono},    {"Courier New", &kMono},  {"宋体", &kCjk},
               {"新宋体", &kCjk},      {"SimSun", &kCjk},        {"NSimSun", &kCjk},
               {"黑体", &kCjk},        {"SimHei", &kCjk},        {"微软雅黑", &kCjk},
               {"Microsoft YaHei", &kCjk}};
    for (const auto& m : map)
        if (strcasecmp(name, m.face) == 0)
            return *m.files;
    return kSans;  // "Tahoma", "MS Sans Serif" and every other face
}

// Installed font files by file name, found through fontconfig.
std::string pathOf(const std::string& fileName)
{
    static std::map<std::string, std::string>* files = [] {
        auto* m = new std::map<std::string, std::string>;
        FcConfig* config = FcInitLoadConfigAndFonts();
        FcPattern* pattern = FcPatternCreate();
        FcObjectSet* set = FcObjectSetBuild(FC_FILE, nullptr);
        FcFontSet* fonts = FcFontList(config, pattern, set);
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
                continue;
            std::string path = reinterpret_cast<const char*>(file);
            std::string base = path.substr(path.find_last_of('/') + 1);
            m->emplace(base, path);
        }
        if (fonts)
            FcFontSetDestroy(fonts);
        FcObjectSetDestroy(set);
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
        return m;
    }();
    auto it = files->find(fileName);
    return it == files->end() ? std::string() : it->second;
}

FT_Library library()
{
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0)
            return static_cast<FT_Library>(nullptr);
        return l;
    }();
    return lib;
}

bool wantsBold(const LOGFONT& log) { return log.lfWeight >= FW_SEMIBOLD; }

const char* fileNameFor(const FaceFiles& f, bool bold, bool italic)
{
    return bold ? (italic ? f.boldItalic : f.bold) : (italic ? f.italic : f.regular);
}

struct Face {
    FT_Face face = nullptr;
    bool emboldenSynthetic = false;
    bool slantSynthetic = false;
};

class FreeTypeFont : public FontInstance {
public:
    explicit FreeTypeFont(const LOGFONT& log) : log_(log)
    {
        bool bold = wantsBold(log), italic = log.lfItalic != 0;
        const FaceFiles& primary = facesFor(log.lfFaceName);
        for (const FaceFiles* files : {&primary, &kCjk, &kSans})
            openFace(*files, bold, italic);
        computeMetrics();
    }

    ~FreeTypeFont() override
    {
        for (Face& f : faces_)
            FT_Done_Face(f.face);
    }

    const FontMetrics& metrics() const override { return metrics_; }

    const GlyphImage* glyph(char32_t code) override
    {
        auto it = glyphs_.find(code);
        if (it != glyphs_.end())
            return it->second.advance < 0 ? nullptr : &it->second;
        GlyphImage& g = glyphs_[code];
        if (!render(code, g)) {
            g = GlyphImage();
            g.advance = -1;
            return nullptr;
        }
        return &g;
    }

private:
    void openFace(const FaceFiles& files, bool bold, bool italic)
    {
        std::string path = pathOf(fileNameFor(files, bold, italic));
        bool exact = !path.empty();
        if (!exact)
            path = pathOf(files.regular);
        if (path.empty() || !library())
            return;
        for (const Face& f : faces_)
            if (f.face && path == paths_[&f - faces_.data()])
                return;
        Face f;
        if (FT_New_Face(library(), path.c_str(), 0, &f.face) != 0)
            return;
        f.emboldenSynthetic = bold && (!exact || files.bold == files.regular);
        f.slantSynthetic = italic && (!exact || files.italic == files.regular);
        faces_.push_back(f);
        paths_.push_back(path);
    }

    void computeMetrics()
    {
        if (faces_.empty()) {
            int h = log_.lfHeight == 0 ? 16 : std::abs(log_.lfHeight);
            metrics_.ascent = h * 4 / 5;
            metrics_.descent = h - metrics_.ascent;
            metrics_.aveCharWidth = metrics_.maxCharWidth = h / 2;
            return;
        }
        FT_Face face = faces_[0].face;
        double upem = face->units_per_EM ? face->units_per_EM : 2048;
        double winAscent = face->ascender, winDescent = -face->descender, avgWidth = upem / 2;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
            if (os2->usWinAscent + os2->usWinDescent > 0) {
                winAscent = os2->usWinAscent;
                winDescent = os2->usWinDescent;
            }
            if (os2->xAvgCharWidth > 0)
                avgWidth = os2->xAvgCharWidth;
        }
        // Negative heights give the character (em) height, positive ones the cell.
        int h = log_.lfHeight == 0 ? 16 : log_.lfHeight;
        h = std::max(-4096, std::min(4096, h));
        double ppem = h < 0 ? -h : h * upem / (winAscent + winDescent);
        ppem26_ = std::max<long>(64, std::lround(ppem * 64));
        double scale = ppem26_ / 64.0 / upem;
        metrics_.ascent = static_cast<int>(std::lround(winAscent * scale));
        metrics_.descent = h > 0 ? h - metrics_.ascent : static_cast<int>(std::lround(winDescent * scale));
        metrics_.internalLeading = metrics_.ascent + metrics_.descent - static_cast<int>(std::lround(ppem26_ / 64.0));
        metrics_.aveCharWidth = static_cast<int>(std::lround(avgWidth * scale));
        metrics_.maxCharWidth = static_cast<int>(std::lround(face->max_advance_width * scale));
        for (Face& f : faces_)
            FT_Set_Char_Size(f.face, 0, ppem26_, 72, 72);
    }

    bool render(char32_t code, GlyphImage& g)
    {
        for (Face& f : faces_) {
            FT_UInt index = FT_Get_Char_Index(f.face, code);
            if (index == 0)
                continue;
            if (FT_Load_Glyph(f.face, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0)
                continue;
            FT_GlyphSlot slot = f.face->glyph;
            int extra = 0;
            if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
                if (f.emboldenSynthetic) {
                    FT_Outline_EmboldenXY(&slot->outline, std::max<FT_Pos>(64, ppem26_ / 24), 0);
                    extra = 1;
                }
                if (f.slantSynthetic) {
                    FT_Matrix shear{0x10000, 0x3800, 0, 0x10000};
                    FT_Outline_Transform(&slot->outline, &shear);
                }
            }
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
                continue;
            const FT_Bitmap& bm = slot->bitmap;
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = static_cast<int>(bm.width);
            g.rows = static_cast<int>(bm.rows);
            g.pitch = (g.width + 7) / 8;
            g.advance = static_cast<int>((slot->advance.x + 32) >> 6) + extra;
            g.bits.assign(static_cast<size_t>(g.pitch) * g.rows, 0);
            for (int y = 0; y < g.rows; ++y) {
                const unsigned char* src = bm.buffer + static_cast<long>(y) * bm.pitch;
                std::memcpy(&g.bits[static_cast<size_t>(y) * g.pitch], src, static_cast<size_t>(g.pitch));
            }
            g.findRuns();
            return true;
        }
        return false;
    }

    LOGFONT log_;
    std::vector<Face> faces_;
    std::vector<std::string> paths_;
    FontMetrics metrics_;
    long ppem26_ = 16 * 64;
    std::unordered_map<char32_t, GlyphImage> glyphs_;
};

std::string keyOf(const LOGFONT& log)
{
    LOGFONT k{};
    k.lfHeight = log.lfHeight;
    k.lfWeight = wantsBold(log) ? FW_BOLD : FW_NORMAL;
    k.lfItalic = log.lfItalic ? 1 : 0;
    std::memcpy(k.lfFaceName, log.lfFaceName, LF_FACESIZE);
    k.lfFaceName[LF_FACESIZE - 1] = '\0';
    return std::string(reinterpret_cast<const char*>(&k), sizeof(k));
}

}  // namespace

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
}

FontInstance& fontFor(const LOGFONT& log)
{
    static std::mutex lock;
    static auto* cache = new std::unordered_map<std::string, std::unique_ptr<FontInstance>>;
    std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<FontInstance>& slot = (*cache)[keyOf(log)];
    if (!slot)
        slot = std::make_unique<FreeTypeFont>(log);
    return *slot;
}

std::string fontFileFor(const LOGFONT& log)
{
    return pathOf(fileNameFor(facesFor(log.lfFaceName), wantsBold(log), log.lfItalic != 0));
}

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
