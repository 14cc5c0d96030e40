// FastTracker 2 module layout, version 1.04: a 336-byte header with the order table, the
// packed patterns, then each instrument's header, its sample headers and the samples'
// delta-coded 16-bit data.
#include "XMWriter.h"

#include <cstdio>
#include <cstring>

namespace xm {

namespace {

constexpr uint32_t kHeaderSize = 276;            // from the header-size field to the patterns
constexpr uint32_t kInstrumentHeaderSize = 263;  // with samples; 29 without
constexpr uint32_t kSampleHeaderSize = 40;
constexpr size_t kMaxEnvelopePoints = 12;

class Bytes {
public:
    explicit Bytes(std::vector<uint8_t>* out) : m_out(out) {}
    void U8(unsigned v) { m_out->push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    // A fixed-width text field, padded with zeros (names longer than the field are refused
    // before writing starts).
    void Text(const std::string& text, size_t width) {
        for (size_t i = 0; i < width; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
    void Zeros(size_t count) { m_out->insert(m_out->end(), count, 0); }
    size_t Size() const { return m_out->size(); }
    void PatchU16(size_t at, unsigned v) {
        (*m_out)[at] = static_cast<uint8_t>(v & 0xFF);
        (*m_out)[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }

private:
    std::vector<uint8_t>* m_out;
};

std::string Format(const char* format, int a, int b = 0) {
    char text[160];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

bool CheckEnvelope(const Envelope& e, int instrument, const char* kind, std::string* error) {
    if (e.points.size() > kMaxEnvelopePoints) {
        *error = Format("instrument %d: more than 12 points in the ", instrument) + kind + " envelope";
        return false;
    }
    const int count = static_cast<int>(e.points.size());
    for (int i = 0; i < count; ++i) {
        if (e.points[i].second > 64 || (i == 0 && e.points[i].first != 0) ||
            (i > 0 && e.points[i].first <= e.points[i - 1].first)) {
            *error = Format("instrument %d: point %d of the ", instrument, i) + kind +
                     " envelope is out of order or above 64";
            return false;
        }
    }
    auto bad = [count](int index) { return index >= count; };
    if (bad(e.sustain) || bad(e.loopStart) || bad(e.loopEnd) || (e.loopStart >= 0) != (e.loopEnd >= 0) ||
        (e.loopStart >= 0 && e.loopEnd < e.loopStart)) {
        *error = Format("instrument %d: the ", instrument) + kind + " envelope's sustain or loop points do not exist";
        return false;
    }
    return true;
}

bool Check(const Module& m, std::string* error) {
    if (m.name.size() > 20) return *error = "module name longer than 20 characters", false;
    if (m.channels < 1 || m.channels > 32) return *error = Format("%d channels (1 to 32)", m.channels), false;
    if (m.speed < 1 || m.speed > 31) return *error = Format("speed %d (1 to 31)", m.speed), false;
    if (m.bpm < 32 || m.bpm > 255) return *error = Format("tempo %d (32 to 255)", m.bpm), false;
    if (m.orders.empty() || m.orders.size() > 256)
        return *error = Format("%d orders (1 to 256)", static_cast<int>(m.orders.size())), false;
    if (m.restartPosition < 0 || m.restartPosition >= static_cast<int>(m.orders.size()))
        return *error = Format("restart position %d outside the orders", m.restartPosition), false;
    if (m.patterns.empty() || m.patterns.size() > 256)
        return *error = Format("%d patterns (1 to 256)", static_cast<int>(m.patterns.size())), false;
    for (uint8_t order : m.orders) {
        if (order >= m.patterns.size()) return *error = Format("order names pattern %d, which does not exist", order), false;
    }
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        const Pattern& pattern = m.patterns[p];
        if (pattern.rows < 1 || pattern.rows > 256 || pattern.channels != m.channels ||
            pattern.cells.size() != static_cast<size_t>(pattern.rows) * static_cast<size_t>(m.channels))
            return *error = Format("pattern %d: %d rows or a channel count unlike the module's", static_cast<int>(p),
                                   pattern.rows),
                   false;
        for (const Cell& c : pattern.cells) {
            // Volume column bytes 0x51..0x5F are no command at all.
            if (c.note > kKeyOff || c.instrument > m.instruments.size() || c.effect > 35 ||
                (c.volume > 0x50 && c.volume < 0x60))
                return *error = Format("pattern %d: a cell with note %d or an instrument, volume or effect that does not exist",
                                       static_cast<int>(p), c.note),
                       false;
        }
    }
    if (m.instruments.size() > 128)
        return *error = Format("%d instruments (at most 128)", static_cast<int>(m.instruments.size())), false;
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const Instrument& ins = m.instruments[i];
        const int n = static_cast<int>(i) + 1;
        if (ins.name.size() > 22) return *error = Format("instrument %d: name longer than 22 characters", n), false;
        if (ins.samples.size() > 16) return *error = Format("instrument %d: more than 16 samples", n), false;
        for (uint8_t s : ins.sampleForNote) {
            if (!ins.samples.empty() && s >= ins.samples.size())
                return *error = Format("instrument %d: a note maps to sample %d, which does not exist", n, s), false;
        }
        if (!CheckEnvelope(ins.volumeEnvelope, n, "volume", error) ||
            !CheckEnvelope(ins.panningEnvelope, n, "panning", error))
            return false;
        for (size_t s = 0; s < ins.samples.size(); ++s) {
            const Sample& smp = ins.samples[s];
            if (smp.name.size() > 22)
                return *error = Format("instrument %d, sample %d: name longer than 22 characters", n, static_cast<int>(s)),
                       false;
            if (smp.data.size() > 0x3FFFFFFF || smp.volume > 64)
                return *error = Format("instrument %d, sample %d: too long or volume above 64", n, static_cast<int>(s)),
                       false;
            const uint64_t loopEnd = static_cast<uint64_t>(smp.loopStart) + smp.loopLength;
            if (smp.loop != Loop::None && (smp.loopLength == 0 || loopEnd > smp.data.size()))
                return *error = Format("instrument %d, sample %d: the loop runs past the sample", n, static_cast<int>(s)),
                       false;
        }
    }
    return true;
}

void WriteEnvelopePoints(Bytes& b, const Envelope& e) {
    for (size_t i = 0; i < kMaxEnvelopePoints; ++i) {
        b.U16(i < e.points.size() ? e.points[i].first : 0);
        b.U16(i < e.points.size() ? e.points[i].second : 0);
    }
}

uint8_t EnvelopeType(const Envelope& e) {
    if (e.points.empty()) return 0;
    return static_cast<uint8_t>(1 | (e.sustain >= 0 ? 2 : 0) | (e.loopStart >= 0 ? 4 : 0));
}

void WritePattern(Bytes& b, const Pattern& p) {
    b.U32(9);
    b.U8(0);  // packing type
    b.U16(static_cast<unsigned>(p.rows));
    const size_t sizeAt = b.Size();
    b.U16(0);
    const size_t start = b.Size();
    for (const Cell& c : p.cells) {
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        uint8_t mask = 0;
        for (int f = 0; f < 5; ++f)
            if (fields[f]) mask |= static_cast<uint8_t>(1 << f);
        if (mask == 0x1F) {
            for (uint8_t f : fields) b.U8(f);  // all five present: unpacked is shortest
        } else {
            b.U8(0x80 | mask);
            for (int f = 0; f < 5; ++f)
                if (fields[f]) b.U8(fields[f]);
        }
    }
    b.PatchU16(sizeAt, static_cast<unsigned>(b.Size() - start));
}

void WriteInstrument(Bytes& b, const Instrument& ins) {
    if (ins.samples.empty()) {
        b.U32(29);
        b.Text(ins.name, 22);
        b.U8(0);
        b.U16(0);
        return;
    }
    b.U32(kInstrumentHeaderSize);
    b.Text(ins.name, 22);
    b.U8(0);
    b.U16(static_cast<unsigned>(ins.samples.size()));
    b.U32(kSampleHeaderSize);
    for (uint8_t s : ins.sampleForNote) b.U8(s);
    WriteEnvelopePoints(b, ins.volumeEnvelope);
    WriteEnvelopePoints(b, ins.panningEnvelope);
    b.U8(static_cast<unsigned>(ins.volumeEnvelope.points.size()));
    b.U8(static_cast<unsigned>(ins.panningEnvelope.points.size()));
    for (const Envelope* e : {&ins.volumeEnvelope, &ins.panningEnvelope}) {
        b.U8(e->sustain >= 0 ? static_cast<unsigned>(e->sustain) : 0);
        b.U8(e->loopStart >= 0 ? static_cast<unsigned>(e->loopStart) : 0);
        b.U8(e->loopEnd >= 0 ? static_cast<unsigned>(e->loopEnd) : 0);
    }
    b.U8(EnvelopeType(ins.volumeEnvelope));
    b.U8(EnvelopeType(ins.panningEnvelope));
    b.Zeros(4);  // auto-vibrato: type, sweep, depth, rate
    b.U16(ins.fadeout);
    b.Zeros(22);  // reserved

    for (const Sample& s : ins.samples) {
        // Lengths and loop points are in bytes for 16-bit samples.
        b.U32(static_cast<uint32_t>(s.data.size() * 2));
        b.U32(s.loop == Loop::None ? 0 : s.loopStart * 2);
        b.U32(s.loop == Loop::None ? 0 : s.loopLength * 2);
        b.U8(s.volume);
        b.U8(static_cast<uint8_t>(s.finetune));
        b.U8(static_cast<unsigned>(s.loop) | 0x10);  // 16-bit
        b.U8(s.panning);
        b.U8(static_cast<uint8_t>(s.relativeNote));
        b.U8(0);  // delta coding
        b.Text(s.name, 22);
    }
    for (const Sample& s : ins.samples) {
        int16_t previous = 0;
        for (int16_t v : s.data) {
            b.U16(static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(previous)));
            previous = v;
        }
    }
}

}  // namespace

bool Write(const Module& module, std::vector<uint8_t>* out, std::string* error) {
    std::string local;
    std::string* why = error ? error : &local;
    if (!out) return *why = "no output buffer", false;
    if (!Check(module, why)) return false;

    std::vector<uint8_t> bytes;
    Bytes b(&bytes);
    b.Text("Extended Module: ", 17);
    b.Text(module.name, 20);
    b.U8(0x1A);
    b.Text("Marlo tools", 20);
    b.U16(0x0104);
    b.U32(kHeaderSize);
    b.U16(static_cast<unsigned>(module.orders.size()));
    b.U16(static_cast<unsigned>(module.restartPosition));
    b.U16(static_cast<unsigned>(module.channels));
    b.U16(static_cast<unsigned>(module.patterns.size()));
    b.U16(static_cast<unsigned>(module.instruments.size()));
    b.U16(module.linearFrequencies ? 1 : 0);
    b.U16(static_cast<unsigned>(module.speed));
    b.U16(static_cast<unsigned>(module.bpm));
    for (size_t i = 0; i < 256; ++i) b.U8(i < module.orders.size() ? module.orders[i] : 0);

    for (const Pattern& p : module.patterns) WritePattern(b, p);
    for (const Instrument& ins : module.instruments) WriteInstrument(b, ins);
    *out = std::move(bytes);
    return true;
}

bool WriteFile(const Module& module, const std::string& path, std::string* error) {
    std::string local;
    std::string* why = error ? error : &local;
    std::vector<uint8_t> bytes;
    if (!Write(module, &bytes, why)) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return *why = "cannot create " + path, false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) return *why = "cannot write " + path, false;
    return true;
}

}  // namespace xm
