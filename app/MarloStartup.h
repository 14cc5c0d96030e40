// Start-up of the show, handed over from the program entry: opens the window "Marlo!!!"
// at 10, 30 with an 800 by 600 client area and runs the loop until Escape or close.
#pragma once

#include "Shows.h"

// The start-up with `compose` making the show: command line, setup, data folder, the run
// on screen or as a capture. Returns the program's exit code.
int RunMarlo(int argc, char** argv, ComposeProc compose);

// RunMarlo with the composition --show names (the show itself by default).
int MarloStartup(int argc, char** argv);
