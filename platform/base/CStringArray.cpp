#include "CStringArray.h"

IMPLEMENT_DYNAMIC(CStringArray, CObject)
