// GIF codec: GIF87a/89a frames with their own LZW coders, no library.
#pragma once

#include <vector>

#include "RasterFrameSink.h"
#include "RasterImage.h"

class IMVEXA_API CRasterGIF : public CRasterImage {
public:
#pragma pack(push, 1)
    struct tag_dscgif {
        char header[6];
        WORD scrwidth;
        WORD scrheight;
        BYTE pflds;
        BYTE bcindx;
        BYTE pxasrat;
    };
    struct tag_image {
        WORD l;
        WORD t;
        WORD w;
        WORD h;
        BYTE pf;
    };
    struct tag_TabCol {
        short colres;
        short sogct;
        rgb_color paleta[256];
    };
    struct struct_gifgce {
        BYTE flags;
        WORD delaytime;
        BYTE transpcolindex;
    };
#pragma pack(pop)

    // Run-length coder state: codes any LZW decoder reads.
    struct tag_RLE {
        int rl_pixel;
        int rl_basecode;
        int rl_count;
        int rl_table_pixel;
        int rl_table_max;
        bool just_cleared;
        int out_bits;
        int out_bits_init;
        int out_count;
        int out_bump;
        int out_bump_init;
        int out_clear;
        int out_clear_init;
        int max_ocodes;
        int code_clear;
        int code_eof;
        unsigned int obuf;
        int obits;
        CByteStream* ofile;
        BYTE oblock[256];
        int oblen;
    };

    CRasterGIF();
    ~CRasterGIF() override {}

    bool Decode(CByteStream* fp);
    bool Decode(FILE* fp);
    // Decodes every frame in one pass, handing each composed frame to `sink`.
    bool DecodeFrames(CByteStream* fp, const RasterFrameSink& sink);
    bool Encode(CByteStream* fp);
    bool Encode(FILE* fp);
    bool Encode(CByteStream* fp, CRasterImage** pImages, int pagecount, bool bLocalColorMap = false);
    bool Encode(FILE* fp, CRasterImage** pImages, int pagecount, bool bLocalColorMap = false);

    void SetLoops(int loops) { m_loops = loops; }
    long GetLoops() const { return m_loops; }
    void SetDisposalMethod(int dm) { m_dispmeth = dm; }
    long GetDisposalMethod() const { return m_dispmeth; }
    void SetComment(const char* sz_comment_in);
    void GetComment(char* sz_comment_out);

protected:
    // Where a frame lies, found by the first walk over the file.
    struct FrameLayout {
        tag_image image;
        bool localTable;
        size_t dataBytes;
    };

    // The screen the frames are composed on, and what the next frame needs
    // of the ones before it.
    struct Composition {
        DWORD width = 0, height = 0;
        bool trueColour = false;
        long lastFrame = 0;
        const RasterFrameSink* sink = nullptr;
        CRasterImage canvas;
        std::vector<BYTE> saved;
        tag_image savedRect = {0, 0, 0, 0, 0};
        long canvasIndex = 0;
        long canvasTransIndex = -1;
        RGBQUAD canvasColour = {0, 0, 0, 0};
        int previousDisposal = 0;
        tag_image previousRect = {0, 0, 0, 0, 0};
        struct_gifgce lastGce = {0, 0, 0};
    };

