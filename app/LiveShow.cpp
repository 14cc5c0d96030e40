#include "LiveShow.h"

#include "KLLog.h"
#include "KestDemoSystem.h"
#include "ShowReader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

LiveShow::LiveShow(std::string given, std::string path, const ShowCatalog& catalog, ShowEnvironment& environment)
    : m_given(std::move(given)), m_path(std::move(path)), m_catalog(catalog), m_environment(environment) {}

bool LiveShow::ReadInto(ShowDescription* show, std::string* firstError) {
    std::vector<ShowError> errors;
    if (ReadShowFile(m_path, m_catalog, m_environment, show, &errors)) return true;
    const std::string text = FormatShowErrors(m_given, errors);
    std::fprintf(stderr, "%s", text.c_str());
    if (firstError) {
        // The window's line names the file without its folder: the place is what counts.
        const std::string shortText = FormatShowErrors(std::filesystem::path(m_given).filename().string(), errors);
        *firstError = shortText.substr(0, shortText.find('\n'));
        const size_t more = errors.size() > 1 ? errors.size() - 1 : 0;
        if (more > 0) *firstError += " (and " + std::to_string(more) + " more)";
    }
    return false;
}

bool LiveShow::Read() {
    Look(&m_seen);
    m_looked = true;
    return ReadInto(&m_show, nullptr);
}

bool LiveShow::Compose(KestDemoSystem* demo) {
    // The objects of the timeline this one replaces are deleted after the new one is built;
    // what they point at is kept until then.
    m_previous = std::move(m_loaded);
    m_loaded = std::make_unique<LoadedShow>();
    if (!m_loaded->Build(m_show, demo, m_environment)) return false;
    if (m_untilMs > 0) demo->LimitDemoEnd(m_untilMs);
    return true;
}

void LiveShow::Watch(KestDemoSystem* demo) { m_demo = demo; }

void LiveShow::OnFrame(uint32_t time) {
    if (!m_demo) return;
    if (m_looked && time - m_lastLook < kWatchInterval) return;
    m_lastLook = time;
    CheckNow();
}

bool LiveShow::Look(std::string* bytes) const {
    bytes->clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(m_path, ec)) return false;
    const std::uintmax_t size = std::filesystem::file_size(m_path, ec);
    if (ec || size > kMaxWatchedBytes) return false;
    std::ifstream file(m_path, std::ios::binary);
    if (!file) return false;
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool LiveShow::CheckNow() {
    std::string now;
    // Between an editor's removal and its new file there may be nothing: wait for it.
    if (!Look(&now)) return false;
    if (m_looked && now == m_seen) return false;
    m_seen = std::move(now);
    m_looked = true;
    ShowDescription show;
    std::string firstError;
    if (!ReadInto(&show, &firstError)) {
        LogMessage("Show file %s refused; the show goes on as it was", m_given.c_str());
        if (m_demo) m_demo->SetOverlayLine(firstError);
        return true;
    }
    m_show = std::move(show);
    LogMessage("Show file %s read again: %s", m_given.c_str(), m_show.Summary().c_str());
    if (m_demo) {
        m_demo->SetOverlayLine(std::string());
        m_demo->Rebuild();
    }
    return true;
}
