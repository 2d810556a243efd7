// Paths of the opening routine: folders, DICOMDIR file IDs on a
// case-sensitive file system, and the converter program.
#pragma once

#include "wnd/wnd.h"

// The text before the last '/', or "" when there is none above position 0.
CString FolderOfPath(const CString& path);
// Whether the path's last characters equal the ending, without regard to case.
bool PathEndsWithNoCase(const CString& path, const char* ending);
// The folder joined with a name relative to it whose components are
// separated by '\' or '/' (a DICOMDIR file ID). Each component names the
// entry of that letter case when it exists, else the first entry that
// differs only in case, else it is kept as given.
CString ResolveRelativePath(const CString& folder, const CString& relative);
// The converter beside the program when it is there, else the first one on
// PATH; "" when there is none.
CString FindConverter(const CString& programFolder, const char* name);
