#include "WavWriter.h"

#include <vector>

namespace {

void Put16(unsigned char* at, uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* at, uint32_t value) {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

}  // namespace

bool WavWriter::Open(const std::string& path, int32_t sampleRate, std::string* error) {
    m_rate = sampleRate;
    m_dataBytes = 0;
    return m_file.Open(path, error) && WriteHeader(error);
}

bool WavWriter::WriteHeader(std::string* error) {
    const uint32_t data = static_cast<uint32_t>(m_dataBytes);
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Put32(header + 4, 36 + data);
    Put32(header + 16, 16);  // format chunk size
    Put16(header + 20, 1);   // PCM
    Put16(header + 22, 2);   // channels
    Put32(header + 24, static_cast<uint32_t>(m_rate));
    Put32(header + 28, static_cast<uint32_t>(m_rate) * 4);  // bytes per second
    Put16(header + 32, 4);                                  // bytes per frame
    Put16(header + 34, 16);                                 // bits per sample
    header[36] = 'd';
    header[37] = 'a';
    header[38] = 't';
    header[39] = 'a';
    Put32(header + 40, data);
    return m_file.Write(header, sizeof(header), error);
}

bool WavWriter::Write(const int16_t* samples, size_t frames, std::string* error) {
    const uint64_t bytes = static_cast<uint64_t>(frames) * 4;
    if (m_dataBytes + bytes > kMaxDataBytes) {
        if (error) *error = "cannot write " + m_file.GetPath() + ": the soundtrack passes the 4 GiB a WAV file can hold";
        return false;
    }
    // The file is little-endian whatever the machine.
    std::vector<unsigned char> out(static_cast<size_t>(bytes));
    for (size_t i = 0; i < frames * 2; ++i) Put16(&out[i * 2], static_cast<uint16_t>(samples[i]));
    if (!m_file.Write(out.data(), out.size(), error)) return false;
    m_dataBytes += bytes;
    return true;
}

bool WavWriter::Finish(std::string* error) {
    return m_file.Rewind(error) && WriteHeader(error) && m_file.Commit(error);
}
