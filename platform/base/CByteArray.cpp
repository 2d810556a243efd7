#include "CByteArray.h"

IMPLEMENT_DYNAMIC(CByteArray, CObject)
