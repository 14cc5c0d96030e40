// The final combiner statements: final_product, clamp_color_sum(), out.rgb and out.a,
// with their checks. out.rgb takes the forms the final combiner can compute,
// A B + (1 - A) C + D: "X", "X * Y", "X * Y + Z", "lerp(X, Y, Z)", "lerp(X, Y, Z) + W" and
// "X * Y + unsigned_invert(X) * Z [+ W]".
#include "KECombinerMessages.h"
#include "KECombinerParser.h"

namespace {

using KECombinerMessages::Add;
using W = KERCWrittenInput;

struct Term {
    enum Kind { kSingle, kProduct, kLerp } kind = kSingle;
    W in[3];
};

bool IsIdentity(const W& w) { return w.mapping == W::kPlain || w.mapping == W::kUnsigned; }

bool SameSource(const W& x, const W& y) {
    const KERCComponent cx = x.hasComponent ? x.component : KERCComponent::kRGB;
    const KERCComponent cy = y.hasComponent ? y.component : KERCComponent::kRGB;
    return x.reg == y.reg && cx == cy;
}

// Finds A, B, C in "A * B + unsigned_invert(A) * C" (either order, either factor).
bool MatchLerpProducts(const Term& p, const Term& q, W abc[3]) {
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const W& a = p.in[i];
            const W& inverted = q.in[j];
            if (IsIdentity(a) && inverted.mapping == W::kUnsignedInvert && SameSource(a, inverted)) {
                abc[0] = a;
                abc[1] = p.in[1 - i];
                abc[2] = q.in[1 - j];
                return true;
            }
        }
    }
    return false;
}

// The variables A, B, C, D for a list of terms; false when the final combiner cannot
// compute that sum.
bool ResolveTerms(const Term* terms, int count, W variables[4]) {
    const Term* products[2] = {nullptr, nullptr};
    const Term* lerp = nullptr;
    const Term* single = nullptr;
    int productCount = 0;
    for (int i = 0; i < count; ++i) {
        const Term& t = terms[i];
        if (t.kind == Term::kSingle) {
            if (single) return false;
            single = &t;
        } else if (t.kind == Term::kLerp) {
            if (lerp) return false;
            lerp = &t;
        } else {
            if (productCount == 2) return false;
            products[productCount++] = &t;
        }
    }
    if (single) variables[3] = single->in[0];
    if (lerp) {
        if (productCount) return false;
        for (int i = 0; i < 3; ++i) variables[i] = lerp->in[i];
        return true;
    }
    if (productCount == 2) {
        W abc[3];
        const bool matched =
            MatchLerpProducts(*products[0], *products[1], abc) || MatchLerpProducts(*products[1], *products[0], abc);
        if (!matched) return false;
        for (int i = 0; i < 3; ++i) variables[i] = abc[i];
        return true;
    }
    if (productCount == 1) {
        variables[0] = products[0]->in[0];
        variables[1] = products[0]->in[1];
    }
    return productCount == 1 || single;
}

}  // namespace

bool KECombinerParser::CheckFinalMapping(const W& written, int line, KERCInput* input) {
    input->reg = written.reg;
    if (IsIdentity(written)) {
        input->mapping = KERCMapping::kUnsignedIdentity;
    } else if (written.mapping == W::kUnsignedInvert) {
        input->mapping = KERCMapping::kUnsignedInvert;
    } else {
        LineError(line, "invalid input mapping in final combiner");
        return false;
    }
    return true;
}

bool KECombinerParser::ParseFinalProduct() {
    const int line = m_token.line;
    Advance();
    W x, y;
    if (!Expect(KERCTokenKind::kAssign) || !ParseInput(&x) || !Expect(KERCTokenKind::kStar) || !ParseInput(&y) ||
        !Expect(KERCTokenKind::kSemicolon)) {
        return false;
    }
    bool valid = true;
    KERCInput inputs[2];
    const W* written[2] = {&x, &y};
    for (int i = 0; i < 2; ++i) {
        const W& w = *written[i];
        if (w.reg == KERCRegister::kDiscard || w.reg == KERCRegister::kFinalProduct ||
            w.reg == KERCRegister::kColorSum) {
            Add("invalid input register for final_product");
            valid = false;
        }
        if (w.hasComponent && w.component == KERCComponent::kBlue) {
            Add("blue register used in final_product");
            valid = false;
        }
        valid = CheckFinalMapping(w, line, &inputs[i]) && valid;
        inputs[i].component = w.hasComponent ? w.component : KERCComponent::kRGB;
    }
    if (m_finalProductSet) {
        LineError(line, "final_product set twice");
        return true;
    }
    m_finalProductSet = true;
    if (valid) {
        m_setup->final.e = inputs[0];
        m_setup->final.f = inputs[1];
    }
    return true;
}

