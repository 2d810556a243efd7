#pragma once

#include "CArray.h"
#include "CString.h"

class CStringArray : public CArray<CString, const CString&> {
    DECLARE_DYNAMIC(CStringArray)
};
