// The effect base: local time on integer parameter 255, and the do-nothing timeline
// operations that effects override.
#include "CEffect.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"

void CEffect::SetDemoStartSource(uint32_t (*source)()) { s_demoStartSource = source; }

uint32_t CEffect::GetDemoStartTime() { return s_demoStartSource ? s_demoStartSource() : 0; }

uint32_t CEffect::GetDemoTime() { return KL::ApplicationTime() - GetDemoStartTime(); }

int32_t CEffect::GetInt(int index) {
    if (index == LOCAL_TIME_PARAM) {
        // Unsigned throughout: before the effect's start this wraps to a large value, which
        // reads back as a negative local time.
        return static_cast<int32_t>(KL::ApplicationTime() - GetDemoStartTime() - m_start);
    }
    return CParamObject::GetInt(index);
}

bool CEffect::Frame(uint32_t, uint32_t, int32_t) { return true; }

bool CEffect::Advance(uint32_t, uint32_t, int32_t) { return true; }

bool CEffect::Start() { return true; }

bool CEffect::Stop() { return true; }
