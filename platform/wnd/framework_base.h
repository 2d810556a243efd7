// What the window framework takes from the base and the GDI layers.
#pragma once

#include "base/base.h"

class CDC;
