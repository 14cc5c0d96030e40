// What the program needs from the platform besides the setup dialog: the display, a quit
// asked before the show runs, the data folder, the window icon and the process id. One
// implementation per platform (platform/gtk, platform/win32).
#pragma once

#include "KLAppWindow.h"

#include <string>

namespace AppPlatform {

// Whether a dialog and windows can be shown at all.
bool HasDisplay();

// Whether a quit was asked (a signal, a quit message) before the setup dialog watches.
bool QuitAlreadyRequested();

// Why `folder` cannot be the data folder ("not found", "not a folder", "permission
// denied" or the system's reason), or empty when it can: the show lists its folders to
// match names case-blind, so it must be readable as well as enterable.
std::string DataFolderProblem(const std::string& folder);

// Makes `folder` the current folder; empty, or the system's reason why not.
std::string EnterFolder(const std::string& folder);

// The show's window icon; null (after a trace) when there is none.
KL::IconHandle LoadProgramIcon();

// This process's id, for names of files of this run's own.
unsigned long ProcessId();

}  // namespace AppPlatform
