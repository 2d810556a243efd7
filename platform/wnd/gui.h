// Starting and stopping the real windows (wxWidgets on GTK). Without a
// call to PlatformStartGui every window is headless.
#pragma once

#include "base/wintypes.h"

// Initialises the toolkit and installs the native host; false when there
// is no display or the toolkit cannot start.
bool PlatformStartGui(int argc, char** argv);
// From now on SIGTERM and SIGINT (as at logout) end the program through
// its Exit command, or, while a modal loop holds it, through its
// ExitInstance and the signal; a program calls it, tests that start the GUI
// themselves keep the default end.
void PlatformEndOnSignals();
// Destroys every window, uninstalls the host and shuts the toolkit down.
void PlatformStopGui();
bool PlatformGuiRunning();
// Runs the native event loop and our queue for about ms milliseconds
// (tests drive real windows with it).
void PlatformRunGuiFor(int ms);

// The native widget of a window (a GtkWidget*), for code that embeds
// native content such as video; null without a display.
void* PlatformNativeWidget(HWND hwnd);
