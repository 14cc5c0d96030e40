// The shows marlo can play, by the names --show takes: "default", the show itself, and
// "showcase", a tour of every effect type to the same music.
#pragma once

class KestDemoSystem;

// Places a show's effects and modifiers on the demo system's timeline.
using ComposeProc = void (*)(KestDemoSystem* demo);

struct ShowEntry {
    const char* name;
    const char* description;
    ComposeProc compose;
};

constexpr int kShowCount = 2;
extern const ShowEntry kShows[kShowCount];

// The show of that name, or null.
const ShowEntry* FindShow(const char* name);
