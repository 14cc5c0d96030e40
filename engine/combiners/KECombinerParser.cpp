// The script's structure (header constants, general combiner stages and their portions)
// and the general combiner statements with their checks.
#include "KECombinerParser.h"

#include "KECombinerMessages.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>


namespace {

using KECombinerMessages::Add;

constexpr const char* kHeader = "!!RC1.0";
constexpr size_t kHeaderLength = 7;

// The input that reads as 1: the inverted zero.
KERCInput One(KERCComponent component) {
    KERCInput one;
    one.mapping = KERCMapping::kUnsignedInvert;
    one.component = component;
    return one;
}

bool IsFinalRegister(KERCRegister reg) { return reg == KERCRegister::kFinalProduct || reg == KERCRegister::kColorSum; }

}  // namespace

void KECombinerParse(const char* body, KECombinerSetup* setup) { KECombinerParser(body, setup).Run(); }

bool KECombinerParseText(const char* text, KECombinerSetup* setup) {
    if (!text) {
        Add("NULL string passed to the combiner script compiler");
        return false;
    }
    if (std::strncmp(text, kHeader, kHeaderLength) != 0) {
        Add("invalid string.\n                     first characters must be: !!RC1.0");
        return false;
    }
    KECombinerMessages::Clear();
    KECombinerParse(text + kHeaderLength, setup);
    return true;
}

void KECombinerApplyLimits(const KECombinerLimits& limits, KECombinerSetup* setup) {
    if (setup->HasLocalConsts() && !limits.perStageConsts) {
        Add("local constant(s) specified, but not supported -- ignored");
        setup->useLocalConsts = false;
    }
    if (setup->stageCount > limits.maxStages) {
        char text[96];
        std::snprintf(text, sizeof text, "%d general combiners specified, only %d supported", setup->stageCount,
                      limits.maxStages);
        Add(text);
        setup->stageCount = limits.maxStages < 0 ? 0 : limits.maxStages;
    }
}

KECombinerParser::KECombinerParser(const char* body, KECombinerSetup* setup) : m_scanner(body, 1), m_setup(setup) {}

bool KECombinerParser::Accept(KERCTokenKind kind) {
    if (!Is(kind)) return false;
    Advance();
    return true;
}

bool KECombinerParser::Expect(KERCTokenKind kind) {
    if (Accept(kind)) return true;
    SyntaxError();
    return false;
}

void KECombinerParser::SyntaxError() { LineError(m_token.line, "syntax error"); }

void KECombinerParser::LineError(int line, const char* what) { KECombinerMessages::AddLineError(line, what); }

void KECombinerParser::Recover() {
    int depth = 0;
    for (;;) {
        switch (m_token.kind) {
            case KERCTokenKind::kEnd: return;
            case KERCTokenKind::kLBrace: ++depth; break;
            case KERCTokenKind::kRBrace:
                if (depth == 0) return;
                if (--depth == 0) {
                    Advance();
                    return;
                }
                break;
            case KERCTokenKind::kSemicolon:
                if (depth == 0) {
                    Advance();
                    return;
                }
                break;
            default: break;
        }
        Advance();
    }
}

void KECombinerParser::Run() {
    Advance();
    while (!Is(KERCTokenKind::kEnd)) {
        bool ok = false;
        if (Is(KERCTokenKind::kLBrace)) {
            ParseStage();
            continue;
        }
        if (Is(KERCTokenKind::kRBrace)) {
            SyntaxError();
            Advance();
            continue;
        }
        if (IsRegister(KERCRegister::kConst0) || IsRegister(KERCRegister::kConst1)) {
            ok = ParseConstant(false, nullptr);
        } else if (IsRegister(KERCRegister::kFinalProduct)) {
            ok = ParseFinalProduct();
        } else if (IsWord(KERCWord::kClampColorSum)) {
            ok = ParseClampColorSum();
        } else if (IsWord(KERCWord::kOut)) {
            ok = ParseOut();
        } else {
            SyntaxError();
        }
        // A statement that stopped on a stray '}' has been reported there: pass it.
        if (!ok) {
            if (Is(KERCTokenKind::kRBrace)) {
                Advance();
            } else {
                Recover();
            }
        }
    }
    if (m_finalProductUsed && !m_finalProductSet) Add("final_product used but not set");
}

