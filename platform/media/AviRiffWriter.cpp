#include "media/AviRiffWriter.h"

#include <cstring>

namespace {

const DWORD kAvifHasIndex = 0x10;
const DWORD kAviifKeyFrame = 0x10;

}  // namespace

AviRiffWriter::AviRiffWriter(std::string target, uint64_t sizeLimit)
    : m_target(std::move(target)), m_sizeLimit(sizeLimit)
{
}

AviRiffWriter::~AviRiffWriter()
{
    if (!m_finished)
        Fail();
}

bool AviRiffWriter::FramesFit(uint64_t frames, uint64_t frameBytes, uint64_t sizeLimit)
{
    const uint64_t perFrame = 8 + ((frameBytes + 1) & ~uint64_t(1)) + 16;
    return frameBytes <= sizeLimit && frames <= sizeLimit / perFrame;
}

void AviRiffWriter::SetTiming(DWORD scale, DWORD rate)
{
    m_scale = scale ? scale : 1;
    m_rate = rate;
}

bool AviRiffWriter::SetFormat(const void* format, size_t bytes)
{
    if (m_written != 0 || format == nullptr || bytes < sizeof(BITMAPINFOHEADER) || bytes > 4096)
        return false;
    const BYTE* p = static_cast<const BYTE*>(format);
    m_format.assign(p, p + bytes);
    return true;
}

bool AviRiffWriter::PutBytes(const void* data, size_t bytes)
{
    if (m_failed || m_file == nullptr || std::fwrite(data, 1, bytes, m_file) != bytes) {
        Fail();
        return false;
    }
    m_written += bytes;
    return true;
}

bool AviRiffWriter::Put32(DWORD value)
{
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return PutBytes(bytes, 4);
}

bool AviRiffWriter::PutFourcc(const char* code)
{
    return PutBytes(code, 4);
}

bool AviRiffWriter::Open()
{
    if (m_file == nullptr && !m_failed && m_staged.Open(m_target.c_str()))
        m_file = m_staged.Stream();
    return m_file != nullptr;
}

// The headers go in front of the first frame, once the format is known.
bool AviRiffWriter::Start()
{
    if (m_format.empty() || !Open()) {
        Fail();
        return false;
    }
    return WriteHeaders();
}

bool AviRiffWriter::WriteHeaders()
{
    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(m_format.data());
    const DWORD formatBytes = DWORD(m_format.size());
    const DWORD formatPadded = (formatBytes + 1) & ~1u;
    const DWORD nameBytes = DWORD(m_name.size() + 1);
    const DWORD namePadded = (nameBytes + 1) & ~1u;
    const DWORD strlBytes = 4 + (8 + 56) + (8 + formatPadded) + (8 + namePadded);
    const DWORD hdrlBytes = 4 + (8 + 56) + (8 + strlBytes);
    const DWORD microSeconds = m_rate ? DWORD(1000000ULL * m_scale / m_rate) : 0;
    bool ok = PutFourcc("RIFF");
    m_riffSizeAt = long(m_written);
    ok = ok && Put32(0) && PutFourcc("AVI ") && PutFourcc("LIST") && Put32(hdrlBytes) && PutFourcc("hdrl");
    ok = ok && PutFourcc("avih") && Put32(56) && Put32(microSeconds);
    m_maxBytesAt = long(m_written);
    ok = ok && Put32(0) && Put32(0) && Put32(kAvifHasIndex);
    m_totalFramesAt = long(m_written);
    ok = ok && Put32(0) && Put32(0) && Put32(1);
    m_bufferAt = long(m_written);
    ok = ok && Put32(m_suggestedBuffer) && Put32(DWORD(bih->biWidth)) && Put32(DWORD(bih->biHeight < 0 ? -bih->biHeight : bih->biHeight));
    ok = ok && Put32(0) && Put32(0) && Put32(0) && Put32(0);
    ok = ok && PutFourcc("LIST") && Put32(strlBytes) && PutFourcc("strl");
    ok = ok && PutFourcc("strh") && Put32(56) && PutFourcc("vids") && Put32(m_handler) && Put32(0) && Put32(0);
    ok = ok && Put32(0) && Put32(m_scale) && Put32(m_rate) && Put32(0);
    m_lengthAt = long(m_written);
    ok = ok && Put32(0);
    m_streamBufferAt = long(m_written);
    ok = ok && Put32(m_suggestedBuffer) && Put32(DWORD(-1)) && Put32(0);
    const WORD rect[4] = {WORD(m_frameRect.left), WORD(m_frameRect.top), WORD(m_frameRect.right),
                          WORD(m_frameRect.bottom)};
    ok = ok && PutBytes(rect, sizeof rect);
    ok = ok && PutFourcc("strf") && Put32(formatBytes) && PutBytes(m_format.data(), formatBytes);
    const BYTE zero[2] = {0, 0};
    ok = ok && PutBytes(zero, formatPadded - formatBytes);
    ok = ok && PutFourcc("strn") && Put32(nameBytes) && PutBytes(m_name.c_str(), nameBytes) &&
         PutBytes(zero, namePadded - nameBytes);
    ok = ok && PutFourcc("LIST");
    m_moviSizeAt = long(m_written);
    ok = ok && Put32(0);
    m_moviStart = long(m_written);
    ok = ok && PutFourcc("movi");
    return ok;
}

