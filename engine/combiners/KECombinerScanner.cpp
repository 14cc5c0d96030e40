#include "KECombinerScanner.h"

#include "KECombinerMessages.h"

#include <cmath>
#include <cstring>

namespace {

struct WordName {
    const char* text;
    KERCWord word;
    KERCRegister reg;  // for KERCWord::kRegister
};

constexpr KERCWord kReg = KERCWord::kRegister;

const WordName kWords[] = {
    {"rgb", KERCWord::kRgb, KERCRegister::kZero},
    {"alpha", KERCWord::kAlpha, KERCRegister::kZero},
    {"const0", kReg, KERCRegister::kConst0},
    {"const1", kReg, KERCRegister::kConst1},
    {"zero", kReg, KERCRegister::kZero},
    {"fog", kReg, KERCRegister::kFog},
    {"col0", kReg, KERCRegister::kCol0},
    {"col1", kReg, KERCRegister::kCol1},
    {"tex0", kReg, KERCRegister::kTex0},
    {"tex1", kReg, KERCRegister::kTex1},
    {"tex2", kReg, KERCRegister::kTex2},
    {"tex3", kReg, KERCRegister::kTex3},
    {"spare0", kReg, KERCRegister::kSpare0},
    {"spare1", kReg, KERCRegister::kSpare1},
    {"discard", kReg, KERCRegister::kDiscard},
    {"final_product", kReg, KERCRegister::kFinalProduct},
    {"color_sum", kReg, KERCRegister::kColorSum},
    {"spare0_plus_secondary_color", kReg, KERCRegister::kColorSum},
    {"out", KERCWord::kOut, KERCRegister::kZero},
    {"expand", KERCWord::kExpand, KERCRegister::kZero},
    {"half_bias", KERCWord::kHalfBias, KERCRegister::kZero},
    {"unsigned", KERCWord::kUnsigned, KERCRegister::kZero},
    {"unsigned_invert", KERCWord::kUnsignedInvert, KERCRegister::kZero},
    {"mux", KERCWord::kMux, KERCRegister::kZero},
    {"sum", KERCWord::kSum, KERCRegister::kZero},
    {"scale_by_two", KERCWord::kScaleByTwo, KERCRegister::kZero},
    {"scale_by_four", KERCWord::kScaleByFour, KERCRegister::kZero},
    {"scale_by_one_half", KERCWord::kScaleByOneHalf, KERCRegister::kZero},
    {"bias_by_negative_one_half", KERCWord::kBiasByNegativeOneHalf, KERCRegister::kZero},
    {"bias_by_negative_one_half_scale_by_two", KERCWord::kBiasByNegativeOneHalfScaleByTwo, KERCRegister::kZero},
    {"clamp_color_sum", KERCWord::kClampColorSum, KERCRegister::kZero},
    {"lerp", KERCWord::kLerp, KERCRegister::kZero},
};

struct ComponentName {
    const char* text;
    KERCComponent component;
};

const ComponentName kComponents[] = {
    {"rgb", KERCComponent::kRGB},  {"a", KERCComponent::kAlpha},    {"alpha", KERCComponent::kAlpha},
    {"b", KERCComponent::kBlue},   {"blue", KERCComponent::kBlue},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c); }

size_t WordLength(const char* at) {
    size_t n = 0;
    while (IsWordChar(at[n])) ++n;
    return n;
}

bool Matches(const char* at, size_t length, const char* name) {
    return std::strlen(name) == length && std::strncmp(at, name, length) == 0;
}

// Numbers beyond this are of no use to a colour and are held there, so that every value
// the parser sees is finite.
constexpr double kNumberLimit = 1e30;

}  // namespace

KECombinerScanner::KECombinerScanner(const char* text, int line) : m_at(text ? text : ""), m_line(line) {}

KERCToken KECombinerScanner::Make(KERCTokenKind kind) const {
    KERCToken token;
    token.kind = kind;
    token.line = m_line;
    return token;
}

void KECombinerScanner::SkipSpaceAndComments() {
    for (;;) {
        const char c = *m_at;
        if (c == '\n') {
            ++m_line;
            ++m_at;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++m_at;
        } else if (c == '/' && m_at[1] == '/') {
            while (*m_at && *m_at != '\n') ++m_at;
        } else if (c == '#') {
            while (*m_at && *m_at != '\n') ++m_at;
        } else if (c == '/' && m_at[1] == '*') {
            m_at += 2;
            while (*m_at && !(m_at[0] == '*' && m_at[1] == '/')) {
                if (*m_at == '\n') ++m_line;
                ++m_at;
            }
            if (!*m_at) {
                KECombinerMessages::AddLineError(m_line, "end-of-file in comment");
                return;
            }
            m_at += 2;
        } else {
            return;
        }
    }
}

