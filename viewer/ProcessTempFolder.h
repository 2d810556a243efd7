// A folder of this process's own for its temporary files, made with
// owner-only rights under the system's temporary folder: no other user can
// plant a link or read a file in it, and two programs running at once never
// share one. It goes, with everything in it, when the program ends.
#pragma once

#include "wnd/wnd.h"

class ProcessTempFolder {
public:
    ProcessTempFolder() = default;
    ~ProcessTempFolder();
    ProcessTempFolder(const ProcessTempFolder&) = delete;
    ProcessTempFolder& operator=(const ProcessTempFolder&) = delete;

    // Makes a new folder in place of the previous one; "" when it cannot.
    CString Create();
    const CString& Path() const { return m_strPath; }
    void Remove();

private:
    CString m_strPath;
};
