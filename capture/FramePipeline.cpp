#include "FramePipeline.h"

#include "PngWriter.h"
#include "VideoEncoder.h"

#include <cstdio>

void FramePipeline::Start(const Options& options) {
    Finish(nullptr);
    m_options = options;
    const int workers = options.workers < 1 ? 1 : options.workers;
    // Enough for every worker to hold one while the main thread fills the next.
    m_maxBuffers = static_cast<size_t>(workers) + 2;
    m_buffers = 0;
    m_free.clear();
    m_nextVideo = options.firstFrame;
    m_stopping = false;
    m_error.clear();
    for (int i = 0; i < workers; ++i) m_workers.emplace_back(&FramePipeline::Work, this);
}

std::string FramePipeline::FrameName(uint64_t index) {
    char name[40];
    std::snprintf(name, sizeof(name), "frame_%06llu.png", static_cast<unsigned long long>(index));
    return name;
}

std::vector<uint8_t> FramePipeline::Take() {
    const size_t bytes = static_cast<size_t>(m_options.width) * static_cast<size_t>(m_options.height) * 3;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_free.empty() || m_buffers < m_maxBuffers; });
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
        m_jobs.push_back(Job{index, std::move(pixels)});
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
            // The video takes its frames in order: wait for this one's turn.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_nextVideo == job.index; });
            lock.unlock();
            if (!failed && !HasFailed(nullptr)) failed = !m_options.video->WriteFrame(job.pixels.data(), &error);
            lock.lock();
            ++m_nextVideo;
        }
        if (failed && !error.empty()) Fail(error);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(std::move(job.pixels));
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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) worker.join();
    m_workers.clear();
    return !HasFailed(error);
}
