#include "RasterJPG.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

#include "FileStream.h"
#include "JpegDataFloor.h"
#include "JpegScanLimit.h"
#include "SaturatedCast.h"

namespace {

const size_t kJpegBufferSize = 4096;

// Where the compressed data of a file that ends early ran out. A Huffman
// scan leaves every block below that iMCU row zero, so the rows a few iMCU
// rows further down (past the upsampling and smoothing context) repeat one
// row to the bottom: that row is copied instead of decoded. An arithmetic
// scan would go on decoding zeros; it gets the same copy.
struct JpegDataEnd {
    int cutScans = 0;
    int lastCutScan = 0;
    JDIMENSION lastRow = 0;

    void Note(j_decompress_ptr cinfo)
    {
        if (cinfo->input_scan_number != lastCutScan) {
            lastCutScan = cinfo->input_scan_number;
            ++cutScans;
        }
        if (cinfo->input_iMCU_row > lastRow)
            lastRow = cinfo->input_iMCU_row;
    }

    // Only when every scan read was cut: a whole scan covers every row.
    bool LeavesOnlyFill(j_decompress_ptr cinfo) const
    {
        if (cutScans == 0 || cutScans != cinfo->input_scan_number)
            return false;
        const uint64_t rowsPerIMcu = uint64_t(cinfo->max_v_samp_factor) * unsigned(cinfo->min_DCT_scaled_size);
        return cinfo->output_scanline >= (uint64_t(lastRow) + kContextIMcuRows) * rowsPerIMcu;
    }

    static const unsigned kContextIMcuRows = 4;
};

struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf setjmp_buffer;
    char* errorText;
    void (*standardEmit)(j_common_ptr, int);
    JpegDataEnd* dataEnd;
};

struct JpegSource {
    jpeg_source_mgr pub;
    CByteStream* stream;
    JOCTET buffer[kJpegBufferSize];
    bool startOfFile;
    JpegDataEnd* dataEnd;
};

struct JpegDestination {
    jpeg_destination_mgr pub;
    CByteStream* stream;
    JOCTET buffer[kJpegBufferSize];
};

void JpegErrorExit(j_common_ptr cinfo)
{
    JpegErrorManager* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    strncpy(err->errorText, message, 255);
    err->errorText[255] = 0;
    longjmp(err->setjmp_buffer, 1);
}

// Warnings are not printed: decoding arbitrary bytes stays silent.
void JpegOutputMessage(j_common_ptr) {}

// A Huffman scan that meets a marker other than a restart marker gets no
// more data: libjpeg leaves the rest of its blocks zero.
void JpegEmitMessage(j_common_ptr cinfo, int level)
{
    JpegErrorManager* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (level < 0 && err->pub.msg_code == JWRN_HIT_MARKER && err->dataEnd && cinfo->is_decompressor) {
        j_decompress_ptr decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
        int marker = decompress->unread_marker;
        if (marker < JPEG_RST0 || marker > JPEG_RST0 + 7)
            err->dataEnd->Note(decompress);
    }
    err->standardEmit(cinfo, level);
}

// libjpeg reports its progress between rows and scans: a picture of too
// many scans is refused as soon as the first one past the bound begins.
void JpegLimitScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor ||
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= JpegScanLimit::kMaxScans)
        return;
    JpegErrorManager* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    strncpy(err->errorText, JpegScanLimit::kFailure, 255);
    err->errorText[255] = 0;
    longjmp(err->setjmp_buffer, 1);
}

void JpegInitDestination(j_compress_ptr cinfo)
{
    JpegDestination* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kJpegBufferSize;
}

boolean JpegEmptyOutputBuffer(j_compress_ptr cinfo)
{
    JpegDestination* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (dest->stream->Write(dest->buffer, 1, kJpegBufferSize) != kJpegBufferSize)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kJpegBufferSize;
    return TRUE;
}

