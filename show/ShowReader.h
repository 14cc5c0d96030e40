// Reads a show file (TOML) into a checked show description. Every mistake is collected
// with its place in the file, never only the first: syntax, unknown types and parameters,
// values of the wrong kind, times, layers, ids, bindings (unknown, of the wrong kind, in a
// cycle), tracks, and data files that do not exist.
#pragma once

#include "ShowEnvironment.h"
#include "ShowModel.h"

#include <string>
#include <vector>

class ShowCatalog;

// Show files larger than this are refused unread.
constexpr size_t kMaxShowFileBytes = 1 << 20;

// Reads `text`. True with *out filled when the show is good; false with *errors (in file
// order) otherwise. `defaultName` names a show whose file gives it no name.
bool ReadShow(const std::string& text, const std::string& defaultName, const ShowCatalog& catalog,
              ShowEnvironment& environment, ShowDescription* out, std::vector<ShowError>* errors);

// The text of the show file at `path`, read up to one byte past kMaxShowFileBytes (ReadShow
// refuses a longer one). False with one error at 0:0 when it is not a file or cannot be read.
bool LoadShowFileText(const std::string& path, std::string* text, std::vector<ShowError>* errors);
// The name a show file gives a show that names none: its file name without ".toml".
std::string ShowFileStem(const std::string& path);

// Reads the file at `path`. A file that cannot be read is one error at 0:0.
bool ReadShowFile(const std::string& path, const ShowCatalog& catalog, ShowEnvironment& environment,
                  ShowDescription* out, std::vector<ShowError>* errors);
