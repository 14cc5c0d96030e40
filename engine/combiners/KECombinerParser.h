// The combiner script's parser: a recursive-descent reader of the text after the
// "!!RC1.0" header, with the language's checks. Valid statements fill a KECombinerSetup;
// a rejected statement adds its message and is skipped, and parsing goes on after it.
// The grammar nests to a fixed depth (stage, portion, statement), so the recursion is
// bounded whatever the text.
#pragma once

#include "KECombinerScanner.h"
#include "KECombinerSetup.h"

// Checks the text's header: a null text or one not starting with "!!RC1.0" adds its
// message and answers false. An RC1.0 text empties the message list and is parsed into
// `setup` (freshly constructed).
bool KECombinerParseText(const char* text, KECombinerSetup* setup);

// Parses `body` (NUL-terminated, the text after the header; line 1 is the header's) into
// `setup`, which should be freshly constructed.
void KECombinerParse(const char* body, KECombinerSetup* setup);

// Cuts a parsed set-up to what a back end can run, with the messages that say so.
void KECombinerApplyLimits(const KECombinerLimits& limits, KECombinerSetup* setup);

// An input as written, before it is checked for where it is used.
struct KERCWrittenInput {
    enum Mapping : uint8_t {
        kPlain,
        kNegated,
        kExpand,
        kNegatedExpand,
        kHalfBias,
        kNegatedHalfBias,
        kUnsigned,
        kUnsignedInvert,
        kNegatedUnsigned,  // no such mapping
    };
    KERCRegister reg = KERCRegister::kZero;
    Mapping mapping = kPlain;
    bool hasComponent = false;
    KERCComponent component = KERCComponent::kRGB;
};

class KECombinerParser {
public:
    KECombinerParser(const char* body, KECombinerSetup* setup);
    void Run();

private:
    // One general-combiner portion while it is read.
    struct PortionState {
        bool declared = false;
        int products = 0;
        bool sumSet = false;
        bool scaleSet = false;
        int sumLine = 0;
    };

    // Tokens.
    void Advance() { m_token = m_scanner.Next(); }
    bool Is(KERCTokenKind kind) const { return m_token.kind == kind; }
    bool IsWord(KERCWord word) const { return Is(KERCTokenKind::kWord) && m_token.word == word; }
    bool IsRegister(KERCRegister reg) const { return IsWord(KERCWord::kRegister) && m_token.reg == reg; }
    bool Accept(KERCTokenKind kind);
    // Consumes the token, or reports a syntax error and answers false.
    bool Expect(KERCTokenKind kind);
    void SyntaxError();
    void LineError(int line, const char* what);
    // Skips the rest of a broken statement: through the next ';', or to a '}' that closes
    // the enclosing block, skipping whole {...} blocks on the way.
    void Recover();

    // Structure.
    void ParseStage();
    bool ParsePortion(KERCStage* stage, PortionState states[2]);
    bool ParseConstant(bool local, KERCStage* stage);
    bool ParseInput(KERCWrittenInput* input);
    bool ParseRegister(KERCWrittenInput* input);

    // General combiner statements.
    bool ParseGeneralStatement(bool alphaPortion, KERCPortion* portion, PortionState* state);
    bool ParseScaleBias(KERCPortion* portion, PortionState* state);
    bool CheckGeneralInput(const KERCWrittenInput& written, bool alphaPortion, int line, KERCInput* input);
    bool CheckGeneralOutput(const KERCWrittenInput& written, bool alphaPortion, const KERCPortion& portion, int line);
    void FinishPortion(KERCPortion* portion, const PortionState& state);

    // Final combiner statements (KECombinerParser_final.cpp).
    bool ParseFinalProduct();
    bool ParseClampColorSum();
    bool ParseOut();
    bool ParseOutRgb(int line);
    bool ParseOutAlpha(int line);
    bool CheckFinalMapping(const KERCWrittenInput& written, int line, KERCInput* input);

    KECombinerScanner m_scanner;
    KECombinerSetup* m_setup;
    KERCToken m_token;
    int m_stagesSeen = 0;
    bool m_finalProductSet = false;
    bool m_finalProductUsed = false;
    bool m_outRgbSet = false;
    bool m_outAlphaSet = false;
};
