// A tracker module being played: libopenmpt decodes it, and note procedures are called
// whenever a given instrument starts a note. libopenmpt has no note callback, so the
// module's pattern data is read once at load into a table of note starts, and rendering
// goes in short steps, looking the table up each time the playing row changes.
//
// Thread: one thread at a time. A module handed to an output (KSOutput::Play) belongs to
// the audio thread from then on; otherwise the caller renders it on its own thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace openmpt {
class module;
}

// Called when an instrument starts a note: `user` as given to AddNoteSync, `frame` the
// sample frame (at the module's rate, from the start of the song) at which it starts.
using KSNoteProc = void (*)(uintptr_t user, uint64_t frame);

class KSModule {
public:
    static constexpr int kMaxSyncs = 64;
    // Largest file read (the show's module is well under a megabyte).
    static constexpr long kMaxFileBytes = 64L * 1024 * 1024;
    // Render step: the playing row is compared after each, so a note's frame is at most
    // this much early (1.5 ms at 44100 Hz; a tick is 20 ms at 125 BPM).
    static constexpr size_t kStepFrames = 64;

    // Loads a module file (matched case-blind like every data file). On failure null and
    // *error says why ("cannot open ...", "not a module libopenmpt can read ...").
    static std::unique_ptr<KSModule> Load(const char* path, std::string* error);
    static std::unique_ptr<KSModule> LoadFromMemory(const void* data, size_t size, std::string* error);
    // A module file's bytes (matched case-blind, at most kMaxFileBytes); false with *why.
    static bool ReadFile(const char* path, std::vector<char>* bytes, std::string* why);
    // "libopenmpt 0.6.9": the decoder's library as the program runs on it.
    static std::string LibraryVersion();

    ~KSModule();
    KSModule(const KSModule&) = delete;
    KSModule& operator=(const KSModule&) = delete;

    // The output rate in Hz (8000 to 192000; 44100 until set). Set before rendering.
    bool SetSampleRate(int32_t rate);
    int32_t GetSampleRate() const { return m_rate; }

    // Calls proc(user, frame) each time `instrument` (1-based, as the patterns number it)
    // starts a note: a note with that instrument number, or a note without one on a
    // channel whose last instrument it was. Note-offs, cuts, fades, tone portamento and
    // retriggers start nothing; a note delay starts it late. False when the table is full.
    bool AddNoteSync(int instrument, KSNoteProc proc, uintptr_t user);

    // Renders exactly `frames` stereo frames, interleaved 16-bit, into `out` (or discards
    // them when `out` is null), with silence after the end of the song. The procedures of
    // the notes that start within these frames are called on this thread, in order of
    // their frames, before it returns (a note may come up to kStepFrames early, in the
    // render before). Returns the frames of music (fewer at the end). Samples and note
    // frames are the same however a song's renders are cut.
    size_t Render(size_t frames, int16_t* out);

    // While muted, notes start nothing (no procedure is called); the music plays on. Any
    // thread: a module on a device can be muted from the main thread.
    void SetNotesMuted(bool muted) { m_muted.store(muted, std::memory_order_relaxed); }

    // Frames rendered since the start of the song.
    uint64_t GetFramePosition() const { return m_position; }
    bool IsFinished() const { return m_finished; }
    double GetDurationSeconds() const;
    // What libopenmpt reported while loading (warnings), one message a line; empty for a
    // clean file.
    const std::string& GetLoadLog() const { return m_loadLog; }

private:
    // A cell that matters to note starts: an instrument number, a note start, or both.
    struct CellEvent {
        uint16_t channel;
        uint8_t instrument;  // 0: none
        uint8_t startsNote;  // 1 when a note starts here (after `delayTicks`)
        uint8_t delayTicks;
    };
    struct Sync {
        int instrument;
        KSNoteProc proc;
        uintptr_t user;
    };
    struct Pending {
        uint64_t frame;
        int instrument;
    };

    KSModule(std::unique_ptr<std::ostringstream> log, std::unique_ptr<openmpt::module> module);
    void BuildNoteTable();
    void OnRow(int32_t pattern, int32_t row, uint64_t rowFrame);
    void Fire(uint64_t beforeFrame);

    // Declared before the module, so that it outlives it: libopenmpt writes to it.
    std::unique_ptr<std::ostringstream> m_log;
    std::unique_ptr<openmpt::module> m_module;
    std::string m_loadLog;
    int32_t m_rate = 44100;
    int m_channels = 0;

    // Per pattern, the first entry of each row in m_rowStart (rows + 1 entries each), and
    // the cells of all rows in order.
    std::vector<std::vector<uint32_t>> m_rowStart;
    std::vector<CellEvent> m_cells;

    std::vector<uint8_t> m_lastInstrument;  // per channel
    Sync m_syncs[kMaxSyncs] = {};
    int m_syncCount = 0;
    // Notes found but not yet reached (delayed ones), in frame order. Bounded by the
    // channel count, reserved at load: rendering never allocates.
    std::vector<Pending> m_pending;
    std::vector<int16_t> m_scratch;

    std::atomic<bool> m_muted{false};
    uint64_t m_position = 0;
    int32_t m_lastOrder = -1;
    int32_t m_lastPattern = -1;
    int32_t m_lastRow = -1;
    bool m_finished = false;
};
