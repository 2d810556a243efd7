// The scratch files of a fuzzing process, removed when the process ends:
// libFuzzer ends a run through exit(), which destroys static objects.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace fuzz {

class ScratchFiles {
public:
    ScratchFiles() = default;
    ~ScratchFiles()
    {
        for (const std::string& path : m_paths)
            std::remove(path.c_str());
    }
    ScratchFiles(const ScratchFiles&) = delete;
    ScratchFiles& operator=(const ScratchFiles&) = delete;

    void Add(const std::string& path)
    {
        if (std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end())
            m_paths.push_back(path);
    }

private:
    std::vector<std::string> m_paths;
};

}  // namespace fuzz
