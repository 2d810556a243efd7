#include <algorithm>
#include <cstring>

#include "FileStream.h"
#include "RasterGIF.h"

namespace {

const long kHashSize = 5003;
const int kMaxBits = 12;
const int kMaxMaxCode = 1 << kMaxBits;
const int kCellWidth = 17;
const int kCellHeight = 15;

const unsigned long kMasks[] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

} // namespace

bool CRasterGIF::Encode(FILE* fp)
{
    CFileStream file(fp);
    return Encode(&file);
}

bool CRasterGIF::Encode(FILE* fp, CRasterImage** pImages, int pagecount, bool bLocalColorMap)
{
    CFileStream file(fp);
    return Encode(&file, pImages, pagecount, bLocalColorMap);
}

bool CRasterGIF::Encode(CByteStream* fp)
{
    if (EncodeSafeCheck(fp))
        return false;
    if (head.biBitCount > 8)
        return EncodeRGB(fp);
    EncodeHeader(fp);
    EncodeExtension(fp);
    EncodeComment(fp);
    EncodeBody(fp);
    fp->PutC(';');
    return fp->Error() == 0;
}

// A frame whose palette differs from the first one gets a table of its
// own even when shared tables are asked for, so its colours survive.
bool CRasterGIF::Encode(CByteStream* fp, CRasterImage** pImages, int pagecount, bool bLocalColorMap)
{
    if (!fp) {
        SetLastError("invalid file pointer");
        return false;
    }
    if (!pImages || pagecount <= 0 || !pImages[0]) {
        SetLastError("multipage GIF, no images!");
        return false;
    }
    for (int i = 0; i < pagecount; i++) {
        if (!pImages[i]) {
            SetLastError("Bad image pointer");
            return false;
        }
        if (!pImages[i]->IsValid() || pImages[i]->GetBpp() > 8) {
            SetLastError("multipage GIF, frames must be 1, 4 or 8 bits");
            return false;
        }
    }
    CRasterGIF ghost;
    ghost.Ghost(pImages[0]);
    ghost.EncodeHeader(fp);
    if (m_loops != 1) {
        ghost.SetLoops(std::max(0, m_loops - 1));
        ghost.EncodeLoopExtension(fp);
    }
    ghost.SetDisposalMethod(m_dispmeth);
    ghost.EncodeExtension(fp);
    ghost.SetComment(m_comment);
    ghost.EncodeComment(fp);
    ghost.EncodeBody(fp, false);
    for (int i = 1; i < pagecount; i++) {
        bool local = bLocalColorMap || !pImages[i]->IsSamePalette(*pImages[0], false) ||
                     pImages[i]->GetBpp() != pImages[0]->GetBpp();
        ghost.Ghost(pImages[i]);
        ghost.SetDisposalMethod(m_dispmeth);
        ghost.EncodeExtension(fp);
        ghost.EncodeBody(fp, local);
    }
    fp->PutC(';');
    if (fp->Error()) {
        SetLastError("Write Error in GIF file");
        return false;
    }
    return true;
}

void CRasterGIF::Putword(int w, CByteStream* fp)
{
    fp->PutC(BYTE(w & 0xFF));
    fp->PutC(BYTE((w >> 8) & 0xFF));
}

void CRasterGIF::EncodeHeader(CByteStream* fp)
{
    fp->Write("GIF89a", 1, 6);
    Putword(int(head.biWidth), fp);
    Putword(int(head.biHeight), fp);
    BYTE flags = 0x11;
    if (head.biClrUsed != 0)
        flags = BYTE(0x80 | ((head.biBitCount - 1) << 5) | (head.biBitCount - 1));
    fp->PutC(flags);
    fp->PutC(0);
    fp->PutC(0);
    for (DWORD i = 0; i < head.biClrUsed; i++) {
        RGBQUAD c = GetPaletteColor(BYTE(i));
        fp->PutC(c.rgbRed);
        fp->PutC(c.rgbGreen);
        fp->PutC(c.rgbBlue);
    }
}

void CRasterGIF::EncodeExtension(CByteStream* fp)
{
    fp->PutC('!');
    fp->PutC(0xF9);
    fp->PutC(4);
    fp->PutC(BYTE(((m_dispmeth & 7) << 2) | (IsTransparent() ? 1 : 0)));
    Putword(int(info.dwFrameDelay), fp);
    fp->PutC(BYTE(IsTransparent() ? info.nBkgndIndex : 0));
    fp->PutC(0);
}

