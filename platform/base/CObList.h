#pragma once

#include "CList.h"

class CObList : public CList<CObject*, CObject*> {
    DECLARE_DYNAMIC(CObList)

public:
    explicit CObList(int blockSize = 10) : CList(blockSize) {}
};
