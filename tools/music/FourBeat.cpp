// The song itself. It is written as one long track of rows, section by section (each four
// bars over one chord progression, from a table of which parts play), then cut into the
// module's 64-row patterns, one per section.
#include "FourBeat.h"

#include "Instruments.h"

#include <vector>

namespace fourbeat {

namespace {

constexpr int kRowsPerBeat = 4;
constexpr int kRowsPerBar = 16;
constexpr int kBarsPerSection = 4;
constexpr int kRowsPerSection = kRowsPerBar * kBarsPerSection;

enum Channel { kKickCh, kClapCh, kHatCh, kOpenHatCh, kBassCh, kPadCh, kPadCh2, kPadCh3, kLeadCh, kEchoCh, kArpCh, kFxCh, kChannels };
constexpr int kPadVoices = 3;

constexpr uint8_t kSetPanning = 0x8;
constexpr uint8_t kFineVolumeDown = 0x80;  // volume column: down by the low nibble once per row

// Pitches as semitones from C-0; the cell's note value is one more.
enum : int { C = 0, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };
constexpr int P(int octave, int semitone) { return octave * 12 + semitone; }
constexpr uint8_t Note(int pitch) { return static_cast<uint8_t>(pitch + 1); }
constexpr uint8_t kDrumNote = xm::Note(4, C);  // drums play back at their own rate on C-4

struct Chord {
    int bass;
    int pad[kPadVoices];  // voiced close together so changes move little
    int arp[4];
};
const Chord kAm{P(2, A), {P(3, A), P(4, C), P(4, E)}, {P(4, A), P(5, C), P(5, E), P(5, A)}};
const Chord kF{P(2, F), {P(3, A), P(4, C), P(4, F)}, {P(4, F), P(4, A), P(5, C), P(5, F)}};
const Chord kC{P(3, C), {P(3, G), P(4, C), P(4, E)}, {P(4, G), P(5, C), P(5, E), P(5, G)}};
const Chord kG{P(2, G), {P(3, G), P(3, B), P(4, D)}, {P(4, G), P(4, B), P(5, D), P(5, G)}};
const Chord kEm{P(2, E), {P(3, G), P(3, B), P(4, E)}, {P(4, G), P(4, B), P(5, E), P(5, G)}};

using Progression = const Chord* [kBarsPerSection];
const Progression kMain = {&kAm, &kF, &kC, &kG};   // i - VI - III - VII
const Progression kLift = {&kF, &kG, &kEm, &kAm};  // VI - VII - v - i
const Progression kAlt = {&kAm, &kEm, &kF, &kG};   // i - v - VI - VII
const Progression kEnd = {&kAm, &kAm, &kAm, &kAm};

// What each part plays in a section.
enum class Kick { None, Bars, HalfTime, Four, Fading };
enum class Clap { None, Backbeat, Build };
enum class Hats { None, Offbeat, Sixteenths, Rising };
enum class Bass { None, Held, Offbeat, Rolling, Syncopated };
enum class Pad { None, FadeIn, Soft, Pump, FadeOut };
enum class Lead { None, Call, Answer, Ending, Breakdown };

struct Section {
    const Progression* chords;
    Kick kick;
    Clap clap;
    Hats hats;
    bool openHats;
    Bass bass;
    Pad pad;
    Lead lead;
    bool arp;
    bool crash;  // a cymbal on the first beat
    bool fill;   // a clap roll on the last beat, into the next section
};

// The song, one row per 64-row pattern. The loop returns to the first groove (index 2).
const Section kSong[] = {
    // chords  kick          clap            hats              open   bass              pad            lead          arp    crash  fill
    {&kMain, Kick::HalfTime, Clap::None,     Hats::Offbeat,    false, Bass::None,       Pad::FadeIn,   Lead::None,      false, true,  false},  // intro
    {&kMain, Kick::Four,     Clap::None,     Hats::Sixteenths, false, Bass::Held,       Pad::Soft,     Lead::None,      true,  false, true},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Offbeat,    Pad::Pump,     Lead::None,      false, true,  false},  // groove
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Offbeat,    Pad::Pump,     Lead::None,      true,  false, false},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::None,      true,  true,  false},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::None,      true,  false, true},
    {&kLift, Kick::Bars,     Clap::None,     Hats::Offbeat,    false, Bass::Held,       Pad::Soft,     Lead::Breakdown, true,  true,  false},  // breakdown
    {&kLift, Kick::Four,     Clap::Build,    Hats::Rising,     false, Bass::None,       Pad::Soft,     Lead::None,      true,  false, false},  // build-up
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Offbeat,    Pad::Pump,     Lead::Call,      false, true,  false},  // main
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::Answer,    true,  false, false},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::Call,      true,  true,  false},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::Ending,    true,  false, true},
    {&kAlt,  Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Syncopated, Pad::Pump,     Lead::None,      true,  true,  false},  // variation
    {&kAlt,  Kick::Four,     Clap::Backbeat, Hats::Sixteenths, false, Bass::Syncopated, Pad::Soft,     Lead::None,      true,  false, true},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::Call,      true,  true,  false},  // main again
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, true,  Bass::Rolling,    Pad::Pump,     Lead::Ending,    true,  false, true},
    {&kMain, Kick::Four,     Clap::Backbeat, Hats::Sixteenths, false, Bass::Offbeat,    Pad::Pump,     Lead::None,      true,  true,  false},  // outro
    {&kMain, Kick::Four,     Clap::None,     Hats::Offbeat,    false, Bass::None,       Pad::Soft,     Lead::None,      false, false, false},
    {&kEnd,  Kick::Fading,   Clap::None,     Hats::None,       false, Bass::None,       Pad::FadeOut,  Lead::None,      false, true,  false},
};
constexpr int kRestartSection = 2;
constexpr int kSections = static_cast<int>(sizeof(kSong) / sizeof(kSong[0]));