bool AviRiffWriter::WriteFrame(DWORD index, const void* data, size_t bytes, bool keyFrame)
{
    if (m_failed || m_finished || index != m_index.size() || (bytes > 0 && data == nullptr) || bytes > 0x7FFFFFF0)
        return false;
    if (m_written == 0 && !Start())
        return false;
    const uint64_t padded = (uint64_t(bytes) + 1) & ~uint64_t(1);
    const uint64_t indexBytes = 8 + 16 * (uint64_t(m_index.size()) + 1);
    if (m_written + 8 + padded + indexBytes > m_sizeLimit) {
        Fail();
        return false;
    }
    const DWORD offset = DWORD(m_written - uint64_t(m_moviStart));
    const BYTE zero = 0;
    if (!PutFourcc("00db") || !Put32(DWORD(bytes)) || !PutBytes(data, bytes) ||
        (padded != bytes && !PutBytes(&zero, 1)))
        return false;
    m_index.push_back({offset, DWORD(bytes), keyFrame ? kAviifKeyFrame : 0});
    if (bytes > m_maxFrameBytes)
        m_maxFrameBytes = DWORD(bytes);
    return true;
}

bool AviRiffWriter::PatchAt(long offset, DWORD value)
{
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return std::fseek(m_file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, m_file) == 4;
}

bool AviRiffWriter::PatchHeaders()
{
    const DWORD frames = DWORD(m_index.size());
    const DWORD buffer = m_suggestedBuffer > m_maxFrameBytes ? m_suggestedBuffer : m_maxFrameBytes;
    const uint64_t perSecond = m_scale ? uint64_t(m_maxFrameBytes) * m_rate / m_scale : 0;
    return PatchAt(m_riffSizeAt, DWORD(m_written - 8)) && PatchAt(m_maxBytesAt, DWORD(perSecond > 0xFFFFFFFFu ? 0xFFFFFFFFu : perSecond)) &&
           PatchAt(m_totalFramesAt, frames) && PatchAt(m_bufferAt, buffer) && PatchAt(m_lengthAt, frames) &&
           PatchAt(m_streamBufferAt, buffer);
}

bool AviRiffWriter::Finish()
{
    if (m_finished)
        return !m_failed;
    m_finished = true;
    // A movie without frames is no movie: nothing is put in place.
    if (m_file == nullptr || m_failed || m_index.empty()) {
        Fail();
        return false;
    }
    const DWORD moviBytes = DWORD(m_written - uint64_t(m_moviSizeAt) - 4);
    bool ok = PutFourcc("idx1") && Put32(DWORD(16 * m_index.size()));
    for (const IndexEntry& entry : m_index)
        ok = ok && PutFourcc("00db") && Put32(entry.flags) && Put32(entry.offset) && Put32(entry.size);
    ok = ok && PatchAt(m_moviSizeAt, moviBytes) && PatchHeaders();
    m_file = nullptr;
    if (!ok || !m_staged.Commit()) {
        Fail();
        return false;
    }
    return true;
}

void AviRiffWriter::Fail()
{
    m_failed = true;
    m_file = nullptr;
    m_staged.Abandon();
}
