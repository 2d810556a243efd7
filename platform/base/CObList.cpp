#include "CObList.h"

IMPLEMENT_DYNAMIC(CObList, CObject)
