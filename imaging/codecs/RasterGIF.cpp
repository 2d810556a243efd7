#include "RasterGIF.h"

#include <algorithm>
#include <cstring>

#include "FileStream.h"

namespace {

const int kReadAhead = 16383;
const int kMaxCodes = 4096;

// At most 4096 pixels per code of at least three bits.
const uint64_t kPixelsPerDataByte = 8 * 4096 / 3 + 1;

const unsigned int kCodeMask[13] = {0,     0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F,
                                    0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF, 0x0FFF};

WORD Le16(const BYTE* p)
{
    return WORD(p[0] | (p[1] << 8));
}

int BitCountOf(int colours)
{
    return colours <= 2 ? 1 : (colours <= 16 ? 4 : 8);
}

} // namespace

CRasterGIF::CRasterGIF()
    : CRasterImage(RASTER_FORMAT_GIF), gifgce{0, 0, 0}, curx(0), cury(0), CountDown(0), cur_accum(0),
      cur_bits(0), frame_width(0), frame_height(0), interlaced(0), iypos(0), istep(8), iheight(0), ipass(0),
      ibf(0), ibfmax(0), curr_size(0), clear(0), ending(0), newcodes(0), top_slot(0), slot(0),
      navail_bytes(0), nbits_left(0), b1(0), pbytes(byte_buff), block_terminated(false), n_bits(0),
      maxcode(0), free_ent(0), clear_flg(0), g_init_bits(0), g_outfile(nullptr), ClearCode(0), EOFCode(0),
      a_count(0), m_loops(0), m_dispmeth(0)
{
    memset(byte_buff, 0, sizeof(byte_buff));
    memset(accum, 0, sizeof(accum));
    m_comment[0] = 0;
}

// Comments are kept and handed out to at most 255 characters.
static void CopyComment(char* to, const char* from)
{
    if (!to || !from)
        return;
    size_t n = strnlen(from, 255);
    memcpy(to, from, n);
    to[n] = 0;
}

void CRasterGIF::SetComment(const char* sz_comment_in)
{
    CopyComment(m_comment, sz_comment_in);
}

void CRasterGIF::GetComment(char* sz_comment_out)
{
    CopyComment(sz_comment_out, m_comment);
}

bool CRasterGIF::Decode(FILE* fp)
{
    CFileStream file(fp);
    return Decode(&file);
}

bool CRasterGIF::Decode(CByteStream* fp)
{
    return DecodeFrames(fp, nullptr);
}

bool CRasterGIF::DecodeFrames(CByteStream* fp, const RasterFrameSink& sink)
{
    return DecodeFrames(fp, &sink);
}

bool CRasterGIF::DecodeFrames(CByteStream* fp, const RasterFrameSink* sink)
{
    if (!fp)
        return false;
    buf.assign(kReadAhead + 1, 0);
    stack.assign(kMaxCodes, 0);
    suffix.assign(kMaxCodes, 0);
    prefix.assign(kMaxCodes, 0);
    bool ok = false;
    try {
        ok = DecodeBody(fp, sink);
    } catch (const std::exception&) {
        ok = false;
    }
    buf.clear();
    frame_pixels.clear();
    return ok;
}

void CRasterGIF::reset_reader(CByteStream* fp, long position)
{
    fp->Seek(position, SEEK_SET);
    ibf = kReadAhead;
    ibfmax = kReadAhead;
}

int CRasterGIF::get_byte(CByteStream* fp)
{
    if (ibf >= kReadAhead) {
        ibfmax = int(fp->Read(buf.data(), 1, kReadAhead));
        if (ibfmax < kReadAhead)
            buf[size_t(ibfmax)] = 0xFF;
        ibf = 0;
    }
    if (ibf >= ibfmax)
        return -1;
    return buf[size_t(ibf++)];
}