void JpegTermDestination(j_compress_ptr cinfo)
{
    JpegDestination* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    size_t count = kJpegBufferSize - dest->pub.free_in_buffer;
    if (count > 0 && dest->stream->Write(dest->buffer, 1, count) != count)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->stream->Flush();
    if (dest->stream->Error())
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

void JpegInitSource(j_decompress_ptr cinfo)
{
    JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
    src->startOfFile = true;
}

boolean JpegFillInputBuffer(j_decompress_ptr cinfo)
{
    JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
    size_t nbytes = src->stream->Read(src->buffer, 1, kJpegBufferSize);
    if (nbytes == 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // Arithmetic scans take markers as legal zero data: only the file's
        // end in the middle of a scan tells they were cut.
        if (src->dataEnd && cinfo->input_iMCU_row < cinfo->total_iMCU_rows)
            src->dataEnd->Note(cinfo);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        nbytes = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = nbytes;
    src->startOfFile = false;
    return TRUE;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long num_bytes)
{
    JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
    if (num_bytes < 1)
        return;
    while (num_bytes > long(src->pub.bytes_in_buffer)) {
        num_bytes -= long(src->pub.bytes_in_buffer);
        JpegFillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += size_t(num_bytes);
    src->pub.bytes_in_buffer -= size_t(num_bytes);
}

void JpegTermSource(j_decompress_ptr) {}

void InstallErrorManager(JpegErrorManager& err, char* text, JpegDataEnd* dataEnd = nullptr)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.output_message = JpegOutputMessage;
    err.standardEmit = err.pub.emit_message;
    err.pub.emit_message = JpegEmitMessage;
    err.errorText = text;
    err.dataEnd = dataEnd;
}

const char* const kDataTooShort = "JPEG data too short for its picture";
const char* const kDataEndsEarly = "JPEG data ends before its last scan";

// The blocks of every component are counted, each at its own sampling.
bool CannotHoldLargePicture(j_decompress_ptr cinfo, JpegSource& source, uint64_t pictureBytes)
{
    const JpegDataFloor::Process process =
        cinfo->progressive_mode ? JpegDataFloor::Process::Progressive : JpegDataFloor::Process::Sequential;
    uint64_t leastBits = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& component = cinfo->comp_info[c];
        leastBits += JpegDataFloor::LeastBits(process, 8ULL * component.width_in_blocks,
                                              8ULL * component.height_in_blocks);
    }
    const long size = source.stream->Size();
    const long position = source.stream->Tell();
    const uint64_t left = (size > position ? uint64_t(size - position) : 0) + source.pub.bytes_in_buffer;
    return JpegDataFloor::CannotHold(pictureBytes, left, leastBits);
}

// A stream read byte by byte through a buffer of its own.
class StreamBytes {
public:
    explicit StreamBytes(CByteStream* stream) : m_stream(stream) {}

    // -1 at the end of the stream.
    int Next()
    {
        if (m_next == m_count && !Refill())
            return -1;
        return m_buffer[m_next++];
    }

    bool Skip(size_t count)
    {
        while (count > 0) {
            if (m_next == m_count && !Refill())
                return false;
            const size_t taken = count < m_count - m_next ? count : m_count - m_next;
            m_next += taken;
            count -= taken;
        }
        return true;
    }

private:
    bool Refill()
    {
        m_count = m_stream->Read(m_buffer, 1, sizeof(m_buffer));
        m_next = 0;
        return m_count > 0;
    }

    CByteStream* m_stream;
    JOCTET m_buffer[kJpegBufferSize];
    size_t m_next = 0;
    size_t m_count = 0;
};

// Marker segments are passed by their length; whatever lies between them
// (entropy-coded data with its stuffed bytes and restart markers, or stray
// bytes) is read through to the next marker, as libjpeg does.
bool ReachesEndOfImage(StreamBytes& bytes)
{
    for (;;) {
        const int byte = bytes.Next();
        if (byte < 0)
            return false;
        if (byte != 0xFF)
            continue;
        int marker = bytes.Next();
        while (marker == 0xFF)
            marker = bytes.Next();
        if (marker < 0)
            return false;
        if (marker == JPEG_EOI)
            return true;
        const bool standalone = marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
                                (marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7);
        if (standalone)
            continue;
        const int high = bytes.Next();
        const int low = bytes.Next();
        if (high < 0 || low < 0)
            return false;
        const int length = high << 8 | low;
        if (length < 2 || !bytes.Skip(size_t(length - 2)))
            return false;
    }
}

// Arithmetic coding has no least size a picture's data could be held
// against: its data must reach the end-of-image marker after the last scan.
// The stream is walked from the JPEG's start and left where it was.
bool EndsBeforeItsLastScan(CByteStream* stream, long start)
{
    const long position = stream->Tell();
    stream->Seek(start, SEEK_SET);
    StreamBytes bytes(stream);
    const bool complete = ReachesEndOfImage(bytes);
    stream->Seek(position, SEEK_SET);
    return !complete;
}

// Large pictures are checked before their pixels are allocated; smaller
// ones keep showing the rows their short data holds.
const char* LargePictureRefusal(j_decompress_ptr cinfo, JpegSource& source, long start)
{
    const uint64_t pictureBytes = uint64_t(cinfo->output_width) * cinfo->output_height * 3;
    if (pictureBytes < JpegDataFloor::kLargePictureBytes)
        return nullptr;
    if (cinfo->arith_code)
        return EndsBeforeItsLastScan(source.stream, start) ? kDataEndsEarly : nullptr;
    return CannotHoldLargePicture(cinfo, source, pictureBytes) ? kDataTooShort : nullptr;
}

// Bottom-up rows: the rows below the given one (further down the picture)
// become copies of it.
void RepeatRowDownwards(CRasterImage& image, DWORD row)
{
    const BYTE* source = image.GetBits(row);
    for (DWORD y = 0; y < row; ++y)
        memcpy(image.GetBits(y), source, image.GetEffWidth());
}

} // namespace

