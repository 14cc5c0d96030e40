// The engine's data cache: lookups by resolved path, each checked against the file's size
// and last-write time, and reads that keep only files read whole.
#include "KEDataCache.h"

#include "KLFile.h"
#include "KLPath.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// File times count in steps (a few milliseconds on Linux, two seconds on FAT): a file
// rewritten in the same step as the read that was kept would keep its time and, at the
// same size, pass for unchanged. So only files whose time was that far in the past when
// they were read are kept; a younger one is read again at every lookup until it settles.
constexpr std::chrono::seconds kSettleTime{2};

}  // namespace

std::string KEDataCache::KeyOf(const char* path, std::string* resolved) {
    if (!path || !*path) return std::string();
    try {
        *resolved = KL::ResolveDataPath(path);
        std::error_code ec;
        const fs::path absolute = fs::absolute(fs::path(*resolved), ec);
        return ec ? *resolved : absolute.string();
    } catch (...) {
        // Only allocation or a name the system cannot convert gets here: not kept.
        return std::string();
    }
}

bool KEDataCache::StampOf(const std::string& path, Stamp* stamp) {
    try {
        const fs::path file(path);
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) return false;
        stamp->size = fs::file_size(file, ec);
        if (ec) return false;
        stamp->time = fs::last_write_time(file, ec);
        return !ec;
    } catch (...) {
        return false;
    }
}

template <class T>
std::shared_ptr<const T> KEDataCache::Fresh(const Shelf<T>& shelf, const std::string& key, const Stamp& stamp) {
    const auto it = shelf.find(key);
    if (it == shelf.end() || !(it->second.stamp == stamp)) return nullptr;
    return it->second.data;
}

template <class T>
void KEDataCache::Keep(Shelf<T>* shelf, const std::string& key, const Stamp& stamp, fs::file_time_type readAt,
                       std::shared_ptr<const T> data) {
    if (!(stamp.time < readAt - kSettleTime)) return;
    Entry<T>& entry = (*shelf)[key];
    entry.stamp = stamp;
    entry.data = std::move(data);
}

std::shared_ptr<const KEDataCache::Bytes> KEDataCache::ReadFile(const char* path, uintmax_t maxBytes) {
    std::string resolved;
    const std::string key = KeyOf(path, &resolved);
    if (key.empty()) return nullptr;
    Stamp stamp;
    const bool usable = StampOf(resolved, &stamp) && stamp.size <= maxBytes;
    if (usable) {
        if (std::shared_ptr<const Bytes> held = Fresh(m_files, key, stamp)) return held;
    }
    // Whatever was held is out of date, whether or not the file can be read now.
    m_files.erase(key);
    if (!usable) return nullptr;

    // The stamp is taken before the read, so that a change made while reading shows as a
    // different stamp at the next lookup.
    const fs::file_time_type readAt = fs::file_time_type::clock::now();
    std::shared_ptr<Bytes> bytes;
    try {
        bytes = std::make_shared<Bytes>(static_cast<size_t>(stamp.size));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ++m_reads[key];
    FILE* file = KL::OpenRegularFile(resolved.c_str());
    if (!file) return nullptr;
    // The file must hold exactly as many bytes as its stamp said; one that changed size
    // while it was read is left to the caller's own reading.
    bool whole = bytes->empty() || std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    whole = whole && std::fgetc(file) == EOF;
    std::fclose(file);
    if (!whole) return nullptr;
    Keep<Bytes>(&m_files, key, stamp, readAt, bytes);
    return bytes;
}

std::shared_ptr<const KEDataCache::Image> KEDataCache::GetImage(const char* path, const ImageDecoder& decode) {
    std::string resolved;
    const std::string key = KeyOf(path, &resolved);
    Stamp stamp;
    const bool stamped = !key.empty() && StampOf(resolved, &stamp);
    if (stamped) {
        if (std::shared_ptr<const Image> held = Fresh(m_images, key, stamp)) return held;
    }
    m_images.erase(key);
    const fs::file_time_type readAt = fs::file_time_type::clock::now();
    if (!key.empty()) ++m_reads[key];
    std::shared_ptr<const Image> image = decode(path);
    if (image && stamped) Keep(&m_images, key, stamp, readAt, image);
    return image;
}

int KEDataCache::GetDiskReads(const char* path) const {
    std::string resolved;
    const auto it = m_reads.find(KeyOf(path, &resolved));
    return it == m_reads.end() ? 0 : it->second;
}

void KEDataCache::Clear() {
    m_files.clear();
    m_images.clear();
}