bool CRasterGIF::read_bytes(CByteStream* fp, void* dest, size_t count)
{
    BYTE* out = static_cast<BYTE*>(dest);
    for (size_t i = 0; i < count; i++) {
        int c = get_byte(fp);
        if (c < 0)
            return false;
        out[i] = BYTE(c);
    }
    return true;
}

bool CRasterGIF::read_table(CByteStream* fp, BYTE packed, tag_TabCol& table)
{
    table.sogct = short(2 << (packed & 7));
    table.colres = short(((packed >> 4) & 7) + 1);
    return read_bytes(fp, table.paleta, size_t(table.sogct) * 3);
}

// Skips data sub-blocks up to and including the zero-size terminator.
bool CRasterGIF::skip_sub_blocks(CByteStream* fp, size_t* total)
{
    for (;;) {
        int size = get_byte(fp);
        if (size <= 0)
            return size == 0;
        for (int i = 0; i < size; i++)
            if (get_byte(fp) < 0)
                return false;
        if (total)
            *total += size_t(size);
    }
}

bool CRasterGIF::DecodeExtension(CByteStream* fp)
{
    int label = get_byte(fp);
    if (label < 0)
        return false;
    if (label == 0xF9) {
        int size = get_byte(fp);
        BYTE raw[4];
        if (size < 0 || !read_bytes(fp, raw, 4))
            return false;
        if (size == 4) {
            gifgce.flags = raw[0];
            gifgce.delaytime = Le16(raw + 1);
            gifgce.transpcolindex = raw[3];
            if (gifgce.flags & 1)
                info.nBkgndIndex = gifgce.transpcolindex;
            info.dwFrameDelay = gifgce.delaytime;
            m_dispmeth = (gifgce.flags >> 2) & 7;
        }
    } else if (label == 0xFE) {
        int size = get_byte(fp);
        if (size < 0 || !read_bytes(fp, m_comment, size_t(size)))
            return false;
        m_comment[size] = 0;
    } else if (label == 0xFF) {
        int size = get_byte(fp);
        if (size != 11)
            return false;
        BYTE identifier[11];
        int blockSize = -1;
        if (!read_bytes(fp, identifier, 11) || (blockSize = get_byte(fp)) < 0)
            return false;
        BYTE block[256];
        if (!read_bytes(fp, block, size_t(blockSize)))
            return false;
        if (blockSize > 2)
            m_loops = block[2] * 256 + block[1];
    }
    return skip_sub_blocks(fp, nullptr);
}

// Reads extensions up to the next image descriptor: false at the trailer,
// the end, or an extension that cannot be read. Stray bytes are skipped,
// and after a non-zero one only a zero byte lets the next block count.
bool CRasterGIF::next_image(CByteStream* fp, bool& armed)
{
    for (;;) {
        int c = get_byte(fp);
        if (c < 0 || (armed && c == 0x3B))
            return false;
        if (armed && c == 0x2C)
            return true;
        if (armed && c == 0x21) {
            if (!DecodeExtension(fp))
                return false;
            continue;
        }
        armed = c == 0;
    }
}

// Walks the blocks from `position` without decoding pixels and lists the
// frames with the size of their coded data.
long CRasterGIF::get_num_frames(CByteStream* fp, long position, std::vector<FrameLayout>& frames)
{
    reset_reader(fp, position);
    frames.clear();
    bool armed = true;
    while (next_image(fp, armed)) {
        BYTE raw[9];
        tag_TabCol local;
        FrameLayout layout = {};
        if (!read_bytes(fp, raw, 9))
            break;
        layout.image = {Le16(raw), Le16(raw + 2), Le16(raw + 4), Le16(raw + 6), raw[8]};
        layout.localTable = (raw[8] & 0x80) != 0;
        if ((layout.localTable && !read_table(fp, raw[8], local)) || get_byte(fp) < 0)
            break;
        bool complete = skip_sub_blocks(fp, &layout.dataBytes);
        frames.push_back(layout);
        if (!complete)
            break;
    }
    reset_reader(fp, position);
    return long(frames.size());
}

