#include "Shows.h"

#include "MarloComposition.h"

#include <cstring>

const ShowEntry kShows[kShowCount] = {
    {"default", "the show", &BuildComposition},
    {"showcase", "every effect type in turn, to the same music", &BuildShowcase},
};

const ShowEntry* FindShow(const char* name) {
    if (!name) return nullptr;
    for (const ShowEntry& show : kShows) {
        if (std::strcmp(show.name, name) == 0) return &show;
    }
    return nullptr;
}
