// Builders: small stateless objects that make effects and modifiers by type name. The
// layers above (effects/) provide one builder per type they implement; the demo system
// registers the provided ones at Init, always in the order of the fixed type table below,
// whatever the order of provision. Builders are not owned: they live for the process.
#pragma once

#include "KDSParameters.h"

class CEffect;
class CModifier;

class IEffectBuilder {
public:
    virtual ~IEffectBuilder() = default;
    // A new instance with the type's default parameters, or null.
    virtual CEffect* Create() = 0;
    virtual const char* GetName() = 0;
    virtual const char* GetDescription() = 0;
    // The type's parameters and output channels by name (empty unless the type offers one).
    virtual KDSParamTable GetParameters() { return {}; }
};

class IModifierBuilder {
public:
    virtual ~IModifierBuilder() = default;
    virtual CModifier* Create() = 0;
    virtual const char* GetName() = 0;
    virtual const char* GetDescription() = 0;
    virtual KDSParamTable GetParameters() { return {}; }
};

// Higher layers (effects/) provide the builders of the types they implement; the demo system
// registers the provided ones in the fixed order of the 14-type table, whatever the order of provision.
void KDSProvideEffectBuilder(IEffectBuilder* builder);
void KDSProvideModifierBuilder(IModifierBuilder* builder);

// The provided builders, one slot per type of the table. The process keeps one catalog
// (filled by the two functions above, also during static initialisation); tests make
// their own and hand it to a demo system. Main thread only.
class KDSBuilderCatalog {
public:
    static constexpr int kEffectTypes = 9;
    static constexpr int kModifierTypes = 5;
    // The type names in registration order.
    static const char* const kEffectTypeNames[kEffectTypes];
    static const char* const kModifierTypeNames[kModifierTypes];

    // The process-wide catalog, constructed on first use.
    static KDSBuilderCatalog& Process();

    constexpr KDSBuilderCatalog() = default;

    // Keeps the builder in its type's slot. A null builder, a name outside the table or a
    // second builder for a type is refused with a trace; false then.
    bool ProvideEffect(IEffectBuilder* builder);
    bool ProvideModifier(IModifierBuilder* builder);

    // The builder provided for the type at `index` of the table, or null.
    IEffectBuilder* GetEffect(int index) const;
    IModifierBuilder* GetModifier(int index) const;

private:
    IEffectBuilder* m_effects[kEffectTypes] = {};
    IModifierBuilder* m_modifiers[kModifierTypes] = {};
};
