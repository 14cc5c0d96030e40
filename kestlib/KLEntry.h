// The program entry of a KestLib program: traces "KestLib Initialized", creates the
// application singleton, gives it the instance handle and hands over to the program's
// start-up, whose result it returns.
#pragma once

namespace KL {

using StartupProc = int (*)(int argc, char** argv);

int ProgramEntry(int argc, char** argv, StartupProc startup);

}  // namespace KL
