// Library load and unload hooks live here.
#include "ImvexaApi.h"
