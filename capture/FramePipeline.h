// Captured frames on their way out, overlapped with rendering: a few workers encode PNG
// files and feed the video encoder (in frame order) while the main thread renders the
// next frames. Frame buffers are recycled and at most a few frames are in flight, so
// memory stays flat however long the show; a main thread that gets ahead waits.
//
// No wait is unbounded: a frame handed over out of turn fails the pipeline at once, and a
// sink that takes no frame for the stall limit (an encoder that stopped reading), or any
// wait while a stop was requested (a signal), interrupts the sink and fails.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Where frames go besides the PNG files: the video encoder.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    // One frame, rows bottom row first as OpenGL reads them. False with *error.
    virtual bool WriteFrame(const uint8_t* rgbBottomUp, std::string* error) = 0;
    // Ends whatever a WriteFrame is blocked in (the encoder is stopped); any thread.
    virtual void Interrupt() = 0;
};

class FramePipeline {
public:
    struct Options {
        std::string pngFolder;        // frames as FOLDER/frame_%06d.png; empty for none
        FrameSink* video = nullptr;   // not owned; null for none
        int32_t width = 0;
        int32_t height = 0;
        int workers = 2;
        uint64_t firstFrame = 0;  // the index of the first frame handed over (a range)
        // How long the sink may take no frame at all before it counts as stalled.
        std::chrono::milliseconds stallLimit{30000};
    };

    ~FramePipeline() { Finish(nullptr); }

    void Start(const Options& options);
    // A buffer of width * height * 3 bytes for the next frame; waits while every buffer
    // is in flight (bounded: see above).
    std::vector<uint8_t> Take();
    // Hands a filled buffer (RGB rows, bottom row first) over as frame `index`; frames
    // are handed over in order, firstFrame first. One out of turn fails the pipeline.
    void Submit(uint64_t index, std::vector<uint8_t> pixels);
    // The first failure so far, if any (any thread may have found it).
    bool HasFailed(std::string* error);
    // Waits for every frame handed over and stops the workers; false with *error when
    // any frame failed.
    bool Finish(std::string* error);

    static std::string FrameName(uint64_t index);

    // Asks every pipeline to stop waiting (a signal): safe in a signal handler.
    static void RequestStop() { s_stopRequested.store(true); }
    static bool StopRequested() { return s_stopRequested.load(); }
    static void ClearStopRequest() { s_stopRequested.store(false); }

private:
    struct Job {
        uint64_t index;
        std::vector<uint8_t> pixels;
    };

    void Work();
    void Fail(const std::string& error);
    // Waits until `ready` holds, interrupting the sink (and failing) after the stall limit
    // without a frame done, or a second without one while a stop is requested. False when
    // even the interrupted sink let nothing through for another stall limit.
    template <class Ready>
    bool WaitBounded(std::unique_lock<std::mutex>& lock, Ready ready);

    static inline std::atomic<bool> s_stopRequested{false};

    Options m_options;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    std::vector<std::vector<uint8_t>> m_free;
    size_t m_buffers = 0;     // made so far
    size_t m_maxBuffers = 0;  // frames in flight at most
    uint64_t m_nextVideo = 0;
    uint64_t m_nextSubmit = 0;
    uint64_t m_submitted = 0;
    uint64_t m_done = 0;
    bool m_interrupted = false;
    bool m_stopping = false;
    std::string m_error;
};
