// What reading a show needs from outside the file: whether data files exist, and when
// rows of the show's module start. The program's own looks in the data folder (the current
// folder) and asks the module; tests and the fuzz harness give their own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class KSSongTimes;

class ShowEnvironment {
public:
    virtual ~ShowEnvironment() = default;
    // Whether a data file of that name (matched case-blind) exists.
    virtual bool DataFileExists(const std::string& path) = 0;
    // Seconds from the song's start at which the row starts. False with *why when the
    // module cannot be read or the position is past its end.
    virtual bool RowTime(const std::string& module, int32_t order, int32_t row, double* seconds, std::string* why) = 0;
    // A string of a show file as the program uses it: "{temp}/NAME" becomes a file of this
    // run's own in the temporary folder (for logs recorded and replayed in one run, where
    // the data folder may not be writable); any other text stays as it is.
    virtual std::string ExpandPath(const std::string& text) { return text; }
};

class DataFolderEnvironment : public ShowEnvironment {
public:
    // `processId` makes this run's own temporary names; rows are timed as the music plays
    // them at `sampleRate` (a whole number of frames a tick).
    explicit DataFolderEnvironment(unsigned long processId, int32_t sampleRate = 44100);
    ~DataFolderEnvironment() override;
    bool DataFileExists(const std::string& path) override;
    bool RowTime(const std::string& module, int32_t order, int32_t row, double* seconds, std::string* why) override;
    std::string ExpandPath(const std::string& text) override;

private:
    // Each module read once, a failed one too (with its reason).
    struct Song {
        std::unique_ptr<KSSongTimes> times;
        std::string error;
    };
    std::map<std::string, Song> m_songs;
    unsigned long m_processId;
    int32_t m_sampleRate;
};