void KECombinerParser::ParseStage() {
    Advance();  // '{'
    const int index = m_stagesSeen;
    if (m_stagesSeen < INT_MAX) ++m_stagesSeen;
    KERCStage scratch;  // where stages past the last one are read, to be dropped
    KERCStage* stage = &scratch;
    if (index < KECombinerSetup::kMaxStages) {
        stage = &m_setup->stages[index];
        m_setup->stageCount = index + 1;
    } else if (index == KECombinerSetup::kMaxStages) {
        Add("Too many general combiners.");
    }
    PortionState states[2];
    for (;;) {
        if (Accept(KERCTokenKind::kRBrace)) return;
        if (Is(KERCTokenKind::kEnd)) {
            SyntaxError();
            return;
        }
        bool ok = false;
        if (IsWord(KERCWord::kRgb) || IsWord(KERCWord::kAlpha)) {
            ok = ParsePortion(stage, states);
        } else if (IsRegister(KERCRegister::kConst0) || IsRegister(KERCRegister::kConst1)) {
            ok = ParseConstant(true, stage);
        } else {
            SyntaxError();
        }
        if (!ok) Recover();
    }
}

bool KECombinerParser::ParsePortion(KERCStage* stage, PortionState states[2]) {
    const bool alpha = IsWord(KERCWord::kAlpha);
    Advance();
    if (!Expect(KERCTokenKind::kLBrace)) return false;
    KERCStage scratch;  // a second portion of the same kind is read here and dropped
    PortionState scratchState;
    KERCPortion* portion = alpha ? &stage->alpha : &stage->rgb;
    PortionState* state = &states[alpha ? 1 : 0];
    if (state->declared) {
        Add("portion declared twice");
        portion = alpha ? &scratch.alpha : &scratch.rgb;
        state = &scratchState;
    }
    state->declared = true;
    for (;;) {
        if (Accept(KERCTokenKind::kRBrace)) break;
        if (Is(KERCTokenKind::kEnd)) {
            SyntaxError();
            break;
        }
        bool ok = false;
        if (Is(KERCTokenKind::kWord) &&
            (m_token.word == KERCWord::kScaleByTwo || m_token.word == KERCWord::kScaleByFour ||
             m_token.word == KERCWord::kScaleByOneHalf || m_token.word == KERCWord::kBiasByNegativeOneHalf ||
             m_token.word == KERCWord::kBiasByNegativeOneHalfScaleByTwo)) {
            ok = ParseScaleBias(portion, state);
        } else if (IsWord(KERCWord::kRegister)) {
            ok = ParseGeneralStatement(alpha, portion, state);
        } else {
            SyntaxError();
        }
        if (!ok) Recover();
    }
    FinishPortion(portion, *state);
    return true;
}

bool KECombinerParser::ParseConstant(bool local, KERCStage* stage) {
    const int which = IsRegister(KERCRegister::kConst1) ? 1 : 0;
    Advance();
    if (!Expect(KERCTokenKind::kAssign) || !Expect(KERCTokenKind::kLParen)) return false;
    float value[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && !Expect(KERCTokenKind::kComma)) return false;
        const bool negative = Is(KERCTokenKind::kMinus);
        if (negative || Is(KERCTokenKind::kPlus)) Advance();
        if (!Is(KERCTokenKind::kNumber)) {
            SyntaxError();
            return false;
        }
        // Constant colours are held in [0, 1], as the GL holds them.
        const float v = negative ? -m_token.number : m_token.number;
        value[i] = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        Advance();
    }
    if (!Expect(KERCTokenKind::kRParen) || !Expect(KERCTokenKind::kSemicolon)) return false;
    bool* has = local ? &stage->hasLocalConst[which] : &m_setup->hasGlobalConst[which];
    float* target = local ? stage->localConst[which] : m_setup->globalConst[which];
    if (*has) {
        Add(local ? "local constant set twice" : "global constant set twice");
        return true;
    }
    *has = true;
    for (int i = 0; i < 4; ++i) target[i] = value[i];
    return true;
}

bool KECombinerParser::ParseRegister(KERCWrittenInput* input) {
    if (!IsWord(KERCWord::kRegister)) {
        SyntaxError();
        return false;
    }
    input->reg = m_token.reg;
    Advance();
    if (Is(KERCTokenKind::kComponent)) {
        input->hasComponent = true;
        input->component = m_token.component;
        Advance();
    }
    return true;
}

