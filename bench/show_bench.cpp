// Reading and checking the showcase's show file, as `marlo --show` does before the window
// opens: the TOML, every name and binding against the catalog, the data files looked up in
// the data folder, and the module read for the row times of five music positions. The
// median of 50 readings, in microseconds, is printed last (goal: under 5000).
#include "EffectCatalog.h"
#include "KDSBuilders.h"
#include "ShowCatalog.h"
#include "ShowReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

int main(int argc, char** argv) {
    const std::string data = argc > 1 ? argv[1] : MARLO_DATA_DIR;
    std::filesystem::current_path(data);
    std::ifstream file("shows/showcase.toml");
    std::stringstream bytes;
    bytes << file.rdbuf();
    // The showcase, with its meteors placed by music positions instead of seconds.
    std::string text = bytes.str();
    const char* positions[][2] = {{"start = 30\n", "start = \"@2:0\"\n"}, {"end = 90\n", "end = \"@6:0\"\n"},
                                  {"start = 45\n", "start = \"@3:0\"\n"}, {"start = 60\n", "start = \"@4:0\"\n"},
                                  {"start = 90\n", "start = \"@6:0\"\n"}};
    for (const auto& [seconds, music] : positions) {
        const size_t at = text.find(seconds);
        if (at != std::string::npos) text.replace(at, std::string(seconds).size(), music);
    }
    ProvideEffectCatalog();
    const ShowCatalog catalog(KDSBuilderCatalog::Process());
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        const auto start = std::chrono::steady_clock::now();
        DataFolderEnvironment environment(1);  // a fresh one: the module is read every time
        ShowDescription show;
        std::vector<ShowError> errors;
        if (!ReadShow(text, "showcase", catalog, environment, &show, &errors)) {
            std::fprintf(stderr, "%s", FormatShowErrors("showcase.toml", errors).c_str());
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("show file read and checked (showcase, 5 music positions): min %.0f us, median %.0f us, max %.0f us\n",
                times.front(), times[times.size() / 2], times.back());
    std::printf("%.0f\n", times[times.size() / 2]);
    return 0;
}
