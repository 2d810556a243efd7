#pragma once

#include "CList.h"

class CPtrList : public CList<void*, void*> {
    DECLARE_DYNAMIC(CPtrList)

public:
    explicit CPtrList(int blockSize = 10) : CList(blockSize) {}
};
