#include "FramePipeline.h"

#include "PngWriter.h"

#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// How often a blocked wait looks at the clock and at a stop request, and how long a
// requested stop waits for the frames in flight before it interrupts the sink.
constexpr std::chrono::milliseconds kPoll{100};
constexpr std::chrono::milliseconds kStopGrace{1000};

}  // namespace

void FramePipeline::Start(const Options& options) {
    Finish(nullptr);
    m_options = options;
    const int workers = options.workers < 1 ? 1 : options.workers;
    // Enough for every worker to hold one while the main thread fills the next.
    m_maxBuffers = static_cast<size_t>(workers) + 2;
    m_buffers = 0;
    m_free.clear();
    m_nextVideo = options.firstFrame;
    m_nextSubmit = options.firstFrame;
    m_submitted = 0;
    m_done = 0;
    m_interrupted = false;
    m_stopping = false;
    m_error.clear();
    for (int i = 0; i < workers; ++i) m_workers.emplace_back(&FramePipeline::Work, this);
}

std::string FramePipeline::FrameName(uint64_t index) {
    char name[40];
    std::snprintf(name, sizeof(name), "frame_%06llu.png", static_cast<unsigned long long>(index));
    return name;
}

template <class Ready>
bool FramePipeline::WaitBounded(std::unique_lock<std::mutex>& lock, Ready ready) {
    uint64_t seen = m_done;
    Clock::time_point since = Clock::now();
    while (!ready()) {
        m_changed.wait_for(lock, kPoll);
        if (ready()) break;
        const Clock::time_point now = Clock::now();
        if (m_done != seen) {
            seen = m_done;
            since = now;
            continue;
        }
        const auto still = now - since;
        if (m_interrupted) {
            // Even an interrupted sink let nothing through: give up waiting on it.
            if (still >= m_options.stallLimit) return false;
            continue;
        }
        const bool stop = StopRequested() && still >= kStopGrace;
        if (!stop && still < m_options.stallLimit) continue;
        if (m_error.empty()) {
            m_error = stop ? "stopped by a signal while frames were on their way out"
                           : "the video encoder took no frame for " +
                                 std::to_string(std::chrono::duration_cast<std::chrono::seconds>(m_options.stallLimit).count()) +
                                 " s (it stopped reading)";
        }
        m_interrupted = true;
        since = now;
        FrameSink* sink = m_options.video;
        lock.unlock();
        if (sink) sink->Interrupt();
        lock.lock();
        m_changed.notify_all();
    }
    return true;
}

std::vector<uint8_t> FramePipeline::Take() {
    const size_t bytes = static_cast<size_t>(m_options.width) * static_cast<size_t>(m_options.height) * 3;
    std::unique_lock<std::mutex> lock(m_mutex);
    // A pipeline that gave up on its sink makes one more buffer rather than wait for ever.
    WaitBounded(lock, [this] { return !m_free.empty() || m_buffers < m_maxBuffers; });
    std::vector<uint8_t> buffer;
    if (!m_free.empty()) {
        buffer = std::move(m_free.back());
        m_free.pop_back();
    } else {
        ++m_buffers;
    }
    buffer.resize(bytes);
    return buffer;
}

void FramePipeline::Submit(uint64_t index, std::vector<uint8_t> pixels) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index != m_nextSubmit) {
            // The video would wait for the missing frame for ever.
            if (m_error.empty()) {
                m_error = "frame " + std::to_string(m_nextSubmit) + " was lost (frame " + std::to_string(index) +
                          " came in its place)";
            }
            m_free.push_back(std::move(pixels));
        } else {
            ++m_nextSubmit;
            ++m_submitted;
            m_jobs.push_back(Job{index, std::move(pixels)});
        }
    }
    m_changed.notify_all();
}

void FramePipeline::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
            if (m_jobs.empty()) return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        std::string error;
        bool failed = HasFailed(nullptr);
        if (!failed && !m_options.pngFolder.empty()) {
            failed = !WritePng(m_options.pngFolder + "/" + FrameName(job.index), job.pixels.data(), m_options.width,
                               m_options.height, &error);
        }
        if (m_options.video) {
            // The video takes its frames in order: wait for this one's turn, or a failure.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_nextVideo == job.index || !m_error.empty(); });
            const bool turn = m_nextVideo == job.index;
            lock.unlock();
            if (turn && !failed && !HasFailed(nullptr)) failed = !m_options.video->WriteFrame(job.pixels.data(), &error);
            lock.lock();
            if (turn) ++m_nextVideo;
        }
        if (failed && !error.empty()) Fail(error);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(std::move(job.pixels));
            ++m_done;
        }
        m_changed.notify_all();
    }
}

void FramePipeline::Fail(const std::string& error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error.empty()) m_error = error;
}

bool FramePipeline::HasFailed(std::string* error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (error && !m_error.empty()) *error = m_error;
    return !m_error.empty();
}

bool FramePipeline::Finish(std::string* error) {
    bool drained = true;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_changed.notify_all();
        if (!m_workers.empty()) drained = WaitBounded(lock, [this] { return m_done == m_submitted; });
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) {
        // A worker stuck in a sink that would not let go is left behind; the process ends.
        if (drained) {
            worker.join();
        } else {
            worker.detach();
        }
    }
    m_workers.clear();
    return !HasFailed(error);
}
