// Row times by libopenmpt's seeking. libopenmpt times a seek (and the song's length) at the
// rate it last rendered at, 48000 Hz until it has rendered, so the module is told the load's
// rate by a render of no frames before anything is timed. It is loaded without sample data
// and plug-ins, which timing does not need; every call into it is guarded, since it reports
// failures by exceptions.
#include "KSSongTimes.h"

#include "KLPath.h"
#include "KSModule.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <vector>

namespace {

constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 192000;

std::string Describe(const char* what, const std::exception* e) {
    std::string text = what;
    if (e) text += std::string(" (") + e->what() + ")";
    return text;
}

}  // namespace

std::unique_ptr<KSSongTimes> KSSongTimes::Load(const char* path, std::string* error, int32_t sampleRate) {
    std::string local;
    std::string& why = error ? *error : local;
    std::vector<char> bytes;
    if (!KSModule::ReadFile(path, &bytes, &why)) return nullptr;
    std::unique_ptr<KSSongTimes> times = LoadFromMemory(bytes.data(), bytes.size(), &why, sampleRate);
    if (!times) why = std::string(path) + ": " + why;
    return times;
}

std::unique_ptr<KSSongTimes> KSSongTimes::LoadFromMemory(const void* data, size_t size, std::string* error,
                                                         int32_t sampleRate) {
    std::string local;
    std::string& why = error ? *error : local;
    if (sampleRate < kMinRate || sampleRate > kMaxRate) {
        why = "sample rate " + std::to_string(sampleRate) + " Hz is not between " + std::to_string(kMinRate) +
              " and " + std::to_string(kMaxRate);
        return nullptr;
    }
    if (!data || size == 0) {
        why = "empty file";
        return nullptr;
    }
    std::unique_ptr<KSSongTimes> times(new KSSongTimes());
    if (!times->Init(data, size, sampleRate, &why)) return nullptr;
    return times;
}

bool KSSongTimes::Init(const void* data, size_t size, int32_t sampleRate, std::string* why) {
    m_rate = sampleRate;
    // The song's length is worked out when first asked for, so at the rate set below.
    const std::map<std::string, std::string> ctls = {
        {"load.skip_samples", "1"},
        {"load.skip_plugins", "1"},
        {"load.skip_subsongs_init", "1"},
    };
    try {
        m_module = std::make_unique<openmpt::module>(data, size, m_log, ctls);
    } catch (const std::exception& e) {
        *why = Describe("not a module libopenmpt can read", &e);
        return false;
    } catch (...) {
        *why = Describe("not a module libopenmpt can read", nullptr);
        return false;
    }
    try {
        // Seeks need only the song's position, not where each sample would be playing.
        m_module->ctl_set_boolean("seek.sync_samples", false);
        int16_t left = 0, right = 0;
        m_module->read(m_rate, 0, &left, &right);
        m_orderCount = std::max(0, m_module->get_num_orders());
        m_patternCount = std::max(0, m_module->get_num_patterns());
        m_duration = m_module->get_duration_seconds();
    } catch (const std::exception& e) {
        *why = Describe("libopenmpt cannot time this module", &e);
        return false;
    } catch (...) {
        *why = Describe("libopenmpt cannot time this module", nullptr);
        return false;
    }
    return true;
}

KSSongTimes::~KSSongTimes() = default;

int32_t KSSongTimes::GetRowCount(int32_t order) const {
    if (order < 0 || order >= m_orderCount) return 0;
    try {
        // Skip and end markers stand in the order list as pattern numbers that do not exist.
        const int32_t pattern = m_module->get_order_pattern(order);
        if (pattern < 0 || pattern >= m_patternCount) return 0;
        return std::max(0, m_module->get_pattern_num_rows(pattern));
    } catch (...) {
        return 0;
    }
}

bool KSSongTimes::GetRowTime(int32_t order, int32_t row, double* seconds, std::string* why) {
    std::string local;
    std::string& reason = why ? *why : local;
    const std::string at = "row " + std::to_string(row) + " of order " + std::to_string(order);
    if (order < 0) {
        reason = "order " + std::to_string(order) + " is negative (orders count from 0)";
        return false;
    }
    if (order >= m_orderCount) {
        reason = "order " + std::to_string(order) + " is past the song's end (it has " +
                 std::to_string(m_orderCount) + " orders)";
        return false;
    }
    const int32_t rows = GetRowCount(order);
    if (rows == 0) {
        reason = "order " + std::to_string(order) + " has no pattern (it is a skip or end marker)";
        return false;
    }
    if (row < 0) {
        reason = "row " + std::to_string(row) + " is negative (rows count from 0)";
        return false;
    }
    if (row >= rows) {
        reason = "row " + std::to_string(row) + " is past the end of order " + std::to_string(order) +
                 " (its pattern has " + std::to_string(rows) + " rows)";
        return false;
    }
    try {
        // A seek to a row the song never reaches leaves libopenmpt somewhere else with a time
        // that is not the row's (or, for an order only a hidden sub-song plays, that sub-song's
        // time). Seeking back to the time finds the row only when the time is its. A seek by
        // time goes to the first row that starts at or after it: half a frame before.
        const double time = m_module->set_position_order_row(order, row);
        m_module->set_position_seconds(std::max(0.0, time - 0.5 / m_rate));
        if (m_module->get_current_order() != order || m_module->get_current_row() != row) {
            reason = at + " is never played (the song breaks or jumps past it)";
            return false;
        }
        if (seconds) *seconds = time;
        return true;
    } catch (const std::exception& e) {
        reason = at + ": " + Describe("libopenmpt cannot seek to it", &e);
    } catch (...) {
        reason = at + ": " + Describe("libopenmpt cannot seek to it", nullptr);
    }
    return false;
}
