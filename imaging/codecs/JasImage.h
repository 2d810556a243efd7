// Component image layer behind the adapter of the JPEG 2000 family and its
// sibling formats: multi-component images, row matrices, streams bound to a
// caller's byte stream, and coders by format name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

typedef int32_t jas_seqent_t;

enum {
    JAS_CLRSPC_UNKNOWN = 0,
    JAS_CLRSPC_SGRAY = 1,
    JAS_CLRSPC_SRGB = 2,
    JAS_CLRSPC_SYCBCR = 3,
};

enum {
    JAS_IMAGE_CT_RGB_R = 0,
    JAS_IMAGE_CT_RGB_G = 1,
    JAS_IMAGE_CT_RGB_B = 2,
    JAS_IMAGE_CT_GRAY_Y = 0,
};

enum { JAS_CMXFORM_INTENT_PER = 0 };

// Stream operations; obj is whatever the stream was bound to.
typedef void jas_stream_obj_t;
struct jas_stream_ops_t {
    int (*read_)(jas_stream_obj_t* obj, char* buf, int cnt);
    int (*write_)(jas_stream_obj_t* obj, const char* buf, int cnt);
    long (*seek_)(jas_stream_obj_t* obj, long offset, int origin);
    int (*close_)(jas_stream_obj_t* obj);
};

struct jas_stream_t {
    const jas_stream_ops_t* ops_;
    jas_stream_obj_t* obj_;
    bool readable;
    bool writable;
    bool failed;
};

struct jas_image_cmptparm_t {
    int tlx, tly;
    int hstep, vstep;
    int width, height;
    int prec;
    int sgnd;
};

struct jas_image_cmpt_t {
    jas_image_cmptparm_t parm;
    int type;
    std::vector<jas_seqent_t> samples;
};

struct jas_image_t {
    std::vector<jas_image_cmpt_t> cmpts;
    int clrspc;
};

struct jas_matrix_t {
    int rows, cols;
    std::vector<jas_seqent_t> data;
};

struct jas_cmprof_t {
    int clrspc;
};

int jas_init();
void* jas_malloc(size_t size);
void jas_free(void* ptr);

jas_stream_t* jas_stream_fdopen(int fd, const char* mode);
int jas_stream_flush(jas_stream_t* stream);
int jas_stream_close(jas_stream_t* stream);

jas_image_t* jas_image_create(int numcmpts, const jas_image_cmptparm_t* cmptparms, int clrspc);
void jas_image_destroy(jas_image_t* image);
int jas_image_numcmpts(const jas_image_t* image);
int jas_image_cmptwidth(const jas_image_t* image, int cmptno);
int jas_image_cmptheight(const jas_image_t* image, int cmptno);
int jas_image_cmptprec(const jas_image_t* image, int cmptno);
int jas_image_cmptsgnd(const jas_image_t* image, int cmptno);
int jas_image_clrspc(const jas_image_t* image);
void jas_image_setclrspc(jas_image_t* image, int clrspc);
void jas_image_setcmpttype(jas_image_t* image, int cmptno, int type);
int jas_image_readcmpt(jas_image_t* image, int cmptno, int x, int y, int width, int height,
                       jas_matrix_t* data);
int jas_image_writecmpt(jas_image_t* image, int cmptno, int x, int y, int width, int height,
                        const jas_matrix_t* data);

jas_matrix_t* jas_matrix_create(int rows, int cols);
void jas_matrix_destroy(jas_matrix_t* matrix);
inline jas_seqent_t jas_matrix_get(const jas_matrix_t* m, int row, int col)
{
    return m->data[size_t(row) * size_t(m->cols) + size_t(col)];
}
inline void jas_matrix_set(jas_matrix_t* m, int row, int col, jas_seqent_t value)
{
    m->data[size_t(row) * size_t(m->cols) + size_t(col)] = value;
}

// Formats are registered by jas_init and dropped by jas_image_clearfmts, per
// thread, so calls on different threads never see each other's table.
int jas_image_strtofmt(const char* name);
void jas_image_clearfmts();
// fmt -1 recognises the format from the stream's first bytes.
jas_image_t* jas_image_decode(jas_stream_t* in, int fmt, const char* optstr);
int jas_image_encode(jas_image_t* image, jas_stream_t* out, int fmt, const char* optstr);

jas_cmprof_t* jas_cmprof_createfromclrspc(int clrspc);
void jas_cmprof_destroy(jas_cmprof_t* prof);
// Returns a new image in the profile's colour space, 8 bits a component.
jas_image_t* jas_image_chclrspc(jas_image_t* image, const jas_cmprof_t* outprof, int intent);
