// A show file as read and checked: its objects with their places on the timeline, their
// parameter values and bindings, and its tracks' keys, every number resolved. What
// ShowBuilder puts on a demo system, and what the reader's errors point into.
#pragma once

#include "CShowTrack.h"
#include "KEMath.h"
#include "ShowCatalog.h"

#include <cstdint>
#include <string>
#include <vector>

// A place in the show file, 1-based; 0 when it has none.
struct ShowSource {
    uint32_t line = 0;
    uint32_t column = 0;
};

struct ShowError {
    ShowSource at;
    std::string message;
};

// "FILE:LINE:COLUMN: message", one per line, in the order of their places.
std::string FormatShowErrors(const std::string& file, std::vector<ShowError> errors);

struct ShowValue {
    enum How { kConstant, kBinding };
    ShowParam param;
    How how = kConstant;
    // kConstant: the value of the parameter's kind (an object parameter names `object`).
    std::string text;
    int32_t integer = 0;
    float number = 0.0f;
    KEVector3 vector{0.0f, 0.0f, 0.0f};
    // The object named (object parameters), or the binding's source; -1 for the system's
    // channels.
    int object = -1;
    ShowParam channel;  // kBinding
    ShowSource at;
};

struct ShowObject {
    const ShowType* type = nullptr;
    std::string id;  // may be empty for effects and modifiers nothing refers to
    // Effects: on the timeline (ms of demo time).
    uint32_t start = 0;
    uint32_t end = 0;
    int32_t layer = 0;
    std::vector<ShowValue> values;
    // Tracks: keys in rising time order.
    std::vector<CShowTrack::Key> keys;
    ShowSource at;

    bool Is(ShowType::Role role) const { return type && type->role == role; }
};

struct ShowDescription {
    std::string name;
    uint32_t length = 0;  // ms: the show quits here
    std::string module;
    // Effects in file order, then modifiers, then tracks: the order they are made in.
    std::vector<ShowObject> objects;

    int Count(ShowType::Role role) const;
    // "3 effects, 1 modifier, 0 tracks, 2:14": the --check summary.
    std::string Summary() const;
};
