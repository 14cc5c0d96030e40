#include "ShowCatalog.h"

#include "KDSBuilders.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const KDSParamInfo kFloatTrackRows[] = {
    {KDSKind::Float, 0, "value", "the track's value at the demo's time", "", KDSParamInfo::kOutput},
};
const KDSParamInfo kVectorTrackRows[] = {
    {KDSKind::Vector, 0, "value", "the track's value at the demo's time", "", KDSParamInfo::kOutput},
};
// What the demo system publishes to every object.
const KDSParamInfo kSystemRows[] = {
    {KDSKind::Int, 0, "device", "the sound device chosen at setup", "", KDSParamInfo::kOutput},
    {KDSKind::Int, 1, "rate", "the sample rate chosen at setup, Hz", "", KDSParamInfo::kOutput},
    {KDSKind::Float, 3, "progress", "loading progress, per cent", "", KDSParamInfo::kOutput},
};

template <int N>
std::vector<KDSParamInfo> Rows(const KDSParamInfo (&rows)[N]) {
    return std::vector<KDSParamInfo>(rows, rows + N);
}

std::vector<KDSParamInfo> Rows(const KDSParamTable& table) { return std::vector<KDSParamInfo>(table.begin(), table.end()); }

// Letters and digits only, lower case: "Bass player" and "bass-player" compare equal.
std::string Folded(const std::string& text) {
    std::string folded;
    for (unsigned char c : text) {
        if (std::isalnum(c)) folded += static_cast<char>(std::tolower(c));
    }
    return folded;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

// The candidate nearest to `name`, when it is near enough to be a slip.
std::string Closest(const std::vector<std::string>& candidates, const std::string& name) {
    const std::string folded = Folded(name);
    std::string best;
    size_t bestDistance = SIZE_MAX;
    for (const std::string& candidate : candidates) {
        const size_t distance = EditDistance(folded, Folded(candidate));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return bestDistance <= std::max<size_t>(2, Folded(best).size() / 3) ? best : std::string();
}

// The row of `rows` that names (kind, index), alone or within its numbered run.
const KDSParamInfo* RowAt(const std::vector<KDSParamInfo>& rows, KDSKind kind, int index) {
    for (const KDSParamInfo& row : rows) {
        if (row.kind == kind && index >= row.index && index < row.index + row.count) return &row;
    }
    return nullptr;
}

bool ParseIndex(const std::string& text, int* index) {
    if (text.empty() || text.size() > 3) return false;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    *index = n;
    return true;
}

void Pad(std::string* line, size_t width) {
    if (line->size() < width) line->append(width - line->size(), ' ');
    else *line += ' ';
}

}  // namespace

ShowCatalog::ShowCatalog(const KDSBuilderCatalog& builders)
    : m_floatTrack{ShowType::kTrack, "float track", "a keyframe track of floats", Rows(kFloatTrackRows)},
      m_vectorTrack{ShowType::kTrack, "vector track", "a keyframe track of vectors", Rows(kVectorTrackRows)},
      m_system{ShowType::kSystem, "system", "the setup choices and the loading progress", Rows(kSystemRows)} {
    for (int i = 0; i < KDSBuilderCatalog::kEffectTypes; ++i) {
        IEffectBuilder* builder = builders.GetEffect(i);
        if (!builder) continue;
        ShowType type{ShowType::kEffect, builder->GetName(), builder->GetDescription(), Rows(builder->GetParameters())};
        type.rows.push_back(kKDSLocalTimeRow);
        m_types.push_back(std::move(type));
    }
    for (int i = 0; i < KDSBuilderCatalog::kModifierTypes; ++i) {
        IModifierBuilder* builder = builders.GetModifier(i);
        if (!builder) continue;
        m_types.push_back({ShowType::kModifier, builder->GetName(), builder->GetDescription(),
                           Rows(builder->GetParameters())});
    }
}

const ShowType* ShowCatalog::FindType(const std::string& name) const {
    for (const ShowType& type : m_types) {
        if (type.name == name) return &type;
    }
    return nullptr;
}

std::string ShowCatalog::ClosestType(const std::string& name) const {
    std::vector<std::string> names;
    for (const ShowType& type : m_types) names.push_back(type.name);
    return Closest(names, name);
}

bool FindShowParam(const ShowType& type, const std::string& name, ShowParam* out, std::string* why) {
    const size_t dot = name.find('.');
    KDSKind kind;
    int index = 0;
    if (dot != std::string::npos && KDSKindFromName(name.substr(0, dot).c_str(), &kind)) {
        if (!ParseIndex(name.substr(dot + 1), &index) || index > 255) {
            if (why) *why = "expected a number from 0 to 255 after \"" + name.substr(0, dot + 1) + "\"";
            return false;
        }
        *out = ShowParamAt(type, kind, index);
        return true;
    }
    for (const KDSParamInfo& row : type.rows) {
        if (row.count == 1 && name == row.name) {
            *out = ShowParam{row.kind, row.index, &row};
            return true;
        }
        const size_t length = std::strlen(row.name);
        if (row.count > 1 && name.size() > length + 1 && name.compare(0, length, row.name) == 0 && name[length] == '.') {
            if (ParseIndex(name.substr(length + 1), &index) && index >= 1 && index <= row.count) {
                *out = ShowParam{row.kind, row.index + index - 1, &row};
                return true;
            }
            if (why) *why = "expected " + std::string(row.name) + ".1 to " + row.name + "." + std::to_string(row.count);
            return false;
        }
    }
    if (why) {
        const std::string closest = ClosestShowParam(type, name);
        *why = closest.empty() ? "expected a name that `marlo --describe \"" + type.name + "\"` lists, or a kind and number such as float.12"
                               : "did you mean \"" + closest + "\"? (see `marlo --describe \"" + type.name + "\"`)";
    }
    return false;
}

ShowParam ShowParamAt(const ShowType& type, KDSKind kind, int index) {
    return ShowParam{kind, index, RowAt(type.rows, kind, index)};
}

std::string ShowParamName(const ShowParam& param) {
    if (param.row && param.row->count > 1) return std::string(param.row->name) + "." + std::to_string(param.index - param.row->index + 1);
    if (param.row) return param.row->name;
    return std::string(KDSKindName(param.kind)) + "." + std::to_string(param.index);
}

std::string ClosestShowParam(const ShowType& type, const std::string& name) {
    std::vector<std::string> names;
    for (const KDSParamInfo& row : type.rows) names.push_back(row.count > 1 ? std::string(row.name) + ".1" : row.name);
    return Closest(names, name);
}

std::string ShowCatalog::Describe() const {
    std::string text;
    for (ShowType::Role role : {ShowType::kEffect, ShowType::kModifier}) {
        text += role == ShowType::kEffect ? "Effects ([[effect]]: a layer, a start and an end on the timeline):\n"
                                          : "Modifiers ([[modifier]]: values computed when read):\n";
        for (const ShowType& type : m_types) {
            if (type.role != role) continue;
            std::string line = "  \"" + type.name + "\"";
            Pad(&line, 32);
            text += line + type.description + "\n";
        }
    }
    text += "Tracks ([[track]]): keyframes of a float or a vector; bind to ID.value.\n";
    text += "System channels: system.device, system.rate (int), system.progress (float).\n";
    text += "marlo --describe TYPE lists a type's parameters and outputs.\n";
    return text;
}

std::string ShowCatalog::DescribeType(const ShowType& type) const {
    std::string text = "\"" + type.name + "\"";
    text += type.role == ShowType::kEffect ? " (effect): " : type.role == ShowType::kModifier ? " (modifier): " : ": ";
    text += type.description + "\n";
    auto rowLine = [](const KDSParamInfo& row) {
        std::string name = row.count > 1 ? std::string(row.name) + ".1.." + std::to_string(row.count) : row.name;
        std::string where = std::string(KDSKindName(row.kind)) + "." + std::to_string(row.index);
        if (row.count > 1) where += "-" + std::to_string(row.index + row.count - 1);
        std::string line = "  " + name;
        Pad(&line, 22);
        line += where;
        Pad(&line, 38);
        if (!row.IsOutput()) {
            line += row.defaultValue;
            Pad(&line, 60);
        }
        line += row.meaning;
        if (row.flags & KDSParamInfo::kReadsFile) line += " (a data file)";
        if (row.flags & KDSParamInfo::kWritesFile) line += " (a file written)";
        return line + "\n";
    };
    std::string parameters, outputs;
    for (const KDSParamInfo& row : type.rows) (row.IsOutput() ? outputs : parameters) += rowLine(row);
    if (!parameters.empty()) {
        std::string head = "  name";
        Pad(&head, 22);
        head += "kind.number";
        Pad(&head, 38);
        head += "default";
        Pad(&head, 60);
        text += "Parameters (set a value, or bind with { bind = \"ID.OUTPUT\" }):\n" + head + "meaning\n" + parameters;
    }
    if (!outputs.empty()) text += "Outputs (bind to them as ID.NAME):\n" + outputs;
    text += "Any other number is an ordinary parameter, named by kind and number (float.40).\n";
    return text;
}
