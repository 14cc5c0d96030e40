#include "KECombinerMessages.h"

#include <cstdio>

namespace {

std::vector<std::string> g_messages;
// Pointers into g_messages plus the closing null, rebuilt on every change.
std::vector<const char*> g_array{nullptr};

void Rebuild() {
    g_array.clear();
    for (const std::string& message : g_messages) g_array.push_back(message.c_str());
    g_array.push_back(nullptr);
}

}  // namespace

namespace KECombinerMessages {

void Add(const std::string& message) {
    if (static_cast<int>(g_messages.size()) >= kMaxMessages) return;
    g_messages.push_back(message);
    Rebuild();
}

void AddLineError(int line, const char* what) {
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "error on line %d: ", line);
    Add(prefix + std::string(what));
}

void Clear() {
    g_messages.clear();
    g_messages.shrink_to_fit();
    Rebuild();
}

const char* const* Get() { return g_array.data(); }

std::vector<std::string> Copy() { return g_messages; }

}  // namespace KECombinerMessages