short CRasterGIF::init_exp(short size)
{
    curr_size = short(size + 1);
    top_slot = short(1 << curr_size);
    clear = short(1 << size);
    ending = short(clear + 1);
    slot = newcodes = short(ending + 1);
    navail_bytes = nbits_left = 0;
    block_terminated = false;
    std::fill(stack.begin(), stack.end(), 0);
    std::fill(suffix.begin(), suffix.end(), 0);
    std::fill(prefix.begin(), prefix.end(), 0);
    return 0;
}

short CRasterGIF::get_next_code(CByteStream* fp)
{
    auto refill = [&]() -> short {
        pbytes = byte_buff;
        int size = get_byte(fp);
        if (size < 0)
            return short(size);
        if (size == 0) {
            block_terminated = true;
            return ending;
        }
        navail_bytes = short(size);
        for (int i = 0; i < size; i++) {
            int x = get_byte(fp);
            if (x < 0)
                return short(x);
            byte_buff[i] = BYTE(x);
        }
        return 0;
    };
    if (nbits_left == 0) {
        if (navail_bytes <= 0) {
            short r = refill();
            if (r != 0)
                return r;
        }
        b1 = *pbytes++;
        nbits_left = 8;
        --navail_bytes;
    }
    unsigned int ret = unsigned(b1) >> (8 - nbits_left);
    while (curr_size > nbits_left) {
        if (navail_bytes <= 0) {
            short r = refill();
            if (r != 0)
                return r;
        }
        b1 = *pbytes++;
        ret |= unsigned(b1) << nbits_left;
        nbits_left = short(nbits_left + 8);
        --navail_bytes;
    }
    nbits_left = short(nbits_left - curr_size);
    return short(ret & kCodeMask[curr_size]);
}

// Codes above the next free slot are counted as bad and read as the
// next slot itself, so every prefix chain points backwards and stays
// within the 4096-entry stack.
short CRasterGIF::decoder(CByteStream* fp, int linewidth, int& bad_code_count)
{
    int size = get_byte(fp);
    if (size < 2 || size > 8)
        return -20;
    init_exp(short(size));
    std::vector<BYTE> line(size_t(linewidth) + 1);
    BYTE* bufptr = line.data();
    int bufcnt = linewidth;
    BYTE* sp = stack.data();
    BYTE* const stackEnd = stack.data() + stack.size();
    int oc = 0, fc = 0;
    // Data need not begin with a clear code: until a first code has been
    // read there is no previous string to extend.
    bool first = true;
    short c;
    auto put = [&](BYTE pixel) -> bool {
        *bufptr++ = pixel;
        if (--bufcnt == 0) {
            if (out_line(line.data(), linewidth) < 0)
                return false;
            bufptr = line.data();
            bufcnt = linewidth;
        }
        return true;
    };
    while ((c = get_next_code(fp)) != ending) {
        if (c < 0)
            return 0;
        if (c == clear) {
            curr_size = short(size + 1);
            slot = newcodes;
            top_slot = short(1 << curr_size);
            while ((c = get_next_code(fp)) == clear) {
            }
            if (c < 0)
                return 0;
            if (c == ending)
                break;
            first = true;
        }
        if (first) {
            if (c >= slot)
                c = 0;
            oc = fc = c;
            first = false;
            if (!put(BYTE(c)))
                return 0;
            continue;
        }
        int code = c;
        if (code >= slot) {
            if (code > slot) {
                ++bad_code_count;
                c = slot;
            }
            code = oc;
            *sp++ = BYTE(fc);
        }
        while (code >= newcodes && sp < stackEnd) {
            *sp++ = suffix[size_t(code)];
            code = prefix[size_t(code)];
        }
        if (sp >= stackEnd)
            return 0;
        *sp++ = BYTE(code);
        if (slot < top_slot) {
            fc = code;
            suffix[size_t(slot)] = BYTE(fc);
            prefix[size_t(slot++)] = WORD(oc);
            oc = c;
        }
        if (slot >= top_slot && curr_size < 12) {
            top_slot = short(top_slot << 1);
            ++curr_size;
        }
        while (sp > stack.data())
            if (!put(*(--sp)))
                return 0;
    }
    if (bufcnt != linewidth)
        out_line(line.data(), linewidth - bufcnt);
    return 0;
}

