#include "ViewerPaths.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

CString FolderOfPath(const CString& path)
{
    int slash = path.ReverseFind('/');
    return slash > 0 ? path.Left(slash) : CString();
}

bool PathEndsWithNoCase(const CString& path, const char* ending)
{
    int length = (int)std::strlen(ending);
    if (path.GetLength() < length)
        return false;
    return strcasecmp((const char*)path + path.GetLength() - length, ending) == 0;
}

namespace {

bool Exists(const CString& path)
{
    struct stat info;
    return stat(path, &info) == 0;
}

CString ResolveComponent(const CString& folder, const CString& name)
{
    CString exact = folder + "/" + name;
    if (Exists(exact))
        return exact;
    CFileFind finder;
    BOOL more = finder.FindFile(folder + "/*.*");
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots() && finder.GetFileName().CompareNoCase(name) == 0)
            return folder + "/" + finder.GetFileName();
    }
    return exact;
}

bool IsRunnable(const CString& path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

}  // namespace

CString ResolveRelativePath(const CString& folder, const CString& relative)
{
    CString result = folder;
    std::string text = (const char*)relative;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = text.size();
        CString component = text.substr(start, end - start).c_str();
        if (!component.IsEmpty())
            result = ResolveComponent(result, component);
        start = end + 1;
    }
    return result;
}

CString FindConverter(const CString& programFolder, const char* name)
{
    CString beside = programFolder + "/" + name;
    if (IsRunnable(beside))
        return beside;
    const char* searchPath = std::getenv("PATH");
    std::string folders = searchPath ? searchPath : "";
    size_t start = 0;
    while (start < folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        // A relative entry would run whatever the current folder holds.
        if (!folder.empty() && folder[0] == '/') {
            CString candidate = CString(folder.c_str()) + "/" + name;
            if (IsRunnable(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return CString();
}
