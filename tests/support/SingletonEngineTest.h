// The process's engine singleton attached to a headless GL window of Width x Height, for
// tests of the effects and parts that draw through KEEngine::GetEngine(). Each test starts
// with an empty queue and no frame listener, and leaves no view, camera, lights, queued
// items, extension table, VAR blocks or GL errors behind for the next.
#pragma once

#include "GLTestContext.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEVarMemory.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

template <int Width, int Height>
class SingletonEngineTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_TRUE(gl.Ready());
        KEExtensions::SetInstance(nullptr);
        gl.Window()->AddListener(engine);
        ASSERT_TRUE(engine->IsReady());
        engine->SetFrameListener(nullptr);
        engine->GetQueue().Clear();
    }
    void TearDown() override {
        // The tests' cameras die with them; the engine outlives them.
        engine->SetView(nullptr);
        engine->SetCamera(nullptr);
        engine->GetLighting()->EnablePresent();
        engine->GetLighting()->ClearLights();
        engine->GetQueue().Clear();
        engine->OnClose();
        KEExtensions::SetInstance(nullptr);
        KEVarMemory::GetInstance()->Reset();
        // Bounded: without a current context some systems report an error on every call.
        for (int flag = 0; flag < 32 && glGetError() != GL_NO_ERROR; ++flag) {
        }
        TempDirTest::TearDown();
    }

    GLTestContext gl{Width, Height};
    KEEngine* engine = KEEngine::GetEngine();
};
