// An offline capture of the show: a virtual clock in place of the application's, every
// tick's picture read back and handed to the frame pipeline (PNG files, a video), and the
// soundtrack rendered in step into a WAV. Set up before the run, which is the demo's
// ordinary run; finished after it.
#pragma once

#include "FramePipeline.h"
#include "KLApplication.h"
#include "KLVirtualClock.h"
#include "Progress.h"
#include "Soundtrack.h"
#include "VideoEncoder.h"

#include <cstdint>
#include <string>

struct CaptureSettings {
    std::string folder;  // PNG frames and soundtrack.wav; empty for none
    std::string video;   // the video file; empty for none
    int32_t fps = 25;
    int32_t sampleRate = 44100;
    // A range: the capture starts at the first tick whose time reaches this (ms); frames
    // keep the numbers, and the soundtrack the samples, they have in a whole capture.
    uint32_t startMs = 0;
};

class CaptureSession : public KL::ApplicationClient {
public:
    static constexpr const char* kSoundtrackName = "soundtrack.wav";

    // Everything that can be checked before the run: the rate, the folder (made when
    // missing, and written to), ffmpeg and the video's kind. Relative paths are taken from
    // the current folder now. False with *error (nothing has run yet).
    bool Prepare(const CaptureSettings& settings, std::string* error);
    // Installs the clock in `app` and joins its clients; pictures are width x height and
    // the show is expected to end at `endTime` ms. False with *error when a file or
    // ffmpeg cannot be started.
    // Where the range starts (ms; 0 for a whole capture), once the show's music can tell.
    void SetStart(uint32_t milliseconds) { m_settings.startMs = milliseconds; }
    bool Begin(KL::Application* app, int32_t width, int32_t height, uint32_t endTime, std::string* error);
    // After the run: the last sound, every frame written, the video muxed. False with
    // *error when the run failed or stopped before the show's end (a signal): the frames
    // written stay, the soundtrack and the video are not presented as whole.
    bool Finish(std::string* error);

    // The frames a show ending at `endTime` ms gives: up to and with the first tick whose
    // time reaches it.
    static uint64_t ExpectedFrames(uint32_t endTime, int32_t fps);
    // The first tick whose time reaches `time` ms, and the time of tick `tick` (ms).
    static uint64_t FirstTickAt(uint32_t time, int32_t fps);
    static uint32_t TickTime(uint64_t tick, int32_t fps);
    // Where the show starts: the time of the range's first tick (0 for a whole capture).
    uint32_t GetStartTime() const { return TickTime(m_firstTick, m_settings.fps); }

    void OnTickDone(uint32_t time) override;

    // Frames captured (of the range).
    uint64_t GetFrames() const { return m_frames - m_firstTick; }
    const CaptureSettings& GetSettings() const { return m_settings; }

private:
    void Fail(const std::string& error);
    bool ReadBack(std::vector<uint8_t>* pixels);

    CaptureSettings m_settings;
    std::string m_soundtrackPath;
    KL::Application* m_app = nullptr;
    KL::VirtualClock m_clock{25};
    Soundtrack m_soundtrack;
    FramePipeline m_pipeline;
    VideoEncoder m_video;
    Progress m_progress;
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint64_t m_frames = 0;  // ticks captured, counted from tick 0: one past the last one
    uint64_t m_expected = 0;
    uint64_t m_firstTick = 0;
    std::string m_error;
};
