#include "gdi/freetype_font.h"

#include FT_MODULE_H
#include FT_SIZES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace gdi {

struct FaceFiles {
    const char* regular;
    const char* bold;
    const char* italic;
    const char* boldItalic;
};

namespace {

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

// FreeType's allocations, counted so that the font cache can hold them
// within its bound.
size_t freeTypeBytes = 0;

void* countedAlloc(FT_Memory, long size)
{
    void* block = std::malloc(static_cast<size_t>(size));
    if (block)
        freeTypeBytes += malloc_usable_size(block);
    return block;
}

void countedFree(FT_Memory, void* block)
{
    freeTypeBytes -= malloc_usable_size(block);
    std::free(block);
}

void* countedRealloc(FT_Memory, long, long size, void* block)
{
    const size_t before = malloc_usable_size(block);
    void* moved = std::realloc(block, static_cast<size_t>(size));
    if (moved)
        freeTypeBytes += malloc_usable_size(moved) - before;
    return moved;
}

FT_Library library()
{
    static FT_MemoryRec_ memory{nullptr, countedAlloc, countedFree, countedRealloc};
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_New_Library(&memory, &l) != 0)
            return static_cast<FT_Library>(nullptr);
        FT_Add_Default_Modules(l);
        FT_Set_Default_Properties(l);
        return l;
    }();
    return lib;
}

// Each font file opened once for the life of the process; null for one
// that cannot be opened.
FT_Face sharedFace(const std::string& path)
{
    static auto* faces = new std::map<std::string, FT_Face>;
    auto [it, added] = faces->try_emplace(path, nullptr);
    if (added && FT_New_Face(library(), path.c_str(), 0, &it->second) != 0)
        it->second = nullptr;
    return it->second;
}

bool wantsBold(const LOGFONT& log) { return log.lfWeight >= FW_SEMIBOLD; }

int widthOf(const LOGFONT& log) { return std::min(4096, std::abs(log.lfWidth)); }

const char* fileNameFor(const FaceFiles& f, bool bold, bool italic)
{
    return bold ? (italic ? f.boldItalic : f.bold) : (italic ? f.italic : f.regular);
}

}  // namespace

FreeTypeFont::FreeTypeFont(const LOGFONT& log) : log_(log)
{
    bool bold = wantsBold(log), italic = log.lfItalic != 0;
    const FaceFiles& primary = facesFor(log.lfFaceName);
    for (const FaceFiles* files : {&primary, &kCjk, &kSans})
        addFace(*files, bold, italic);
    computeMetrics();
}

FreeTypeFont::~FreeTypeFont()
{
    for (Sized& s : faces_)
        if (s.size)
            FT_Done_Size(s.size);
}

size_t FreeTypeFont::libraryBytes() { return freeTypeBytes; }

void FreeTypeFont::addFace(const FaceFiles& files, bool bold, bool italic)
{
    std::string path = pathOf(fileNameFor(files, bold, italic));
    bool exact = !path.empty();
    if (!exact)
        path = pathOf(files.regular);
    if (path.empty() || !library())
        return;
    Sized s;
    s.face = sharedFace(path);
    if (!s.face)
        return;
    for (const Sized& f : faces_)
        if (f.face == s.face)
            return;
    s.emboldenSynthetic = bold && (!exact || std::strcmp(files.bold, files.regular) == 0);
    s.slantSynthetic = italic && (!exact || std::strcmp(files.italic, files.regular) == 0);
    faces_.push_back(s);
}

