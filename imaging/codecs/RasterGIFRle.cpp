// Run-length coding into LZW-compatible codes: after a clear code the
// coder writes runs of growing length, each code making the decoder's
// table hold the next longer run of the same pixel.
#include "RasterGIF.h"

void CRasterGIF::compressRLE(int init_bits, CByteStream* outfile)
{
    tag_RLE rle = {};
    rle.code_clear = 1 << (init_bits - 1);
    rle.code_eof = rle.code_clear + 1;
    rle.rl_basecode = rle.code_eof + 1;
    rle.out_bump_init = (1 << (init_bits - 1)) - 1;
    rle.out_clear_init = init_bits <= 3 ? 9 : rle.out_bump_init - 1;
    rle.out_bits_init = init_bits;
    rle.max_ocodes = (1 << 12) - ((1 << (rle.out_bits_init - 1)) + 3);
    rle.rl_pixel = -1;
    rle.ofile = outfile;
    rle_clear(&rle);
    rle_output(rle.code_clear, &rle);
    int c;
    while ((c = GifNextPixel()) != -1) {
        if (rle.rl_count > 0 && c != rle.rl_pixel)
            rle_flush(&rle);
        if (rle.rl_pixel == c) {
            rle.rl_count++;
        } else {
            rle.rl_pixel = c;
            rle.rl_count = 1;
        }
    }
    if (rle.rl_count > 0)
        rle_flush(&rle);
    rle_output(rle.code_eof, &rle);
    rle_output_flush(&rle);
}

void CRasterGIF::rle_clear(tag_RLE* rle)
{
    rle->out_bits = rle->out_bits_init;
    rle->out_bump = rle->out_bump_init;
    rle->out_clear = rle->out_clear_init;
    rle->out_count = 0;
    rle->rl_table_max = 0;
    rle->just_cleared = true;
}

void CRasterGIF::rle_flush(tag_RLE* rle)
{
    if (rle->rl_count == 1) {
        rle_output_plain(rle->rl_pixel, rle);
        rle->rl_count = 0;
        return;
    }
    if (rle->just_cleared)
        rle_flush_fromclear(rle->rl_count, rle);
    else if (rle->rl_table_max < 2 || rle->rl_table_pixel != rle->rl_pixel)
        rle_flush_clearorrep(rle->rl_count, rle);
    else
        rle_flush_withtable(rle->rl_count, rle);
    rle->rl_count = 0;
}

void CRasterGIF::rle_output_plain(int c, tag_RLE* rle)
{
    rle->just_cleared = false;
    rle_output(c, rle);
    rle->out_count++;
    if (rle->out_count >= rle->out_bump) {
        rle->out_bits++;
        rle->out_bump += 1 << (rle->out_bits - 1);
    }
    if (rle->out_count >= rle->out_clear) {
        rle_output(rle->code_clear, rle);
        rle_clear(rle);
    }
}

void CRasterGIF::rle_flush_fromclear(int count, tag_RLE* rle)
{
    rle->out_clear = rle->max_ocodes;
    rle->rl_table_pixel = rle->rl_pixel;
    int n = 1;
    while (count > 0) {
        if (n == 1) {
            rle->rl_table_max = 1;
            rle_output_plain(rle->rl_pixel, rle);
            count--;
        } else if (count >= n) {
            rle->rl_table_max = n;
            rle_output_plain(rle->rl_basecode + n - 2, rle);
            count -= n;
        } else if (count == 1) {
            rle->rl_table_max++;
            rle_output_plain(rle->rl_pixel, rle);
            count = 0;
        } else {
            rle->rl_table_max++;
            rle_output_plain(rle->rl_basecode + count - 2, rle);
            count = 0;
        }
        n = rle->out_count == 0 ? 1 : n + 1;
    }
    rle_reset_out_clear(rle);
}

void CRasterGIF::rle_reset_out_clear(tag_RLE* rle)
{
    rle->out_clear = rle->out_clear_init;
    if (rle->out_count >= rle->out_clear) {
        rle_output(rle->code_clear, rle);
        rle_clear(rle);
    }
}

