#include "LiveShow.h"

#include "KLLog.h"
#include "KestDemoSystem.h"
#include "ShowReader.h"

#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

LiveShow::LiveShow(std::string given, std::string path, const ShowCatalog& catalog, ShowEnvironment& environment)
    : m_given(std::move(given)), m_path(std::move(path)), m_catalog(catalog), m_environment(environment) {}

bool LiveShow::ReadInto(const std::string& bytes, ShowDescription* show, std::string* firstError) {
    std::vector<ShowError> errors;
    if (ReadShow(bytes, ShowFileStem(m_path), m_catalog, m_environment, show, &errors)) return true;
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
    std::vector<ShowError> errors;
    m_looked = true;
    if (LoadShowFileText(m_path, &m_seen, &errors)) return ReadInto(m_seen, &m_show, nullptr);
    std::fprintf(stderr, "%s", FormatShowErrors(m_given, errors).c_str());
    return false;
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

bool LiveShow::CheckNow() {
    // The file's bytes, compared whole with the last look: file times come in steps too
    // coarse for two quick saves of the same size. Between an editor's removal and its new
    // file there may be nothing: wait for it.
    std::string now;
    if (!LoadShowFileText(m_path, &now, nullptr)) return false;
    if (m_looked && now == m_seen) return false;
    m_seen = std::move(now);
    m_looked = true;
    ShowDescription show;
    std::string firstError;
    if (!ReadInto(m_seen, &show, &firstError)) {
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
