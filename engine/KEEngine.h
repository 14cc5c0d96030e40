// The rendering engine's root: a process-wide singleton that sets up the OpenGL state of
// the demo window, owns the render queue and the frame environment, and renders a frame
// on request: the frame listener fills the queue, the queue is replayed under the current
// camera and view, GL errors are checked and the frame is presented.
//
// It is a listener of its window: attaching it creates the window's OpenGL context, and
// closing the window (or the quit event) releases context and window once. Main thread only.
#pragma once

#include "KEDataCache.h"
#include "KEEnvironment.h"
#include "KEMath.h"
#include "KEMipmap.h"
#include "KERenderQueue.h"
#include "KEStateCache.h"
#include "KLWindowListener.h"

#include <cstdint>
#include <deque>
#include <unordered_set>

class KECamera;
class KEFrameListener;
class KETexture;

class KEEngine : public KL::WindowListener {
public:
    // The singleton, created on the first call and never destroyed.
    static KEEngine* GetEngine();

    KEEngine();

    void SetView(KECamera* view) { m_view = view; }
    void SetCamera(KECamera* camera) { m_camera = camera; }
    void SetFrameListener(KEFrameListener* listener) { m_frameListener = listener; }
    KECamera* GetView() const { return m_view; }
    KECamera* GetCamera() const { return m_camera; }

    // Resets the render queue's template and returns the queue.
    KERenderQueue* BeginItem(bool loadModelview, bool loadProjection);
    KERenderQueue& GetQueue() { return m_queue; }
    KEEnvironment* GetLighting() { return &m_environment; }

    int32_t GetTriangleCount() const { return m_lastTriangles; }
    float GetFPS() const { return m_fps; }
    bool IsReady() const { return m_ready; }
    int32_t GetFrameCount() const { return m_frames; }

    // One whole frame: listener, replay, statistics. False when the listener or the replay
    // failed; a failed frame is not presented.
    bool RenderFrame();
    // Inside the listener: finishes the frame built so far as RenderFrame would (replay,
    // presentation, statistics) and opens the next one in the same call; for a frame drawn
    // just before the one being stepped (a seek's last step).
    bool RenderFrameAhead();
    // The statistics of a frame stepped but not drawn (a seek): it counts toward the frames
    // per second; the triangle count stays the last drawn frame's.
    void CountSkippedFrame();
    // Starts the frames-per-second measure afresh at the application time now (a seek
    // steps through earlier times), and moves its reference by `milliseconds` (the
    // application time jumped back to the platform's after a seek).
    void RestartStatistics();
    void ShiftStatisticsClock(uint32_t milliseconds) { m_referenceTime += milliseconds; }
    // Draws what was submitted so far under the current camera and view. The buffers are
    // cleared only by the first replay of a frame, and only the frame's last replay (the
    // one RenderFrame makes after the listener) flushes and, unless presenting is off,
    // presents. False on a GL error.
    bool ReplayQueue();

    void OnAttach() override;
    void OnResize(int32_t width, int32_t height) override;
    void OnClose() override { Release(); }
    void OnQuit() override { Release(); }

    // Scene textures waiting to be loaded by the timeline (not owned). Scenes queue each
    // texture at the front; the timeline takes from the front. Null is ignored.
    void QueuePendingTexture(KETexture* texture) {
        if (texture) m_pendingTextures.push_front(texture);
    }
    // The first pending texture, removed from the queue; null when none waits.
    KETexture* TakePendingTexture();
    // Scratch memory for the mipmap chains of the pending textures, loaded one after
    // another: kept from one texture to the next.
    KEMipmapBuilder& GetMipmapBuilder() { return m_mipmapBuilder; }
    bool HasPendingTextures() const { return !m_pendingTextures.empty(); }

    // Scene files, font descriptions and decoded images already read, for loaders to take
    // again instead of reading unchanged files from disk.
    KEDataCache& GetDataCache() { return m_dataCache; }

    // Items send only what changed since the previous item (on by default). Switched off,
    // every item sends all of its state; the pictures are the same.
    void SetStateCacheEnabled(bool enabled) { m_stateCache.SetEnabled(enabled); }
    bool IsStateCacheEnabled() const { return m_stateCache.IsEnabled(); }

    // The GL name of a GL error, as traced.
    static const char* ErrorName(GLenum error);

private:
    // The two halves of a frame around the listener's call.
    void OpenFrame();
    bool CloseFrame();
    void Release();
    void ReplayItem(const KERenderItem& item);

    KECamera* m_view = nullptr;
    KECamera* m_camera = nullptr;
    KEFrameListener* m_frameListener = nullptr;
    int32_t m_frames = 0;
    float m_fps = 0.0f;
    KERenderQueue m_queue;
    KEEnvironment m_environment;
    bool m_ready = false;
    int32_t m_lastTriangles = 0;
    int32_t m_currentTriangles = 0;
    bool m_releasing = false;
    // Attached to a window that has not been released yet (whether or not GL came up).
    bool m_attached = false;

    // Frame-rate measurement: application time and frame count at the last measurement.
    bool m_referenceTaken = false;
    uint32_t m_referenceTime = 0;
    int32_t m_referenceFrames = 0;

    // Per-frame state: the buffers were cleared in this frame; the next replay is the
    // frame's last.
    bool m_cleared = false;
    bool m_frameClosed = false;

    // Captured once per replay.
    KEMatrix4 m_cameraProjection{};
    KEMatrix4 m_cameraModelview{};
    KEStateCache m_stateCache;
    GLuint m_fence;
    std::deque<KETexture*> m_pendingTextures;
    KEMipmapBuilder m_mipmapBuilder;
    KEDataCache m_dataCache;
    // Streams already warned about drawing without a material (one box each).
    std::unordered_set<const void*> m_noMaterialReported;
};
