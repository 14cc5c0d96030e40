// Writing the font's description file.
#include "FontFiles.h"


#include <cstdio>

namespace fonts {
namespace {

void PutInt(std::vector<uint8_t>* out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

bool WriteKef(const std::string& path, const std::string& faceName, const std::string& textureName, int32_t cellSize,
              const int32_t (&widths)[256], std::string* error) {
    for (const std::string* name : {&faceName, &textureName}) {
        if (name->size() > 255 || name->find('\0') != std::string::npos) {
            *error = "the name '" + *name + "' does not fit a font description";
            return false;
        }
    }
    std::vector<uint8_t> bytes(faceName.begin(), faceName.end());
    bytes.push_back(0);
    bytes.insert(bytes.end(), textureName.begin(), textureName.end());
    bytes.push_back(0);
    PutInt(&bytes, cellSize);
    for (int32_t width : widths) PutInt(&bytes, width);

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        *error = "cannot finish writing " + path;
        return false;
    }
    return true;
}

}  // namespace fonts