// A lead note: bar and row within the section, pitch, length in rows.
struct LeadNote {
    int bar, row, pitch, length;
};
// Over i - VI - III - VII: a call, an answer, and an answer that comes to rest.
const std::vector<LeadNote> kCall = {
    {0, 0, P(4, A), 3}, {0, 3, P(5, C), 3}, {0, 6, P(5, E), 4}, {0, 10, P(5, D), 2}, {0, 12, P(5, C), 4},
    {1, 0, P(5, C), 3}, {1, 3, P(4, A), 3}, {1, 6, P(5, F), 4}, {1, 10, P(5, E), 2}, {1, 12, P(5, C), 4},
    {2, 0, P(5, E), 3}, {2, 3, P(5, G), 3}, {2, 6, P(5, E), 4}, {2, 10, P(5, D), 2}, {2, 12, P(5, C), 4},
    {3, 0, P(5, D), 8}, {3, 8, P(4, B), 4}, {3, 12, P(4, G), 4},
};
const std::vector<LeadNote> kAnswer = {
    {0, 0, P(5, C), 2}, {0, 2, P(5, E), 2}, {0, 4, P(5, A), 6}, {0, 10, P(5, G), 2}, {0, 12, P(5, E), 4},
    {1, 0, P(5, F), 3}, {1, 3, P(5, E), 3}, {1, 6, P(5, C), 4}, {1, 10, P(4, A), 2}, {1, 12, P(5, C), 4},
    {2, 0, P(5, G), 3}, {2, 3, P(5, E), 3}, {2, 6, P(5, C), 6}, {2, 12, P(5, D), 2}, {2, 14, P(5, E), 2},
    {3, 0, P(5, D), 6}, {3, 6, P(4, B), 2}, {3, 8, P(4, G), 4}, {3, 12, P(4, B), 2}, {3, 14, P(5, D), 2},
};
const std::vector<LeadNote> kEnding = {
    {0, 0, P(5, C), 2}, {0, 2, P(5, E), 2}, {0, 4, P(5, A), 6}, {0, 10, P(5, G), 2}, {0, 12, P(5, E), 4},
    {1, 0, P(5, F), 3}, {1, 3, P(5, E), 3}, {1, 6, P(5, C), 4}, {1, 10, P(4, A), 2}, {1, 12, P(5, C), 4},
    {2, 0, P(5, G), 3}, {2, 3, P(5, E), 3}, {2, 6, P(5, G), 4}, {2, 10, P(5, A), 2}, {2, 12, P(5, G), 4},
    {3, 0, P(4, G), 2}, {3, 2, P(4, B), 2}, {3, 4, P(5, D), 12},
};
// Over VI - VII - v - i, quietly: one long note a bar, the last one broken into its chord.
const std::vector<LeadNote> kBreakdown = {
    {0, 0, P(5, C), 14}, {1, 0, P(5, D), 14}, {2, 0, P(4, B), 14}, {3, 0, P(4, A), 14},
};