// Interlaced rows come in four passes; a pass whose first row lies below
// a short image is skipped, and rows past the last pass are dropped.
int CRasterGIF::out_line(const BYTE* pixels, int linelen)
{
    int row;
    if (interlaced) {
        if (ipass > 3)
            return 0;
        row = iypos;
        iypos += istep;
        while (iypos >= iheight && ipass <= 3) {
            static const int kStart[4] = {0, 4, 2, 1};
            static const int kStep[4] = {8, 8, 4, 2};
            if (++ipass > 3)
                break;
            iypos = kStart[ipass];
            istep = kStep[ipass];
        }
    } else {
        row = iypos++;
        if (row >= iheight)
            return -1;
    }
    int n = std::min(linelen, frame_width);
    memcpy(&frame_pixels[size_t(row) * size_t(frame_width)], pixels, size_t(n));
    return 0;
}

bool CRasterGIF::DecodeFrame(CByteStream* fp, const tag_image& image)
{
    frame_width = image.w;
    frame_height = image.h;
    frame_pixels.assign(size_t(frame_width) * size_t(frame_height), 0);
    interlaced = (image.pf & 0x40) != 0;
    iypos = 0;
    istep = 8;
    ipass = 0;
    iheight = frame_height;
    int bad = 0;
    if (decoder(fp, frame_width, bad) < 0)
        return false;
    // The rest of the coded data, when the end code came early.
    if (!block_terminated)
        skip_sub_blocks(fp, nullptr);
    return true;
}

// Pixels of the frame that are not transparent go onto the canvas,
// clipped to it.
void CRasterGIF::GifMix(CRasterImage& canvas, const tag_image& frame, const tag_TabCol& table, long transIndex)
{
    long cw = long(canvas.GetWidth()), ch = long(canvas.GetHeight());
    bool indexed = canvas.IsIndexed();
    for (long y = 0; y < frame.h && frame.t + y < ch; y++) {
        long row = ch - 1 - (frame.t + y);
        const BYTE* src = &frame_pixels[size_t(y) * frame.w];
        for (long x = 0; x < frame.w && frame.l + x < cw; x++) {
            BYTE index = src[x];
            if (long(index) == transIndex)
                continue;
            if (indexed) {
                canvas.SetPixelIndex(frame.l + x, row, index);
            } else {
                BYTE* p = canvas.BlindGetPixelPointer(frame.l + x, row);
                p[0] = table.paleta[index].b;
                p[1] = table.paleta[index].g;
                p[2] = table.paleta[index].r;
            }
        }
    }
}

// The first row of the rectangle is set pixel by pixel and copied to the
// others: a screen-size clear must not cost a call per pixel.
void CRasterGIF::ClearRect(CRasterImage& canvas, const tag_image& frame, long index, RGBQUAD colour)
{
    const long cw = long(canvas.GetWidth()), ch = long(canvas.GetHeight());
    const long right = std::min<long>(long(frame.l) + frame.w, cw);
    const long bottom = std::min<long>(long(frame.t) + frame.h, ch);
    if (frame.l >= right || frame.t >= bottom)
        return;
    const long top = ch - 1 - frame.t;
    for (long x = frame.l; x < right; x++) {
        if (canvas.IsIndexed()) {
            canvas.SetPixelIndex(x, top, BYTE(index));
        } else {
            BYTE* p = canvas.BlindGetPixelPointer(x, top);
            p[0] = colour.rgbBlue;
            p[1] = colour.rgbGreen;
            p[2] = colour.rgbRed;
        }
    }
    const DWORD bpp = canvas.GetBpp();
    if (bpp < 8) {
        for (long y = frame.t + 1; y < bottom; y++)
            for (long x = frame.l; x < right; x++)
                canvas.SetPixelIndex(x, ch - 1 - y, BYTE(index));
        return;
    }
    const size_t offset = size_t(frame.l) * (bpp / 8);
    const size_t bytes = size_t(right - frame.l) * (bpp / 8);
    const BYTE* first = canvas.GetBits(DWORD(top)) + offset;
    for (long y = frame.t + 1; y < bottom; y++)
        memcpy(canvas.GetBits(DWORD(ch - 1 - y)) + offset, first, bytes);
}

