#include "base/StagedFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> g_stagingCounter{0};

}  // namespace

StagedFile::~StagedFile()
{
    Abandon();
}

bool StagedFile::Open(const char* target)
{
    Abandon();
    if (target == nullptr || *target == '\0')
        return false;
    m_target = target;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%d-%u.part", static_cast<int>(getpid()), g_stagingCounter++);
        m_staging = m_target + suffix;
        const int fd = ::open(m_staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        m_file = fdopen(fd, "wb");
        if (m_file != nullptr)
            return true;
        ::close(fd);
        ::unlink(m_staging.c_str());
        break;
    }
    m_staging.clear();
    return false;
}

bool StagedFile::Write(const void* data, size_t bytes)
{
    return m_file != nullptr && (bytes == 0 || std::fwrite(data, 1, bytes, m_file) == bytes);
}

bool StagedFile::Commit()
{
    if (m_file == nullptr)
        return false;
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (ok && std::rename(m_staging.c_str(), m_target.c_str()) == 0) {
        m_staging.clear();
        return true;
    }
    Abandon();
    return false;
}

void StagedFile::Abandon()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_staging.empty()) {
        ::unlink(m_staging.c_str());
        m_staging.clear();
    }
}
