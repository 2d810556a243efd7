#include "JasImage.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "JasFormat.h"
#include "Jp2Format.h"
#include "PgxFormat.h"
#include "PnmFormat.h"
#include "SunRasterFormat.h"
#include "j2k/J2kSampleScale.h"

namespace {

// Recognition order matters only for overlapping signatures; there are none.
const JasFormat kFormats[] = {
    {"jp2", Jp2Recognise, Jp2Decode, Jp2Encode},
    {"jpc", JpcRecognise, JpcDecode, JpcEncode},
    {"pgx", PgxRecognise, PgxDecode, PgxEncode},
    {"pnm", PnmRecognise, PnmDecode, PnmEncode},
    {"ras", SunRasterRecognise, SunRasterDecode, SunRasterEncode},
};
const int kFormatCount = int(sizeof(kFormats) / sizeof(kFormats[0]));

thread_local bool formatsRegistered = false;

int FdRead(jas_stream_obj_t* obj, char* buf, int cnt)
{
    return int(::read(*static_cast<int*>(obj), buf, size_t(cnt)));
}

int FdWrite(jas_stream_obj_t* obj, const char* buf, int cnt)
{
    return int(::write(*static_cast<int*>(obj), buf, size_t(cnt)));
}

long FdSeek(jas_stream_obj_t* obj, long offset, int origin)
{
    return long(::lseek(*static_cast<int*>(obj), offset, origin));
}

int FdClose(jas_stream_obj_t* obj)
{
    int fd = *static_cast<int*>(obj);
    jas_free(obj);
    return ::close(fd);
}

const jas_stream_ops_t kFdOps = {FdRead, FdWrite, FdSeek, FdClose};

// Files of this family are small next to the library's pixel limit; reading
// stops there rather than growing without bound.
const size_t kMaxStreamBytes = size_t(1) << 30;

bool ReadWholeStream(jas_stream_t* in, std::vector<uint8_t>& bytes)
{
    char chunk[65536];
    for (;;) {
        int n = in->ops_->read_(in->obj_, chunk, int(sizeof(chunk)));
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (bytes.size() + size_t(n) > kMaxStreamBytes)
            return false;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

double RateOption(const char* optstr)
{
    if (!optstr)
        return 1.0;
    const char* rate = strstr(optstr, "rate=");
    if (!rate)
        return 1.0;
    double value = atof(rate + 5);
    return value > 0 ? value : 1.0;
}

bool ValidComponent(const jas_image_t* image, int cmptno)
{
    return image && cmptno >= 0 && cmptno < int(image->cmpts.size());
}

bool RegionInside(const jas_image_cmpt_t& cmpt, int x, int y, int width, int height)
{
    return x >= 0 && y >= 0 && width >= 0 && height >= 0 &&
           int64_t(x) + width <= cmpt.parm.width && int64_t(y) + height <= cmpt.parm.height;
}

jas_seqent_t ToEightBits(jas_seqent_t v, const jas_image_cmptparm_t& parm)
{
    return jas_seqent_t(J2kSampleScale::ToEightBits(v, parm.prec, parm.sgnd != 0));
}

jas_seqent_t Clamp8(double v)
{
    return v < 0 ? 0 : v > 255 ? 255 : jas_seqent_t(std::lround(v));
}

} // namespace

int jas_init()
{
    formatsRegistered = true;
    return 0;
}

void* jas_malloc(size_t size)
{
    return malloc(size);
}

void jas_free(void* ptr)
{
    free(ptr);
}

jas_stream_t* jas_stream_fdopen(int fd, const char* mode)
{
    if (!mode)
        return nullptr;
    int* holder = static_cast<int*>(jas_malloc(sizeof(int)));
    jas_stream_t* stream = new (std::nothrow) jas_stream_t();
    if (!holder || !stream) {
        jas_free(holder);
        delete stream;
        return nullptr;
    }
    *holder = fd;
    stream->ops_ = &kFdOps;
    stream->obj_ = holder;
    stream->readable = strchr(mode, 'r') != nullptr;
    stream->writable = strchr(mode, 'w') != nullptr;
    stream->failed = false;
    return stream;
}

int jas_stream_flush(jas_stream_t* stream)
{
    return (stream && !stream->failed) ? 0 : -1;
}

int jas_stream_close(jas_stream_t* stream)
{
    if (!stream)
        return -1;
    int result = stream->ops_->close_(stream->obj_);
    delete stream;
    return result;
}

jas_image_t* jas_image_create(int numcmpts, const jas_image_cmptparm_t* cmptparms, int clrspc)
{
    if (numcmpts < 0 || (numcmpts > 0 && !cmptparms))
        return nullptr;
    uint64_t total = 0;
    for (int i = 0; i < numcmpts; i++) {
        const jas_image_cmptparm_t& p = cmptparms[i];
        if (p.width < 0 || p.height < 0 || p.prec < 1 || p.prec > 31)
            return nullptr;
        total += uint64_t(p.width) * uint64_t(p.height);
    }
    if (total > kJasMaxSamples)
        return nullptr;
    jas_image_t* image = new (std::nothrow) jas_image_t();
    if (!image)
        return nullptr;
    try {
        image->cmpts.resize(size_t(numcmpts));
        for (int i = 0; i < numcmpts; i++) {
            image->cmpts[size_t(i)].parm = cmptparms[i];
            image->cmpts[size_t(i)].type = i;
            image->cmpts[size_t(i)].samples.assign(
                size_t(cmptparms[i].width) * size_t(cmptparms[i].height), 0);
        }
    } catch (const std::bad_alloc&) {
        delete image;
        return nullptr;
    }
    image->clrspc = clrspc;
    return image;
}

jas_image_t* JasNewImage(int numcmpts, uint32_t width, uint32_t height, int prec, bool sgnd,
                         int clrspc)
{
    if (numcmpts < 1 || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return nullptr;
    if (uint64_t(width) * height * uint64_t(numcmpts) > kJasMaxSamples)
        return nullptr;
    std::vector<jas_image_cmptparm_t> parms(static_cast<size_t>(numcmpts));
    for (jas_image_cmptparm_t& p : parms)
        p = {0, 0, 1, 1, int(width), int(height), prec, sgnd ? 1 : 0};
    return jas_image_create(numcmpts, parms.data(), clrspc);
}

void jas_image_destroy(jas_image_t* image)
{
    delete image;
}

int jas_image_numcmpts(const jas_image_t* image)
{
    return image ? int(image->cmpts.size()) : 0;
}

int jas_image_cmptwidth(const jas_image_t* image, int cmptno)
{
    return ValidComponent(image, cmptno) ? image->cmpts[size_t(cmptno)].parm.width : 0;
}

int jas_image_cmptheight(const jas_image_t* image, int cmptno)
{
    return ValidComponent(image, cmptno) ? image->cmpts[size_t(cmptno)].parm.height : 0;
}

int jas_image_cmptprec(const jas_image_t* image, int cmptno)
{
    return ValidComponent(image, cmptno) ? image->cmpts[size_t(cmptno)].parm.prec : 0;
}

int jas_image_cmptsgnd(const jas_image_t* image, int cmptno)
{
    return ValidComponent(image, cmptno) ? image->cmpts[size_t(cmptno)].parm.sgnd : 0;
}

int jas_image_clrspc(const jas_image_t* image)
{
    return image ? image->clrspc : JAS_CLRSPC_UNKNOWN;
}

void jas_image_setclrspc(jas_image_t* image, int clrspc)
{
    if (image)
        image->clrspc = clrspc;
}

void jas_image_setcmpttype(jas_image_t* image, int cmptno, int type)
{
    if (ValidComponent(image, cmptno))
        image->cmpts[size_t(cmptno)].type = type;
}

int jas_image_readcmpt(jas_image_t* image, int cmptno, int x, int y, int width, int height,
                       jas_matrix_t* data)
{
    if (!ValidComponent(image, cmptno) || !data || data->rows < height || data->cols < width)
        return -1;
    const jas_image_cmpt_t& cmpt = image->cmpts[size_t(cmptno)];
    if (!RegionInside(cmpt, x, y, width, height))
        return -1;
    for (int row = 0; row < height; row++) {
        const jas_seqent_t* src =
            &cmpt.samples[size_t(y + row) * size_t(cmpt.parm.width) + size_t(x)];
        memcpy(&data->data[size_t(row) * size_t(data->cols)], src,
               size_t(width) * sizeof(jas_seqent_t));
    }
    return 0;
}

int jas_image_writecmpt(jas_image_t* image, int cmptno, int x, int y, int width, int height,
                        const jas_matrix_t* data)
{
    if (!ValidComponent(image, cmptno) || !data || data->rows < height || data->cols < width)
        return -1;
    jas_image_cmpt_t& cmpt = image->cmpts[size_t(cmptno)];
    if (!RegionInside(cmpt, x, y, width, height))
        return -1;
    for (int row = 0; row < height; row++) {
        jas_seqent_t* dst = &cmpt.samples[size_t(y + row) * size_t(cmpt.parm.width) + size_t(x)];
        memcpy(dst, &data->data[size_t(row) * size_t(data->cols)],
               size_t(width) * sizeof(jas_seqent_t));
    }
    return 0;
}

jas_matrix_t* jas_matrix_create(int rows, int cols)
{
    if (rows < 0 || cols < 0 || uint64_t(rows) * uint64_t(cols) > kJasMaxSamples)
        return nullptr;
    jas_matrix_t* matrix = new (std::nothrow) jas_matrix_t();
    if (!matrix)
        return nullptr;
    try {
        matrix->data.assign(size_t(rows) * size_t(cols), 0);
    } catch (const std::bad_alloc&) {
        delete matrix;
        return nullptr;
    }
    matrix->rows = rows;
    matrix->cols = cols;
    return matrix;
}

void jas_matrix_destroy(jas_matrix_t* matrix)
{
    delete matrix;
}

int jas_image_strtofmt(const char* name)
{
    if (!formatsRegistered || !name)
        return -1;
    for (int i = 0; i < kFormatCount; i++)
        if (strcmp(kFormats[i].name, name) == 0)
            return i;
    return -1;
}

void jas_image_clearfmts()
{
    formatsRegistered = false;
}

jas_image_t* jas_image_decode(jas_stream_t* in, int fmt, const char* /*optstr*/)
{
    if (!formatsRegistered || !in || !in->readable || fmt < -1 || fmt >= kFormatCount)
        return nullptr;
    std::vector<uint8_t> bytes;
    try {
        if (!ReadWholeStream(in, bytes))
            return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (fmt == -1) {
        for (int i = 0; i < kFormatCount && fmt == -1; i++)
            if (kFormats[i].recognise(bytes.data(), bytes.size()))
                fmt = i;
        if (fmt == -1)
            return nullptr;
    }
    try {
        return kFormats[fmt].decode(bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int jas_image_encode(jas_image_t* image, jas_stream_t* out, int fmt, const char* optstr)
{
    if (!formatsRegistered || !image || !out || !out->writable || fmt < 0 || fmt >= kFormatCount)
        return -1;
    std::vector<uint8_t> bytes;
    try {
        if (!kFormats[fmt].encode(*image, RateOption(optstr), bytes))
            return -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        int chunk = int(std::min<size_t>(bytes.size() - done, 1 << 20));
        int n = out->ops_->write_(out->obj_, reinterpret_cast<const char*>(&bytes[done]), chunk);
        if (n <= 0) {
            out->failed = true;
            return -1;
        }
        done += size_t(n);
    }
    return 0;
}

jas_cmprof_t* jas_cmprof_createfromclrspc(int clrspc)
{
    if (clrspc != JAS_CLRSPC_SRGB)
        return nullptr;
    return new (std::nothrow) jas_cmprof_t{clrspc};
}

void jas_cmprof_destroy(jas_cmprof_t* prof)
{
    delete prof;
}

// Grey becomes three equal components, luma/chroma is converted, and every
// sample is scaled to 8 bits, so deep files show their full range.
jas_image_t* jas_image_chclrspc(jas_image_t* image, const jas_cmprof_t* outprof, int /*intent*/)
{
    if (!image || !outprof || outprof->clrspc != JAS_CLRSPC_SRGB || image->cmpts.empty())
        return nullptr;
    size_t count = image->cmpts.size();
    bool grey = count < 3;
    const jas_image_cmptparm_t& first = image->cmpts[0].parm;
    for (size_t i = 1; i < (grey ? 1 : 3); i++) {
        const jas_image_cmptparm_t& p = image->cmpts[i].parm;
        if (p.width != first.width || p.height != first.height)
            return nullptr;
    }
    jas_image_t* out = JasNewImage(3, uint32_t(first.width), uint32_t(first.height), 8, false,
                                   JAS_CLRSPC_SRGB);
    if (!out)
        return nullptr;
    size_t pixels = size_t(first.width) * size_t(first.height);
    for (size_t i = 0; i < pixels; i++) {
        jas_seqent_t c[3];
        for (size_t k = 0; k < 3; k++) {
            const jas_image_cmpt_t& src = image->cmpts[grey ? 0 : k];
            c[k] = ToEightBits(src.samples[i], src.parm);
        }
        if (image->clrspc == JAS_CLRSPC_SYCBCR && !grey) {
            double y = c[0], cb = c[1] - 128.0, cr = c[2] - 128.0;
            c[0] = Clamp8(y + 1.402 * cr);
            c[1] = Clamp8(y - 0.344136 * cb - 0.714136 * cr);
            c[2] = Clamp8(y + 1.772 * cb);
        }
        for (size_t k = 0; k < 3; k++)
            out->cmpts[k].samples[i] = c[k];
    }
    return out;
}