bool KECombinerParser::ParseInput(KERCWrittenInput* input) {
    const bool negated = Accept(KERCTokenKind::kMinus);
    using W = KERCWrittenInput;
    W::Mapping mapping = negated ? W::kNegated : W::kPlain;
    if (Is(KERCTokenKind::kWord)) {
        switch (m_token.word) {
            case KERCWord::kExpand: mapping = negated ? W::kNegatedExpand : W::kExpand; break;
            case KERCWord::kHalfBias: mapping = negated ? W::kNegatedHalfBias : W::kHalfBias; break;
            case KERCWord::kUnsigned: mapping = negated ? W::kNegatedUnsigned : W::kUnsigned; break;
            case KERCWord::kUnsignedInvert: mapping = negated ? W::kNegatedUnsigned : W::kUnsignedInvert; break;
            default: break;
        }
    }
    const bool function = mapping != (negated ? W::kNegated : W::kPlain);
    if (function) {
        Advance();
        if (!Expect(KERCTokenKind::kLParen) || !ParseRegister(input) || !Expect(KERCTokenKind::kRParen)) return false;
        // The component may also follow the call: expand(col0).a.
        if (!input->hasComponent && Is(KERCTokenKind::kComponent)) {
            input->hasComponent = true;
            input->component = m_token.component;
            Advance();
        }
    } else if (!ParseRegister(input)) {
        return false;
    }
    input->mapping = mapping;
    return true;
}

bool KECombinerParser::ParseScaleBias(KERCPortion* portion, PortionState* state) {
    const int line = m_token.line;
    const KERCWord word = m_token.word;
    Advance();
    if (!Expect(KERCTokenKind::kLParen) || !Expect(KERCTokenKind::kRParen) || !Expect(KERCTokenKind::kSemicolon)) {
        return false;
    }
    if (state->scaleSet) {
        LineError(line, "scale or bias set twice");
        return true;
    }
    state->scaleSet = true;
    switch (word) {
        case KERCWord::kScaleByTwo: portion->scale = KERCScale::kByTwo; break;
        case KERCWord::kScaleByFour: portion->scale = KERCScale::kByFour; break;
        case KERCWord::kScaleByOneHalf: portion->scale = KERCScale::kByOneHalf; break;
        case KERCWord::kBiasByNegativeOneHalf: portion->biasNegativeHalf = true; break;
        default:
            portion->biasNegativeHalf = true;
            portion->scale = KERCScale::kByTwo;
            break;
    }
    return true;
}

bool KECombinerParser::ParseGeneralStatement(bool alphaPortion, KERCPortion* portion, PortionState* state) {
    const int line = m_token.line;
    KERCWrittenInput output;
    if (!ParseRegister(&output) || !Expect(KERCTokenKind::kAssign)) return false;
    enum { kProduct, kDot, kSingle, kMuxSum } form = kSingle;
    bool mux = false;
    KERCWrittenInput x, y;
    if (IsWord(KERCWord::kMux) || IsWord(KERCWord::kSum)) {
        mux = IsWord(KERCWord::kMux);
        form = kMuxSum;
        Advance();
        if (!Expect(KERCTokenKind::kLParen) || !Expect(KERCTokenKind::kRParen)) return false;
    } else {
        if (!ParseInput(&x)) return false;
        if (Accept(KERCTokenKind::kDot)) {
            form = kDot;
        } else if (Accept(KERCTokenKind::kStar)) {
            form = kProduct;
        }
        if (form != kSingle && !ParseInput(&y)) return false;
    }
    if (!Expect(KERCTokenKind::kSemicolon)) return false;

    // Every check runs, so that one statement reports all of its faults.
    bool valid = CheckGeneralOutput(output, alphaPortion, *portion, line);
    const KERCComponent own = alphaPortion ? KERCComponent::kAlpha : KERCComponent::kRGB;
    KERCInput first, second = One(own);
    if (form != kMuxSum) valid = CheckGeneralInput(x, alphaPortion, line, &first) && valid;
    if (form == kDot || form == kProduct) valid = CheckGeneralInput(y, alphaPortion, line, &second) && valid;
    if (form == kDot && alphaPortion) {
        Add("dot used in alpha portion");
        valid = false;
    }
    if (form == kMuxSum && state->sumSet) {
        LineError(line, "mux or sum set twice");
        valid = false;
    }
    if (form != kMuxSum && state->products == 2) {
        LineError(line, "more than two products in one portion");
        valid = false;
    }
    if (!valid) return true;

    if (form == kMuxSum) {
        portion->sumOutput = output.reg;
        portion->mux = mux;
        state->sumSet = true;
        state->sumLine = line;
    } else if (state->products == 0) {
        portion->a = first;
        portion->b = second;
        portion->abOutput = output.reg;
        portion->abDot = form == kDot;
        state->products = 1;
    } else {
        portion->c = first;
        portion->d = second;
        portion->cdOutput = output.reg;
        portion->cdDot = form == kDot;
        state->products = 2;
    }
    return true;
}

