#include "CaptureSession.h"

#include "ChildProcess.h"
#include "KEEngine.h"

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Makes `folder` when missing and proves it takes files.
bool UsableFolder(const std::string& folder, std::string* error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        *error = "cannot make the capture folder " + folder + (ec ? ": " + ec.message() : ": not a folder");
        return false;
    }
    const std::string probe = folder + "/.marlo-capture-probe";
    FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) {
        *error = "cannot write into the capture folder " + folder + ": " + std::error_code(errno, std::generic_category()).message();
        return false;
    }
    std::fclose(file);
    std::remove(probe.c_str());
    return true;
}

// SIGINT and SIGTERM during a capture: whatever handled them before (SDL turns them into
// a quit) still does, and the frame pipeline stops waiting on frames that may never get
// out. A signal handler can only reach what the process holds: these two are the
// process's own, set while a capture runs.
using SignalHandler = void (*)(int);
SignalHandler g_previousInterrupt = SIG_DFL;
SignalHandler g_previousTerminate = SIG_DFL;

extern "C" void OnStopSignal(int signal) {
    FramePipeline::RequestStop();
    const SignalHandler previous = signal == SIGINT ? g_previousInterrupt : g_previousTerminate;
    if (previous == SIG_DFL) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    } else if (previous != SIG_IGN && previous != SIG_ERR && previous != nullptr) {
        previous(signal);
    }
}

void WatchStopSignals() {
    FramePipeline::ClearStopRequest();
    g_previousInterrupt = std::signal(SIGINT, &OnStopSignal);
    g_previousTerminate = std::signal(SIGTERM, &OnStopSignal);
}

void ForgetStopSignals() {
    if (g_previousInterrupt != SIG_ERR) std::signal(SIGINT, g_previousInterrupt);
    if (g_previousTerminate != SIG_ERR) std::signal(SIGTERM, g_previousTerminate);
    g_previousInterrupt = g_previousTerminate = SIG_DFL;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

uint64_t CaptureSession::ExpectedFrames(uint32_t endTime, int32_t fps) {
    if (fps <= 0 || endTime == 0) return 1;
    // The first tick n with round(n * 1000 / fps) >= endTime: 2000n + fps >= 2 fps endTime.
    const uint64_t need = 2ull * static_cast<uint64_t>(fps) * endTime - static_cast<uint64_t>(fps);
    return (need + 1999) / 2000 + 1;
}

uint64_t CaptureSession::FirstTickAt(uint32_t time, int32_t fps) {
    return time == 0 ? 0 : ExpectedFrames(time, fps) - 1;
}

uint32_t CaptureSession::TickTime(uint64_t tick, int32_t fps) {
    if (fps <= 0) return 0;
    return static_cast<uint32_t>((2000u * tick + static_cast<uint64_t>(fps)) / (2u * static_cast<uint64_t>(fps)));
}

bool CaptureSession::Prepare(const CaptureSettings& settings, std::string* error) {
    m_settings = settings;
    ReportWriteFailuresAsErrors();
    if (settings.fps < KL::VirtualClock::kMinRate || settings.fps > KL::VirtualClock::kMaxRate) {
        *error = "the capture rate must be 1 to 240 frames per second";
        return false;
    }
    if (settings.folder.empty() && settings.video.empty()) {
        *error = "nothing to capture into";
        return false;
    }
    if (!settings.folder.empty()) {
        m_settings.folder = Absolute(settings.folder);
        if (!UsableFolder(m_settings.folder, error)) return false;
        m_soundtrackPath = m_settings.folder + "/" + kSoundtrackName;
    }
    if (!settings.video.empty()) {
        m_settings.video = Absolute(settings.video);
        if (!VideoEncoder::FindFfmpeg(error)) return false;
        const std::string parent = fs::path(m_settings.video).parent_path().string();
        if (!parent.empty() && !UsableFolder(parent, error)) return false;
        if (!VideoEncoder::Probe(m_settings.video, settings.fps, settings.sampleRate, error)) return false;
        // Without a capture folder the soundtrack only waits beside the video to be muxed.
        if (m_soundtrackPath.empty()) m_soundtrackPath = m_settings.video + ".part-sound.wav";
    }
    return true;
}

bool CaptureSession::Begin(KL::Application* app, int32_t width, int32_t height, uint32_t endTime,
                           std::string* error) {
    m_app = app;
    m_width = width;
    m_height = height;
    m_error.clear();
    m_clock = KL::VirtualClock(m_settings.fps);
    m_firstTick = FirstTickAt(m_settings.startMs, m_settings.fps);
    m_frames = m_firstTick;
    m_expected = ExpectedFrames(endTime, m_settings.fps);
    if (m_firstTick >= m_expected) {
        *error = "the range starts at or after the show's end";
        return false;
    }
    m_clock.SetTick(m_firstTick);
    if (!m_soundtrack.Open(m_soundtrackPath, m_settings.sampleRate, error,
                           m_clock.SampleFrameAt(m_firstTick, m_settings.sampleRate)))
        return false;
    if (!m_settings.video.empty() && !m_video.Start(m_settings.video, width, height, m_settings.fps, error)) {
        m_soundtrack.Abandon();
        return false;
    }
    FramePipeline::Options options;
    options.pngFolder = m_settings.folder;
    options.video = m_settings.video.empty() ? nullptr : &m_video;
    options.width = width;
    options.height = height;
    // The renderer has threads of its own; a couple of encoders keep up with it.
    options.workers = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 3u));
    options.firstFrame = m_firstTick;
    m_pipeline.Start(options);

    WatchStopSignals();
    m_clock.SetSoundtrack(&m_soundtrack);
    app->SetVirtualClock(&m_clock);
    app->AddClient(this);
    m_progress.Start(m_expected - m_firstTick, StandardErrorIsTerminal());
    return true;
}

