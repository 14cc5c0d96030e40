// The builder catalog: provided builders kept by type, so that registration follows the
// type table whatever order the layers above provide them in.
#include "KDSBuilders.h"

#include "KLLog.h"

#include <cstring>

namespace {

// The slot of `name` in `names`, or -1.
int IndexOf(const char* const* names, int count, const char* name) {
    if (!name) return -1;
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(names[i], name) == 0) return i;
    }
    return -1;
}

template <class Builder>
bool Provide(Builder* builder, Builder** slots, const char* const* names, int count, const char* kind) {
    if (!builder) {
        LogMessage("Null %s builder refused", kind);
        return false;
    }
    const char* name = builder->GetName();
    const int index = IndexOf(names, count, name);
    if (index < 0) {
        LogMessage("%s builder \"%s\" refused: no such %s type", kind, name ? name : "(null)", kind);
        return false;
    }
    if (slots[index]) {
        LogMessage("%s builder \"%s\" refused: the type already has one", kind, name);
        return false;
    }
    slots[index] = builder;
    return true;
}

}  // namespace

const char* const KDSBuilderCatalog::kEffectTypeNames[kEffectTypes] = {
    "MAX 4.2 Exported 3d Scene", "model", "Bass Player", "meteoritos", "debug",
    "follow", "motion capture", "atmosfear", "vector field",
};

const char* const KDSBuilderCatalog::kModifierTypeNames[kModifierTypes] = {
    "Sine Wave", "utilities", "Binary operation", "info", "log player",
};

KDSBuilderCatalog& KDSBuilderCatalog::Process() {
    static KDSBuilderCatalog catalog;
    return catalog;
}

bool KDSBuilderCatalog::ProvideEffect(IEffectBuilder* builder) {
    return Provide(builder, m_effects, kEffectTypeNames, kEffectTypes, "effect");
}

bool KDSBuilderCatalog::ProvideModifier(IModifierBuilder* builder) {
    return Provide(builder, m_modifiers, kModifierTypeNames, kModifierTypes, "modifier");
}

IEffectBuilder* KDSBuilderCatalog::GetEffect(int index) const {
    return (index >= 0 && index < kEffectTypes) ? m_effects[index] : nullptr;
}

IModifierBuilder* KDSBuilderCatalog::GetModifier(int index) const {
    return (index >= 0 && index < kModifierTypes) ? m_modifiers[index] : nullptr;
}

void KDSProvideEffectBuilder(IEffectBuilder* builder) { KDSBuilderCatalog::Process().ProvideEffect(builder); }

void KDSProvideModifierBuilder(IModifierBuilder* builder) { KDSBuilderCatalog::Process().ProvideModifier(builder); }
