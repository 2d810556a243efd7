// COM start-up of a thread. The playback graph needs no apartment; starting
// COM on the UI thread connects the graph to the window layer instead:
// its notifications are posted to windows, and video is shown in them.
#pragma once

#include "base/wintypes.h"

HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