KERCToken KECombinerScanner::Next() {
    for (;;) {
        SkipSpaceAndComments();
        const char c = *m_at;
        if (!c) return Make(KERCTokenKind::kEnd);
        if (IsWordStart(c)) {
            KERCToken token = ReadWord();
            if (token.kind != KERCTokenKind::kEnd) return token;
            continue;  // an unknown word, reported and skipped
        }
        if (IsDigit(c) || (c == '.' && IsDigit(m_at[1]))) return ReadNumber();
        KERCTokenKind kind;
        switch (c) {
            case '{': kind = KERCTokenKind::kLBrace; break;
            case '}': kind = KERCTokenKind::kRBrace; break;
            case '(': kind = KERCTokenKind::kLParen; break;
            case ')': kind = KERCTokenKind::kRParen; break;
            case ';': kind = KERCTokenKind::kSemicolon; break;
            case ',': kind = KERCTokenKind::kComma; break;
            case '=': kind = KERCTokenKind::kAssign; break;
            case '*': kind = KERCTokenKind::kStar; break;
            case '+': kind = KERCTokenKind::kPlus; break;
            case '-': kind = KERCTokenKind::kMinus; break;
            case '.': {
                // A suffix names a component; any other '.' is the dot product.
                const size_t length = WordLength(m_at + 1);
                for (const ComponentName& name : kComponents) {
                    if (length && Matches(m_at + 1, length, name.text)) {
                        KERCToken token = Make(KERCTokenKind::kComponent);
                        token.component = name.component;
                        m_at += 1 + length;
                        return token;
                    }
                }
                kind = KERCTokenKind::kDot;
                break;
            }
            default:
                KECombinerMessages::AddLineError(m_line, "unrecognized token");
                ++m_at;
                continue;
        }
        ++m_at;
        return Make(kind);
    }
}

KERCToken KECombinerScanner::ReadWord() {
    const size_t length = WordLength(m_at);
    const char* start = m_at;
    m_at += length;
    for (const WordName& name : kWords) {
        if (Matches(start, length, name.text)) {
            KERCToken token = Make(KERCTokenKind::kWord);
            token.word = name.word;
            token.reg = name.reg;
            return token;
        }
    }
    KECombinerMessages::AddLineError(m_line, "unrecognized token");
    return Make(KERCTokenKind::kEnd);
}

KERCToken KECombinerScanner::ReadNumber() {
    // Read by hand rather than with strtod, whose decimal point follows the locale.
    double mantissa = 0.0;
    int exponent = 0;
    int significant = 0;
    for (; IsDigit(*m_at); ++m_at) {
        if (significant < 18) {
            mantissa = mantissa * 10.0 + (*m_at - '0');
            if (mantissa > 0.0) ++significant;
        } else {
            ++exponent;
        }
    }
    if (*m_at == '.') {
        for (++m_at; IsDigit(*m_at); ++m_at) {
            if (significant < 18) {
                mantissa = mantissa * 10.0 + (*m_at - '0');
                if (mantissa > 0.0) ++significant;
                --exponent;
            }
        }
    }
    if ((*m_at == 'e' || *m_at == 'E') &&
        (IsDigit(m_at[1]) || ((m_at[1] == '+' || m_at[1] == '-') && IsDigit(m_at[2])))) {
        ++m_at;
        const bool negative = *m_at == '-';
        if (*m_at == '+' || *m_at == '-') ++m_at;
        int written = 0;
        for (; IsDigit(*m_at); ++m_at) {
            if (written < 10000) written = written * 10 + (*m_at - '0');
        }
        exponent += negative ? -written : written;
    }
    double value = 0.0;
    if (mantissa > 0.0) {
        if (exponent > 60) exponent = 60;
        if (exponent < -400) exponent = -400;
        value = mantissa * std::pow(10.0, exponent);
        if (!(value < kNumberLimit)) value = kNumberLimit;
    }
    KERCToken token = Make(KERCTokenKind::kNumber);
    token.number = static_cast<float>(value);
    return token;
}
