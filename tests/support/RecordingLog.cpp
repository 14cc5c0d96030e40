#include "RecordingLog.h"

std::vector<std::string> RecordingLog::Lines() const {
    std::vector<std::string> lines;
    std::string current;
    for (const Entry& e : Entries()) {
        if (e.kind != Entry::kWrite) continue;
        if (e.text == "Debug: ") {
            current.clear();
        } else if (e.text == "\n") {
            lines.push_back(current);
        } else {
            current += e.text;
        }
    }
    return lines;
}

std::vector<std::string> RecordingLog::Boxes() const {
    std::vector<std::string> boxes;
    for (const Entry& e : Entries()) {
        if (e.kind == Entry::kBox) boxes.push_back(e.text);
    }
    return boxes;
}

bool RecordingLog::Contains(const std::string& text) const {
    for (const Entry& e : Entries()) {
        if (e.text.find(text) != std::string::npos) return true;
    }
    return false;
}
