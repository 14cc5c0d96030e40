// Puts a checked show on a demo system: its effects on their layers and its modifiers in
// file order, through the catalog like a composition in code, and its tracks as objects
// of its own; then every value and binding. The loaded show keeps the strings and tracks
// the objects point at, so it must live as long as the demo system plays.
#pragma once

#include "ShowModel.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

class CParamObject;
class KestDemoSystem;
class ShowEnvironment;

class LoadedShow {
public:
    // Makes the objects on `demo` (after its Init) and sets the demo's end to the show's
    // length. `environment` expands paths of the run's own. False (after the demo system's
    // own report) when an object could not be made.
    bool Build(const ShowDescription& show, KestDemoSystem* demo, ShowEnvironment& environment);

    // The object made for show object `index` (in the description's order), or null.
    CParamObject* GetObject(size_t index) const { return index < m_objects.size() ? m_objects[index] : nullptr; }

private:
    std::deque<std::string> m_strings;  // stable addresses: parameters keep the pointers
    std::vector<std::unique_ptr<CParamObject>> m_tracks;
    std::vector<CParamObject*> m_objects;
};
