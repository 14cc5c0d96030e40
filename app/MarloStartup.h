// Start-up of the show, handed over from the program entry: opens the window "Marlo!!!"
// at 10, 30 with an 800 by 600 client area and runs the loop until Escape or close.
#pragma once

int MarloStartup(int argc, char** argv);
