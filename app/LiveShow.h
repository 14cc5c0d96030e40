// A show file as the program plays it: the composition the demo system builds (and builds
// again after a seek), and with --watch the file read and checked again whenever it
// changes on disk. A good new version replaces the composition and the show goes on at
// the same time; a bad one leaves the show as it was, its errors printed and the first
// of them drawn over the show until the next good version.
#pragma once

#include "KLApplication.h"
#include "ShowBuilder.h"
#include "ShowModel.h"

#include <cstdint>
#include <memory>
#include <string>

class KestDemoSystem;
class ShowCatalog;
class ShowEnvironment;

class LiveShow : public KL::ApplicationClient {
public:
    // How often the file is looked at, ms of the application clock.
    static constexpr uint32_t kWatchInterval = 250;

    // `given` is the name as the person wrote it (for messages), `path` the file itself.
    LiveShow(std::string given, std::string path, const ShowCatalog& catalog, ShowEnvironment& environment);

    // Reads and checks the file; every error printed to standard error. False when bad.
    bool Read();
    const ShowDescription& GetShow() const { return m_show; }

    // Puts the current show on `demo` (the demo system's composer), ended at `untilMs`
    // when that is earlier (0: its own end).
    bool Compose(KestDemoSystem* demo);
    void SetUntil(uint32_t untilMs) { m_untilMs = untilMs; }

    // Watches the file for `demo` from now on: the application calls OnFrame every tick.
    void Watch(KestDemoSystem* demo);
    void OnFrame(uint32_t time) override;
    // Looks at the file now; when it changed, reads it again and, if good, has the demo
    // rebuild. True when it had changed.
    bool CheckNow();

private:
    // Checks `bytes` (the file's bytes, read once for the look and the reading) into *show;
    // every error printed, the first also into *firstError.
    bool ReadInto(const std::string& bytes, ShowDescription* show, std::string* firstError);

    std::string m_given;
    std::string m_path;
    const ShowCatalog& m_catalog;
    ShowEnvironment& m_environment;
    ShowDescription m_show;
    // The show built last, and the one before: the objects of the timeline it replaces
    // still point at its strings while they hand over what they play.
    std::unique_ptr<LoadedShow> m_loaded;
    std::unique_ptr<LoadedShow> m_previous;
    uint32_t m_untilMs = 0;
    KestDemoSystem* m_demo = nullptr;
    std::string m_seen;  // the file's bytes at the last look
    bool m_looked = false;
    uint32_t m_lastLook = 0;
};
