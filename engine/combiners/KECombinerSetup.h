// The register-combiner set-up a script describes, between the script's parser and the
// two back ends (NV combiner calls, GLSL fragment program). Only valid statements reach
// it; every field starts at the state that computes nothing (inputs zero, outputs
// discarded), so a partly broken script still yields a complete, usable set-up.
#pragma once

#include <cstdint>

// The registers of the combiner language, as inputs or outputs.
enum class KERCRegister : uint8_t {
    kZero,
    kConst0,
    kConst1,
    kFog,
    kCol0,
    kCol1,
    kTex0,
    kTex1,
    kTex2,
    kTex3,
    kSpare0,
    kSpare1,
    kDiscard,
    kFinalProduct,  // final combiner only: E times F
    kColorSum,      // final combiner only: spare0 + secondary colour
};

// How an input is mapped from its register's [-1, 1] value before use.
enum class KERCMapping : uint8_t {
    kUnsignedIdentity,  // max(0, x)
    kUnsignedInvert,    // 1 - clamp(x, 0, 1)
    kExpandNormal,      // 2 max(0, x) - 1
    kExpandNegate,      // -2 max(0, x) + 1
    kHalfBiasNormal,    // max(0, x) - 0.5
    kHalfBiasNegate,    // -max(0, x) + 0.5
    kSignedIdentity,    // x
    kSignedNegate,      // -x
};

// Which part of the register an input reads: its colour, its alpha (replicated in a colour
// context) or its blue (alpha contexts only).
enum class KERCComponent : uint8_t { kRGB, kAlpha, kBlue };

enum class KERCScale : uint8_t { kNone, kByTwo, kByFour, kByOneHalf };

struct KERCInput {
    KERCRegister reg = KERCRegister::kZero;
    KERCMapping mapping = KERCMapping::kUnsignedIdentity;
    KERCComponent component = KERCComponent::kRGB;
};

// One portion (colour or alpha) of a general combiner stage: AB and CD are products (or,
// in the colour portion, 3-component dot products), and their sum or mux goes to a third
// output. Outputs are scaled after an optional bias of -1/2, then clamped to [-1, 1].
struct KERCPortion {
    KERCInput a, b, c, d;
    KERCRegister abOutput = KERCRegister::kDiscard;
    KERCRegister cdOutput = KERCRegister::kDiscard;
    KERCRegister sumOutput = KERCRegister::kDiscard;
    bool abDot = false;
    bool cdDot = false;
    bool mux = false;  // the third output selects CD when spare0's alpha is 0.5 or more, else AB
    KERCScale scale = KERCScale::kNone;
    bool biasNegativeHalf = false;
};

struct KERCStage {
    KERCStage();

    KERCPortion rgb;
    KERCPortion alpha;
    bool hasLocalConst[2] = {false, false};
    float localConst[2][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
};

// The final combiner: out.rgb = A B + (1 - A) C + D, out.a = G, with final_product = E F.
// Its inputs only use the unsigned mappings.
struct KERCFinal {
    // Without out.rgb and out.a statements the final combiner passes spare0 through.
    KERCFinal();

    KERCInput a, b, c, d, e, f, g;
    bool clampColorSum = false;
};

struct KECombinerSetup {
    static constexpr int kMaxStages = 8;

    KERCStage stages[kMaxStages];
    int stageCount = 0;
    bool hasGlobalConst[2] = {false, false};
    float globalConst[2][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
    // False when per-stage constants are to be ignored (the driver cannot set them).
    bool useLocalConsts = true;
    KERCFinal final;

    // True when some stage sets a constant of its own.
    bool HasLocalConsts() const;
    // The constant `which` (0 or 1) that stage `stage` reads: its own when set and used,
    // otherwise the global one.
    const float* StageConst(int stage, int which) const;
};

// What a back end can run: the checks that depend on it cut the set-up to fit.
struct KECombinerLimits {
    int maxStages = KECombinerSetup::kMaxStages;
    bool perStageConsts = true;
};
