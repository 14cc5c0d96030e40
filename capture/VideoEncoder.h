// A capture turned into one video file by ffmpeg: the frames go to ffmpeg's input as raw
// RGB while the show renders (never as files), the soundtrack is muxed in at the end, and
// the file gets its name only when both passes succeeded. The container and its codecs
// follow the file's extension as ffmpeg's defaults have them (H.264 and AAC for .mp4).
#pragma once

#include "ChildProcess.h"
#include "FramePipeline.h"

#include <cstdint>
#include <memory>
#include <string>

class VideoEncoder : public FrameSink {
public:
    // False with *error when ffmpeg is not installed.
    static bool FindFfmpeg(std::string* error);
    // A short trial encode into a temporary beside `path`: false with *error (ffmpeg's own
    // words) when ffmpeg cannot write that kind of file there.
    static bool Probe(const std::string& path, int32_t fps, int32_t sampleRate, std::string* error);

    ~VideoEncoder() override { Abandon(); }

    // Starts ffmpeg on the picture pass: width x height RGB frames at `fps`.
    bool Start(const std::string& path, int32_t width, int32_t height, int32_t fps, std::string* error);
    // One frame, rows bottom row first as OpenGL reads them.
    bool WriteFrame(const uint8_t* rgbBottomUp, std::string* error) override;
    // Stops ffmpeg at once: a frame being written fails, and the file is not presented.
    void Interrupt() override;
    // Ends the picture pass, muxes in the WAV at `soundtrack` and names the file.
    bool Finish(const std::string& soundtrack, std::string* error);
    // Stops ffmpeg (at once) and removes the temporaries.
    void Abandon();

    const std::string& GetPath() const { return m_path; }

private:
    std::unique_ptr<ChildProcess> m_process;
    std::string m_path;
    std::string m_pictures;  // the picture pass's temporary
    std::string m_muxed;     // the muxed temporary, renamed to m_path
    size_t m_frameBytes = 0;
};

// The temporary names beside `path` for `part` ("video", "sound", "probe"): the same
// folder and extension, so that ffmpeg picks the same container.
std::string VideoTemporary(const std::string& path, const char* part);