bool CaptureSession::ReadBack(std::vector<uint8_t>* pixels) {
    KEEngine* engine = KEEngine::GetEngine();
    if (!engine || !engine->IsReady()) return false;
    // The offscreen window's buffer keeps the picture after it is presented.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, m_width, m_height, GL_RGB, GL_UNSIGNED_BYTE, pixels->data());
    return glGetError() == GL_NO_ERROR;
}

void CaptureSession::OnTickDone(uint32_t) {
    if (!m_error.empty()) return;
    std::string error;
    if (m_pipeline.HasFailed(&error)) return Fail(error);

    std::vector<uint8_t> pixels = m_pipeline.Take();
    if (!ReadBack(&pixels)) return Fail("no picture to capture: the show's window or its OpenGL context is missing");
    m_pipeline.Submit(m_clock.GetTick(), std::move(pixels));
    m_frames = m_clock.GetTick() + 1;
    // The music of this tick has been rendered while it was drawn; nothing reaches it later.
    if (!m_soundtrack.WriteUntil(m_clock.SampleFrameAt(m_frames, m_settings.sampleRate), &error)) return Fail(error);
    m_progress.Update(m_frames - m_firstTick);
    // A show that never reaches its end (an effect that failed to load keeps it loading)
    // would capture forever.
    if (m_frames > m_expected + static_cast<uint64_t>(m_settings.fps)) {
        Fail("the show did not end at its end time (" + std::to_string(m_expected) + " frames)");
    }
}

void CaptureSession::Fail(const std::string& error) {
    if (m_error.empty()) m_error = error;
    if (m_app) m_app->Quit();
}

bool CaptureSession::Finish(std::string* error) {
    if (m_app) {
        m_app->SetVirtualClock(nullptr);
        m_progress.Finish(m_frames - m_firstTick);
    }
    std::string failure = m_error;
    if (!m_pipeline.Finish(failure.empty() ? &failure : nullptr) && failure.empty()) failure = "a frame failed";
    if (m_app) ForgetStopSignals();
    if (failure.empty() && m_frames == m_firstTick) failure = "the show ended before its first frame";
    if (failure.empty() && m_frames < m_expected) {
        failure = "stopped at frame " + std::to_string(m_frames) + " of " + std::to_string(m_expected) +
                  "; the frames written are kept, the soundtrack and the video are not";
    }
    if (failure.empty()) m_soundtrack.WriteUntil(m_clock.SampleFrameAt(m_frames, m_settings.sampleRate), &failure);
    if (failure.empty()) m_soundtrack.Finish(&failure);
    if (failure.empty() && !m_settings.video.empty()) {
        m_video.Finish(m_soundtrackPath, &failure);
        if (m_settings.folder.empty()) std::remove(m_soundtrackPath.c_str());
    }
    if (!failure.empty()) {
        m_soundtrack.Abandon();
        m_video.Abandon();
        if (m_settings.folder.empty() && !m_soundtrackPath.empty()) std::remove(m_soundtrackPath.c_str());
        *error = failure;
        return false;
    }
    return true;
}
