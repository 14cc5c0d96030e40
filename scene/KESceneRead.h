// Reading helpers shared by the scene records: counts checked against the bytes left
// before anything is allocated, so a corrupt file is refused instead of allocating without
// bound or reading past its end.
#pragma once

#include "KLFile.h"

#include <cstdint>
#include <string>

namespace scene_read {

// Reads a count of records at least `minBytes` long each. False, with *error naming
// `what`, when it cannot be read, is negative or more than the bytes left can hold.
inline bool ReadCount(FileReader* reader, int64_t minBytes, const char* what, int32_t* count, std::string* error) {
    if (!reader->ReadInt(count)) {
        *error = std::string("the file ends before the ") + what;
        return false;
    }
    if (*count < 0) {
        *error = std::string("negative ") + what + " (" + std::to_string(*count) + ")";
        return false;
    }
    if (minBytes > 0 && static_cast<int64_t>(*count) * minBytes > static_cast<int64_t>(reader->BytesLeft())) {
        *error = std::to_string(*count) + " " + what + " do not fit in the " + std::to_string(reader->BytesLeft()) +
                 " bytes left";
        return false;
    }
    return true;
}

// Reads n floats; false with *error naming `what` at the end of the file.
inline bool ReadFloats(FileReader* reader, float* out, int n, const char* what, std::string* error) {
    for (int i = 0; i < n; ++i) {
        if (!reader->ReadFloat(&out[i])) {
            *error = std::string("the file ends inside the ") + what;
            return false;
        }
    }
    return true;
}

inline bool WriteFloats(FileWriter* writer, const float* values, int n) {
    for (int i = 0; i < n; ++i) {
        if (!writer->WriteFloat(values[i])) return false;
    }
    return true;
}

}  // namespace scene_read