void CRasterGIF::EncodeLoopExtension(CByteStream* fp)
{
    fp->PutC('!');
    fp->PutC(0xFF);
    fp->PutC(11);
    fp->Write("NETSCAPE2.0", 11, 1);
    fp->PutC(3);
    fp->PutC(1);
    Putword(m_loops, fp);
    fp->PutC(0);
}

void CRasterGIF::EncodeComment(CByteStream* fp)
{
    size_t n = strlen(m_comment);
    if (n == 0)
        return;
    n = std::min<size_t>(n, 255);
    fp->PutC('!');
    fp->PutC(0xFE);
    fp->PutC(BYTE(n));
    fp->Write(m_comment, n, 1);
    fp->PutC(0);
}

// True colour is cut into cells of up to 255 pixels, each a frame with a
// table of its own pixels' colours, so nothing is lost to a palette.
bool CRasterGIF::EncodeRGB(CByteStream* fp)
{
    EncodeHeader(fp);
    EncodeComment(fp);
    long width = head.biWidth, height = head.biHeight;
    bool transparent = IsTransparent();
    RGBQUAD transColour = GetTransColor();
    for (long y = 0; y < height; y += kCellHeight) {
        for (long x = 0; x < width; x += kCellWidth) {
            long cw = std::min<long>(kCellWidth, width - x);
            long ch = std::min<long>(kCellHeight, height - y);
            CRasterGIF cell;
            if (!cell.Create(DWORD(cw), DWORD(ch), 8, RASTER_FORMAT_GIF)) {
                CopyLastError(cell);
                return false;
            }
            cell.SetCodecOption(GetCodecOption(RASTER_FORMAT_GIF), RASTER_FORMAT_GIF);
            cell.SetDisposalMethod(m_dispmeth);
            if (transparent) {
                cell.SetPaletteColor(0, transColour);
                cell.SetTransIndex(0);
            }
            for (long j = 0; j < ch; j++)
                for (long i = 0; i < cw; i++) {
                    RGBQUAD c = BlindGetPixelColor(x + i, height - 1 - (y + j));
                    c.rgbReserved = 0;
                    BYTE index = BYTE(1 + i + kCellWidth * j);
                    bool clear = transparent && c.rgbRed == transColour.rgbRed &&
                                 c.rgbGreen == transColour.rgbGreen && c.rgbBlue == transColour.rgbBlue;
                    cell.SetPaletteColor(index, c);
                    cell.SetPixelIndex(i, ch - 1 - j, clear ? 0 : index);
                }
            cell.SetOffset(x, y);
            cell.EncodeExtension(fp);
            cell.EncodeBody(fp, true);
        }
    }
    fp->PutC(';');
    return fp->Error() == 0;
}

void CRasterGIF::EncodeBody(CByteStream* fp, bool bLocalColorMap)
{
    curx = 0;
    cury = head.biHeight - 1;
    CountDown = long(head.biWidth) * long(head.biHeight);
    fp->PutC(',');
    Putword(int(info.xOffset), fp);
    Putword(int(info.yOffset), fp);
    Putword(int(head.biWidth), fp);
    Putword(int(head.biHeight), fp);
    BYTE flags = 0;
    if (bLocalColorMap)
        flags = BYTE(0x80 | (head.biBitCount - 1));
    fp->PutC(flags);
    if (bLocalColorMap) {
        for (DWORD i = 0; i < head.biClrUsed; i++) {
            RGBQUAD c = GetPaletteColor(BYTE(i));
            fp->PutC(c.rgbRed);
            fp->PutC(c.rgbGreen);
            fp->PutC(c.rgbBlue);
        }
    }
    int initCodeSize = head.biBitCount <= 1 ? 2 : head.biBitCount;
    fp->PutC(BYTE(initCodeSize));
    switch (GetCodecOption(RASTER_FORMAT_GIF)) {
    case 1: compressNONE(initCodeSize + 1, fp); break;
    case 2: compressRLE(initCodeSize + 1, fp); break;
    default: compressLZW(initCodeSize + 1, fp); break;
    }
    fp->PutC(0);
}

int CRasterGIF::GifNextPixel()
{
    if (CountDown == 0)
        return -1;
    --CountDown;
    int r = BlindGetPixelIndex(curx, cury);
    if (++curx == head.biWidth) {
        curx = 0;
        --cury;
    }
    return r;
}