// The whole song as one run of rows, before it is cut into patterns.
class Track {
public:
    explicit Track(int rows) : m_rows(rows), m_cells(static_cast<size_t>(rows) * kChannels) {}

    int Rows() const { return m_rows; }

    // Rows past the end are dropped: an echo or a release may fall after the last row.
    xm::Cell* At(int row, int channel) {
        if (row < 0 || row >= m_rows || channel < 0 || channel >= kChannels) return nullptr;
        return &m_cells[static_cast<size_t>(row) * kChannels + channel];
    }

    void Play(int row, int channel, uint8_t note, uint8_t instrument, int volume, uint8_t effect = 0, uint8_t param = 0) {
        if (xm::Cell* c = At(row, channel)) *c = {note, instrument, xm::Volume(volume), effect, param};
    }
    // Lets a held note go, unless something else already starts on that row.
    void Release(int row, int channel) {
        xm::Cell* c = At(row, channel);
        if (c && c->note == xm::kNoNote) c->note = xm::kKeyOff;
    }
    void Effect(int row, int channel, uint8_t effect, uint8_t param) {
        if (xm::Cell* c = At(row, channel)) {
            c->effect = effect;
            c->param = param;
        }
    }
    void VolumeColumn(int row, int channel, uint8_t value) {
        if (xm::Cell* c = At(row, channel)) c->volume = value;
    }

private:
    int m_rows;
    std::vector<xm::Cell> m_cells;
};

// Linear ramp of a volume over a section's rows.
int Ramp(int row, int from, int to) { return from + (to - from) * row / (kRowsPerSection - 1); }

void WriteDrums(Track& t, int base, const Section& s) {
    for (int row = 0; row < kRowsPerSection; ++row) {
        const int at = base + row;
        const int inBar = row % kRowsPerBar, inBeat = row % kRowsPerBeat, bar = row / kRowsPerBar;
        const bool beat = inBeat == 0;
        // The kick: every note its own, on the instrument the show follows.
        if ((s.kick == Kick::Four && beat) || (s.kick == Kick::HalfTime && inBar % 8 == 0) ||
            ((s.kick == Kick::Bars || s.kick == Kick::Fading) && inBar == 0))
            t.Play(at, kKickCh, kDrumNote, kKick, s.kick == Kick::Fading ? 52 - 12 * bar : 64);

        if (s.clap == Clap::Backbeat && inBar % 8 == 4) t.Play(at, kClapCh, kDrumNote, kClap, 54);
        if (s.clap == Clap::Build) {
            const int every = bar < 2 ? 4 : bar == 2 ? 2 : 1;  // quarters, eighths, sixteenths
            if (row % every == 0) t.Play(at, kClapCh, kDrumNote, kClap, Ramp(row, 14, 50));
        }

        static const int kSixteenthLevels[kRowsPerBeat] = {28, 18, 48, 20};
        if (s.hats == Hats::Offbeat && inBeat == 2) t.Play(at, kHatCh, kDrumNote, kClosedHat, 28);
        if (s.hats == Hats::Sixteenths && !(s.openHats && inBeat == 2))
            t.Play(at, kHatCh, kDrumNote, kClosedHat, kSixteenthLevels[inBeat]);
        if (s.hats == Hats::Rising)
            t.Play(at, kHatCh, kDrumNote, kClosedHat, kSixteenthLevels[inBeat] * Ramp(row, 30, 64) / 64);
        if (s.openHats && inBeat == 2) t.Play(at, kOpenHatCh, kDrumNote, kOpenHat, 26);
    }
    if (s.fill) {
        // A clap roll over the last beat, growing into the next section.
        for (int i = 0; i < kRowsPerBeat; ++i)
            t.Play(base + kRowsPerSection - kRowsPerBeat + i, kClapCh, kDrumNote, kClap, 30 + 8 * i);
    }
    if (s.crash) t.Play(base, kFxCh, kDrumNote, kCrash, 44);
}