bool KECombinerParser::ParseClampColorSum() {
    Advance();
    if (!Expect(KERCTokenKind::kLParen) || !Expect(KERCTokenKind::kRParen) || !Expect(KERCTokenKind::kSemicolon)) {
        return false;
    }
    m_setup->final.clampColorSum = true;
    return true;
}

bool KECombinerParser::ParseOut() {
    const int line = m_token.line;
    Advance();
    if (!Is(KERCTokenKind::kComponent) || m_token.component == KERCComponent::kBlue) {
        SyntaxError();
        return false;
    }
    const bool rgb = m_token.component == KERCComponent::kRGB;
    Advance();
    if (!Expect(KERCTokenKind::kAssign)) return false;
    return rgb ? ParseOutRgb(line) : ParseOutAlpha(line);
}

bool KECombinerParser::ParseOutRgb(int line) {
    constexpr int kMaxTerms = 4;
    Term terms[kMaxTerms];
    int count = 0;
    bool tooMany = false;
    do {
        Term term;
        if (IsWord(KERCWord::kLerp)) {
            term.kind = Term::kLerp;
            Advance();
            if (!Expect(KERCTokenKind::kLParen)) return false;
            for (int i = 0; i < 3; ++i) {
                if ((i > 0 && !Expect(KERCTokenKind::kComma)) || !ParseInput(&term.in[i])) return false;
            }
            if (!Expect(KERCTokenKind::kRParen)) return false;
        } else {
            if (!ParseInput(&term.in[0])) return false;
            if (Accept(KERCTokenKind::kStar)) {
                term.kind = Term::kProduct;
                if (!ParseInput(&term.in[1])) return false;
            }
        }
        if (count < kMaxTerms) {
            terms[count++] = term;
        } else {
            tooMany = true;
        }
    } while (Accept(KERCTokenKind::kPlus));
    if (!Expect(KERCTokenKind::kSemicolon)) return false;

    W variables[4];
    if (tooMany || !ResolveTerms(terms, count, variables)) {
        LineError(line, "unsupported expression for out.rgb");
        return true;
    }
    bool valid = true;
    KERCInput inputs[4];
    for (int i = 0; i < 4; ++i) {
        const W& w = variables[i];
        const KERCComponent component = w.hasComponent ? w.component : KERCComponent::kRGB;
        const bool special = w.reg == KERCRegister::kFinalProduct || w.reg == KERCRegister::kColorSum;
        // A cannot read the colour sum; the two special registers have no alpha.
        if (w.reg == KERCRegister::kDiscard || (i == 0 && w.reg == KERCRegister::kColorSum) ||
            (special && component == KERCComponent::kAlpha)) {
            Add("invalid input register for final rgb");
            valid = false;
        }
        if (component == KERCComponent::kBlue) {
            Add("blue register used in final rgb");
            valid = false;
        }
        if (w.reg == KERCRegister::kFinalProduct) m_finalProductUsed = true;
        valid = CheckFinalMapping(w, line, &inputs[i]) && valid;
        inputs[i].component = component;
    }
    if (m_outRgbSet) {
        LineError(line, "out.rgb set twice");
        return true;
    }
    m_outRgbSet = true;
    if (valid) {
        KERCFinal& final = m_setup->final;
        final.a = inputs[0];
        final.b = inputs[1];
        final.c = inputs[2];
        final.d = inputs[3];
    }
    return true;
}

bool KECombinerParser::ParseOutAlpha(int line) {
    W x;
    if (!ParseInput(&x) || !Expect(KERCTokenKind::kSemicolon)) return false;
    bool valid = true;
    if (x.reg == KERCRegister::kDiscard || x.reg == KERCRegister::kFinalProduct || x.reg == KERCRegister::kColorSum ||
        (x.hasComponent && x.component == KERCComponent::kBlue)) {
        Add("invalid input register for final alpha");
        valid = false;
    }
    if (x.hasComponent && x.component == KERCComponent::kRGB) {
        Add("rgb register used in final alpha");
        valid = false;
    }
    KERCInput input;
    valid = CheckFinalMapping(x, line, &input) && valid;
    input.component = KERCComponent::kAlpha;
    if (m_outAlphaSet) {
        LineError(line, "out.a set twice");
        return true;
    }
    m_outAlphaSet = true;
    if (valid) m_setup->final.g = input;
    return true;
}
