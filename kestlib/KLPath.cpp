// Case-blind lookup of data file names. The exact path is tried first; otherwise the path
// is rebuilt one component at a time from the directory entries, preferring an exact
// component and backing out of a directory that does not lead to the whole path.
#include "KLPath.h"

#include "platform/KLPlatform.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// No file system opens paths longer than this; it also bounds the work below.
constexpr size_t kMaxPathLength = 4096;
// Upper bound on directory listings for one lookup, so that a tree full of names that
// differ only in case cannot make the search run away.
constexpr int kMaxListings = 4096;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// A component that is not the last one has to be a directory to lead anywhere.
bool Usable(const fs::path& p, bool last) {
    std::error_code ec;
    return last ? fs::exists(p, ec) : fs::is_directory(p, ec);
}

bool KeptAsWritten(const std::string& part) { return part.empty() || part == "." || part == ".."; }

// The other names under `dir` that match `part` ignoring case, in name order so that the
// result does not depend on listing order.
std::vector<fs::path> CaseBlindMatches(const fs::path& dir, const std::string& part, bool last) {
    std::vector<fs::path> names;
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::path name = it->path().filename();
        const std::string text = name.string();
        if (text != part && SameIgnoringAsciiCase(text, part) && Usable(dir / name, last)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Depth-first search over the names each component may stand for, kept iterative so that
// a path of many components cannot exhaust the stack. A directory is only listed once the
// exact name has led nowhere, so a path with one wrong letter near its end costs one
// listing. Returns false when no existing path matches.
bool Search(const fs::path& input, fs::path* found) {
    std::vector<fs::path> parts;
    for (const fs::path& part : input.relative_path()) parts.push_back(part);
    if (parts.empty()) return false;

    struct Level {
        std::vector<fs::path> options;
        size_t next = 0;
        bool listed = false;
    };
    std::vector<Level> levels(parts.size());
    // prefix[i] is the path built from the first i components.
    std::vector<fs::path> prefix{input.root_path()};
    int listings = 0;
    size_t depth = 0;
    bool entering = true;
    for (;;) {
        if (depth == parts.size()) {
            std::error_code ec;
            if (fs::exists(prefix.back(), ec)) {
                *found = prefix.back();
                return true;
            }
            // Only "." or ".." can get here unchecked; back out of the last choice.
            --depth;
            prefix.pop_back();
            entering = false;
            continue;
        }
        Level& level = levels[depth];
        const std::string part = parts[depth].string();
        const bool last = depth + 1 == parts.size();
        if (entering) {
            level = Level();
            // "." and ".." (and the empty name a trailing separator leaves) stay as written.
            if (KeptAsWritten(part) || Usable(prefix[depth] / parts[depth], last)) {
                level.options.push_back(parts[depth]);
            }
            level.listed = KeptAsWritten(part);
        }
        if (level.next == level.options.size() && !level.listed) {
            if (++listings > kMaxListings) return false;
            level.options = CaseBlindMatches(prefix[depth], part, last);
            level.next = 0;
            level.listed = true;
        }
        if (level.next < level.options.size()) {
            prefix.push_back(prefix[depth] / level.options[level.next]);
            ++level.next;
            ++depth;
            entering = true;
        } else {
            if (depth == 0) return false;
            --depth;
            prefix.pop_back();
            entering = false;
        }
    }
}

}  // namespace

namespace KL {

std::string ResolveDataPath(const char* path) {
    if (!path) return std::string();
    try {
        const std::string given(path);
        if (given.empty() || given.size() > kMaxPathLength) return given;
        std::error_code ec;
        if (fs::exists(given, ec)) return given;
        fs::path found;
        if (Search(fs::path(given), &found)) return found.string();
        return given;
    } catch (...) {
        // Only allocation can fail here; the caller's open then reports the name.
        return std::string(path);
    }
}

std::string GetProgramFolder() { return Platform::ProgramFolder(); }

}  // namespace KL
