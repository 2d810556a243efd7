// The media layer: a playback graph for video and audio clips with its
// interfaces, and the hooks through which the window layer serves it.
#pragma once

#include "media/MediaHooks.h"
#include "media/MediaInterfaces.h"
