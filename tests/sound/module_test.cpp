// Note starts read from pattern data while a module renders offline: which cells start a
// note of which instrument, at which frame, and that the answer does not depend on how the
// renders are cut.
#include "KSModule.h"
#include "TempDirTest.h"
#include "TestModules.h"

#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <sstream>

using namespace testmodules;

namespace {

struct Note {
    uintptr_t user;
    uint64_t frame;
    bool operator==(const Note& o) const { return user == o.user && frame == o.frame; }
};

std::vector<Note>* g_notes = nullptr;
void Record(uintptr_t user, uint64_t frame) { g_notes->push_back({user, frame}); }

constexpr uint8_t C4 = xm::Note(4, 0);

// A pattern with every kind of cell the note procedures must tell apart. Expected: user
// value (100 + instrument) and the row, plus delay ticks, at which the note starts.
struct Case {
    int row, channel;
    xm::Cell cell;
    int instrument;  // 0: starts nothing
    int delayTicks;
};
const Case kCases[] = {
    {0, 0, {C4, 1, 0, 0, 0}, 1, 0},                                // note with instrument
    {2, 1, {C4, 2, 0, 0, 0}, 2, 0},
    {4, 0, {xm::Note(4, 2), 0, 0, 0, 0}, 1, 0},                    // no number: channel's last
    {6, 0, {xm::kKeyOff, 0, 0, 0, 0}, 0, 0},                       // note-off
    {8, 1, {C4, 2, 0, xm::kExtended, 0xD3}, 2, 3},                 // note delay: 3 ticks late
    {10, 0, {xm::Note(4, 5), 0, 0, xm::kTonePorta, 0x10}, 0, 0},   // tone portamento slides
    {11, 0, {xm::Note(4, 7), 0, xm::kVolumeTonePorta + 5, 0, 0}, 0, 0},
    {12, 1, {C4, 2, 0, xm::kExtended, 0x93}, 2, 0},                // retriggered: counted once
    {14, 1, {0, 0, 0, xm::kExtended, 0x92}, 0, 0},                 // retrigger without a note
    {15, 1, {0, 0, 0, xm::kMultiRetrig, 0x12}, 0, 0},
    {16, 2, {0, 3, 0, 0, 0}, 0, 0},                                // number alone starts nothing
    {18, 2, {xm::Note(3, 0), 0, xm::Volume(40), 0, 0}, 3, 0},      // ... but is the last one
    {20, 3, {C4, 3, 0, xm::kExtended, 0xD6}, 0, 0},                // delay of a whole row: never
    {22, 0, {C4, 1, 0, 5, 0x01}, 0, 0},                            // tone portamento + slide
    {24, 3, {C4, 4, 0, 0, 0}, 0, 0},                               // instrument without a sync
    {26, 2, {C4, 2, 0, 0, 0}, 2, 0},                               // two on one row: by channel
    {26, 3, {C4, 1, 0, 0, 0}, 1, 0},
    {30, 1, {C4, 1, 0, xm::kExtended, 0xD5}, 1, 5},                // the last tick of the row
};

std::vector<uint8_t> CaseModule() {
    xm::Module m = SmallModule(4, 32, 4);
    for (const Case& c : kCases) m.patterns[0].At(c.row, c.channel) = c.cell;
    return Bytes(m);
}

std::unique_ptr<KSModule> LoadWithSyncs(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto module = KSModule::LoadFromMemory(bytes.data(), bytes.size(), &error);
    EXPECT_TRUE(module) << error;
    if (!module) return module;
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(module->AddNoteSync(i, &Record, static_cast<uintptr_t>(100 + i)));
    return module;
}

// Renders the whole module in calls of the given sizes (repeating the last), checking that
// every note fires within the call that renders its frame (or at most a step early, in
// the call before). Returns notes and audio.
std::vector<Note> RenderAll(KSModule& module, const std::vector<size_t>& cuts, std::vector<int16_t>* audio) {
    std::vector<Note> notes;
    g_notes = &notes;
    for (size_t call = 0; !module.IsFinished(); ++call) {
        const size_t frames = cuts[std::min(call, cuts.size() - 1)];
        const uint64_t start = module.GetFramePosition();
        const size_t before = notes.size();
        std::vector<int16_t> out(frames * 2, 1234);
        module.Render(frames, out.data());
        EXPECT_EQ(module.GetFramePosition(), start + frames);
        for (size_t i = before; i < notes.size(); ++i) {
            EXPECT_GT(notes[i].frame + KSModule::kStepFrames, start);
            EXPECT_LT(notes[i].frame, start + frames);
        }
        audio->insert(audio->end(), out.begin(), out.end());
    }
    g_notes = nullptr;
    return notes;
}

}  // namespace

TEST(ModuleNotes, EachKindOfCellStartsTheExpectedInstrumentAtItsRow) {
    auto module = LoadWithSyncs(CaseModule());
    ASSERT_TRUE(module);
    EXPECT_EQ(module->GetLoadLog(), "");
    std::vector<int16_t> audio;
    const std::vector<Note> notes = RenderAll(*module, {44100}, &audio);

    std::vector<Note> expected;
    for (const Case& c : kCases) {
        if (c.instrument) expected.push_back({100u + c.instrument, c.row * kRowFrames + c.delayTicks * kTickFrames});
    }
    ASSERT_EQ(notes.size(), expected.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].user, expected[i].user) << "note " << i;
        // Found at the step in which the row began: never late, less than a tick early.
        EXPECT_LE(notes[i].frame, expected[i].frame) << "note " << i;
        EXPECT_LT(expected[i].frame - notes[i].frame, kTickFrames) << "note " << i;
    }
}

