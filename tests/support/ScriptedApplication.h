// The platform's application with a scripted clock, so that loop tests never sleep.
#pragma once

#include "FakeApplication.h"
#include "PlatformTest.h"

class ScriptedApplication : public PlatformApplication {
public:
    uint32_t GetTime() override { return clock.Read(); }
    void Wait(uint32_t ms) override { clock.Wait(ms); }
    ScriptedClock clock;
};
