#pragma once
// Starting and stopping the desktop backend: the window layer's windows shown on
// the desktop. Nothing of the toolkit shows through this header.
namespace platform::display {
// Opens the display and installs the desktop backend for the rest of the run,
// before any window and any device thread. False when there is no display (or
// it cannot be opened): the headless backend stays.
bool Start(int& argc, char** argv);
// Puts the headless backend back and closes the display; the windows must be gone.
void Stop();
bool Started();
}
