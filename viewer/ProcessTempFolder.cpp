#include "ProcessTempFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

ProcessTempFolder::~ProcessTempFolder() { Remove(); }

CString ProcessTempFolder::Create()
{
    Remove();
    char system[MAX_PATH] = {};
    if (!GetTempPath(MAX_PATH, system))
        return CString();
    std::string pattern = std::string(system) + "viewer-XXXXXX";
    // mkdtemp gives the folder the rights 0700.
    if (::mkdtemp(&pattern[0]))
        m_strPath = pattern.c_str();
    return m_strPath;
}

void ProcessTempFolder::Remove()
{
    if (m_strPath.IsEmpty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(static_cast<LPCTSTR>(m_strPath), ignored);
    m_strPath.Empty();
}
