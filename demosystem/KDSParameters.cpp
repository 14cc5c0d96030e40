#include "KDSParameters.h"

#include <cstring>

namespace {

constexpr const char* kKindNames[kKDSKindCount] = {"string", "int", "float", "vector", "object"};

}  // namespace

const char* KDSKindName(KDSKind kind) {
    const int i = static_cast<int>(kind);
    return (i >= 0 && i < kKDSKindCount) ? kKindNames[i] : "?";
}

bool KDSKindFromName(const char* name, KDSKind* kind) {
    if (!name) return false;
    for (int i = 0; i < kKDSKindCount; ++i) {
        if (std::strcmp(kKindNames[i], name) == 0) {
            *kind = static_cast<KDSKind>(i);
            return true;
        }
    }
    return false;
}

const KDSParamInfo kKDSLocalTimeRow = {
    KDSKind::Int, 255, "local-time", "milliseconds since the effect's start (any effect)", "", KDSParamInfo::kOutput};
