#include "media/VideoForWindows.h"

#include <cstring>
#include <memory>
#include <string>

#include "media/AviRiffWriter.h"

struct AviFileObject {
    ULONG references = 1;
    std::unique_ptr<AviRiffWriter> writer;
    bool hasStream = false;
};

struct AviStreamObject {
    ULONG references = 1;
    AviFileObject* file = nullptr;
    AviStreamObject* source = nullptr;
};

namespace {

void AddFileReference(AviFileObject* file)
{
    ++file->references;
}

AviRiffWriter* WriterOf(PAVISTREAM stream)
{
    return stream && stream->file ? stream->file->writer.get() : nullptr;
}

}  // namespace

void AVIFileInit() {}

void AVIFileExit() {}

HRESULT AVIFileOpen(PAVIFILE* file, LPCSTR path, UINT mode, void*)
{
    if (file == nullptr)
        return AVIERR_BADPARAM;
    *file = nullptr;
    if (path == nullptr || *path == '\0')
        return AVIERR_FILEOPEN;
    if ((mode & (OF_CREATE | OF_WRITE)) != (OF_CREATE | OF_WRITE))
        return AVIERR_UNSUPPORTED;
    AviFileObject* object = new AviFileObject;
    object->writer = std::make_unique<AviRiffWriter>(path);
    if (!object->writer->Open()) {
        delete object;
        return AVIERR_FILEOPEN;
    }
    *file = object;
    return AVIERR_OK;
}

HRESULT AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFO* info)
{
    if (stream == nullptr)
        return AVIERR_BADPARAM;
    *stream = nullptr;
    if (file == nullptr || info == nullptr || info->fccType != streamtypeVIDEO)
        return AVIERR_BADPARAM;
    if (file->hasStream)
        return AVIERR_UNSUPPORTED;
    AviRiffWriter& writer = *file->writer;
    writer.SetTiming(info->dwScale, info->dwRate);
    writer.SetHandler(info->fccHandler);
    writer.SetFrameRect(info->rcFrame);
    writer.SetSuggestedBufferSize(info->dwSuggestedBufferSize);
    writer.SetName(std::string(info->szName, strnlen(info->szName, sizeof info->szName)));
    file->hasStream = true;
    AviStreamObject* object = new AviStreamObject;
    object->file = file;
    AddFileReference(file);
    *stream = object;
    return AVIERR_OK;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, AVICOMPRESSOPTIONS* options, void*)
{
    if (compressed == nullptr)
        return AVIERR_BADPARAM;
    *compressed = nullptr;
    if (source == nullptr || options == nullptr)
        return AVIERR_BADPARAM;
    if (options->fccHandler != 0)
        return AVIERR_UNSUPPORTED;
    AviStreamObject* object = new AviStreamObject;
    object->file = source->file;
    object->source = source;
    ++source->references;
    AddFileReference(source->file);
    *compressed = object;
    return AVIERR_OK;
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG bytes)
{
    AviRiffWriter* writer = WriterOf(stream);
    if (writer == nullptr || position != 0 || bytes < 0)
        return AVIERR_BADPARAM;
    if (bytes < LONG(sizeof(BITMAPINFOHEADER)))
        return AVIERR_BADFORMAT;
    const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(format);
    if (header == nullptr || header->biCompression != BI_RGB)
        return AVIERR_BADFORMAT;
    return writer->SetFormat(format, size_t(bytes)) ? AVIERR_OK : AVIERR_BADFORMAT;
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bytes, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten)
{
    if (samplesWritten)
        *samplesWritten = 0;
    if (bytesWritten)
        *bytesWritten = 0;
    AviRiffWriter* writer = WriterOf(stream);
    if (writer == nullptr || start < 0 || samples != 1 || bytes < 0)
        return AVIERR_BADPARAM;
    // Every frame is a whole uncompressed picture, so every frame is a key frame.
    (void)flags;
    if (!writer->WriteFrame(DWORD(start), buffer, size_t(bytes), true))
        return AVIERR_FILEWRITE;
    if (samplesWritten)
        *samplesWritten = 1;
    if (bytesWritten)
        *bytesWritten = bytes;
    return AVIERR_OK;
}

ULONG AVIStreamRelease(PAVISTREAM stream)
{
    if (stream == nullptr)
        return 0;
    const ULONG left = --stream->references;
    if (left == 0) {
        if (stream->source)
            AVIStreamRelease(stream->source);
        AVIFileRelease(stream->file);
        delete stream;
    }
    return left;
}

namespace {

// The last release completes the movie; false when it could not be put in place.
bool ReleaseFile(PAVIFILE file, ULONG& left)
{
    left = --file->references;
    if (left != 0)
        return true;
    const bool finished = file->writer->Finish();
    delete file;
    return finished;
}

}  // namespace

ULONG AVIFileRelease(PAVIFILE file)
{
    ULONG left = 0;
    if (file != nullptr)
        ReleaseFile(file, left);
    return left;
}

HRESULT AVIFileClose(PAVIFILE file)
{
    ULONG left = 0;
    if (file == nullptr)
        return AVIERR_BADPARAM;
    return ReleaseFile(file, left) ? AVIERR_OK : AVIERR_FILEWRITE;
}
