#include "VideoEncoder.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

const char* const kFfmpeg = "ffmpeg";

// ffmpeg's errors on one line: the cause usually comes first and its effect last.
std::string OneLine(const std::string& text) {
    std::string line;
    size_t at = 0;
    while (at < text.size() && line.size() < 400) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(at, end - at);
        // "[NULL @ 0x55...] Unable to ...": the prefix names ffmpeg's internals, not the cause.
        if (!part.empty() && part[0] == '[' && part.find(" @ ") != std::string::npos && part.find("] ") != std::string::npos) {
            part = part.substr(part.find("] ") + 2);
        }
        while (!part.empty() && (part.back() == '\r' || part.back() == ' ')) part.pop_back();
        if (!part.empty()) line += (line.empty() ? "" : "; ") + part;
        at = end + 1;
    }
    return line;
}

std::vector<std::string> Command(std::initializer_list<std::string> args) {
    std::vector<std::string> command = {kFfmpeg, "-hide_banner", "-loglevel", "error", "-y"};
    command.insert(command.end(), args);
    return command;
}

bool Run(const std::vector<std::string>& command, const std::string& what, std::string* error) {
    ChildProcess process;
    if (!process.Start(command, false, true, error)) return false;
    std::string errors;
    if (process.Wait(&errors) == 0) return true;
    if (error) {
        *error = what;
        const std::string line = OneLine(errors);
        if (!line.empty()) *error += " (ffmpeg: " + line + ")";
    }
    return false;
}

}  // namespace

std::string VideoTemporary(const std::string& path, const char* part) {
    // The platform's own separators and extension rules (".hidden" has none).
    const std::string extension = std::filesystem::path(path).extension().string();
    return path.substr(0, path.size() - extension.size()) + ".part-" + part + extension;
}

bool VideoEncoder::FindFfmpeg(std::string* error) {
    if (!ChildProcess::Find(kFfmpeg).empty()) return true;
    if (error) *error = "--video needs ffmpeg, which is not installed (Debian: apt install ffmpeg)";
    return false;
}

bool VideoEncoder::Probe(const std::string& path, int32_t fps, int32_t sampleRate, std::string* error) {
    const std::string probe = VideoTemporary(path, "probe");
    const bool ok =
        Run(Command({"-nostdin", "-f", "lavfi", "-i", "color=c=black:s=64x64:r=" + std::to_string(fps) + ":d=0.2", "-f",
                     "lavfi", "-i", "anullsrc=cl=stereo:r=" + std::to_string(sampleRate), "-t", "0.2", "-pix_fmt",
                     "yuv420p", probe}),
            "ffmpeg cannot write a video to " + path, error);
    std::remove(probe.c_str());
    return ok;
}

bool VideoEncoder::Start(const std::string& path, int32_t width, int32_t height, int32_t fps, std::string* error) {
    Abandon();
    m_path = path;
    m_pictures = VideoTemporary(path, "video");
    m_muxed = VideoTemporary(path, "muxed");
    m_frameBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    m_process = std::make_unique<ChildProcess>();
    // OpenGL's rows come bottom first: ffmpeg turns them over.
    if (m_process->Start(Command({"-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                                  std::to_string(width) + "x" + std::to_string(height), "-framerate",
                                  std::to_string(fps), "-i", "pipe:0", "-vf", "vflip", "-pix_fmt", "yuv420p", "-an",
                                  m_pictures}),
                         true, false, error)) {
        return true;
    }
    m_process.reset();
    return false;
}

bool VideoEncoder::WriteFrame(const uint8_t* rgbBottomUp, std::string* error) {
    std::string why;
    if (m_process && m_process->Write(rgbBottomUp, m_frameBytes, &why)) return true;
    if (error) *error = "cannot write " + m_path + ": ffmpeg stopped taking frames" + (why.empty() ? "" : " (" + why + ")");
    return false;
}

void VideoEncoder::Interrupt() {
    if (m_process) m_process->Kill();
}

bool VideoEncoder::Finish(const std::string& soundtrack, std::string* error) {
    if (!m_process) {
        if (error) *error = "cannot write " + m_path + ": ffmpeg is not running";
        return false;
    }
    const int status = m_process->Wait();
    m_process.reset();
    bool ok = status == 0;
    if (!ok && error) *error = "cannot write " + m_path + ": ffmpeg failed on the pictures";
    ok = ok && Run(Command({"-nostdin", "-i", m_pictures, "-i", soundtrack, "-map", "0:v", "-map", "1:a", "-c:v", "copy",
                            m_muxed}),
                   "cannot write " + m_path + ": ffmpeg failed on the sound", error);
    std::error_code renamed;
    // Replaces an earlier video of the same name on every platform.
    if (ok) std::filesystem::rename(m_muxed, m_path, renamed);
    if (ok && renamed) {
        ok = false;
        if (error) *error = "cannot write " + m_path + ": " + renamed.message();
    }
    Abandon();
    return ok;
}

void VideoEncoder::Abandon() {
    if (m_process) {
        // Its output is not wanted: an ffmpeg that stopped reading would never end by itself.
        m_process->Kill();
        m_process->Wait();
        m_process.reset();
    }
    if (!m_pictures.empty()) std::remove(m_pictures.c_str());
    if (!m_muxed.empty()) std::remove(m_muxed.c_str());
}