    bool DecodeFrames(CByteStream* fp, const RasterFrameSink* sink);
    bool DecodeBody(CByteStream* fp, const RasterFrameSink* sink);
    bool ShowFrame(Composition& comp, long number);
    void SaveRect(Composition& comp, const tag_image& rect);
    void RestoreRect(Composition& comp);
    bool PlanComposition(const std::vector<FrameLayout>& layouts, bool hasGlobal, Composition& comp);
    bool ComposeFrames(CByteStream* fp, const tag_TabCol& global, Composition& comp);
    bool ComposeFrame(const tag_image& image, const tag_TabCol& table, bool first, Composition& comp);
    bool TakeCanvas(Composition& comp, bool keep);
    bool DecodeExtension(CByteStream* fp);
    int get_byte(CByteStream* fp);
    bool read_bytes(CByteStream* fp, void* dest, size_t count);
    void reset_reader(CByteStream* fp, long position);
    int out_line(const BYTE* pixels, int linelen);
    bool next_image(CByteStream* fp, bool& armed);
    long get_num_frames(CByteStream* fp, long position, std::vector<FrameLayout>& frames);
    bool skip_sub_blocks(CByteStream* fp, size_t* total);
    bool read_table(CByteStream* fp, BYTE packed, tag_TabCol& table);
    void GifMix(CRasterImage& canvas, const tag_image& frame, const tag_TabCol& table, long transIndex);
    void ClearRect(CRasterImage& canvas, const tag_image& frame, long index, RGBQUAD colour);
    bool DecodeFrame(CByteStream* fp, const tag_image& image);
    short init_exp(short size);
    short get_next_code(CByteStream* fp);
    short decoder(CByteStream* fp, int linewidth, int& bad_code_count);

    void EncodeHeader(CByteStream* fp);
    void EncodeExtension(CByteStream* fp);
    void EncodeLoopExtension(CByteStream* fp);
    void EncodeComment(CByteStream* fp);
    bool EncodeRGB(CByteStream* fp);
    void EncodeBody(CByteStream* fp, bool bLocalColorMap = false);
    int GifNextPixel();
    void Putword(int w, CByteStream* fp);
    void start_codes(int init_bits, CByteStream* outfile);
    void compressNONE(int init_bits, CByteStream* outfile);
    void compressLZW(int init_bits, CByteStream* outfile);
    void output(unsigned int code);
    void cl_hash(long hsize);
    void char_out(int c);
    void flush_char();
    void compressRLE(int init_bits, CByteStream* outfile);
    void rle_clear(tag_RLE* rle);
    void rle_flush(tag_RLE* rle);
    void rle_flush_withtable(int count, tag_RLE* rle);
    void rle_flush_clearorrep(int count, tag_RLE* rle);
    void rle_flush_fromclear(int count, tag_RLE* rle);
    void rle_output_plain(int c, tag_RLE* rle);
    void rle_reset_out_clear(tag_RLE* rle);
    unsigned int rle_compute_triangle_count(unsigned int count, unsigned int nrepcodes);
    unsigned int rle_isqrt(unsigned int x);
    void rle_write_block(tag_RLE* rle);
    void rle_block_out(unsigned char c, tag_RLE* rle);
    void rle_block_flush(tag_RLE* rle);
    void rle_output(int val, tag_RLE* rle);
    void rle_output_flush(tag_RLE* rle);

    struct_gifgce gifgce;

    // Encoder pixel cursor
    long curx, cury;
    long CountDown;
    unsigned long cur_accum;
    int cur_bits;

    // Decoder output: the frame's palette indices, top row first
    std::vector<BYTE> frame_pixels;
    int frame_width, frame_height;
    int interlaced, iypos, istep, iheight, ipass;

    // Read-ahead buffer
    int ibf, ibfmax;
    std::vector<BYTE> buf;

    // LZW decoder
    short curr_size, clear, ending, newcodes, top_slot, slot;
    short navail_bytes, nbits_left;
    BYTE b1;
    BYTE byte_buff[257];
    BYTE* pbytes;
    bool block_terminated;
    std::vector<BYTE> stack;
    std::vector<BYTE> suffix;
    std::vector<WORD> prefix;

    // LZW encoder
    std::vector<long> htab;
    std::vector<WORD> codetab;
    int n_bits, maxcode, free_ent, clear_flg, g_init_bits;
    CByteStream* g_outfile;
    int ClearCode, EOFCode;
    int a_count;
    char accum[256];

    char m_comment[256];
    int m_loops;
    int m_dispmeth;
};
