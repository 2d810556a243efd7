// Writes the starting corpus of each fuzz target into <output>/<target>/:
// small pictures made by our own encoders (plus the bitmap compressions and
// the EXIF block they do not write), the generated DICOM test files, and XML
// documents shaped like the ones the program reads.
// Usage: make-fuzz-seeds <output folder> <generated DICOM folder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <dcmtk/dcmdata/dcuid.h>

#include "ManyScanJpeg.h"
#include "MemoryStream.h"
#include "RasterGIF.h"
#include "RasterImage.h"
#include "testdata.h"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

void WriteSeed(const fs::path& dir, const std::string& name, const Bytes& bytes)
{
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void Put16(Bytes& b, unsigned v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, unsigned v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }

// A colourful picture, wider than high, in the given depth.
CRasterImage Picture(DWORD bpp, DWORD width = 13, DWORD height = 7)
{
    CRasterImage image(width, height, bpp);
    if (bpp <= 8) {
        const DWORD colours = 1u << bpp;
        for (DWORD i = 0; i < colours; ++i)
            image.SetPaletteColor(BYTE(i), BYTE(i * 37), BYTE(255 - i * 11), BYTE(i * 73));
    }
    for (DWORD y = 0; y < height; ++y)
        for (DWORD x = 0; x < width; ++x) {
            RGBQUAD c{BYTE(x * 19), BYTE(y * 35 + 10), BYTE(200 - x * 7), BYTE(x * 20 + y)};
            if (bpp <= 8)
                image.SetPixelIndex(long(x), long(y), BYTE((x + 3 * y) % (1u << bpp)));
            else
                image.SetPixelColor(long(x), long(y), c);
        }
    return image;
}

Bytes Encode(CRasterImage& image, DWORD format)
{
    CMemoryStream stream;
    stream.Open();
    if (!image.Encode(&stream, format))
        return {};
    const long size = stream.Size();
    unsigned char* data = stream.GetBuffer(false);
    return Bytes(data, data + size);
}

// A bitmap with a compressed body the encoder never writes.
Bytes CompressedBmp(int width, int height, int bpp, unsigned compression, const Bytes& body)
{
    const unsigned colours = 1u << bpp;
    const unsigned offset = 14 + 40 + 4 * colours;
    Bytes b{'B', 'M'};
    Put32(b, offset + unsigned(body.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40); Put32(b, unsigned(width)); Put32(b, unsigned(height));
    Put16(b, 1); Put16(b, unsigned(bpp)); Put32(b, compression);
    Put32(b, unsigned(body.size())); Put32(b, 2835); Put32(b, 2835);
    Put32(b, colours); Put32(b, 0);
    for (unsigned i = 0; i < colours; ++i) {
        b.push_back(BYTE(i * 13)); b.push_back(BYTE(i * 7 + 40)); b.push_back(BYTE(250 - i)); b.push_back(0);
    }
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

void BmpSeeds(const fs::path& dir)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u, 32u}) {
        CRasterImage image = Picture(bpp);
        WriteSeed(dir, "plain" + std::to_string(bpp) + ".bmp", Encode(image, RASTER_FORMAT_BMP));
    }
    // Encoded runs, an odd literal run, a delta move, end of line and of bitmap.
    const Bytes rle8{3, 5, 0, 3, 9, 10, 11, 0, 2, 0, 1, 0, 0, 4, 7, 0, 0, 2, 1, 2, 0, 1};
    WriteSeed(dir, "rle8.bmp", CompressedBmp(9, 3, 8, 1, rle8));
    const Bytes rle4{5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 6, 0xAB, 0, 2, 1, 0, 0, 0, 0, 1};
    WriteSeed(dir, "rle4.bmp", CompressedBmp(7, 3, 4, 2, rle4));
}

// Single-frame icons of our encoder joined under one directory, so that
// frames of different sizes and depths follow each other.
Bytes JoinIcons(const std::vector<Bytes>& icons)
{
    const size_t directory = 6 + 16 * icons.size();
    Bytes joined{0, 0, 1, 0, BYTE(icons.size()), 0};
    Bytes images;
    for (const Bytes& icon : icons) {
        if (icon.size() < 22)
            return {};
        Bytes entry(icon.begin() + 6, icon.begin() + 22);
        const unsigned offset = unsigned(directory + images.size());
        for (int i = 0; i < 4; ++i)
            entry[12 + i] = BYTE(offset >> (8 * i));
        joined.insert(joined.end(), entry.begin(), entry.end());
        images.insert(images.end(), icon.begin() + 22, icon.end());
    }
    joined.insert(joined.end(), images.begin(), images.end());
    return joined;
}

void IcoSeeds(const fs::path& dir)
{
    CRasterImage four = Picture(4, 16, 16), eight = Picture(8, 32, 32), rgb = Picture(24, 16, 16),
                 rgba = Picture(32, 24, 24);
    rgba.AlphaCreate();
    for (long y = 0; y < 24; ++y)
        for (long x = 0; x < 24; ++x)
            rgba.AlphaSet(x, y, BYTE(x * 10 + y));
    std::vector<Bytes> icons;
    for (CRasterImage* page : {&four, &eight, &rgb, &rgba}) {
        icons.push_back(Encode(*page, RASTER_FORMAT_ICO));
        WriteSeed(dir, "page" + std::to_string(page->GetBpp()) + ".ico", icons.back());
    }
    WriteSeed(dir, "four-pages.ico", JoinIcons(icons));
}

