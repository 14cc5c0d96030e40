// Captured frames on their way out, overlapped with rendering: a few workers encode PNG
// files and feed the video encoder (in frame order) while the main thread renders the
// next frames. Frame buffers are recycled and at most a few frames are in flight, so
// memory stays flat however long the show; a main thread that gets ahead waits.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class VideoEncoder;

class FramePipeline {
public:
    struct Options {
        std::string pngFolder;          // frames as FOLDER/frame_%06d.png; empty for none
        VideoEncoder* video = nullptr;  // not owned; null for none
        int32_t width = 0;
        int32_t height = 0;
        int workers = 2;
        uint64_t firstFrame = 0;  // the index of the first frame handed over (a range)
    };

    ~FramePipeline() { Finish(nullptr); }

    void Start(const Options& options);
    // A buffer of width * height * 3 bytes for the next frame; waits while every buffer
    // is in flight.
    std::vector<uint8_t> Take();
    // Hands a filled buffer (RGB rows, bottom row first) over as frame `index`; frames
    // are handed over in order, firstFrame first.
    void Submit(uint64_t index, std::vector<uint8_t> pixels);
    // The first failure so far, if any (any thread may have found it).
    bool HasFailed(std::string* error);
    // Waits for every frame handed over and stops the workers; false with *error when
    // any frame failed.
    bool Finish(std::string* error);

    static std::string FrameName(uint64_t index);

private:
    struct Job {
        uint64_t index;
        std::vector<uint8_t> pixels;
    };

    void Work();
    void Fail(const std::string& error);

    Options m_options;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    std::vector<std::vector<uint8_t>> m_free;
    size_t m_buffers = 0;     // made so far
    size_t m_maxBuffers = 0;  // frames in flight at most
    uint64_t m_nextVideo = 0;
    bool m_stopping = false;
    std::string m_error;
};
