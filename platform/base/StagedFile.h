// A file written beside its target and renamed over it once complete, so
// that a failed or interrupted write never leaves a partial file behind and
// never touches the file that was there before.
#pragma once

#include <cstdio>
#include <string>


class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the staging file in the target's folder; false when it cannot.
    bool Open(const char* target);
    FILE* Stream() const { return m_file; }
    bool Write(const void* data, size_t bytes);
    // Flushes, closes and renames over the target; on any failure the
    // staging file is removed and the target is left as it was.
    bool Commit();
    // Removes the staging file; the target is left as it was.
    void Abandon();

private:
    FILE* m_file = nullptr;
    std::string m_target;
    std::string m_staging;
};
