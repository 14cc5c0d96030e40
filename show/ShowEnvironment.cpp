#include "ShowEnvironment.h"

#include "KLPath.h"
#include "KSSongTimes.h"

#include <filesystem>
#include <system_error>

DataFolderEnvironment::DataFolderEnvironment(unsigned long processId, int32_t sampleRate)
    : m_processId(processId), m_sampleRate(sampleRate) {}
DataFolderEnvironment::~DataFolderEnvironment() = default;

bool DataFolderEnvironment::DataFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(KL::ResolveDataPath(path.c_str()), ec);
}

bool DataFolderEnvironment::RowTime(const std::string& module, int32_t order, int32_t row, double* seconds,
                                    std::string* why) {
    auto found = m_songs.find(module);
    if (found == m_songs.end()) {
        Song song;
        song.times = KSSongTimes::Load(module.c_str(), &song.error, m_sampleRate);
        found = m_songs.emplace(module, std::move(song)).first;
    }
    if (!found->second.times) {
        if (why) *why = found->second.error;
        return false;
    }
    return found->second.times->GetRowTime(order, row, seconds, why);
}

std::string DataFolderEnvironment::ExpandPath(const std::string& text) {
    static const std::string kTemp = "{temp}/";
    if (text.compare(0, kTemp.size(), kTemp) != 0) return text;
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) folder = ".";
    const std::string own = "marlo-" + std::to_string(m_processId) + "-";
    return (folder / (own + text.substr(kTemp.size()))).string();
}
