#include "SaveAllNames.h"

CString SanitizeFileName(const CString& name)
{
    CString safe = name;
    bool onlyDots = true;
    for (int i = 0; i < safe.GetLength(); ++i) {
        unsigned char c = (unsigned char)safe[i];
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F)
            safe.SetAt(i, '_');
        if (safe[i] != '.')
            onlyDots = false;
    }
    if (onlyDots)
        safe = "_" + safe;
    return safe;
}

CString SaveAllOutputPath(const CString& folder, int scheme, const CString& itemText, const CString& studyUid,
                          const CString& seriesNumber, const CString& instanceNumber, const CString& suffix)
{
    CString name;
    if (scheme == 1)
        name.Format("%s_%s_%s.%s", (LPCTSTR)studyUid, (LPCTSTR)seriesNumber, (LPCTSTR)instanceNumber,
                    (LPCTSTR)suffix);
    else
        name.Format("%s.%s", (LPCTSTR)itemText, (LPCTSTR)suffix);
    CString path;
    path.Format("%s/%s", (LPCTSTR)folder, (LPCTSTR)SanitizeFileName(name));
    return path;
}
