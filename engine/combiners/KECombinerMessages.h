// The combiner compiler's message list: what the last compile found, kept as a
// null-terminated array of C strings that the compiler owns. At most kMaxMessages are
// kept; later ones are dropped.
#pragma once

#include <string>
#include <vector>

namespace KECombinerMessages {

constexpr int kMaxMessages = 32;

// Appends one message (dropped when the list is full).
void Add(const std::string& message);
// Appends "error on line %d: %s".
void AddLineError(int line, const char* what);
// Empties the list, freeing the earlier messages.
void Clear();
// The list: kMaxMessages entries at most, then a null. Valid until the next change.
const char* const* Get();
// The messages as strings, for callers that keep them.
std::vector<std::string> Copy();

}  // namespace KECombinerMessages
