// The log player: one read of the log at load, one table lookup per read of its output.
#include "CLogPlayer.h"

#include "KLFile.h"
#include "KLLog.h"

CLogPlayerModifier::CLogPlayerModifier() {
    SetString(kFileParam, "undefined.log");
    SetInt(kTimeParam, 0);
}

float CLogPlayerModifier::GetFloat(int index) {
    if (index == kOutputChannel) return m_log.At(GetInt(kTimeParam));
    return CModifier::GetFloat(index);
}

bool CLogPlayerModifier::Load() {
    const char* file = GetString(kFileParam);
    FileReader reader;
    // A file that cannot be opened is reported by the reader itself.
    if (reader.Open(file)) {
        if (!reader.ReadObject(&m_log)) LogError("Log file %s: %s", file, m_log.GetError().c_str());
        reader.Close();
    }
    return true;
}

CModifier* CLogPlayerBuilder::Create() { return new CLogPlayerModifier(); }

void RegisterLogPlayerBuilder() {
    static CLogPlayerBuilder builder;
    KDSProvideModifierBuilder(&builder);
}
