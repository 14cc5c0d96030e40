// Module loading, the note-start table and rendering in short steps. The table is built
// once at load (string work and all), so that rendering, which may run on the audio
// thread, only compares the playing row and looks up a few cells.
#include "KSModule.h"

#include "KLPath.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sstream>

namespace {

constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 192000;

// libopenmpt's note numbering: 1..128 are notes; 251 and above are key-off, cut, fade and
// parameter-control events, which start nothing.
bool IsNote(uint8_t note) { return note >= 1 && note <= 128; }

// How a module's effect column spells the two effects that change note starts. Modules of
// the older trackers use digits and E (3 tone portamento, 5 tone portamento with volume
// slide, EDx note delay); the later ones letters and S (G, L, SDx).
struct EffectLetters {
    char tonePorta;
    char tonePortaVolume;
    char extended;
};
constexpr EffectLetters kDigitFamily = {'3', '5', 'E'};
constexpr EffectLetters kLetterFamily = {'G', 'L', 'S'};
// The volume column's tone portamento, in every format.
constexpr char kVolumeTonePorta = 'g';

}  // namespace

std::string KSModule::LibraryVersion() {
    // major << 24 | minor << 16 | patch: the plain number, without the build's suffixes.
    const std::uint32_t version = openmpt::get_library_version();
    return "libopenmpt " + std::to_string(version >> 24) + "." + std::to_string((version >> 16) & 0xFFu) + "." +
           std::to_string(version & 0xFFFFu);
}

bool KSModule::ReadFile(const char* path, std::vector<char>* bytes, std::string* why) {
    if (!path || !*path) {
        *why = "no module file named";
        return false;
    }
    const std::string resolved = KL::ResolveDataPath(path);
    std::FILE* file = std::fopen(resolved.c_str(), "rb");
    if (!file) {
        *why = std::string("cannot open ") + path;
        return false;
    }
    bytes->clear();
    char buffer[65536];
    size_t got = 0;
    bool tooLong = false;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        if (static_cast<long>(bytes->size() + got) > kMaxFileBytes) {
            tooLong = true;
            break;
        }
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLong || readError) {
        *why = std::string(path) + (tooLong ? ": larger than a module can be" : ": read error");
        return false;
    }
    return true;
}

std::unique_ptr<KSModule> KSModule::Load(const char* path, std::string* error) {
    std::string local;
    std::string& why = error ? *error : local;
    std::vector<char> bytes;
    if (!ReadFile(path, &bytes, &why)) return nullptr;
    std::unique_ptr<KSModule> module = LoadFromMemory(bytes.data(), bytes.size(), &why);
    if (!module) why = std::string(path) + ": " + why;
    return module;
}

std::unique_ptr<KSModule> KSModule::LoadFromMemory(const void* data, size_t size, std::string* error) {
    std::string local;
    std::string& why = error ? *error : local;
    if (!data || size == 0) {
        why = "empty file";
        return nullptr;
    }
    // libopenmpt keeps the log stream for the module's life (it may report while playing),
    // so the stream goes with the module.
    auto log = std::make_unique<std::ostringstream>();
    try {
        auto module = std::make_unique<openmpt::module>(data, size, *log);
        std::unique_ptr<KSModule> result(new KSModule(std::move(log), std::move(module)));
        result->BuildNoteTable();
        return result;
    } catch (const std::exception& e) {
        why = std::string("not a module libopenmpt can read (") + e.what() + ")";
    } catch (...) {
        why = "not a module libopenmpt can read";
    }
    return nullptr;
}

KSModule::KSModule(std::unique_ptr<std::ostringstream> log, std::unique_ptr<openmpt::module> module)
    : m_log(std::move(log)), m_module(std::move(module)), m_loadLog(m_log->str()) {
    // Play the order list once and stop; no dither, so that renders are bit-exact.
    m_module->set_repeat_count(0);
    m_module->ctl_set_text("play.at_end", "stop");
    m_module->ctl_set_integer("dither", 0);
    m_channels = std::max(0, m_module->get_num_channels());
    m_lastInstrument.assign(static_cast<size_t>(m_channels), 0);
    m_pending.reserve(static_cast<size_t>(m_channels) + 1);
    m_scratch.resize(kStepFrames * 2);
}

KSModule::~KSModule() = default;

