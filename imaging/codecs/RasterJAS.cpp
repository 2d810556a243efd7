#include "RasterJAS.h"

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <vector>

#include "JasImage.h"
#include "RasterFailure.h"

namespace {

const int kMaxComponents = 64;

int StreamRead(jas_stream_obj_t* obj, char* buf, int cnt)
{
    return int(static_cast<CByteStream*>(obj)->Read(buf, 1, size_t(cnt)));
}

int StreamWrite(jas_stream_obj_t* obj, const char* buf, int cnt)
{
    return int(static_cast<CByteStream*>(obj)->Write(buf, 1, size_t(cnt)));
}

long StreamSeek(jas_stream_obj_t* obj, long offset, int origin)
{
    return static_cast<CByteStream*>(obj)->Seek(offset, origin) ? 0 : 1;
}

// The caller's stream stays open.
int StreamKeepOpen(jas_stream_obj_t*)
{
    return 1;
}

const jas_stream_ops_t kByteStreamOps = {StreamRead, StreamWrite, StreamSeek, StreamKeepOpen};

// Everything one call holds, released on every way out.
struct JasSession {
    jas_stream_t* stream = nullptr;
    jas_image_t* image = nullptr;
    std::vector<jas_matrix_t*> rows;

    ~JasSession()
    {
        for (jas_matrix_t* m : rows)
            jas_matrix_destroy(m);
        jas_image_destroy(image);
        jas_image_clearfmts();
        if (stream)
            jas_stream_close(stream);
    }

    void CreateRows(int count, int width, const char* failure)
    {
        for (int i = 0; i < count; i++) {
            rows.push_back(jas_matrix_create(1, width));
            if (!rows.back())
                RaiseRasterFailure(failure);
        }
    }
};

const char* FormatName(DWORD imagetype)
{
    switch (imagetype) {
    case RASTER_FORMAT_JP2: return "jp2";
    case RASTER_FORMAT_JPC: return "jpc";
    case RASTER_FORMAT_PGX: return "pgx";
    case RASTER_FORMAT_PNM: return "pnm";
    case RASTER_FORMAT_RAS: return "ras";
    default: return "";
    }
}

} // namespace

jas_stream_t* CRasterJAS::BindStream(CByteStream* stream, const char* mode)
{
    jas_stream_t* js = jas_stream_fdopen(0, mode);
    if (!js)
        return nullptr;
    jas_free(js->obj_);
    js->obj_ = stream;
    js->ops_ = &kByteStreamOps;
    return js;
}

bool CRasterJAS::Decode(CByteStream* stream, DWORD imagetype)
{
    try {
        JasSession s;
        if (jas_init() != 0)
            RaiseRasterFailure("cannot initialize jasper");
        s.stream = BindStream(stream, "rb");
        if (!s.stream)
            RaiseRasterFailure("error: cannot open standard input");
        s.image = jas_image_decode(s.stream, -1, nullptr);
        if (!s.image)
            RaiseRasterFailure("error: cannot load image data");
        int count = jas_image_numcmpts(s.image);
        if (count > kMaxComponents || count < 0)
            RaiseRasterFailure("error: too much components");
        int prec = jas_image_cmptprec(s.image, 0);
        if (prec != 1 && prec != 4 && prec != 8) {
            jas_cmprof_t* profile = jas_cmprof_createfromclrspc(JAS_CLRSPC_SRGB);
            if (!profile)
                RaiseRasterFailure("cannot create sRGB profile");
            jas_image_t* converted = jas_image_chclrspc(s.image, profile, JAS_CMXFORM_INTENT_PER);
            jas_cmprof_destroy(profile);
            if (!converted)
                RaiseRasterFailure("cannot convert to sRGB");
            jas_image_destroy(s.image);
            s.image = converted;
            count = jas_image_numcmpts(s.image);
        }
        // Rows as wide as the widest component, so a sub-sampled first one
        // cannot leave the others without room.
        int widest = 0;
        for (int c = 0; c < count; c++)
            widest = std::max(widest, jas_image_cmptwidth(s.image, c));
        s.CreateRows(count, widest, "error: cannot allocate memory");
        bool colour = count == 3;
        for (int c = 1; c < 3 && colour; c++)
            colour = jas_image_cmptwidth(s.image, c) == jas_image_cmptwidth(s.image, 0) &&
                     jas_image_cmptheight(s.image, c) == jas_image_cmptheight(s.image, 0) &&
                     jas_image_cmptprec(s.image, c) == jas_image_cmptprec(s.image, 0);
        if (colour)
            FillColour(s.image, s.rows, imagetype);
        else
            FillComponents(s.image, s.rows);
        return true;
    } catch (const CRasterFailure& failure) {
        SetLastError(failure.text);
        return false;
    }
}