namespace {

// A canvas far larger than all frames together would only hold background:
// such a screen size is refused rather than allocated, unless it is no
// larger than screens real files use. Offsets do not count, or a few
// pixels far out would make room for any screen.
bool PlausibleScreen(DWORD width, DWORD height, const std::vector<CRasterGIF::tag_image>& frames)
{
    uint64_t area = 0;
    for (const auto& f : frames)
        area += uint64_t(f.w) * f.h;
    uint64_t screen = uint64_t(width) * height;
    return screen <= std::max<uint64_t>(4 * area, 1u << 24);
}

// The bytes of each canvas row that hold the rectangle's pixels.
struct RowSpan {
    long top, bottom;
    size_t first, bytes;
};

RowSpan SpanOf(const CRasterImage& canvas, const CRasterGIF::tag_image& rect)
{
    const long cw = long(canvas.GetWidth()), ch = long(canvas.GetHeight());
    const long right = std::min<long>(long(rect.l) + rect.w, cw);
    const long bottom = std::min<long>(long(rect.t) + rect.h, ch);
    if (rect.l >= right || rect.t >= bottom)
        return {0, 0, 0, 0};
    const size_t bpp = canvas.GetBpp();
    const size_t first = size_t(rect.l) * bpp / 8;
    return {rect.t, bottom, first, (size_t(right) * bpp + 7) / 8 - first};
}

} // namespace

bool CRasterGIF::DecodeBody(CByteStream* fp, const RasterFrameSink* sink)
{
    reset_reader(fp, fp->Tell());
    BYTE raw[13];
    if (!read_bytes(fp, raw, 13) || memcmp(raw, "GIF8", 4) != 0)
        return false;
    tag_dscgif dscgif;
    memcpy(&dscgif, raw, sizeof(dscgif));
    if (info.nEscape == -1) {
        head.biWidth = LONG(dscgif.scrwidth);
        head.biHeight = LONG(dscgif.scrheight);
        return true;
    }
    tag_TabCol global = {};
    bool hasGlobal = (dscgif.pflds & 0x80) != 0;
    if (hasGlobal && !read_table(fp, dscgif.pflds, global))
        return false;
    long dataStart = fp->Tell() - (ibfmax - ibf);

    std::vector<FrameLayout> layouts;
    info.nNumFrames = get_num_frames(fp, dataStart, layouts);
    if (info.nFrame < 0 || info.nFrame >= info.nNumFrames)
        return false;
    Composition comp;
    comp.width = dscgif.scrwidth;
    comp.height = dscgif.scrheight;
    comp.sink = sink;
    if (!PlanComposition(layouts, hasGlobal, comp))
        return false;
    if (sink)
        comp.lastFrame = info.nNumFrames - 1;
    // The walk above saw every extension; frames take only their own.
    gifgce = {0, 0, 0};
    info.dwFrameDelay = 0;
    reset_reader(fp, dataStart);
    if (!ComposeFrames(fp, global, comp))
        return false;
    if (!sink)
        return TakeCanvas(comp, false);
    // A picture made of scattered frames shows all of them in every frame.
    for (long i = 0; comp.trueColour && i <= comp.lastFrame; i++)
        if (!ShowFrame(comp, i))
            return false;
    return true;
}