void PngSeeds(const fs::path& dir)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CRasterImage image = Picture(bpp);
        WriteSeed(dir, "plain" + std::to_string(bpp) + ".png", Encode(image, RASTER_FORMAT_PNG));
    }
    CRasterImage alpha = Picture(24);
    alpha.AlphaCreate();
    alpha.AlphaSet(4, 2, 90);
    WriteSeed(dir, "alpha.png", Encode(alpha, RASTER_FORMAT_PNG));
    CRasterImage transparent = Picture(8);
    transparent.SetTransIndex(3);
    WriteSeed(dir, "transparent.png", Encode(transparent, RASTER_FORMAT_PNG));
}

// A little-endian EXIF block: resolution and camera in the first directory,
// capture details in the EXIF directory, a thumbnail in the second one.
Bytes ExifSegment(const Bytes& thumbnail)
{
    Bytes t{'I', 'I', 42, 0};
    Put32(t, 8);
    auto entry = [&t](unsigned tag, unsigned type, unsigned count, unsigned value) {
        Put16(t, tag); Put16(t, type); Put32(t, count); Put32(t, value);
    };
    const unsigned ifd0 = 8, ifd0Entries = 6, exifIfd = ifd0 + 2 + 12 * ifd0Entries + 4;
    const unsigned exifEntries = 3, ifd1 = exifIfd + 2 + 12 * exifEntries + 4;
    const unsigned ifd1Entries = 2, data = ifd1 + 2 + 12 * ifd1Entries + 4;
    Put16(t, ifd0Entries);
    entry(0x010F, 2, 4, 'F' | 'z' << 8 | 'C' << 16);
    entry(0x0112, 3, 1, 6);
    entry(0x011A, 5, 1, data);
    entry(0x011B, 5, 1, data + 8);
    entry(0x0128, 3, 1, 2);
    entry(0x8769, 4, 1, exifIfd);
    Put32(t, ifd1);
    Put16(t, exifEntries);
    entry(0x920A, 5, 1, data + 16);
    entry(0x829D, 5, 1, data + 24);
    entry(0x9209, 3, 1, 1);
    Put32(t, 0);
    Put16(t, ifd1Entries);
    entry(0x0201, 4, 1, data + 32);
    entry(0x0202, 4, 1, unsigned(thumbnail.size()));
    Put32(t, 0);
    for (unsigned v : {300u, 1u, 72u, 1u, 35u, 10u, 28u, 10u})
        Put32(t, v);
    t.insert(t.end(), thumbnail.begin(), thumbnail.end());
    Bytes segment{0xFF, 0xE1};
    const unsigned length = unsigned(t.size()) + 2 + 6;
    segment.push_back(BYTE(length >> 8));
    segment.push_back(BYTE(length));
    for (char c : {'E', 'x', 'i', 'f', '\0', '\0'})
        segment.push_back(BYTE(c));
    segment.insert(segment.end(), t.begin(), t.end());
    return segment;
}

void JpegSeeds(const fs::path& dir)
{
    CRasterImage colour = Picture(24, 21, 11), grey = Picture(8, 11, 21);
    grey.SetGrayPalette();
    const Bytes colourJpeg = Encode(colour, RASTER_FORMAT_JPG);
    WriteSeed(dir, "colour.jpg", colourJpeg);
    WriteSeed(dir, "grey.jpg", Encode(grey, RASTER_FORMAT_JPG));
    if (colourJpeg.size() > 2) {
        CRasterImage tiny = Picture(24, 3, 2);
        const Bytes thumbnail = Encode(tiny, RASTER_FORMAT_JPG);
        Bytes withExif{0xFF, 0xD8};
        const Bytes exif = ExifSegment(thumbnail);
        withExif.insert(withExif.end(), exif.begin(), exif.end());
        withExif.insert(withExif.end(), colourJpeg.begin() + 2, colourJpeg.end());
        WriteSeed(dir, "exif.jpg", withExif);
    }
    // A few kilobytes of repeated scans, each a pass over the picture.
    WriteSeed(dir, "many-scans.jpg", manyscans::WithScans(1024, 768, 1000));
    // An arithmetic-coded picture declaring 8192 x 5462 whose data stops
    // before its end marker: its marker structure is walked before pixels
    // are allocated.
    colour.SetCodecOption(0x02, RASTER_FORMAT_JPG);
    Bytes large = Encode(colour, RASTER_FORMAT_JPG);
    for (size_t i = 2; i + 8 < large.size(); ++i)
        if (large[i] == 0xFF && large[i + 1] == 0xC9) {
            const Bytes size{0x15, 0x56, 0x20, 0x00};
            std::copy(size.begin(), size.end(), large.begin() + long(i) + 5);
            large.resize(large.size() - 2);
            WriteSeed(dir, "arithmetic-large-cut.jpg", large);
            break;
        }
}

