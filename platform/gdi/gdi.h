// Everything of the graphics layer: constants, the Win32 functions, the
// framework classes and the window-surface contract.
#pragma once

#include "gdi/gdidefs.h"
#include "gdi/gdiapi.h"
#include "gdi/metafile.h"
#include "gdi/afxgdi.h"
#include "gdi/surface.h"