void WriteBass(Track& t, int base, const Section& s) {
    for (int bar = 0; bar < kBarsPerSection; ++bar) {
        const int root = (*s.chords)[bar]->bass;
        const int at = base + bar * kRowsPerBar;
        switch (s.bass) {
        case Bass::None:
            break;
        case Bass::Held:
            t.Play(at, kBassCh, Note(root), kBass, 40);
            t.Release(at + 14, kBassCh);
            break;
        case Bass::Offbeat:
            // On every off-beat, jumping an octave at the end of every other bar.
            for (int beat = 0; beat < 4; ++beat) {
                const int pitch = (beat == 3 && bar % 2 == 1) ? root + 12 : root;
                t.Play(at + beat * kRowsPerBeat + 2, kBassCh, Note(pitch), kBass, 52);
                t.Release(at + beat * kRowsPerBeat + 4, kBassCh);
            }
            break;
        case Bass::Rolling:
            // Three sixteenths after each kick: root, octave, root.
            for (int beat = 0; beat < 4; ++beat) {
                const int r = at + beat * kRowsPerBeat;
                t.Play(r + 1, kBassCh, Note(root), kBass, 36);
                t.Play(r + 2, kBassCh, Note(root + 12), kBass, 54);
                t.Play(r + 3, kBassCh, Note(root), kBass, 40);
            }
            t.Release(at + kRowsPerBar, kBassCh);
            break;
        case Bass::Syncopated: {
            // A 3-3-2-3-3-2 figure across the bar, through root, octave and fifth.
            static const int kRows[] = {0, 3, 6, 8, 11, 14};
            static const int kSteps[] = {0, 0, 12, 0, 7, 12};
            static const int kLevels[] = {60, 44, 52, 48, 52, 44};
            for (int i = 0; i < 6; ++i) t.Play(at + kRows[i], kBassCh, Note(root + kSteps[i]), kBass, kLevels[i]);
            break;
        }
        }
    }
}

void WritePad(Track& t, int base, const Section& s) {
    if (s.pad == Pad::None) return;
    // The three voices spread across the stereo field.
    static const uint8_t kPan[kPadVoices] = {0x40, 0x80, 0xC0};
    const uint8_t instrument = s.pad == Pad::Pump ? kPumpPad : kPad;
    const int level = s.pad == Pad::Pump ? 38 : 32;
    const int bars = s.pad == Pad::FadeOut ? 1 : kBarsPerSection;  // the last chord is held
    for (int bar = 0; bar < bars; ++bar) {
        for (int v = 0; v < kPadVoices; ++v) {
            const int at = base + bar * kRowsPerBar;
            const int volume = s.pad == Pad::FadeIn ? Ramp(bar * kRowsPerBar, 6, level) : level;
            t.Play(at, kPadCh + v, Note((*s.chords)[bar]->pad[v]), instrument, volume, kSetPanning, kPan[v]);
        }
    }
    for (int row = 1; row < kRowsPerSection; ++row) {
        for (int v = 0; v < kPadVoices; ++v) {
            if (s.pad == Pad::FadeIn) t.VolumeColumn(base + row, kPadCh + v, xm::Volume(Ramp(row, 6, level)));
            if (s.pad == Pad::FadeOut && row >= 24 && row < 60) t.VolumeColumn(base + row, kPadCh + v, kFineVolumeDown | 1);
        }
    }
    if (s.pad == Pad::FadeOut)
        for (int v = 0; v < kPadVoices; ++v) t.Release(base + 60, kPadCh + v);
}

