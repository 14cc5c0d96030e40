// "Sine Wave" and "Binary operation". The arithmetic keeps the original's precision steps
// (a float angle, the sine in extended precision, the product rounded to float) so that the
// values land where the composition was tuned, e.g. 10 x sin(quarter period) reads 10.0.
#include "CGeneratorModifiers.h"

#include "CEffect.h"
#include "KLLog.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Slightly below 2 pi (bit pattern 40C90FD8); the composition's timings assume this value.
constexpr float kTwoPi = 6.283184f;

}  // namespace

// ---- Sine Wave ----

CSineWaveModifier::CSineWaveModifier() {
    SetInt(kPeriodParam, 1000);
    SetFloat(kAmplitudeParam, 10.0f);
    SetFloat(kOffsetParam, 0.0f);
    SetInt(kRampStartParam, 0);
    SetFloat(kSlopeParam, 0.25f);
    SetFloat(kRampOffsetParam, 0.0f);
}

float CSineWaveModifier::Sine() {
    const uint32_t elapsed = CEffect::GetDemoTime();
    const int32_t period = GetInt(kPeriodParam);
    const int32_t divisor = GetInt(kPeriodParam);
    if (period == 0 || divisor == 0) {
        // No oscillation without a period: answer the offset instead of dividing by zero.
        LogErrorOnce(&m_zeroPeriodReported, "Sine Wave: the period (integer 0) is 0; only the offset is output");
        return GetFloat(kOffsetParam);
    }
    const uint32_t phase = elapsed % static_cast<uint32_t>(period);
    const float angle = static_cast<float>(static_cast<long double>(static_cast<float>(phase)) /
                                           static_cast<long double>(static_cast<float>(divisor)) *
                                           static_cast<long double>(kTwoPi));
    const long double s = std::sin(static_cast<long double>(angle));
    const float product = static_cast<float>(static_cast<long double>(GetFloat(kAmplitudeParam)) * s);
    return product + GetFloat(kOffsetParam);
}

float CSineWaveModifier::Ramp() {
    // Before the ramp start the difference wraps to nearly 2^32: the ramp is not clamped.
    const uint32_t since = CEffect::GetDemoTime() - static_cast<uint32_t>(GetInt(kRampStartParam));
    const float x = static_cast<float>(since);
    return GetFloat(kSlopeParam) * x + GetFloat(kRampOffsetParam);
}

float CSineWaveModifier::GetFloat(int index) {
    if (index == kSineChannel) return Sine();
    if (index == kRampChannel) return Ramp();
    return CModifier::GetFloat(index);
}

int32_t CSineWaveModifier::GetInt(int index) {
    if (index != kSineChannel) return CModifier::GetInt(index);
    const float value = Sine();
    // Truncation toward zero; values no int32 can hold saturate rather than overflow.
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// ---- Binary operation ----

CBinaryOperationModifier::CBinaryOperationModifier() {
    SetFloat(0, 1.0f);
    SetFloat(1, 1.0f);
    SetInt(0, 1);
    SetInt(1, 1);
}

float CBinaryOperationModifier::GetFloat(int index) {
    if (index < 2 || index > 5) return CModifier::GetFloat(index);
    // Operands in a fixed order (float 0, then float 1): bound ones are evaluated anew.
    const float a = GetFloat(0);
    const float b = GetFloat(1);
    switch (index) {
        case 2: return a + b;
        case 3: return a - b;
        default: return a * b;  // 4 and 5: two product channels; there is no quotient
    }
}

// ---- builders ----

namespace {

constexpr uint8_t kOut = KDSParamInfo::kOutput;

const KDSParamInfo kSineWaveParams[] = {
    {KDSKind::Int, CSineWaveModifier::kPeriodParam, "period", "period of the sine, ms of demo time", "1000"},
    {KDSKind::Float, CSineWaveModifier::kAmplitudeParam, "amplitude", "amplitude of the sine", "10.0"},
    {KDSKind::Float, CSineWaveModifier::kOffsetParam, "offset", "added to the sine", "0.0"},
    {KDSKind::Int, CSineWaveModifier::kRampStartParam, "ramp-start",
     "demo time the ramp counts from, ms (earlier times wrap)", "0"},
    {KDSKind::Float, CSineWaveModifier::kSlopeParam, "slope", "growth of the ramp per ms", "0.25"},
    {KDSKind::Float, CSineWaveModifier::kRampOffsetParam, "ramp-offset", "added to the ramp", "0.0"},
    {KDSKind::Float, CSineWaveModifier::kSineChannel, "sine",
     "amplitude x sin(2 pi x (demo time mod period) / period) + offset", "", kOut, 1, "int.0 float.0 float.1"},
    {KDSKind::Int, CSineWaveModifier::kSineChannel, "sine-int", "the sine truncated toward zero", "", kOut, 1,
     "int.0 float.0 float.1"},
    {KDSKind::Float, CSineWaveModifier::kRampChannel, "ramp", "slope x (demo time - ramp start, ms) + ramp offset", "",
     kOut, 1, "int.3 float.4 float.5"},
};

const KDSParamInfo kBinaryOperationParams[] = {
    {KDSKind::Float, 0, "a", "first operand", "1.0"},
    {KDSKind::Float, 1, "b", "second operand", "1.0"},
    {KDSKind::Int, 0, "int-a", "not read by any output", "1"},
    {KDSKind::Int, 1, "int-b", "not read by any output", "1"},
    {KDSKind::Float, 2, "sum", "a + b", "", kOut, 1, "float.0 float.1"},
    {KDSKind::Float, 3, "difference", "a - b", "", kOut, 1, "float.0 float.1"},
    {KDSKind::Float, 4, "product", "a x b", "", kOut, 1, "float.0 float.1"},
    {KDSKind::Float, 5, "product-2", "a x b again: a second product channel, not a quotient", "", kOut, 1,
     "float.0 float.1"},
};

}  // namespace

KDSParamTable CSineWaveBuilder::GetParameters() { return MakeParamTable(kSineWaveParams); }

KDSParamTable CBinaryOperationBuilder::GetParameters() { return MakeParamTable(kBinaryOperationParams); }

CModifier* CSineWaveBuilder::Create() { return new CSineWaveModifier(); }

CModifier* CBinaryOperationBuilder::Create() { return new CBinaryOperationModifier(); }

void RegisterGeneratorBuilders() {
    // Stateless and needed for the whole run: one of each, never freed.
    static CSineWaveBuilder sineWave;
    static CBinaryOperationBuilder binaryOperation;
    KDSProvideModifierBuilder(&sineWave);
    KDSProvideModifierBuilder(&binaryOperation);
}
