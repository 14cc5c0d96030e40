#include "KEEngine.h"

#include "KECamera.h"
#include "KECombinerCompiler.h"
#include "KEExtensions.h"
#include "KEFrameListener.h"
#include "KEMaterial.h"
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLAppWindow.h"
#include "KLLog.h"

#include <GL/glext.h>

namespace {

KEEngine* CreateEngine() { return new KEEngine(); }

}  // namespace

KEEngine* KEEngine::GetEngine() { return KLAbstractFactory<KEEngine>::CreateInstance(&CreateEngine); }

KEEngine::KEEngine() : m_fence(kNoFence) { KEInstallCombinerCompiler(); }

KERenderQueue* KEEngine::BeginItem(bool loadModelview, bool loadProjection) {
    return m_queue.BeginItem(loadModelview, loadProjection);
}

void KEEngine::OnAttach() {
    KL::Window* window = GetOwner();
    // Even a failed preparation may leave a window (and a context) behind for Release.
    m_attached = window != nullptr;
    m_ready = window && window->PrepareForOpenGL();
    if (!m_ready) {
        LogError("KestEngine2: Error inicializando OpenGL");
        return;
    }
    int32_t width = 0;
    int32_t height = 0;
    window->GetClientSize(&width, &height);
    OnResize(width, height);
    // A new context knows nothing of what an earlier one was sent.
    m_stateCache.Reset();
    glEnable(GL_DEPTH_TEST);
    glFrontFace(GL_CW);
    // Materials and draw calls switch texture units through it; without it they use unit 0
    // alone and draw first layers only.
    if (!KEExtensions::GetInstance()->glActiveTextureARB) {
        LogError("KestEngine2: the driver lacks GL_ARB_multitexture, which the engine needs; only first texture "
                 "layers are drawn");
    }
}

void KEEngine::OnResize(int32_t width, int32_t height) {
    m_queue.SetViewport(static_cast<float>(width), static_cast<float>(height));
    // Without a context (a resize before attaching or after release) there is nothing to set.
    if (m_ready) glViewport(0, 0, width, height);
}

void KEEngine::Release() {
    if (m_releasing) return;
    m_releasing = true;
    m_ready = false;
    KL::Window* window = GetOwner();
    if (window && m_attached) {
        m_attached = false;
        window->ReleaseOpenGL();
        window->ReleaseWindow();
    }
    m_releasing = false;
}

KETexture* KEEngine::TakePendingTexture() {
    if (m_pendingTextures.empty()) return nullptr;
    KETexture* texture = m_pendingTextures.front();
    m_pendingTextures.pop_front();
    return texture;
}

const char* KEEngine::ErrorName(GLenum error) {
    switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "Unknown error";
    }
}

bool KEEngine::RenderFrame() {
    if (!m_referenceTaken) RestartStatistics();
    OpenFrame();
    if (m_frameListener && !m_frameListener->OnRender()) return false;
    return CloseFrame();
}

bool KEEngine::RenderFrameAhead() {
    const bool closed = CloseFrame();
    OpenFrame();
    return closed;
}

void KEEngine::RestartStatistics() {
    m_referenceTaken = true;
    m_referenceTime = KL::ApplicationTime();
    m_referenceFrames = m_frames;
}

void KEEngine::OpenFrame() {
    m_currentTriangles = 0;
    m_cleared = false;
    m_frameClosed = false;
}

bool KEEngine::CloseFrame() {
    m_frameClosed = true;
    const bool replayed = ReplayQueue();
    m_frameClosed = false;
    if (!replayed) return false;
    m_lastTriangles = m_currentTriangles;
    CountSkippedFrame();
    return true;
}

void KEEngine::CountSkippedFrame() {
    ++m_frames;
    const uint32_t now = KL::ApplicationTime();
    const uint32_t elapsed = now - m_referenceTime;
    if (elapsed < 1000) return;
    m_fps = static_cast<float>(m_frames - m_referenceFrames) / (static_cast<float>(elapsed) * 0.001f);
    m_referenceTime = now;
    m_referenceFrames = m_frames;
}

void KEEngine::ReplayItem(const KERenderItem& item) {
    KEStateCache& cache = m_stateCache;
    const bool ownProjection = item.projection.GetCount() != 0;
    const bool setsModelview = item.loadCameraModelview || item.modelview.GetCount() != 0;
    if (item.loadCameraProjection) {
        if (!cache.HasCameraProjection()) {
            cache.MatrixMode(GL_PROJECTION);
            glLoadMatrixf(m_cameraProjection.m);
        } else if (!setsModelview && !ownProjection) {
            // The projection holds the camera's already; only the matrix mode is left as
            // the reload would leave it.
            cache.MatrixMode(GL_PROJECTION);
        }
    }
    if (item.loadCameraModelview) {
        cache.MatrixMode(GL_MODELVIEW);
        glLoadMatrixf(m_cameraModelview.m);
    }
    if (ownProjection) {
        cache.MatrixMode(GL_PROJECTION);
        item.projection.ReplaySteps();
        cache.SetCameraProjection(false);
    } else if (item.loadCameraProjection) {
        cache.SetCameraProjection(true);
    }
    if (item.modelview.GetCount() != 0) {
        cache.MatrixMode(GL_MODELVIEW);
        item.modelview.ReplaySteps();
    }

    const KERenderState& state = item.state;
    if (state.clearDepth) glClear(GL_DEPTH_BUFFER_BIT);
    cache.DepthMask(state.depthWrite);
    cache.DepthFunc(state.depthFunc);
    cache.Cull(state.cull);
    if (state.material) {
        state.material->Apply(item.drawCall, m_cameraModelview, cache);
    } else {
        // Reported once per stream: the same warning every frame would stop the show.
        bool shown = !m_noMaterialReported.insert(item.drawCall.stream).second;
        LogErrorOnce(&shown, "Warning: Rendering with no material!");
        cache.MaterialIsCurrent(nullptr);
        cache.SelectUnit(0);
        cache.EnableTexture2D(false);
        // Nor the previous item's combiner program.
        KEMaterial::UseNoProgram();
    }
    const bool useVertexProgram = state.material && state.material->UsesVertexProgram();
    m_currentTriangles += item.drawCall.Draw(useVertexProgram, &m_fence, cache);
}

bool KEEngine::ReplayQueue() {
    if (!m_cleared) {
        m_environment.ApplyClear();
        m_cleared = true;
    }
    m_environment.ApplyLightsAndFog(m_view);

    if (m_camera) m_camera->GetTransforms()->Replay(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, m_cameraProjection.m);
    if (m_view) m_view->GetTransforms()->Replay(GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, m_cameraModelview.m);

    // Whatever ran since the last replay (effects, texture loads, the environment) may
    // have changed any state: the first item sends all of its own.
    m_stateCache.Reset();
    for (int32_t i = 0; i < m_queue.GetCount(); ++i) ReplayItem(m_queue.GetItem(i));
    m_stateCache.Settle();

    const GLenum error = glGetError();
    // The queue is emptied even after an error: a lasting error would otherwise grow it
    // without bound and replay stale items.
    m_queue.Clear();
    if (error != GL_NO_ERROR) {
        LogMessage("OpenGL Error: %s\n", ErrorName(error));
        return false;
    }
    // The frame's commands are flushed even when it is not presented: a run that never
    // presents would otherwise let the driver's queue grow without bound.
    if (m_frameClosed) {
        glFlush();
        if (m_environment.IsPresentEnabled()) {
            if (KL::Window* window = GetOwner()) window->SwapBuffers();
        }
    }
    return true;
}
