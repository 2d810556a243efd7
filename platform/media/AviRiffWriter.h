// One video stream of uncompressed DIB frames written as a RIFF AVI 1.0
// file with an idx1 index. The file is written beside the target and
// renamed over it when finished; a failed write leaves nothing behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/StagedFile.h"
#include "base/wintypes.h"

class AviRiffWriter {
public:
    // AVI 1.0 players address the file with 32-bit offsets and many stop
    // at 1 GB: frames that would pass the limit are refused.
    static const uint64_t kDefaultSizeLimit = 1ULL << 30;

    explicit AviRiffWriter(std::string target, uint64_t sizeLimit = kDefaultSizeLimit);
    // Whether the frames alone, with their chunk headers and index entries,
    // stay within the limit; a movie that passes may still fail on its
    // headers, but one that fails here cannot be written.
    static bool FramesFit(uint64_t frames, uint64_t frameBytes, uint64_t sizeLimit = kDefaultSizeLimit);
    ~AviRiffWriter();
    AviRiffWriter(const AviRiffWriter&) = delete;
    AviRiffWriter& operator=(const AviRiffWriter&) = delete;

    // Creates the file beside the target; false when it cannot be created.
    bool Open();
    // Stream header values: frames per second as rate / scale.
    void SetTiming(DWORD scale, DWORD rate);
    void SetHandler(DWORD handler) { m_handler = handler; }
    void SetFrameRect(const RECT& rect) { m_frameRect = rect; }
    void SetSuggestedBufferSize(DWORD size) { m_suggestedBuffer = size; }
    void SetName(const std::string& name) { m_name = name; }
    // The frame format: a BITMAPINFOHEADER and its colour table.
    bool SetFormat(const void* format, size_t bytes);
    // Appends frame `index`; frames are written in order, so any other index fails.
    bool WriteFrame(DWORD index, const void* data, size_t bytes, bool keyFrame);
    // Completes the headers and the index and renames over the target; a
    // writer that failed removes its file instead. Called once.
    bool Finish();
    bool HasFailed() const { return m_failed; }

private:
    bool Start();
    bool PutBytes(const void* data, size_t bytes);
    bool Put32(DWORD value);
    bool PutFourcc(const char* code);
    bool WriteHeaders();
    bool PatchHeaders();
    bool PatchAt(long offset, DWORD value);
    void Fail();

    struct IndexEntry {
        DWORD offset;
        DWORD size;
        DWORD flags;
    };

    std::string m_target;
    uint64_t m_sizeLimit;
    StagedFile m_staged;
    FILE* m_file = nullptr;
    bool m_failed = false;
    bool m_finished = false;
    DWORD m_scale = 1;
    DWORD m_rate = 15;
    DWORD m_handler = 0;
    RECT m_frameRect{0, 0, 0, 0};
    DWORD m_suggestedBuffer = 0;
    std::string m_name;
    std::vector<BYTE> m_format;
    std::vector<IndexEntry> m_index;
    DWORD m_maxFrameBytes = 0;
    uint64_t m_written = 0;
    long m_riffSizeAt = 0;
    long m_totalFramesAt = 0;
    long m_maxBytesAt = 0;
    long m_bufferAt = 0;
    long m_lengthAt = 0;
    long m_streamBufferAt = 0;
    long m_moviSizeAt = 0;
    long m_moviStart = 0;
};