TEST(ModuleNotes, CuttingTheRenderDifferentlyGivesTheSameNotesAndSamples) {
    const std::vector<uint8_t> bytes = CaseModule();
    auto whole = LoadWithSyncs(bytes);
    auto cut = LoadWithSyncs(bytes);
    ASSERT_TRUE(whole && cut);
    std::vector<int16_t> wholeAudio, cutAudio;
    const std::vector<Note> a = RenderAll(*whole, {1 << 20}, &wholeAudio);
    // Odd sizes, a single frame, and the frames of one video frame at 24 fps.
    const std::vector<Note> b = RenderAll(*cut, {1000, 1, 4410, 777, 1837, 63, 65}, &cutAudio);
    EXPECT_EQ(a, b);
    const size_t common = std::min(wholeAudio.size(), cutAudio.size());
    EXPECT_TRUE(std::equal(wholeAudio.begin(), wholeAudio.begin() + common, cutAudio.begin()));
}

TEST(ModuleNotes, RenderFillsExactlyTheFramesAskedWithSilenceAfterTheEnd) {
    const std::vector<uint8_t> bytes = Bytes(SmallModule(2, 4, 1));
    auto module = KSModule::LoadFromMemory(bytes.data(), bytes.size(), nullptr);
    ASSERT_TRUE(module);
    const size_t songFrames = 4 * kRowFrames;
    std::vector<int16_t> out((songFrames + 1000) * 2, 1234);
    EXPECT_EQ(module->Render(songFrames + 1000, out.data()), songFrames);
    EXPECT_TRUE(module->IsFinished());
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t v) { return v == 0; }));  // empty pattern
    EXPECT_EQ(module->Render(10, nullptr), 0u);
    EXPECT_EQ(module->GetFramePosition(), songFrames + 1010);
}

class ModuleLoad : public TempDirTest {};

TEST_F(ModuleLoad, MissingCorruptAndTruncatedFilesAreRefusedWithAReason) {
    std::vector<uint8_t> good = CaseModule();
    std::vector<uint8_t> corrupt = good;
    for (size_t i = 0; i < 17; ++i) corrupt[i] = 'x';  // no longer a module signature
    struct File {
        std::string name;
        std::vector<uint8_t> bytes;
        std::string reason;
    };
    const std::vector<File> files = {
        {"corrupt.xm", corrupt, "not a module libopenmpt can read"},
        {"empty.xm", {}, "empty file"},
        {"header.xm", std::vector<uint8_t>(good.begin(), good.begin() + 40), "not a module libopenmpt can read"},
    };
    for (const File& f : files) {
        const std::string path = WriteBytes(f.name, f.bytes);
        std::string error;
        EXPECT_FALSE(KSModule::Load(path.c_str(), &error)) << f.name;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(f.reason), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(KSModule::Load(PathOf("missing.xm").c_str(), &error));
    EXPECT_EQ(error, "cannot open " + PathOf("missing.xm"));

    // A module cut anywhere after its header either loads (libopenmpt fills in what is
    // missing) or is refused; rendering what loads never reads past the data.
    for (size_t size = 336; size < good.size(); size += 97) {
        auto module = KSModule::LoadFromMemory(good.data(), size, &error);
        if (module) module->Render(3 * kRowFrames, nullptr);
    }
}

#ifdef MARLO_DATA_DIR
// The show's soundtrack as generated at build time.
TEST(FourBeat, IsLongEnoughLoadsCleanlyAndInstrumentTwoKeepsTheBeat) {
    std::string error;
    auto module = KSModule::Load(MARLO_DATA_DIR "/4beat.xm", &error);
    ASSERT_TRUE(module) << error;
    EXPECT_EQ(module->GetLoadLog(), "");
    EXPECT_GE(module->GetDurationSeconds(), 134.0);

    std::vector<Note> notes;
    g_notes = &notes;
    module->AddNoteSync(2, &Record, 2);
    constexpr size_t kSecond = 44100;
    module->Render(kSecond / 10, nullptr);
    // A bar of 16 rows at the song's speed and tempo (a tick lasts 2.5 / tempo s), read with
    // libopenmpt itself.
    std::ifstream in(MARLO_DATA_DIR "/4beat.xm", std::ios::binary);
    std::ostringstream log;
    openmpt::module reference(in, log);
    std::vector<int16_t> scratch(2 * 4410);
    reference.read_interleaved_stereo(44100, 4410, scratch.data());
    const double barSeconds = 16.0 * reference.get_current_speed() * 2.5 / reference.get_current_tempo();
    module->Render(60 * kSecond - kSecond / 10, nullptr);
    g_notes = nullptr;
    EXPECT_GE(static_cast<double>(notes.size()), 60.0 / barSeconds) << "bar of " << barSeconds << " s";
}
#endif
