// A log output that records every raw debugger write and every error box, so tests can
// check the exact texts and their order. Installs itself for its lifetime.
#pragma once

#include "KLLog.h"

#include <mutex>
#include <string>
#include <vector>

class RecordingLog : public KL::LogOutput {
public:
    struct Entry {
        enum Kind { kWrite, kBox } kind;
        std::string text;
        bool operator==(const Entry& o) const { return kind == o.kind && text == o.text; }
    };

    RecordingLog() { KL::SetLogOutput(this); }
    ~RecordingLog() override { KL::SetLogOutput(nullptr); }

    void Write(const char* text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back({Entry::kWrite, text});
    }
    void ShowErrorBox(const char* text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back({Entry::kBox, text});
    }

    std::vector<Entry> Entries() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries;
    }
    // Whole trace lines, with "Debug: " and the newline removed.
    std::vector<std::string> Lines() const;
    // Bodies of the error boxes, in order.
    std::vector<std::string> Boxes() const;
    // True when some trace line or box contains the text.
    bool Contains(const std::string& text) const;
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
