// Starting and stopping the real windows (wxWidgets on GTK). Without a
// call to PlatformStartGui every window is headless.
#pragma once

// Initialises the toolkit and installs the native host; false when there
// is no display or the toolkit cannot start.
bool PlatformStartGui(int argc, char** argv);
// Destroys every window, uninstalls the host and shuts the toolkit down.
void PlatformStopGui();
bool PlatformGuiRunning();
// Runs the native event loop and our queue for about ms milliseconds
// (tests drive real windows with it).
void PlatformRunGuiFor(int ms);
