// Fuzz harness for the show reader: any text, read as a show file against the whole
// catalog, must be refused with its errors or read, without a crash, a hang or a read
// outside the text; a show that reads is then checked for what the builder relies on
// (every binding and object names an object of the show, tracks' keys rise) and its tracks
// are played over a range of times.
#include "EffectCatalog.h"
#include "FuzzInput.h"
#include "KDSBuilders.h"
#include "ShowCatalog.h"
#include "ShowReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Every data file exists; a module of eight orders of 64 rows, a tenth of a second each.
class AnyFiles : public ShowEnvironment {
public:
    bool DataFileExists(const std::string& path) override { return path.size() % 7 != 3; }
    bool RowTime(const std::string&, int32_t order, int32_t row, double* seconds, std::string* why) override {
        if (order < 0 || order >= 8 || row < 0 || row >= 64) {
            *why = "past the song";
            return false;
        }
        *seconds = (order * 64 + row) * 0.1;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    static const ShowCatalog catalog = [] {
        ProvideEffectCatalog();
        return ShowCatalog(KDSBuilderCatalog::Process());
    }();
    AnyFiles environment;
    ShowDescription show;
    std::vector<ShowError> errors;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!ReadShow(text, "fuzz", catalog, environment, &show, &errors)) {
        if (errors.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    const int count = static_cast<int>(show.objects.size());
    for (const ShowObject& object : show.objects) {
        if (object.Is(ShowType::kEffect) && (object.layer < 0 || object.layer > 7 || object.end <= object.start ||
                                             object.end > show.length)) {
            std::abort();
        }
        for (const ShowValue& value : object.values) {
            const bool names = value.how == ShowValue::kBinding || value.param.kind == KDSKind::Object;
            if (value.param.index < 0 || value.param.index > 255 || (names && value.object >= count) ||
                (value.param.kind == KDSKind::Object && value.how == ShowValue::kConstant && value.object < 0)) {
                std::abort();
            }
        }
        if (object.Is(ShowType::kTrack)) {
            for (size_t i = 1; i < object.keys.size(); ++i) {
                if (object.keys[i].time <= object.keys[i - 1].time) std::abort();
            }
            CShowTrack track(object.type == &catalog.VectorTrack(), object.keys);
            for (uint32_t t : {0u, 1u, 999u, 60000u, UINT32_MAX}) {
                volatile float x = track.ValueAt(t).x;
                (void)x;
            }
        }
    }
    return 0;
}