// Hands a copy of the canvas as frame `number`; false when the sink has
// had enough or the copy cannot be made.
bool CRasterGIF::ShowFrame(Composition& comp, long number)
{
    info.nFrame = number;
    return TakeCanvas(comp, true) && (*comp.sink)(*this);
}

bool CRasterGIF::PlanComposition(const std::vector<FrameLayout>& layouts, bool hasGlobal, Composition& comp)
{
    std::vector<tag_image> rects;
    for (const FrameLayout& l : layouts) {
        rects.push_back(l.image);
        if (uint64_t(l.image.w) * l.image.h > (l.dataBytes + 1) * kPixelsPerDataByte) {
            SetLastError("GIF frame larger than its data");
            return false;
        }
    }
    // A logical screen of zero size takes the frames' extent.
    if (comp.width == 0 || comp.height == 0) {
        for (const auto& r : rects) {
            comp.width = std::max<DWORD>(comp.width, DWORD(r.l) + r.w);
            comp.height = std::max<DWORD>(comp.height, DWORD(r.t) + r.h);
        }
    }
    if (comp.width == 0 || comp.height == 0 || !PlausibleScreen(comp.width, comp.height, rects)) {
        SetLastError("GIF screen too large for its frames");
        return false;
    }
    // A file without a global table, or whose first frame leaves the
    // screen open on two sides, is a picture in pieces: every piece is
    // composed. Frames with tables of their own cannot share one indexed
    // canvas either.
    comp.trueColour = false;
    comp.lastFrame = info.nFrame;
    if (layouts.size() > 1) {
        comp.trueColour = !hasGlobal || (layouts[0].image.w < comp.width && layouts[0].image.h < comp.height);
        if (comp.trueColour)
            comp.lastFrame = long(layouts.size()) - 1;
        for (long i = 0; i <= comp.lastFrame; i++)
            comp.trueColour = comp.trueColour || layouts[size_t(i)].localTable;
    }
    return true;
}

bool CRasterGIF::ComposeFrames(CByteStream* fp, const tag_TabCol& global, Composition& comp)
{
    long frameNumber = 0;
    bool armed = true;
    while (frameNumber <= comp.lastFrame) {
        if (info.nEscape)
            return false;
        if (!next_image(fp, armed))
            break;
        BYTE desc[9];
        if (!read_bytes(fp, desc, 9))
            break;
        tag_image image = {Le16(desc), Le16(desc + 2), Le16(desc + 4), Le16(desc + 6), desc[8]};
        tag_TabCol table = global;
        if ((image.pf & 0x80) && !read_table(fp, image.pf, table))
            break;
        if (image.w == 0 || image.h == 0) {
            if (get_byte(fp) < 0 || !skip_sub_blocks(fp, nullptr))
                break;
        } else if (!DecodeFrame(fp, image) || !ComposeFrame(image, table, frameNumber == 0, comp)) {
            return false;
        }
        gifgce = {0, 0, 0};
        if (comp.sink && !comp.trueColour && comp.canvas.IsValid() && !ShowFrame(comp, frameNumber))
            return true;
        frameNumber++;
    }
    return comp.canvas.IsValid() && frameNumber > comp.lastFrame;
}