void WriteLead(Track& t, int base, const Section& s) {
    const std::vector<LeadNote>* notes = nullptr;
    switch (s.lead) {
    case Lead::None: return;
    case Lead::Call: notes = &kCall; break;
    case Lead::Answer: notes = &kAnswer; break;
    case Lead::Ending: notes = &kEnding; break;
    case Lead::Breakdown: notes = &kBreakdown; break;
    }
    const bool quiet = s.lead == Lead::Breakdown;
    for (size_t i = 0; i < notes->size(); ++i) {
        const LeadNote& n = (*notes)[i];
        const bool last = i + 1 == notes->size();
        const int at = base + n.bar * kRowsPerBar + n.row;
        t.Play(at, kLeadCh, Note(n.pitch), kLead, quiet ? 30 : 44);
        for (int r = 1; r < n.length; ++r) {
            if (quiet && last) {
                t.Effect(at + r, kLeadCh, xm::kArpeggio, 0x37);  // the minor chord, broken
            } else if (s.lead == Lead::Ending && last && r >= n.length / 2) {
                t.Effect(at + r, kLeadCh, xm::kVolumeSlide, 0x01);  // dying away
            } else if (n.length >= 4 && r >= 2) {
                t.Effect(at + r, kLeadCh, xm::kVibrato, 0x52);  // vibrato once the note has settled
            }
        }
        if (quiet && last) t.Effect(at, kLeadCh, xm::kArpeggio, 0x37);
        t.Release(at + n.length, kLeadCh);
    }
}

// Ping-ponging sixteenths through the chord's tones.
void WriteArp(Track& t, int base, const Section& s, bool fadeIn) {
    if (!s.arp) return;
    static const int kOrder[kRowsPerBar] = {0, 1, 2, 3, 2, 1, 2, 3, 0, 1, 2, 3, 2, 3, 1, 2};
    for (int row = 0; row < kRowsPerSection; ++row) {
        const Chord& chord = *(*s.chords)[row / kRowsPerBar];
        int volume = row % 4 == 0 ? 34 : row % 2 == 0 ? 28 : 20;
        if (fadeIn) volume = volume * Ramp(row, 8, 64) / 64;
        t.Play(base + row, kArpCh, Note(chord.arp[kOrder[row % kRowsPerBar]]), kPluck, volume, kSetPanning,
               row % 2 ? 0xA8 : 0x58);
    }
}

// The lead again, a dotted eighth later, quieter and off to the left.
void WriteEcho(Track& t) {
    constexpr int kDelay = 3;
    for (int row = 0; row + kDelay < t.Rows(); ++row) {
        const xm::Cell* lead = t.At(row, kLeadCh);
        if (!lead || lead->note == xm::kNoNote) continue;
        if (lead->note == xm::kKeyOff) {
            t.Release(row + kDelay, kEchoCh);
            continue;
        }
        const int volume = lead->volume >= xm::Volume(0) ? (lead->volume - xm::Volume(0)) * 2 / 5 : 16;
        t.Play(row + kDelay, kEchoCh, lead->note, lead->instrument, volume, kSetPanning, 0x48);
    }
}

}  // namespace

xm::Module Compose() {
    Track track(kSections * kRowsPerSection);
    for (int i = 0; i < kSections; ++i) {
        const Section& s = kSong[i];
        const int base = i * kRowsPerSection;
        WriteDrums(track, base, s);
        WriteBass(track, base, s);
        WritePad(track, base, s);
        WriteLead(track, base, s);
        WriteArp(track, base, s, i > 0 && !kSong[i - 1].arp);
    }
    WriteEcho(track);

    xm::Module m;
    m.name = "4beat";
    m.channels = kChannels;
    m.speed = 6;  // four rows a beat: the tempo below is the beats per minute
    m.bpm = 125;
    m.linearFrequencies = true;
    m.restartPosition = kRestartSection;
    m.instruments = MakeInstruments();
    for (int i = 0; i < kSections; ++i) {
        xm::Pattern p(kRowsPerSection, kChannels);
        for (int row = 0; row < kRowsPerSection; ++row)
            for (int c = 0; c < kChannels; ++c) p.At(row, c) = *track.At(i * kRowsPerSection + row, c);
        m.patterns.push_back(std::move(p));
        m.orders.push_back(static_cast<uint8_t>(i));
    }
    return m;
}

}  // namespace fourbeat