void KSModule::BuildNoteTable() {
    openmpt::module& m = *m_module;
    const std::string type = m.get_metadata("type");
    const EffectLetters& family = (type == "xm" || type == "mod") ? kDigitFamily : kLetterFamily;

    // Internal effect numbers mean the same letter throughout one module: format each once.
    char effectLetter[256] = {};
    char volumeLetter[256] = {};
    bool effectKnown[256] = {};
    bool volumeKnown[256] = {};
    auto letterOf = [&m](char* letters, bool* known, uint8_t id, int32_t p, int32_t r, int32_t c, int command) {
        if (!known[id]) {
            const std::string text = m.format_pattern_row_channel_command(p, r, c, command);
            letters[id] = text.empty() ? ' ' : text[0];
            known[id] = true;
        }
        return letters[id];
    };

    const int32_t patterns = std::max(0, m.get_num_patterns());
    m_rowStart.assign(static_cast<size_t>(patterns), {});
    for (int32_t p = 0; p < patterns; ++p) {
        const int32_t rows = std::max(0, m.get_pattern_num_rows(p));
        std::vector<uint32_t>& starts = m_rowStart[static_cast<size_t>(p)];
        starts.reserve(static_cast<size_t>(rows) + 1);
        for (int32_t r = 0; r < rows; ++r) {
            starts.push_back(static_cast<uint32_t>(m_cells.size()));
            for (int32_t c = 0; c < m_channels && c <= 0xFFFF; ++c) {
                const uint8_t note = m.get_pattern_row_channel_command(p, r, c, openmpt::module::command_note);
                const uint8_t instrument = m.get_pattern_row_channel_command(p, r, c, openmpt::module::command_instrument);
                if (!IsNote(note) && instrument == 0) continue;

                CellEvent cell = {static_cast<uint16_t>(c), instrument, 0, 0};
                if (IsNote(note)) {
                    bool slides = false;
                    const uint8_t effect = m.get_pattern_row_channel_command(p, r, c, openmpt::module::command_effect);
                    const uint8_t param = m.get_pattern_row_channel_command(p, r, c, openmpt::module::command_parameter);
                    const uint8_t volume = m.get_pattern_row_channel_command(p, r, c, openmpt::module::command_volumeffect);
                    if (effect) {
                        const char letter =
                            letterOf(effectLetter, effectKnown, effect, p, r, c, openmpt::module::command_effect);
                        if (letter == family.tonePorta || letter == family.tonePortaVolume) slides = true;
                        if (letter == family.extended && (param >> 4) == 0xD) cell.delayTicks = param & 0x0F;
                    }
                    if (volume && letterOf(volumeLetter, volumeKnown, volume, p, r, c,
                                           openmpt::module::command_volumeffect) == kVolumeTonePorta) {
                        slides = true;
                    }
                    // A tone portamento slides the playing note toward the new pitch.
                    cell.startsNote = slides ? 0 : 1;
                }
                m_cells.push_back(cell);
            }
        }
        starts.push_back(static_cast<uint32_t>(m_cells.size()));
    }
}

bool KSModule::SetSampleRate(int32_t rate) {
    if (rate < kMinRate || rate > kMaxRate) return false;
    m_rate = rate;
    return true;
}

bool KSModule::AddNoteSync(int instrument, KSNoteProc proc, uintptr_t user) {
    if (!proc || instrument < 1 || instrument > 255 || m_syncCount >= kMaxSyncs) return false;
    m_syncs[m_syncCount++] = {instrument, proc, user};
    return true;
}

double KSModule::GetDurationSeconds() const { return m_module->get_duration_seconds(); }

void KSModule::OnRow(int32_t pattern, int32_t row, uint64_t rowFrame) {
    if (pattern < 0 || static_cast<size_t>(pattern) >= m_rowStart.size()) return;
    const std::vector<uint32_t>& starts = m_rowStart[static_cast<size_t>(pattern)];
    if (row < 0 || static_cast<size_t>(row) + 1 >= starts.size()) return;

    const int32_t speed = std::max(1, m_module->get_current_speed());
    const int32_t tempo = std::max(1, m_module->get_current_tempo());
    // A tick lasts 2.5 / tempo seconds.
    const double framesPerTick = static_cast<double>(m_rate) * 2.5 / static_cast<double>(tempo);

    for (uint32_t i = starts[static_cast<size_t>(row)]; i < starts[static_cast<size_t>(row) + 1]; ++i) {
        const CellEvent& cell = m_cells[i];
        uint8_t& last = m_lastInstrument[cell.channel];
        if (cell.instrument) last = cell.instrument;
        if (!cell.startsNote || last == 0) continue;
        // A delay as long as the row means the note never plays.
        if (cell.delayTicks >= speed) continue;
        const uint64_t frame = rowFrame + static_cast<uint64_t>(cell.delayTicks * framesPerTick + 0.5);
        if (m_pending.size() == m_pending.capacity()) Fire(UINT64_MAX);  // cannot happen: one per channel
        const auto at = std::upper_bound(m_pending.begin(), m_pending.end(), frame,
                                         [](uint64_t f, const Pending& p) { return f < p.frame; });
        m_pending.insert(at, {frame, last});
    }
}

void KSModule::Fire(uint64_t beforeFrame) {
    size_t fired = 0;
    while (fired < m_pending.size() && m_pending[fired].frame < beforeFrame) {
        const Pending& note = m_pending[fired++];
        if (m_muted.load(std::memory_order_relaxed)) continue;
        for (int s = 0; s < m_syncCount; ++s) {
            if (m_syncs[s].instrument == note.instrument) m_syncs[s].proc(m_syncs[s].user, note.frame);
        }
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(fired));
}

size_t KSModule::Render(size_t frames, int16_t* out) {
    size_t music = 0;
    size_t done = 0;
    while (done < frames) {
        // Steps end on multiples of kStepFrames from the song's start, so the frames given
        // to notes do not depend on how the caller cuts its renders.
        const size_t step = std::min(kStepFrames - static_cast<size_t>(m_position % kStepFrames), frames - done);
        int16_t* target = out ? out + done * 2 : m_scratch.data();
        size_t got = 0;
        if (!m_finished) {
            got = m_module->read_interleaved_stereo(m_rate, step, target);
            if (got < step) m_finished = true;
        }
        std::memset(target + got * 2, 0, (step - got) * 2 * sizeof(int16_t));

        m_position += step;
        if (got > 0) {
            // The row that is playing now began within this step. The first frame of the
            // step's block stands for it (at most a step early), which is the same however
            // the caller cut its renders.
            const uint64_t block = (m_position - 1) / kStepFrames * kStepFrames;
            const int32_t order = m_module->get_current_order();
            const int32_t pattern = m_module->get_current_pattern();
            const int32_t row = m_module->get_current_row();
            if (order != m_lastOrder || pattern != m_lastPattern || row != m_lastRow) {
                m_lastOrder = order;
                m_lastPattern = pattern;
                m_lastRow = row;
                OnRow(pattern, row, block);
            }
        }
        Fire(m_position);
        music += got;
        done += step;
    }
    return music;
}
