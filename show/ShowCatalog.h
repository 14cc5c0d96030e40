// The catalog as show files see it: every registered effect and modifier type with its
// named parameters and outputs, plus the two kinds of object of the show loader's own (float
// and vector tracks) and the system's channels. Names are looked up here for the reader,
// the checker and --describe.
#pragma once

#include "KDSParameters.h"

#include <string>
#include <vector>

class KDSBuilderCatalog;

struct ShowType {
    enum Role { kEffect, kModifier, kTrack, kSystem };
    Role role;
    std::string name;
    std::string description;
    // The builder's rows, and for effects the local-time row.
    std::vector<KDSParamInfo> rows;
};

// A parameter or channel of a type, by number; `row` is the table's row that covers it, or
// null for a number the table does not name.
struct ShowParam {
    KDSKind kind = KDSKind::Float;
    int index = 0;
    const KDSParamInfo* row = nullptr;

    bool IsOutput() const { return row && row->IsOutput(); }
};

class ShowCatalog {
public:
    // The types of the builders the catalog holds, in registration order.
    explicit ShowCatalog(const KDSBuilderCatalog& builders);

    // An effect or modifier type by its exact name, or null.
    const ShowType* FindType(const std::string& name) const;
    // The registered type name closest to `name` (letters, case and blanks), for "did you mean".
    std::string ClosestType(const std::string& name) const;
    const std::vector<ShowType>& Types() const { return m_types; }

    const ShowType& FloatTrack() const { return m_floatTrack; }
    const ShowType& VectorTrack() const { return m_vectorTrack; }
    const ShowType& System() const { return m_system; }

    // The text of `marlo --describe` and of `marlo --describe TYPE`.
    std::string Describe() const;
    std::string DescribeType(const ShowType& type) const;

private:
    std::vector<ShowType> m_types;
    ShowType m_floatTrack;
    ShowType m_vectorTrack;
    ShowType m_system;
};

// A parameter of `type` by name: a row's name ("opacity", "velocity.2" of a numbered run)
// or a kind and number ("float.12"). False when neither names one (*why says what was
// expected).
bool FindShowParam(const ShowType& type, const std::string& name, ShowParam* out, std::string* why);

// The parameter of `type` of that kind and number (its row, when the table names it).
ShowParam ShowParamAt(const ShowType& type, KDSKind kind, int index);

// How a parameter is written in a show file: the row's name ("velocity.2") or "float.12".
std::string ShowParamName(const ShowParam& param);

// The closest of `type`'s names to `name`, or empty when none is near.
std::string ClosestShowParam(const ShowType& type, const std::string& name);
