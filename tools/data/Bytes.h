// Little-endian fields and whole files, for the data tools' binary formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace data {

void Put16(std::vector<uint8_t>* out, uint32_t value);
void Put32(std::vector<uint8_t>* out, uint32_t value);

// Writes the bytes as the whole file; false with the reason in *error.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

}  // namespace data
