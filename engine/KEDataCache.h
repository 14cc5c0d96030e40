// Data files kept in memory by the engine, so that a show built again while it plays (its
// effects created and loaded anew) does not read unchanged files a second time: whole files
// as bytes (scenes, font descriptions) and decoded images (textures, glyph sheets).
//
// Entries are kept by the file's resolved path (matched case-blind like every data file)
// and checked at every lookup against the file's size and last-write time; a file that
// changed or went is read again. A failed read or decode is not kept, nor is a file written
// in the last two seconds (file times count in steps; KEDataCache.cpp says why): such a
// file is read again at every lookup until it settles. Main thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class KEDataCache {
public:
    using Bytes = std::vector<uint8_t>;

    // A decoded image: packed rows, top row first, 3 (24 bits) or 4 (32 bits) bytes per pixel.
    struct Image {
        int32_t width = 0;
        int32_t height = 0;
        int32_t bitsPerPixel = 0;
        std::unique_ptr<unsigned char[]> pixels;
    };
    // Decodes the file at the path it is given (the caller's own name, so that its reports
    // name the file as they always have); null on failure, after its own reports.
    using ImageDecoder = std::function<std::shared_ptr<const Image>(const char* path)>;

    // Larger files are not held: their readers stream them from the file as before.
    static constexpr uintmax_t kMaxFileBytes = uintmax_t{256} << 20;

    // The whole contents of the data file at `path`. Null, saying nothing, when it is missing,
    // not a regular file, larger than maxBytes, or cannot be read whole (it changed while it
    // was read): the caller then opens it its own way and reports as it always has.
    std::shared_ptr<const Bytes> ReadFile(const char* path, uintmax_t maxBytes = kMaxFileBytes);

    // The image of the data file at `path`: decode runs only when no image of the file as it
    // is now is held, and what it gives is held when it is an image. A file that cannot be
    // looked at (missing, not a regular file) still goes to decode, which reports it.
    std::shared_ptr<const Image> GetImage(const char* path, const ImageDecoder& decode);

    // How many times the file at `path` was read from disk (or handed to a decoder) here.
    int GetDiskReads(const char* path) const;

    // Drops every held file and image; the read counts stay.
    void Clear();

private:
    struct Stamp {
        uintmax_t size = 0;
        std::filesystem::file_time_type time{};
        bool operator==(const Stamp& o) const { return size == o.size && time == o.time; }
    };
    template <class T>
    struct Entry {
        Stamp stamp;
        std::shared_ptr<const T> data;
    };
    template <class T>
    using Shelf = std::unordered_map<std::string, Entry<T>>;

    // The key of a data path: its resolved path made absolute, so that a change of the
    // working folder cannot make one name stand for two files. Empty for no name.
    static std::string KeyOf(const char* path, std::string* resolved);
    // Size and last-write time of a regular file; false for anything else.
    static bool StampOf(const std::string& path, Stamp* stamp);
    template <class T>
    static std::shared_ptr<const T> Fresh(const Shelf<T>& shelf, const std::string& key, const Stamp& stamp);
    template <class T>
    static void Keep(Shelf<T>* shelf, const std::string& key, const Stamp& stamp,
                     std::filesystem::file_time_type readAt, std::shared_ptr<const T> data);

    Shelf<Bytes> m_files;
    Shelf<Image> m_images;
    std::unordered_map<std::string, int> m_reads;
};