void CRasterJAS::FillColour(jas_image_t* image, const std::vector<jas_matrix_t*>& rows,
                            DWORD imagetype)
{
    int width = jas_image_cmptwidth(image, 0);
    int height = jas_image_cmptheight(image, 0);
    if (!Create(DWORD(width), DWORD(height), 24, imagetype))
        RaiseRasterFailure("Can't allocate memory");
    for (int y = 0; y < height; y++) {
        for (int c = 0; c < 3; c++)
            jas_image_readcmpt(image, c, 0, y, width, 1, rows[size_t(c)]);
        for (int x = 0; x < width; x++) {
            RGBQUAD colour = {BYTE(jas_matrix_get(rows[2], 0, x)),
                              BYTE(jas_matrix_get(rows[1], 0, x)),
                              BYTE(jas_matrix_get(rows[0], 0, x)), 0};
            SetPixelColor(x, height - 1 - y, colour);
        }
    }
}

void CRasterJAS::FillComponents(jas_image_t* image, const std::vector<jas_matrix_t*>& rows)
{
    int count = jas_image_numcmpts(image);
    info.nNumFrames = count;
    if (info.nFrame < 0 || info.nFrame >= count)
        RaiseRasterFailure("wrong frame!");
    for (int c = 0; c <= info.nFrame; c++) {
        int width = jas_image_cmptwidth(image, c);
        int height = jas_image_cmptheight(image, c);
        int bpp = jas_image_cmptprec(image, c) < 8 ? jas_image_cmptprec(image, c) : 8;
        if (!Create(DWORD(width), DWORD(height), DWORD(bpp), info.dwType))
            RaiseRasterFailure("Can't allocate memory");
        SetGrayPalette();
        for (int y = 0; y < height; y++) {
            jas_image_readcmpt(image, c, 0, y, width, 1, rows[size_t(c)]);
            for (int x = 0; x < width; x++)
                SetPixelIndex(x, height - 1 - y, BYTE(jas_matrix_get(rows[size_t(c)], 0, x)));
        }
    }
}

jas_image_t* CRasterJAS::ImageFromPixels()
{
    bool indexed = IsIndexed();
    int count = indexed ? 1 : 3;
    int width = int(GetWidth());
    int height = int(GetHeight());
    jas_image_cmptparm_t parm = {0, 0, 1, 1, width, height, 8, 0};
    jas_image_cmptparm_t parms[3] = {parm, parm, parm};
    jas_image_t* image =
        jas_image_create(count, parms, indexed ? JAS_CLRSPC_SGRAY : JAS_CLRSPC_SRGB);
    if (!image)
        RaiseRasterFailure("error : jas_image_create");
    if (indexed) {
        jas_image_setcmpttype(image, 0, JAS_IMAGE_CT_GRAY_Y);
    } else {
        jas_image_setcmpttype(image, 0, JAS_IMAGE_CT_RGB_R);
        jas_image_setcmpttype(image, 1, JAS_IMAGE_CT_RGB_G);
        jas_image_setcmpttype(image, 2, JAS_IMAGE_CT_RGB_B);
    }
    return image;
}

bool CRasterJAS::Encode(CByteStream* stream, DWORD imagetype)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (IsIndexed() && !IsGrayScale()) {
        SetLastError("JasPer can save only RGB or GrayScale images");
        return false;
    }
    try {
        JasSession s;
        if (jas_init() != 0)
            RaiseRasterFailure("cannot initialize jasper");
        s.stream = BindStream(stream, "wb");
        if (!s.stream)
            RaiseRasterFailure("error: cannot open standard output");
        s.image = ImageFromPixels();
        bool indexed = IsIndexed();
        int count = jas_image_numcmpts(s.image);
        int width = int(GetWidth());
        int height = int(GetHeight());
        s.CreateRows(count, width, "error : can't allocate memory");
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                if (indexed) {
                    jas_matrix_set(s.rows[0], 0, x, BlindGetPixelIndex(x, y));
                    continue;
                }
                RGBQUAD c = BlindGetPixelColor(x, y);
                jas_matrix_set(s.rows[0], 0, x, c.rgbRed);
                jas_matrix_set(s.rows[1], 0, x, c.rgbGreen);
                jas_matrix_set(s.rows[2], 0, x, c.rgbBlue);
            }
            for (int c = 0; c < count; c++)
                if (jas_image_writecmpt(s.image, c, 0, height - 1 - y, width, 1, s.rows[size_t(c)]))
                    RaiseRasterFailure("error : jas_image_writecmpt");
        }
        if (imagetype == RASTER_FORMAT_PGX && !indexed)
            RaiseRasterFailure("PGX can save only GrayScale images");
        int format = jas_image_strtofmt(FormatName(imagetype));
        char options[32];
        snprintf(options, sizeof(options), "rate=%.3f", info.nQuality * 0.01);
        if (jas_image_encode(s.image, s.stream, format, options))
            RaiseRasterFailure("error: cannot encode image\n");
        jas_stream_flush(s.stream);
        return true;
    } catch (const CRasterFailure& failure) {
        SetLastError(failure.text);
        return false;
    }
}
