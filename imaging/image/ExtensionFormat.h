// File extensions and the raster format ids they stand for.
#pragma once

#include "ImagePlatform.h"

// The text after the last "." of the whole path; empty when there is none.
CString GetFileExtension(const CString& path);
// The format id of an extension in any case; 0 for one that maps to none.
int FormatIdFromExtension(CString extension);