void CRasterGIF::rle_flush_withtable(int count, tag_RLE* rle)
{
    int repmax = count / rle->rl_table_max;
    int leftover = count % rle->rl_table_max;
    int repleft = leftover ? 1 : 0;
    if (rle->out_count + repmax + repleft > rle->max_ocodes) {
        repmax = rle->max_ocodes - rle->out_count;
        leftover = count - repmax * rle->rl_table_max;
        repleft = int(1 + rle_compute_triangle_count(unsigned(leftover), unsigned(rle->max_ocodes)));
    }
    if (int(1 + rle_compute_triangle_count(unsigned(count), unsigned(rle->max_ocodes))) < repmax + repleft) {
        rle_output(rle->code_clear, rle);
        rle_clear(rle);
        rle_flush_fromclear(count, rle);
        return;
    }
    rle->out_clear = rle->max_ocodes;
    for (; repmax > 0; repmax--)
        rle_output_plain(rle->rl_basecode + rle->rl_table_max - 2, rle);
    if (leftover) {
        if (rle->just_cleared)
            rle_flush_fromclear(leftover, rle);
        else if (leftover == 1)
            rle_output_plain(rle->rl_pixel, rle);
        else
            rle_output_plain(rle->rl_basecode + leftover - 2, rle);
    }
    rle_reset_out_clear(rle);
}

void CRasterGIF::rle_flush_clearorrep(int count, tag_RLE* rle)
{
    int withclr = int(1 + rle_compute_triangle_count(unsigned(count), unsigned(rle->max_ocodes)));
    if (withclr < count) {
        rle_output(rle->code_clear, rle);
        rle_clear(rle);
        rle_flush_fromclear(count, rle);
    } else {
        for (; count > 0; count--)
            rle_output_plain(rle->rl_pixel, rle);
    }
}

// Codes needed to write `count` pixels as runs 1, 2, 3, ... restarting
// after `nrepcodes` codes.
unsigned int CRasterGIF::rle_compute_triangle_count(unsigned int count, unsigned int nrepcodes)
{
    unsigned int cost = 0;
    unsigned int perrep = (nrepcodes * (nrepcodes + 1)) / 2;
    while (count >= perrep) {
        cost += nrepcodes;
        count -= perrep;
    }
    if (count > 0) {
        unsigned int n = rle_isqrt(count);
        while (n * (n + 1) >= 2 * count)
            n--;
        while (n * (n + 1) < 2 * count)
            n++;
        cost += n;
    }
    return cost;
}

unsigned int CRasterGIF::rle_isqrt(unsigned int x)
{
    if (x < 2)
        return x;
    unsigned int r = 1;
    for (unsigned int v = x; v; v >>= 2)
        r <<= 1;
    for (;;) {
        unsigned int v = ((x / r) + r) / 2;
        if (v == r || v == r + 1)
            return r;
        r = v;
    }
}

void CRasterGIF::rle_output(int val, tag_RLE* rle)
{
    rle->obuf |= unsigned(val) << rle->obits;
    rle->obits += rle->out_bits;
    while (rle->obits >= 8) {
        rle_block_out(BYTE(rle->obuf & 0xFF), rle);
        rle->obuf >>= 8;
        rle->obits -= 8;
    }
}

void CRasterGIF::rle_output_flush(tag_RLE* rle)
{
    if (rle->obits > 0)
        rle_block_out(BYTE(rle->obuf), rle);
    rle_block_flush(rle);
}

void CRasterGIF::rle_block_out(unsigned char c, tag_RLE* rle)
{
    rle->oblock[rle->oblen++] = c;
    if (rle->oblen >= 255)
        rle_write_block(rle);
}

void CRasterGIF::rle_block_flush(tag_RLE* rle)
{
    if (rle->oblen > 0)
        rle_write_block(rle);
}

void CRasterGIF::rle_write_block(tag_RLE* rle)
{
    rle->ofile->PutC(BYTE(rle->oblen));
    rle->ofile->Write(rle->oblock, 1, size_t(rle->oblen));
    rle->oblen = 0;
}
