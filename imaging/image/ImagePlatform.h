// Framework layer the image model builds on.
#pragma once

#include "base/base.h"
#include "gdi/gdi.h"