// DICOM elements of a little-endian data set: explicit VR with the short
// length form, or implicit VR with a 32-bit length (vr null).
void PutElement(Bytes& b, unsigned group, unsigned element, const char* vr, Bytes value)
{
    if (value.size() % 2 != 0)
        value.push_back(vr && std::strcmp(vr, "UI") == 0 ? 0 : ' ');
    Put16(b, group);
    Put16(b, element);
    if (vr == nullptr) {
        Put32(b, unsigned(value.size()));
    } else if (std::strcmp(vr, "OB") == 0 || std::strcmp(vr, "OW") == 0) {
        b.insert(b.end(), {BYTE(vr[0]), BYTE(vr[1]), 0, 0});
        Put32(b, unsigned(value.size()));
    } else {
        b.insert(b.end(), {BYTE(vr[0]), BYTE(vr[1])});
        Put16(b, unsigned(value.size()));
    }
    b.insert(b.end(), value.begin(), value.end());
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Word(unsigned v) { return Bytes{BYTE(v), BYTE(v >> 8)}; }

// Preamble and meta header (always explicit VR) naming the transfer syntax.
Bytes DicomFileStart(const std::string& syntax)
{
    Bytes meta;
    PutElement(meta, 2, 1, "OB", Bytes{0, 1});
    PutElement(meta, 2, 2, "UI", Text("1.2.840.10008.5.1.4.1.1.7"));
    PutElement(meta, 2, 3, "UI", Text("1.2.826.0.1.3680043.2.1143.7"));
    PutElement(meta, 2, 0x10, "UI", Text(syntax));
    Bytes b(128, 0);
    b.insert(b.end(), {'D', 'I', 'C', 'M'});
    b.insert(b.end(), {2, 0, 0, 0, 'U', 'L', 4, 0});
    Put32(b, unsigned(meta.size()));
    b.insert(b.end(), meta.begin(), meta.end());
    return b;
}

void PutGreyDescription(Bytes& b, const char* vr, unsigned rows, unsigned columns, unsigned frames)
{
    const bool implicit = vr == nullptr;
    PutElement(b, 0x28, 2, implicit ? nullptr : "US", Word(1));
    PutElement(b, 0x28, 4, implicit ? nullptr : "CS", Text("MONOCHROME2"));
    PutElement(b, 0x28, 8, implicit ? nullptr : "IS", Text(std::to_string(frames)));
    PutElement(b, 0x28, 0x10, implicit ? nullptr : "US", Word(rows));
    PutElement(b, 0x28, 0x11, implicit ? nullptr : "US", Word(columns));
    for (unsigned tag : {0x100u, 0x101u})
        PutElement(b, 0x28, tag, implicit ? nullptr : "US", Word(8));
    PutElement(b, 0x28, 0x102, implicit ? nullptr : "US", Word(7));
    PutElement(b, 0x28, 0x103, implicit ? nullptr : "US", Word(0));
}

// Inputs whose cost once grew faster than their size: many one-pixel
// frames, each with its frame time (implicit VR, as the times outgrow a
// 16-bit length), and RLE declaring 1 GiB in one short fragment.
void DicomCostSeeds(const fs::path& dir)
{
    const unsigned frames = 20000;
    Bytes many = DicomFileStart("1.2.840.10008.1.2");
    std::string times;
    for (unsigned i = 0; i < frames; ++i)
        times += i == 0 ? "33" : "\\33";
    PutElement(many, 0x18, 0x1065, nullptr, Text(times));
    PutGreyDescription(many, nullptr, 1, 1, frames);
    Bytes pixels(frames);
    for (unsigned i = 0; i < frames; ++i)
        pixels[i] = BYTE(i * 7);
    PutElement(many, 0x7FE0, 0x10, nullptr, pixels);
    WriteSeed(dir, "tiny_frames_with_times.dcm", many);

    Bytes rle = DicomFileStart("1.2.840.10008.1.2.5");
    PutGreyDescription(rle, "US", 32768, 32768, 1);
    rle.insert(rle.end(), {0xE0, 0x7F, 0x10, 0x00, 'O', 'B', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    rle.insert(rle.end(), {0xFE, 0xFF, 0x00, 0xE0, 0, 0, 0, 0});
    Bytes fragment(64, 0);
    fragment[0] = 1;
    fragment[4] = 64;
    fragment.insert(fragment.end(), {0x81, 0x00, 0x81, 0x00, 0x81, 0x00, 0x81, 0x00});
    rle.insert(rle.end(), {0xFE, 0xFF, 0x00, 0xE0});
    Put32(rle, unsigned(fragment.size()));
    rle.insert(rle.end(), fragment.begin(), fragment.end());
    rle.insert(rle.end(), {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0});
    WriteSeed(dir, "rle_declares_1gib.dcm", rle);
}

// Content Sequences nested depth deep, explicit VR, undefined lengths.
Bytes NestedSequences(int depth)
{
    Bytes b;
    for (int i = 0; i < depth; ++i) {
        Put16(b, 0x0040);
        Put16(b, 0xA730);
        b.insert(b.end(), {'S', 'Q', 0, 0});
        Put32(b, 0xFFFFFFFF);
        Put16(b, 0xFFFE);
        Put16(b, 0xE000);
        Put32(b, 0xFFFFFFFF);
    }
    for (int i = 0; i < depth; ++i) {
        Put16(b, 0xFFFE);
        Put16(b, 0xE00D);
        Put32(b, 0);
        Put16(b, 0xFFFE);
        Put16(b, 0xE0DD);
        Put32(b, 0);
    }
    return b;
}

// A generated file with nested sequences put before its pixel data: one
// nesting the reader accepts, one just too deep for it.
void NestedDicomSeeds(const fs::path& dir, const fs::path& source)
{
    std::ifstream in(source, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const unsigned char pixelTag[] = {0xE0, 0x7F, 0x10, 0x00};
    const auto at = std::search(file.begin(), file.end(), pixelTag, pixelTag + 4);
    if (at == file.end())
        return;
    for (int depth : {40, 501}) {
        Bytes nested(file.begin(), at);
        const Bytes sequences = NestedSequences(depth);
        nested.insert(nested.end(), sequences.begin(), sequences.end());
        nested.insert(nested.end(), at, file.end());
        WriteSeed(dir, "nested" + std::to_string(depth) + ".dcm", nested);
    }
}

// A secondary capture whose one frame is a progressive JPEG of many scans.
void ManyScanDicom(const fs::path& path)
{
    const unsigned width = 1024, height = 768;
    Bytes jpeg = manyscans::WithScans(width, height, 1000);
    if (jpeg.size() % 2)
        jpeg.push_back(0);
    DcmFileFormat file;
    DcmDataset* data = file.getDataset();
    data->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    data->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.1");
    data->putAndInsertUint16(DCM_SamplesPerPixel, 3);
    data->putAndInsertString(DCM_PhotometricInterpretation, "YBR_FULL_422");
    data->putAndInsertUint16(DCM_PlanarConfiguration, 0);
    data->putAndInsertUint16(DCM_Rows, height);
    data->putAndInsertUint16(DCM_Columns, width);
    data->putAndInsertUint16(DCM_BitsAllocated, 8);
    data->putAndInsertUint16(DCM_BitsStored, 8);
    data->putAndInsertUint16(DCM_HighBit, 7);
    data->putAndInsertUint16(DCM_PixelRepresentation, 0);
    auto* fragments = new DcmPixelSequence(DCM_PixelSequenceTag);
    fragments->insert(new DcmPixelItem(DCM_PixelItemTag));
    auto* fragment = new DcmPixelItem(DCM_PixelItemTag);
    fragment->putUint8Array(jpeg.data(), Uint32(jpeg.size()));
    fragments->insert(fragment);
    auto* pixels = new DcmPixelData(DCM_PixelData);
    pixels->putOriginalRepresentation(EXS_JPEGProcess10_12, nullptr, fragments);
    data->insert(pixels);
    file.saveFile(path.c_str(), EXS_JPEGProcess10_12);
}

// The generated DICOM files, small enough for quick fuzzing, and a frame of
// many scans.
void DicomSeeds(const fs::path& dir, const fs::path& generated)
{
    fs::create_directories(dir);
    ManyScanDicom(dir / "many-scans.dcm");
    DicomCostSeeds(dir);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(generated, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".dcm" && entry.file_size() <= 64 * 1024)
            fs::copy_file(entry.path(), dir / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
    NestedDicomSeeds(dir, generated / testdata::kMono2U8);
}

void XmlSeeds(const fs::path& dir)
{
    auto text = [](const char* s) { return Bytes(s, s + std::strlen(s)); };
    WriteSeed(dir, "dicomdir.xml", text(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<file-format>\n<meta-header xfer=\"1.2.840.10008.1.2.1\">"
        "<element tag=\"0002,0010\" vr=\"UI\" vm=\"1\" len=\"20\" name=\"TransferSyntaxUID\">1.2.840.10008.1.2.1</element>"
        "</meta-header>\n<data-set><sequence tag=\"0004,1220\" vr=\"SQ\" card=\"2\" name=\"DirectoryRecordSequence\">"
        "<item card=\"3\"><element tag=\"0004,1430\" vr=\"CS\" vm=\"1\" len=\"8\" name=\"DirectoryRecordType\">PATIENT</element>"
        "<element tag=\"0010,0010\" vr=\"PN\" vm=\"1\" len=\"10\" name=\"PatientName\">Li^Wei</element></item>"
        "<item card=\"2\"><element tag=\"0004,1500\" vr=\"CS\" vm=\"2\" len=\"14\" name=\"ReferencedFileID\">IMAGES\\IM0001</element>"
        "</item></sequence></data-set>\n</file-format>\n"));
    WriteSeed(dir, "kinds.xml", text(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!DOCTYPE r [<!ENTITY e \"x&#233;\">]>"
        "<r a=\"1\" b='&amp;'><!-- note --><?pi data?><![CDATA[ x<y ]]>mixed &e; <b/> tail</r>"));
    WriteSeed(dir, "deep.xml", text("<a><b><c><d e=\"f\">g</d></c><c/></b>\n<b x=\"\xC3\xA9\"/></a>"));
}

// Each picture depth our encoder of the format writes.
void EncodedSeeds(const fs::path& dir, DWORD format, const std::string& extension)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CRasterImage image = Picture(bpp);
        Bytes bytes = Encode(image, format);
        if (!bytes.empty())
            WriteSeed(dir, "plain" + std::to_string(bpp) + extension, bytes);
    }
}

void ManyFramesSeeds(const fs::path& dir);

// Every depth, and two small frames at opposite corners of a screen far
// larger than both: such a screen once took seconds to clear.
void GifSeeds(const fs::path& dir)
{
    EncodedSeeds(dir, RASTER_FORMAT_GIF, ".gif");
    CRasterImage first = Picture(8), second = Picture(8, 9, 5);
    second.SetOffset(18740, 14400);
    CRasterImage* frames[] = {&first, &second};
    CMemoryStream stream;
    stream.Open();
    CRasterGIF gif;
    if (!gif.Encode(&stream, frames, 2))
        return;
    unsigned char* data = stream.GetBuffer(false);
    Bytes bytes(data, data + stream.Size());
    bytes[6] = BYTE(18759 & 0xFF); bytes[7] = BYTE(18759 >> 8);
    bytes[8] = BYTE(14406 & 0xFF); bytes[9] = BYTE(14406 >> 8);
    WriteSeed(dir, "farcorners.gif", bytes);
    ManyFramesSeeds(dir);
}

Bytes EncodeFrames(std::vector<CRasterImage*>& frames, DWORD format, int disposal = 0)
{
    CMemoryStream stream;
    stream.Open();
    CRasterGIF gif;
    gif.SetDisposalMethod(disposal);
    bool ok = format == RASTER_FORMAT_GIF ? gif.Encode(&stream, frames.data(), int(frames.size()))
                                          : frames[0]->Encode(&stream, frames.data(), int(frames.size()), format);
    if (!ok)
        return {};
    unsigned char* data = stream.GetBuffer(false);
    return Bytes(data, data + stream.Size());
}

// Many small frames, which once cost the whole file or a whole screen per
// frame: restored to the previous screen on a large screen, in indexed and
// in true colour, and thousands on a screen of their own size.
void ManyFramesSeeds(const fs::path& dir)
{
    CRasterImage screen = Picture(8, 1024, 1024), small = Picture(8, 4, 4);
    screen.Clear(5);
    small.SetOffset(700, 400);
    std::vector<CRasterImage*> frames(1000, &small);
    frames[0] = &screen;
    WriteSeed(dir, "restore-previous.gif", EncodeFrames(frames, RASTER_FORMAT_GIF, 3));
    frames[0] = &small;
    Bytes scattered = EncodeFrames(frames, RASTER_FORMAT_GIF, 3);
    if (scattered.size() > 10) {
        scattered[6] = 0; scattered[7] = 1024 >> 8;
        scattered[8] = 0; scattered[9] = 1024 >> 8;
        WriteSeed(dir, "restore-previous-scattered.gif", scattered);
    }
    small.SetOffset(0, 0);
    frames.assign(2000, &small);
    WriteSeed(dir, "many-frames.gif", EncodeFrames(frames, RASTER_FORMAT_GIF));
}

void TifSeeds(const fs::path& dir)
{
    EncodedSeeds(dir, RASTER_FORMAT_TIF, ".tif");
    CRasterImage page = Picture(24, 4, 4);
    std::vector<CRasterImage*> pages(1000, &page);
    WriteSeed(dir, "many-pages.tif", EncodeFrames(pages, RASTER_FORMAT_TIF));
}

void PutBe(Bytes& b, unsigned v, int count)
{
    for (int i = count - 1; i >= 0; --i)
        b.push_back(BYTE(v >> (8 * i)));
}

// A codestream whose header declares far more structure than its data can
// fill: components over a tile grid of which the first tiles get a tile-part
// with one byte of data, and a COD with the given resolutions and precincts.
Bytes J2kBomb(unsigned width, unsigned height, unsigned tileSize, unsigned components,
              unsigned tileParts, unsigned resolutions, unsigned precinctExp)
{
    Bytes b;
    PutBe(b, 0xFF4F, 2);
    PutBe(b, 0xFF51, 2);
    PutBe(b, 38 + 3 * components, 2);
    PutBe(b, 0, 2);
    for (unsigned v : {width, height, 0u, 0u, tileSize, tileSize, 0u, 0u})
        PutBe(b, v, 4);
    PutBe(b, components, 2);
    for (unsigned c = 0; c < components; ++c)
        PutBe(b, 0x070101, 3);
    const bool precincts = precinctExp != 0;
    PutBe(b, 0xFF52, 2);
    PutBe(b, 12 + (precincts ? resolutions : 0), 2);
    PutBe(b, precincts ? 1 : 0, 1);
    PutBe(b, 0x00000100, 4);  // LRCP, one layer, no transform
    PutBe(b, resolutions - 1, 1);
    PutBe(b, 0x04040001, 4);  // 64 x 64 blocks, 5/3
    for (unsigned r = 0; precincts && r < resolutions; ++r)
        PutBe(b, precinctExp * 0x11, 1);
    PutBe(b, 0xFF5C, 2);
    PutBe(b, 3 + 3 * (resolutions - 1) + 1, 2);
    PutBe(b, 0x40, 1);
    for (unsigned band = 0; band < 3 * (resolutions - 1) + 1; ++band)
        PutBe(b, 8 << 3, 1);
    for (unsigned t = 0; t < tileParts; ++t) {
        PutBe(b, 0xFF90, 2);
        PutBe(b, 10, 2);
        PutBe(b, t, 2);
        PutBe(b, 15, 4);
        PutBe(b, 0x0001, 2);
        PutBe(b, 0xFF93, 2);
        b.push_back(0x80);
    }
    PutBe(b, 0xFFD9, 2);
    return b;
}

// Raw codestreams need room for their headers within the quality's budget.
// The bombs once took gigabytes and minutes before failing.
void J2kSeeds(const fs::path& dir)
{
    CRasterImage colour = Picture(24, 128, 96);
    CRasterImage grey = Picture(8, 128, 96);
    grey.SetGrayPalette();
    WriteSeed(dir, "colour.j2k", Encode(colour, RASTER_FORMAT_J2K));
    WriteSeed(dir, "grey.j2k", Encode(grey, RASTER_FORMAT_J2K));
    WriteSeed(dir, "components.j2k", J2kBomb(80, 40, 4, 16384, 200, 2, 0));
    WriteSeed(dir, "tiles.j2k", J2kBomb(300, 200, 1, 1000, 4000, 1, 0));
    WriteSeed(dir, "precincts.j2k", J2kBomb(2048, 2048, 2048, 1, 1, 6, 1));
}

// The JPEG 2000 family and its siblings take grey and colour pictures only.
void JasSeeds(const fs::path& dir)
{
    CRasterImage colour = Picture(24);
    CRasterImage grey = Picture(8);
    grey.SetGrayPalette();
    for (DWORD format : {DWORD(RASTER_FORMAT_JP2), DWORD(RASTER_FORMAT_JPC), DWORD(RASTER_FORMAT_PNM),
                         DWORD(RASTER_FORMAT_RAS), DWORD(RASTER_FORMAT_PGX)}) {
        WriteSeed(dir, "grey" + std::to_string(format), Encode(grey, format));
        WriteSeed(dir, "colour" + std::to_string(format), Encode(colour, format));
    }
    WriteSeed(dir, "components.jpc", J2kBomb(80, 40, 4, 16384, 200, 2, 0));
    WriteSeed(dir, "tiles.jpc", J2kBomb(300, 200, 1, 1000, 4000, 1, 0));
    // A codestream whose header claims ten million rows in one tile and that
    // ends inside its data: its samples once took their memory before any
    // data was read.
    Bytes tall = Encode(grey, RASTER_FORMAT_JPC);
    if (tall.size() > 40 && tall[2] == 0xFF && tall[3] == 0x51) {
        for (size_t at : {size_t(12), size_t(28)}) {
            tall[at] = 0x00; tall[at + 1] = 0x9D; tall[at + 2] = 0x00; tall[at + 3] = 0x07;
        }
        tall.resize(tall.size() - 2);
        WriteSeed(dir, "tall.jpc", tall);
    }
}

// A metafile record: size in 16-bit words, function, parameters.
void WmfRecord(Bytes& b, unsigned function, const std::vector<unsigned>& params)
{
    Put32(b, unsigned(3 + params.size()));
    Put16(b, function);
    for (unsigned p : params)
        Put16(b, p & 0xFFFF);
}

// Records behind a standard header and a placeable header: key, handle,
// box 0,0 width,height, units an inch, checksum.
Bytes Placeable(Bytes records, unsigned width, unsigned height, unsigned inch)
{
    WmfRecord(records, 0x0000, {});
    Bytes standard;
    Put16(standard, 1); Put16(standard, 9); Put16(standard, 0x300);
    Put32(standard, unsigned(9 + records.size() / 2)); Put16(standard, 2);
    Put32(standard, 16); Put16(standard, 0);
    standard.insert(standard.end(), records.begin(), records.end());
    Bytes placeable;
    const unsigned words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, width, height, inch, 0, 0};
    unsigned sum = 0;
    for (unsigned w : words) {
        Put16(placeable, w);
        sum ^= w;
    }
    Put16(placeable, sum);
    placeable.insert(placeable.end(), standard.begin(), standard.end());
    return placeable;
}

// A placeable metafile drawing every shape kind with a pen of the given width.
Bytes ShapesWmf(unsigned penWidth)
{
    Bytes records;
    WmfRecord(records, 0x020B, {0, 0});                              // window origin
    WmfRecord(records, 0x020C, {200, 300});                          // window extent
    WmfRecord(records, 0x02FC, {0, 0x3020, 0x00C0, 0});              // brush
    WmfRecord(records, 0x012D, {0});                                 // select it
    WmfRecord(records, 0x02FA, {0, penWidth, 0, 0x0040, 0x00FF});   // pen
    WmfRecord(records, 0x012D, {1});
    WmfRecord(records, 0x041B, {120, 200, 20, 30});                  // rectangle
    WmfRecord(records, 0x0418, {190, 290, 100, 150});                // ellipse
    WmfRecord(records, 0x081A, {10, 250, 100, 290, 190, 290, 100, 150});  // pie
    WmfRecord(records, 0x0324, {3, 10, 10, 100, 20, 40, 90});        // polygon
    WmfRecord(records, 0x0538, {2, 3, 3, 0, 0, 50, 0, 0, 50, 60, 60, 90, 60, 60, 90});
    WmfRecord(records, 0x0521, {2, 0x6948, 50, 60});                 // text "Hi"
    WmfRecord(records, 0x01F0, {0});                                 // delete the brush
    return Placeable(records, 300, 200, 1440);
}

void PutFloat(Bytes& b, float f)
{
    unsigned bits;
    std::memcpy(&bits, &f, 4);
    Put32(b, bits);
}

// A world transform that turns and shears, a rectangle and an ellipse under
// it, a font of a width, an escapement and an orientation, and text in the
// advanced mode placed by spacing pairs.
Bytes TurnedEmf()
{
    Bytes emf;
    Put32(emf, 1); Put32(emf, 108);
    for (unsigned v : {0u, 0u, 199u, 99u, 0u, 0u, 5292u, 2646u})
        Put32(emf, v);
    Put32(emf, 0x464D4520); Put32(emf, 0x10000); Put32(emf, 0); Put32(emf, 8);
    Put16(emf, 2); Put16(emf, 0); Put32(emf, 0); Put32(emf, 0); Put32(emf, 0);
    for (unsigned v : {1920u, 1080u, 508u, 286u, 0u, 0u, 0u, 0u, 0u})
        Put32(emf, v);
    Put32(emf, 35); Put32(emf, 32);  // world transform
    for (float f : {0.8f, 0.6f, -0.4f, 0.9f, 100.0f, 50.0f})
        PutFloat(emf, f);
    for (unsigned v : {43u, 24u, unsigned(-60), unsigned(-20), 60u, 20u})  // rectangle
        Put32(emf, v);
    for (unsigned v : {42u, 24u, unsigned(-50), unsigned(-30), 50u, 30u})  // ellipse
        Put32(emf, v);
    for (unsigned v : {82u, 104u, 1u, unsigned(-20), 9u, 300u, 450u, 400u, 0x00010001u, 0u})  // font 1
        Put32(emf, v);
    for (unsigned v : {0x00720041u, 0x00610069u, 0x0000006Cu})  // "Arial"
        Put32(emf, v);
    for (int i = 0; i < 13; ++i)
        Put32(emf, 0);
    for (unsigned v : {37u, 12u, 1u})  // select it
        Put32(emf, v);
    // Text "Ab" at (-40, 0) in the advanced mode, spacing pairs after it.
    for (unsigned v : {84u, 96u, 0u, 0u, 0u, 0u, 2u, 0x3F800000u, 0x3F800000u, unsigned(-40), 0u, 2u, 76u, 0x2000u,
                       0u, 0u, 0u, 0u, 80u})
        Put32(emf, v);
    for (unsigned v : {0x00620041u, 14u, 2u, 15u, unsigned(-3)})
        Put32(emf, v);
    for (unsigned v : {14u, 20u, 0u, 16u, 20u})  // end
        Put32(emf, v);
    const unsigned total = unsigned(emf.size());
    for (int i = 0; i < 4; ++i)
        emf[48 + i] = BYTE(total >> (8 * i));
    return emf;
}

void WmfSeeds(const fs::path& dir)
{
    WriteSeed(dir, "placeable.wmf", ShapesWmf(3));
    // Pens far wider than the picture once took seconds per arc.
    WriteSeed(dir, "widepen.wmf", ShapesWmf(12320));
    // Drawings that cost far more than their size: rectangles covering the
    // whole picture, and clip rectangles cut out one by one.
    Bytes covering, holes;
    WmfRecord(covering, 0x020C, {400, 400});
    WmfRecord(holes, 0x020C, {400, 400});
    for (unsigned i = 0; i < 2000; i++) {
        WmfRecord(covering, 0x041B, {400, 400, 0, 0});
        const unsigned x = i * 37 % 390, y = i * 53 % 390;
        WmfRecord(holes, 0x0415, {y + 3, x + 3, y, x});
        WmfRecord(holes, 0x041B, {y + 9, x + 9, y, x});
    }
    WriteSeed(dir, "covering.wmf", Placeable(covering, 400, 400, 96));
    WriteSeed(dir, "clip-holes.wmf", Placeable(holes, 400, 400, 96));
    // One polyline of a wide pen crossing the picture 30,000 times.
    Bytes zigzag;
    WmfRecord(zigzag, 0x020C, {400, 400});
    WmfRecord(zigzag, 0x02FA, {0, 40, 0, 0x0040, 0x00FF});
    WmfRecord(zigzag, 0x012D, {0});
    std::vector<unsigned> points = {30000};
    for (unsigned i = 0; i < 30000; i++) {
        points.push_back(i % 2 ? 399 : 0);
        points.push_back(i % 2 ? 399 : i % 7);
    }
    WmfRecord(zigzag, 0x0325, points);
    WriteSeed(dir, "wide-zigzag.wmf", Placeable(zigzag, 400, 400, 96));
    // An enhanced metafile: header, brush, rectangle, curve, a chord far too
    // wide, end.
    Bytes emf;
    Put32(emf, 1); Put32(emf, 108);
    for (unsigned v : {0u, 0u, 99u, 49u, 0u, 0u, 2646u, 1323u})
        Put32(emf, v);
    Put32(emf, 0x464D4520); Put32(emf, 0x10000); Put32(emf, 0); Put32(emf, 7);
    Put16(emf, 2); Put16(emf, 0); Put32(emf, 0); Put32(emf, 0); Put32(emf, 0);
    for (unsigned v : {1920u, 1080u, 508u, 286u, 0u, 0u, 0u, 0u, 0u})
        Put32(emf, v);
    for (unsigned v : {39u, 24u, 1u, 0u, 0x2080C0u, 0u})  // brush 1
        Put32(emf, v);
    for (unsigned v : {37u, 12u, 1u})  // select it
        Put32(emf, v);
    for (unsigned v : {43u, 24u, 10u, 5u, 80u, 40u})  // rectangle
        Put32(emf, v);
    for (unsigned v : {85u, 44u, 0u, 0u, 99u, 49u, 4u})  // curve: bounds, four points
        Put32(emf, v);
    for (unsigned v : {5u, 40u, 30u, 2u, 60u, 45u, 95u, 10u})
        Put16(emf, v);
    for (unsigned v : {46u, 40u, unsigned(-2000000000), 5u, 2000000000u, 60u, 0u, 0u, 0u, 0u})  // chord billions wide
        Put32(emf, v);
    for (unsigned v : {14u, 20u, 0u, 16u, 20u})  // end
        Put32(emf, v);
    const unsigned total = unsigned(emf.size());
    for (int i = 0; i < 4; ++i)
        emf[48 + i] = BYTE(total >> (8 * i));
    WriteSeed(dir, "shapes.emf", emf);
    WriteSeed(dir, "turned.emf", TurnedEmf());
    // Text in a font of a width and an escapement, placed by a spacing array.
    Bytes spaced;
    WmfRecord(spaced, 0x020C, {400, 400});
    WmfRecord(spaced, 0x02FB, {unsigned(-40), 30, 900, 900, 700, 0x0101, 0, 0, 0, 0x7241, 0x6169, 0x006C});  // font "Arial"
    WmfRecord(spaced, 0x012D, {0});
    WmfRecord(spaced, 0x0A32, {200, 100, 3, 0, 0x6241, 0x0063, 40, 50, 60});  // "Abc", its spacing
    WriteSeed(dir, "spaced.wmf", Placeable(spaced, 400, 400, 96));
}

// The record blobs of the generated overlay files: one line, and one
// overlay of every kind; regions spanning the whole coordinate range; a
// polygon enclosing no pixel and texts the code page cannot map; enough
// regions covering the target's 37 x 23 image to be summed by rows, with
// traces whose edges cross every row.
void OverlaySeeds(const fs::path& dir)
{
    auto bytesOf = [](const int16_t* words, size_t count) {
        Bytes b;
        for (size_t i = 0; i < count; ++i)
            Put16(b, unsigned(uint16_t(words[i])));
        return b;
    };
    WriteSeed(dir, "line.blob", bytesOf(testdata::kOverlayLineBlob, std::size(testdata::kOverlayLineBlob)));
    WriteSeed(dir, "all.blob", bytesOf(testdata::kOverlayAllBlob, std::size(testdata::kOverlayAllBlob)));
    std::vector<int16_t> ellipses, polygons;
    for (int i = 0; i < 100; ++i) {
        ellipses.insert(ellipses.end(), {2, -32768, -32768, 32767, 32767});
        polygons.insert(polygons.end(), {3, 4, -32768, -32768, 32767, -32768, 32767, 32767, -32768, 32767});
    }
    WriteSeed(dir, "spanning_ellipses.blob", bytesOf(ellipses.data(), ellipses.size()));
    WriteSeed(dir, "spanning_polygons.blob", bytesOf(polygons.data(), polygons.size()));
    const int16_t kept[] = {3, 2, 4, 4, 12, 9, 3, 3, 2, 2, 6, 6, 10, 10, 9, 5, 6, 3, 'A', 'b', -127,
                            9, 7, 8, 4, -1, -2, 'x', 'y', 9, 9, 3, 2, -86, -95};
    WriteSeed(dir, "kept_as_read.blob", bytesOf(kept, std::size(kept)));
    std::vector<int16_t> covering;
    for (int i = 0; i < 12; ++i) {
        covering.insert(covering.end(), {1, -1, -1, 36, 22});
        covering.insert(covering.end(), {2, int16_t(i % 3 - 1), -1, 36, 22});
        covering.insert(covering.end(), {1, int16_t(i), int16_t(i % 5), int16_t(36 - i), 20});
    }
    for (int p = 0; p < 3; ++p) {
        covering.insert(covering.end(), {3, 301});
        for (int i = 0; i < 301; ++i)
            covering.insert(covering.end(), {int16_t((i * 11 + p) % 40 - 2), int16_t(i % 2 ? 22 : 0)});
    }
    WriteSeed(dir, "covering_regions.blob", bytesOf(covering.data(), covering.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> <generated DICOM folder>\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    BmpSeeds(out / "bmp");
    IcoSeeds(out / "ico");
    PngSeeds(out / "png");
    JpegSeeds(out / "jpeg");
    DicomSeeds(out / "dicom", argv[2]);
    XmlSeeds(out / "xml");
    GifSeeds(out / "gif");
    TifSeeds(out / "tif");
    EncodedSeeds(out / "tga", RASTER_FORMAT_TGA, ".tga");
    EncodedSeeds(out / "pcx", RASTER_FORMAT_PCX, ".pcx");
    EncodedSeeds(out / "wbmp", RASTER_FORMAT_WBMP, ".wbmp");
    J2kSeeds(out / "j2k");
    JasSeeds(out / "jas");
    WmfSeeds(out / "wmf");
    OverlaySeeds(out / "overlay");
    return 0;
}
