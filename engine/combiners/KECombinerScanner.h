// The combiner script's scanner: turns the text after the "!!RC1.0" header into tokens,
// counting lines. It stops at the text's closing NUL and never reads past it. Characters
// and words it cannot read are reported ("error on line %d: unrecognized token") and
// skipped, as is an unclosed comment ("end-of-file in comment").
#pragma once

#include "KECombinerSetup.h"

enum class KERCTokenKind : uint8_t {
    kEnd,
    kNumber,
    kWord,       // a keyword or register name, see KERCWord
    kComponent,  // a ".rgb", ".a" or ".b" suffix
    kLBrace,
    kRBrace,
    kLParen,
    kRParen,
    kSemicolon,
    kComma,
    kAssign,
    kStar,
    kDot,
    kPlus,
    kMinus,
};

enum class KERCWord : uint8_t {
    kRgb,
    kAlpha,
    kRegister,  // a register's name: the token's `reg` says which
    kOut,
    kExpand,
    kHalfBias,
    kUnsigned,
    kUnsignedInvert,
    kMux,
    kSum,
    kScaleByTwo,
    kScaleByFour,
    kScaleByOneHalf,
    kBiasByNegativeOneHalf,
    kBiasByNegativeOneHalfScaleByTwo,
    kClampColorSum,
    kLerp,
};

struct KERCToken {
    KERCTokenKind kind = KERCTokenKind::kEnd;
    int line = 1;
    KERCWord word = KERCWord::kRgb;                    // kWord
    KERCRegister reg = KERCRegister::kZero;            // kWord kRegister
    KERCComponent component = KERCComponent::kRGB;     // kComponent
    float number = 0.0f;                               // kNumber, finite
};

class KECombinerScanner {
public:
    // `text` is NUL-terminated and outlives the scanner; `line` is the line it starts on.
    KECombinerScanner(const char* text, int line);

    // The next token; kEnd for good once the text is used up.
    KERCToken Next();

private:
    void SkipSpaceAndComments();
    KERCToken ReadWord();
    KERCToken ReadNumber();
    KERCToken Make(KERCTokenKind kind) const;

    const char* m_at;
    int m_line;
};