CRasterJPG::CRasterJPG()
    : CRasterImage(RASTER_FORMAT_JPG), m_exif(nullptr), m_nPredictor(0), m_nPointTransform(0),
      m_nSmoothing(0), m_nQuantization(0), m_nDither(0)
{
    memset(&m_exifinfo, 0, sizeof(m_exifinfo));
}

// A copy gets no reader of its own: the reader's sections belong to the
// original, and so does the thumbnail pointer into them.
CRasterJPG::CRasterJPG(const CRasterJPG& src)
    : CRasterImage(src), m_exif(nullptr), m_exifinfo(src.m_exifinfo),
      m_nPredictor(src.m_nPredictor), m_nPointTransform(src.m_nPointTransform),
      m_nSmoothing(src.m_nSmoothing), m_nQuantization(src.m_nQuantization), m_nDither(src.m_nDither)
{
    m_exifinfo.ThumbnailPointer = nullptr;
    m_exifinfo.ThumbnailSize = 0;
}

CRasterJPG& CRasterJPG::operator=(const CRasterJPG& src)
{
    if (this == &src)
        return *this;
    CRasterImage::operator=(src);
    delete m_exif;
    m_exif = nullptr;
    m_exifinfo = src.m_exifinfo;
    m_exifinfo.ThumbnailPointer = nullptr;
    m_exifinfo.ThumbnailSize = 0;
    m_nPredictor = src.m_nPredictor;
    m_nPointTransform = src.m_nPointTransform;
    m_nSmoothing = src.m_nSmoothing;
    m_nQuantization = src.m_nQuantization;
    m_nDither = src.m_nDither;
    return *this;
}

CRasterJPG::~CRasterJPG()
{
    delete m_exif;
}

bool CRasterJPG::DecodeExif(CByteStream* stream)
{
    if (!stream)
        return false;
    // Nothing of an earlier file's record may pass for this one's.
    delete m_exif;
    memset(&m_exifinfo, 0, sizeof(m_exifinfo));
    m_exif = new (std::nothrow) CExifInfo(&m_exifinfo);
    if (!m_exif)
        return false;
    long position = stream->Tell();
    m_exif->DecodeExif(stream, 1);
    stream->Seek(position, SEEK_SET);
    return m_exifinfo.IsExif;
}

bool CRasterJPG::DecodeExif(FILE* hFile)
{
    CFileStream file(hFile);
    return DecodeExif(&file);
}

bool CRasterJPG::Decode(FILE* hFile)
{
    CFileStream file(hFile);
    return Decode(&file);
}

bool CRasterJPG::Encode(FILE* hFile)
{
    CFileStream file(hFile);
    return Encode(&file);
}

bool CRasterJPG::Decode(CByteStream* stream)
{
    if (!stream)
        return false;
    bool isExif = DecodeExif(stream);
    (void)isExif;
    return DecodePixels(stream);
}

