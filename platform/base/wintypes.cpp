#include "wintypes.h"
