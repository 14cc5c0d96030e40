// Data file names as the composition writes them mix "files" and "Files": the data was
// made for a case-blind file system. Opening a data file tries the exact path first and
// then a case-blind match, component by component.
#pragma once

#include <string>

namespace KL {

// The path to open for `path`: the path itself when it exists, otherwise the first
// existing path whose components match it ignoring ASCII case, otherwise `path` unchanged
// (so the caller's open fails and reports the name it was given).
std::string ResolveDataPath(const char* path);

// The folder that holds the running program, ending in '/'; empty when it cannot be told.
std::string GetProgramFolder();

}  // namespace KL
