// Output names of save all. Every part of a name comes from a file name, a
// DICOMDIR file ID or the file's own attributes, so none may lead out of
// the target folder.
#pragma once

#include "wnd/wnd.h"

// Separators and control characters become '_'; a name of dots only, or
// an empty one, gets a leading '_'.
CString SanitizeFileName(const CString& name);
// "<folder>/<item text>.<suffix>" (scheme 0) or
// "<folder>/<study UID>_<series>_<instance>.<suffix>" (scheme 1), the name
// made safe as one file name inside the folder.
CString SaveAllOutputPath(const CString& folder, int scheme, const CString& itemText, const CString& studyUid,
                          const CString& seriesNumber, const CString& instanceNumber, const CString& suffix);