// libjpeg leaves through longjmp on any error: this function owns no
// object with a destructor, and every buffer comes from libjpeg's pools.
bool CRasterJPG::DecodePixels(CByteStream* stream)
{
    const long start = stream->Tell();
    jpeg_decompress_struct cinfo;
    JpegErrorManager jerr;
    JpegSource source;
    JpegDataEnd dataEnd;
    jpeg_progress_mgr progress{};
    InstallErrorManager(jerr, info.szLastError, &dataEnd);
    cinfo.err = &jerr.pub;
    if (setjmp(jerr.setjmp_buffer)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = JpegLimitScans;
    cinfo.progress = &progress;
    source.stream = stream;
    source.startOfFile = true;
    source.dataEnd = &dataEnd;
    source.pub.init_source = JpegInitSource;
    source.pub.fill_input_buffer = JpegFillInputBuffer;
    source.pub.skip_input_data = JpegSkipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = JpegTermSource;
    source.pub.bytes_in_buffer = 0;
    source.pub.next_input_byte = nullptr;
    cinfo.src = &source.pub;
    jpeg_read_header(&cinfo, TRUE);

    DWORD options = GetCodecOption(RASTER_FORMAT_JPG);
    if (options & 0x80)
        cinfo.out_color_space = JCS_GRAYSCALE;
    if (options & 0x100) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = GetJpegQuality();
    }
    if (options & 0x200)
        cinfo.dither_mode = J_DITHER_MODE(m_nDither);
    if (options & 0x400)
        cinfo.two_pass_quantize = FALSE;
    if (options & 0x800)
        cinfo.do_fancy_upsampling = FALSE;
    if (GetJpegScale() > 0) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = GetJpegScale();
    }

    if (GetEscape() == -1) {
        jpeg_calc_output_dimensions(&cinfo);
        head.biWidth = LONG(cinfo.output_width);
        head.biHeight = LONG(cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    // libjpeg sizes its own buffers from the header: a header beyond the
    // image limit is refused before it can reserve them.
    jpeg_calc_output_dimensions(&cinfo);
    if (!FitsMemoryLimit(cinfo.image_width, cinfo.image_height, 8 * DWORD(cinfo.num_components)) ||
        !FitsMemoryLimit(cinfo.output_width, cinfo.output_height, 8 * DWORD(cinfo.output_components))) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        longjmp(jerr.setjmp_buffer, 1);
    }
    if (const char* refusal = LargePictureRefusal(&cinfo, source, start)) {
        SetLastError(refusal);
        longjmp(jerr.setjmp_buffer, 1);
    }
    jpeg_start_decompress(&cinfo);
    if (!Create(cinfo.output_width, cinfo.output_height, 8 * DWORD(cinfo.output_components),
                RASTER_FORMAT_JPG))
        longjmp(jerr.setjmp_buffer, 1);

    if (!m_exifinfo.IsExif) {
        if (cinfo.density_unit == 2) {
            SetXDPI(long(cinfo.X_density * 2.54 + 0.5));
            SetYDPI(long(cinfo.Y_density * 2.54 + 0.5));
        } else {
            SetXDPI(cinfo.X_density);
            SetYDPI(cinfo.Y_density);
        }
    } else {
        if (m_exifinfo.Xresolution != 0 && m_exifinfo.ResolutionUnit != 0)
            SetXDPI(SaturatedCast<long>(m_exifinfo.Xresolution / m_exifinfo.ResolutionUnit));
        if (m_exifinfo.Yresolution != 0 && m_exifinfo.ResolutionUnit != 0)
            SetYDPI(SaturatedCast<long>(m_exifinfo.Yresolution / m_exifinfo.ResolutionUnit));
    }

    // The colour count stays that of the table laid out by Create: changing
    // it would move the rows. The quantiser's count goes to the important
    // colours instead.
    if (cinfo.quantize_colors) {
        int colours = cinfo.actual_number_of_colors;
        JSAMPARRAY map = cinfo.colormap;
        if (cinfo.out_color_components == 3)
            SetPalette(DWORD(colours), map[0], map[1], map[2]);
        else
            SetPalette(DWORD(colours), map[0]);
        SetClrImportant(DWORD(colours));
    } else if (cinfo.out_color_space == JCS_GRAYSCALE) {
        SetGrayPalette();
    }

    DWORD rowStride = cinfo.output_width * DWORD(cinfo.output_components);
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                   JPOOL_IMAGE, rowStride, 1);
    bool cmyk = cinfo.output_components == 4 && !cinfo.quantize_colors;
    bool rgb = cinfo.output_components == 3 && !cinfo.quantize_colors;
    while (cinfo.output_scanline < cinfo.output_height) {
        if (info.nEscape)
            longjmp(jerr.setjmp_buffer, 1);
        if (dataEnd.LeavesOnlyFill(&cinfo)) {
            RepeatRowDownwards(*this, cinfo.output_height - cinfo.output_scanline);
            jpeg_destroy_decompress(&cinfo);
            return true;
        }
        BYTE* dst = GetBits(cinfo.output_height - 1 - cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, buffer, 1);
        const BYTE* src = buffer[0];
        if (cmyk) {
            // Three output bytes per four input bytes, stopping at whichever
            // row runs out first.
            for (DWORD s = 0, d = 0; s + 4 <= rowStride && d + 3 <= info.dwEffWidth; s += 4, d += 3) {
                unsigned k = src[s + 3];
                dst[d] = BYTE(src[s + 2] * k / 255);
                dst[d + 1] = BYTE(src[s + 1] * k / 255);
                dst[d + 2] = BYTE(src[s] * k / 255);
            }
        } else {
            memcpy(dst, src, rowStride < info.dwEffWidth ? rowStride : info.dwEffWidth);
            if (rgb)
                RGBtoBGR(dst, int(cinfo.output_width * 3));
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool CRasterJPG::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (IsIndexed() && !IsGrayScale()) {
        SetLastError("JPEG can save only RGB or GreyScale images");
        return false;
    }
    long start = stream->Tell();
    if (!EncodePixels(stream))
        return false;
    if (m_exif && m_exifinfo.IsExif)
        WriteExifBack(stream, start);
    return true;
}

// Indexed grey images below 8 bits are written one sample per pixel, the
// sample being the pixel's table value.
bool CRasterJPG::EncodePixels(CByteStream* stream)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager jerr;
    JpegDestination destination;
    InstallErrorManager(jerr, info.szLastError);
    cinfo.err = &jerr.pub;
    if (setjmp(jerr.setjmp_buffer)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    destination.stream = stream;
    destination.pub.init_destination = JpegInitDestination;
    destination.pub.empty_output_buffer = JpegEmptyOutputBuffer;
    destination.pub.term_destination = JpegTermDestination;
    cinfo.dest = &destination.pub;

    bool grey = IsIndexed();
    cinfo.image_width = JDIMENSION(head.biWidth);
    cinfo.image_height = JDIMENSION(head.biHeight);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);

    DWORD options = GetCodecOption(RASTER_FORMAT_JPG);
    if (options & 0x02)
        cinfo.arith_code = TRUE;
    if (options & 0x08)
        cinfo.optimize_coding = TRUE;
    if (options & 0x04)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (options & 0x40)
        cinfo.smoothing_factor = m_nSmoothing;
    jpeg_set_quality(&cinfo, GetJpegQuality(), (options & 0x01) ? TRUE : FALSE);
    if (options & 0x10)
        jpeg_simple_progression(&cinfo);

    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = UINT16(GetXDPI());
    cinfo.Y_density = UINT16(GetYDPI());

    jpeg_start_compress(&cinfo, TRUE);
    DWORD rowBytes = info.dwEffWidth > DWORD(head.biWidth) ? info.dwEffWidth : DWORD(head.biWidth);
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                   JPOOL_IMAGE, rowBytes + 8, 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        DWORD source = cinfo.image_height - 1 - cinfo.next_scanline;
        BYTE* row = buffer[0];
        if (grey && head.biBitCount < 8) {
            for (long x = 0; x < head.biWidth; x++)
                row[x] = GetPaletteColor(BlindGetPixelIndex(x, long(source))).rgbBlue;
        } else {
            memcpy(row, GetBits(source), info.dwEffWidth);
            if (!grey)
                RGBtoBGR(row, int(info.dwEffWidth));
        }
        jpeg_write_scanlines(&cinfo, buffer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

void CRasterJPG::WriteExifBack(CByteStream* stream, long start)
{
    m_exif->DiscardAllButExif();
    stream->Seek(start, SEEK_SET);
    m_exif->DecodeExif(stream, 2);
    stream->Seek(start, SEEK_SET);
    m_exif->EncodeExif(stream);
}
