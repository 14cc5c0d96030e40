// "MAX 4.2 Exported 3d Scene": plays an exported scene in step with the timeline. Every
// frame it flies its camera along the scene's sampled path, sets up the scene's lights and
// submits every object at the current animation time. The view and projection it sets stay
// the engine's for the rest of the step, so effects framed after it see through its camera.
//
// Parameters: string 1 the scene file; floats 0, 1, 2 an offset added to the camera
// position and float 3 one added to the field of view. Outputs: floats 4, 5, 6 and vector
// 7, the camera position of the last frame.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"
#include "KECamera.h"
#include "KEScene.h"

#include <cstdint>

class KEEnvironment;

class CScenePlayer : public CEffect {
public:
    // The frame rates it plays: whole milliseconds per frame.
    static constexpr int32_t kMinFramesPerSecond = 1;
    static constexpr int32_t kMaxFramesPerSecond = 1000;

    CScenePlayer() = default;

    float GetFloat(int index) override;
    KEVector3* GetVector(KEVector3* out, int index) override;
    // Loads string 1; "Error cargando escena" and false when it cannot, or when the scene's
    // frame rate is outside 1 to 1000.
    bool Load() override;
    // False only for a scene without camera records ("Error, no existe camara en la escena.").
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // The camera output of the step, without the engine's camera, lights or drawing.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override;

    // Where a local time falls in a scene of `frames` frames at `fps`: the camera record i
    // and the time t in frames (i plus the fraction of the frame). The path loops every
    // frames - 1 frames; a single record holds still.
    static void FrameAt(uint32_t localTime, int32_t fps, int32_t frames, uint32_t* i, float* t);

    // The projection every scene player shares.
    static KECamera& SharedProjection();

    KEScene& GetScene() { return m_scene; }
    KECamera& GetView() { return m_view; }

private:
    // The camera at a local time: the time in frames, position and rotation with the
    // offsets, and the field of view. Needs camera records.
    void PoseAt(uint32_t localTime, float* t, KEVector3* position, KEVector3* rotation, float* fov);

    KEScene m_scene;
    KECamera m_view;
    KEEnvironment* m_lighting = nullptr;
    KEVector3 m_cameraOut{0.0f, 0.0f, 0.0f};
    bool m_noCameraReported = false;
};

class CScenePlayerBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "MAX 4.2 Exported 3d Scene"; }
    const char* GetDescription() override { return "This effect plays an animation created in 3d Studio MAX 4.2"; }
};

// Provides the scene player's builder to the demo system's catalog.
void RegisterScenePlayerBuilder();
