// The log player: one read of the log (at load, or, when the file is written during the
// show, at the first read of the output after it exists), one table lookup per read.
#include "CLogPlayer.h"

#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <filesystem>
#include <system_error>

CLogPlayerModifier::CLogPlayerModifier() {
    SetString(kFileParam, "undefined.log");
    SetInt(kTimeParam, 0);
}

float CLogPlayerModifier::GetFloat(int index) {
    if (index != kOutputChannel) return CModifier::GetFloat(index);
    if (m_readPending && Exists()) {
        m_readPending = false;
        Read();
    }
    return m_log.At(GetInt(kTimeParam));
}

bool CLogPlayerModifier::Load() {
    m_readPending = false;
    if (Exists()) {
        Read();
        return true;
    }
    // A log the show records itself does not exist yet: no box, and the value is 0.0 until
    // the file is there.
    const char* file = GetString(kFileParam);
    LogMessage("Log file %s is not there yet: its value is 0.0 until it is", file ? file : "(none)");
    m_readPending = true;
    return true;
}

bool CLogPlayerModifier::Exists() {
    const char* file = GetString(kFileParam);
    std::error_code ec;
    return file && *file && std::filesystem::is_regular_file(KL::ResolveDataPath(file), ec);
}

void CLogPlayerModifier::Read() {
    const char* file = GetString(kFileParam);
    FileReader reader;
    // A file that cannot be opened is reported by the reader itself.
    if (reader.Open(file)) {
        if (!reader.ReadObject(&m_log)) LogError("Log file %s: %s", file, m_log.GetError().c_str());
        reader.Close();
    }
}

namespace {

const KDSParamInfo kLogPlayerParams[] = {
    {KDSKind::String, CLogPlayerModifier::kFileParam, "log", "value log to play, as the debug effect writes it",
     "\"undefined.log\"", KDSParamInfo::kReadsFile},
    {KDSKind::Int, CLogPlayerModifier::kTimeParam, "time",
     "playback time, ms; usually bound to an effect's local time (int 255)", "0"},
    {KDSKind::Float, CLogPlayerModifier::kOutputChannel, "value",
     "the logged value at the playback time, looping; 0.0 without a log", "", KDSParamInfo::kOutput, 1, "int.2"},
};

}  // namespace

KDSParamTable CLogPlayerBuilder::GetParameters() { return MakeParamTable(kLogPlayerParams); }

CModifier* CLogPlayerBuilder::Create() { return new CLogPlayerModifier(); }

void RegisterLogPlayerBuilder() {
    static CLogPlayerBuilder builder;
    KDSProvideModifierBuilder(&builder);
}
