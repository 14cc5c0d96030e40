// The program's setup dialog as the start-up sees it, whatever toolkit shows it
// (platform/gtk or platform/win32).
#pragma once

#include "KDSSetup.h"

#include <functional>
#include <string>
#include <vector>

// Shows the setup dialog with these sound devices (the back end's order) and fills the
// result. Where nobody can answer it (no display, or one that cannot be opened) it answers
// as DefaultSetupWithoutDisplay. Cancel, closing and a quit request answer accepted = 0.
// `quitRequested` is asked before the dialog shows: true when a quit was asked already,
// and the dialog then ends at once, not accepted.
void ShowSetupDialog(KDSSetupResult* result, const std::vector<std::string>& devices,
                     std::function<bool()> quitRequested = {});

// Nobody can answer the dialog: traces "Could not open the display: using the default
// setup, windowed" and answers the defaults, accepted, windowed.
void DefaultSetupWithoutDisplay(KDSSetupResult* result);
