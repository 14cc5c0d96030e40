// Writing the font's description file.
#include "FontFiles.h"

#include "Bytes.h"

namespace fonts {

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
    data::Put32(&bytes, static_cast<uint32_t>(cellSize));
    for (int32_t width : widths) data::Put32(&bytes, static_cast<uint32_t>(width));

    return data::WriteBytes(path, bytes, error);
}

}  // namespace fonts