void FreeTypeFont::computeMetrics()
{
    if (faces_.empty()) {
        int h = log_.lfHeight == 0 ? 16 : std::abs(log_.lfHeight);
        metrics_.ascent = h * 4 / 5;
        metrics_.descent = h - metrics_.ascent;
        metrics_.aveCharWidth = metrics_.maxCharWidth = widthOf(log_) ? widthOf(log_) : h / 2;
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
    // A width stretches the glyphs so that their average width is that.
    ppemX26_ = widthOf(log_) ? std::max<long>(64, std::lround(widthOf(log_) * upem / avgWidth * 64)) : ppem26_;
    double scale = ppem26_ / 64.0 / upem, scaleX = ppemX26_ / 64.0 / upem;
    metrics_.ascent = static_cast<int>(std::lround(winAscent * scale));
    metrics_.descent = h > 0 ? h - metrics_.ascent : static_cast<int>(std::lround(winDescent * scale));
    metrics_.internalLeading = metrics_.ascent + metrics_.descent - static_cast<int>(std::lround(ppem26_ / 64.0));
    metrics_.aveCharWidth = static_cast<int>(std::lround(avgWidth * scaleX));
    metrics_.maxCharWidth = static_cast<int>(std::lround(face->max_advance_width * scaleX));
}

// The face is shared: this instance's size of it is made current before
// every rendering.
bool FreeTypeFont::sizeFor(Sized& s)
{
    if (s.size)
        return FT_Activate_Size(s.size) == 0;
    if (FT_New_Size(s.face, &s.size) != 0) {
        s.size = nullptr;
        return false;
    }
    if (FT_Activate_Size(s.size) != 0)
        return false;
    FT_Set_Char_Size(s.face, ppemX26_, ppem26_, 72, 72);
    return true;
}

bool FreeTypeFont::render(char32_t code, const GlyphTransform& turn, GlyphImage& g)
{
    for (Sized& s : faces_) {
        const FT_UInt index = FT_Get_Char_Index(s.face, code);
        if (index != 0 && renderFrom(s, index, turn, g))
            return true;
    }
    return false;
}

namespace {

// Our transform has y pointing down, FreeType's up.
FT_Matrix freeTypeMatrix(const GlyphTransform& t) { return {t.xx, -t.xy, -t.yx, t.yy}; }

// Turned or stretched ink is held to twice the largest upright cell.
bool inkWithinBound(const FT_Outline& outline)
{
    FT_BBox box;
    FT_Outline_Get_CBox(&outline, &box);
    const double kMostPixels = 2.0 * 4096 * 4096;
    return double(box.xMax - box.xMin) / 64 * (double(box.yMax - box.yMin) / 64) <= kMostPixels;
}

}  // namespace

// The glyph is hinted upright at its size, then turned: emboldening and
// slant belong to the upright glyph.
bool FreeTypeFont::renderFrom(Sized& s, FT_UInt index, const GlyphTransform& turn, GlyphImage& g)
{
    if (!sizeFor(s))
        return false;
    // Hinted upright, so that a turned glyph advances as the upright one.
    const bool offGrid = !turn.identity() && !turn.byQuarters();
    if (FT_Load_Glyph(s.face, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0)
        return false;
    FT_GlyphSlot slot = s.face->glyph;
    int extra = 0;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (s.emboldenSynthetic) {
            FT_Outline_EmboldenXY(&slot->outline, std::max<FT_Pos>(64, ppemX26_ / 24), 0);
            extra = 1;
        }
        if (s.slantSynthetic) {
            FT_Matrix shear{0x10000, 0x3800, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (offGrid) {
            FT_Matrix m = freeTypeMatrix(turn);
            FT_Outline_Transform(&slot->outline, &m);
        }
        if ((!turn.identity() || ppemX26_ != ppem26_) && !inkWithinBound(slot->outline))
            return false;
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return false;
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
    // Quarter turns move the upright glyph's pixels: the same ink, turned.
    if (!turn.identity() && turn.byQuarters())
        g.turnByQuarters(turn);
    g.findRuns();
    return true;
}

uint64_t fontKeyOf(const LOGFONT& log)
{
    const FaceFiles* families[] = {&kSans, &kArial, &kMono, &kCjk};
    const uint64_t family = static_cast<uint64_t>(std::find(families, families + 4, &facesFor(log.lfFaceName)) - families);
    return family | uint64_t(wantsBold(log)) << 2 | uint64_t(log.lfItalic != 0) << 3 | uint64_t(widthOf(log)) << 4 |
           uint64_t(static_cast<uint32_t>(log.lfHeight)) << 32;
}

std::string fontFileFor(const LOGFONT& log)
{
    return pathOf(fileNameFor(facesFor(log.lfFaceName), wantsBold(log), log.lfItalic != 0));
}

}  // namespace gdi
