// The motion capture effect without a capture source: its parameter behaviour only.
#include "CMotionCaptureEffect.h"

#include "KLLog.h"

#include <cmath>
#include <limits>

CMotionCaptureEffect::CMotionCaptureEffect() { LogMessage("Motion capture should not be present in RELEASE build"); }

int32_t CMotionCaptureEffect::GetInt(int index) {
    const float value = GetFloat(index);
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

bool CMotionCaptureEffect::Frame(uint32_t, uint32_t, int32_t) { return true; }

namespace {

// Every integer index answers, 255 included: one run over the whole bank.
const KDSParamInfo kMotionCaptureParams[] = {
    {KDSKind::Int, 0, "truncated", "the float of the same index truncated toward zero (NaN 0, saturating)", "",
     KDSParamInfo::kOutput, CParamObject::kParams, "float.@"},
};

}  // namespace

KDSParamTable CMotionCaptureBuilder::GetParameters() { return MakeParamTable(kMotionCaptureParams); }

CEffect* CMotionCaptureBuilder::Create() { return new CMotionCaptureEffect(); }

void RegisterMotionCaptureBuilder() {
    static CMotionCaptureBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