void CRasterGIF::cl_hash(long hsize)
{
    std::fill(htab.begin(), htab.begin() + hsize, -1L);
}

// Codes, widths and packet state shared by the plain and LZW coders.
void CRasterGIF::start_codes(int init_bits, CByteStream* outfile)
{
    g_init_bits = init_bits;
    g_outfile = outfile;
    n_bits = g_init_bits;
    maxcode = (1 << n_bits) - 1;
    ClearCode = 1 << (init_bits - 1);
    EOFCode = ClearCode + 1;
    free_ent = ClearCode + 2;
    clear_flg = 0;
    cur_accum = 0;
    cur_bits = 0;
    a_count = 0;
}

void CRasterGIF::compressNONE(int init_bits, CByteStream* outfile)
{
    start_codes(init_bits, outfile);
    long ent = GifNextPixel();
    output(unsigned(ClearCode));
    while (ent != -1) {
        long c = GifNextPixel();
        output(unsigned(ent));
        ent = c;
        if (free_ent < kMaxMaxCode) {
            free_ent++;
        } else {
            free_ent = ClearCode + 2;
            clear_flg = 1;
            output(unsigned(ClearCode));
        }
    }
    output(unsigned(EOFCode));
}

void CRasterGIF::compressLZW(int init_bits, CByteStream* outfile)
{
    htab.assign(kHashSize, -1);
    codetab.assign(kHashSize, 0);
    start_codes(init_bits, outfile);
    long ent = GifNextPixel();
    int hshift = 0;
    for (long fcode = kHashSize; fcode < 65536L; fcode *= 2L)
        ++hshift;
    hshift = 8 - hshift;
    cl_hash(kHashSize);
    output(unsigned(ClearCode));
    long c;
    while ((c = GifNextPixel()) != -1) {
        long fcode = (c << kMaxBits) + ent;
        long i = (c << hshift) ^ ent;
        if (htab[size_t(i)] == fcode) {
            ent = codetab[size_t(i)];
            continue;
        }
        bool found = false;
        if (htab[size_t(i)] >= 0) {
            long disp = i == 0 ? 1 : kHashSize - i;
            do {
                if ((i -= disp) < 0)
                    i += kHashSize;
                if (htab[size_t(i)] == fcode) {
                    ent = codetab[size_t(i)];
                    found = true;
                    break;
                }
            } while (htab[size_t(i)] > 0);
        }
        if (found)
            continue;
        output(unsigned(ent));
        ent = c;
        if (free_ent < kMaxMaxCode) {
            codetab[size_t(i)] = WORD(free_ent++);
            htab[size_t(i)] = fcode;
        } else {
            cl_hash(kHashSize);
            free_ent = ClearCode + 2;
            clear_flg = 1;
            output(unsigned(ClearCode));
        }
    }
    output(unsigned(ent));
    output(unsigned(EOFCode));
}

void CRasterGIF::output(unsigned int code)
{
    cur_accum &= kMasks[cur_bits];
    if (cur_bits > 0)
        cur_accum |= (unsigned long)code << cur_bits;
    else
        cur_accum = code;
    cur_bits += n_bits;
    while (cur_bits >= 8) {
        char_out(int(cur_accum & 0xFF));
        cur_accum >>= 8;
        cur_bits -= 8;
    }
    if (free_ent > maxcode || clear_flg) {
        if (clear_flg) {
            maxcode = (1 << (n_bits = g_init_bits)) - 1;
            clear_flg = 0;
        } else {
            ++n_bits;
            maxcode = n_bits == kMaxBits ? kMaxMaxCode : (1 << n_bits) - 1;
        }
    }
    if (int(code) == EOFCode) {
        while (cur_bits > 0) {
            char_out(int(cur_accum & 0xFF));
            cur_accum >>= 8;
            cur_bits -= 8;
        }
        flush_char();
        g_outfile->Flush();
        if (g_outfile->Error())
            SetLastError("Write Error in GIF file");
    }
}

void CRasterGIF::char_out(int c)
{
    accum[a_count++] = char(c);
    if (a_count >= 254)
        flush_char();
}

void CRasterGIF::flush_char()
{
    if (a_count > 0) {
        g_outfile->PutC(BYTE(a_count));
        g_outfile->Write(accum, 1, size_t(a_count));
        a_count = 0;
    }
}