// Disposal of the previous frame first: 2 restores its rectangle to the
// background, 3 restores the screen as it was before that frame.
bool CRasterGIF::ComposeFrame(const tag_image& image, const tag_TabCol& table, bool first, Composition& comp)
{
    long transIndex = (gifgce.flags & 1) ? gifgce.transpcolindex : -1;
    if (first) {
        comp.canvasIndex = gifgce.transpcolindex;
        comp.canvasTransIndex = transIndex;
        const rgb_color& c = table.paleta[comp.canvasIndex];
        comp.canvasColour = {c.b, c.g, c.r, 0};
        DWORD bits = comp.trueColour ? 24 : DWORD(BitCountOf(table.sogct ? table.sogct : 256));
        if (!comp.canvas.Create(comp.width, comp.height, bits, RASTER_FORMAT_GIF))
            return false;
        if (comp.trueColour) {
            tag_image whole = {0, 0, WORD(std::min<DWORD>(comp.width, 65535)),
                               WORD(std::min<DWORD>(comp.height, 65535)), 0};
            ClearRect(comp.canvas, whole, 0, comp.canvasColour);
        } else {
            comp.canvas.Clear(BYTE(comp.canvasIndex));
        }
    } else if (comp.previousDisposal == 2) {
        ClearRect(comp.canvas, comp.previousRect, comp.canvasIndex, comp.canvasColour);
    } else if (comp.previousDisposal == 3) {
        RestoreRect(comp);
    }
    int disposal = (gifgce.flags >> 2) & 7;
    if (disposal == 3)
        SaveRect(comp, image);
    if (!comp.trueColour) {
        DWORD n = table.sogct ? DWORD(table.sogct) : 256;
        comp.canvas.SetPalette(const_cast<rgb_color*>(table.paleta), std::min<DWORD>(n, comp.canvas.GetNumColors()));
        if (transIndex >= 0)
            for (DWORD i = n; i < comp.canvas.GetNumColors(); i++)
                comp.canvas.SetPaletteColor(BYTE(i), 255, 255, 255);
    }
    GifMix(comp.canvas, image, table, transIndex);
    comp.lastGce = gifgce;
    comp.previousDisposal = disposal;
    comp.previousRect = image;
    info.xOffset = image.l;
    info.yOffset = image.t;
    return true;
}

// Only a frame's own rectangle can change before the screen is restored,
// so only that is kept.
void CRasterGIF::SaveRect(Composition& comp, const tag_image& rect)
{
    const RowSpan span = SpanOf(comp.canvas, rect);
    const long ch = long(comp.canvas.GetHeight());
    comp.saved.resize(size_t(span.bottom - span.top) * span.bytes);
    for (long y = span.top; y < span.bottom; y++)
        memcpy(&comp.saved[size_t(y - span.top) * span.bytes], comp.canvas.GetBits(DWORD(ch - 1 - y)) + span.first,
               span.bytes);
    comp.savedRect = rect;
}

void CRasterGIF::RestoreRect(Composition& comp)
{
    const RowSpan span = SpanOf(comp.canvas, comp.savedRect);
    const long ch = long(comp.canvas.GetHeight());
    if (comp.saved.size() != size_t(span.bottom - span.top) * span.bytes)
        return;
    for (long y = span.top; y < span.bottom; y++)
        memcpy(comp.canvas.GetBits(DWORD(ch - 1 - y)) + span.first, &comp.saved[size_t(y - span.top) * span.bytes],
               span.bytes);
}

// The canvas brings its pixels and transparency; everything else the
// decode learnt stays in this image's record. A kept canvas is copied, so
// that the frames after it can still be composed on it.
bool CRasterGIF::TakeCanvas(Composition& comp, bool keep)
{
    CRasterImage copy;
    if (keep) {
        copy.Copy(comp.canvas);
        if (!copy.IsValid())
            return false;
    }
    CRasterImage& canvas = keep ? copy : comp.canvas;
    canvas.SetTransIndex(-1);
    if (comp.trueColour) {
        if (comp.lastGce.flags & 1) {
            canvas.SetTransColor(comp.canvasColour);
            canvas.SetTransIndex(0);
        }
    } else {
        canvas.SetTransIndex(comp.canvasTransIndex);
    }
    tagRasterInfo kept = info;
    if (!Transfer(canvas))
        return false;
    RGBQUAD transColour = info.nBkgndColor;
    LONG transIndex = info.nBkgndIndex;
    DWORD effWidth = info.dwEffWidth;
    BYTE* bits = info.pImage;
    info = kept;
    info.nBkgndColor = transColour;
    info.nBkgndIndex = transIndex;
    info.dwEffWidth = effWidth;
    info.pImage = bits;
    info.dwType = RASTER_FORMAT_GIF;
    return true;
}