bool KECombinerParser::CheckGeneralOutput(const KERCWrittenInput& written, bool alphaPortion,
                                          const KERCPortion& portion, int line) {
    bool valid = true;
    switch (written.reg) {
        case KERCRegister::kFinalProduct:
        case KERCRegister::kColorSum:
            Add("final register used in general combiner");
            valid = false;
            break;
        case KERCRegister::kZero:
        case KERCRegister::kConst0:
        case KERCRegister::kConst1:
        case KERCRegister::kFog:
            Add("writing to a read-only register");
            valid = false;
            break;
        default: break;
    }
    if (written.hasComponent) {
        const KERCComponent c = written.component;
        if (alphaPortion && c == KERCComponent::kRGB) {
            Add("rgb register used in alpha portion");
            valid = false;
        } else if (!alphaPortion && c == KERCComponent::kBlue) {
            Add("blue register used in rgb portion");
            valid = false;
        } else if (alphaPortion && c == KERCComponent::kBlue) {
            LineError(line, "blue register written in alpha portion");
            valid = false;
        } else if (!alphaPortion && c == KERCComponent::kAlpha) {
            LineError(line, "alpha register written in rgb portion");
            valid = false;
        }
    }
    if (written.reg != KERCRegister::kDiscard &&
        (written.reg == portion.abOutput || written.reg == portion.cdOutput || written.reg == portion.sumOutput)) {
        Add("writing to same register twice");
        valid = false;
    }
    return valid;
}

bool KECombinerParser::CheckGeneralInput(const KERCWrittenInput& written, bool alphaPortion, int line,
                                         KERCInput* input) {
    bool valid = true;
    if (written.reg == KERCRegister::kDiscard) {
        Add("reading from discard");
        valid = false;
    } else if (IsFinalRegister(written.reg)) {
        Add("final register used in general combiner");
        valid = false;
    }
    KERCComponent component = alphaPortion ? KERCComponent::kAlpha : KERCComponent::kRGB;
    if (written.hasComponent) {
        component = written.component;
        if (alphaPortion && component == KERCComponent::kRGB) {
            Add("rgb register used in alpha portion");
            valid = false;
        } else if (!alphaPortion && component == KERCComponent::kBlue) {
            Add("blue register used in rgb portion");
            valid = false;
        }
    }
    // The fog factor exists only for the final combiner.
    if (written.reg == KERCRegister::kFog && component == KERCComponent::kAlpha) {
        LineError(line, "fog alpha used in general combiner");
        valid = false;
    }
    using W = KERCWrittenInput;
    switch (written.mapping) {
        case W::kPlain: input->mapping = KERCMapping::kSignedIdentity; break;
        case W::kNegated: input->mapping = KERCMapping::kSignedNegate; break;
        case W::kExpand: input->mapping = KERCMapping::kExpandNormal; break;
        case W::kNegatedExpand: input->mapping = KERCMapping::kExpandNegate; break;
        case W::kHalfBias: input->mapping = KERCMapping::kHalfBiasNormal; break;
        case W::kNegatedHalfBias: input->mapping = KERCMapping::kHalfBiasNegate; break;
        case W::kUnsigned: input->mapping = KERCMapping::kUnsignedIdentity; break;
        case W::kUnsignedInvert: input->mapping = KERCMapping::kUnsignedInvert; break;
        case W::kNegatedUnsigned:
            LineError(line, "invalid input mapping");
            valid = false;
            break;
    }
    input->reg = written.reg;
    input->component = component;
    return valid;
}

void KECombinerParser::FinishPortion(KERCPortion* portion, const PortionState& state) {
    // A dot product cannot feed the sum or mux output: the statement that asked for it is dropped.
    if (state.sumSet && (portion->abDot || portion->cdDot)) {
        LineError(state.sumLine, "dot product cannot be summed or muxed");
        portion->sumOutput = KERCRegister::kDiscard;
        portion->mux = false;
    }
}
