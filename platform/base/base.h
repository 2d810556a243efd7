// Everything of the platform's base layer.
#pragma once

#include "wintypes.h"
#include "debug.h"
#include "CString.h"
#include "CObject.h"
#include "CArray.h"
#include "CPtrArray.h"
#include "CByteArray.h"
#include "CStringArray.h"
#include "CList.h"
#include "CObList.h"
#include "CPtrList.h"
#include "CSize.h"
#include "CPoint.h"
#include "winrect.h"
#include "CRect.h"
