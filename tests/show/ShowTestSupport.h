// Show files read in tests: the process catalog with every type, and an environment of
// named data files and a module of four orders of 64 rows, an eighth of a second each.
#pragma once

#include "EffectCatalog.h"
#include "KDSBuilders.h"
#include "ShowCatalog.h"
#include "ShowEnvironment.h"
#include "ShowReader.h"

#include <set>
#include <string>
#include <vector>

inline const ShowCatalog& TestCatalog() {
    static const ShowCatalog catalog = [] {
        ProvideEffectCatalog();
        return ShowCatalog(KDSBuilderCatalog::Process());
    }();
    return catalog;
}

class FakeEnvironment : public ShowEnvironment {
public:
    std::set<std::string> files = {"4beat.xm", "files/geometry/icosa.kd10s", "files/geometry/CameraIcosa.kd10s",
                                   "files/textures/sky.png", "Files/Fonts/Tahoma.KEF", "meteor.KD10S"};

    bool DataFileExists(const std::string& path) override { return files.count(path) > 0; }
    bool RowTime(const std::string&, int32_t order, int32_t row, double* seconds, std::string* why) override {
        if (order >= 4 || row >= 64) {
            *why = order >= 4 ? "order " + std::to_string(order) + " is past the song's end (it has 4 orders)"
                              : "row " + std::to_string(row) + " is past the end of order " + std::to_string(order);
            return false;
        }
        *seconds = (order * 64 + row) * 0.125;
        return true;
    }
};

// The errors of reading `text`, as the program prints them for a file "show.toml".
inline std::string ErrorsOf(const std::string& text, ShowDescription* show = nullptr) {
    FakeEnvironment environment;
    std::vector<ShowError> errors;
    ShowDescription local;
    ReadShow(text, "test", TestCatalog(), environment, show ? show : &local, &errors);
    return FormatShowErrors("show.toml", errors);
}
