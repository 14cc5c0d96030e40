// The parameter tables of every registered effect and modifier type: names that identify one
// parameter each, runs that stay inside the banks, bindings that name parameters of the same
// type, and defaults that are what a new instance really holds.
#include "FakeApplication.h"
#include "CEffect.h"
#include "CParamObject.h"
#include "EffectCatalog.h"
#include "KDSBuilders.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Type {
    std::string name;
    KDSParamTable table;
    std::function<CParamObject*()> create;
    bool effect;
};

// Every type of the process catalog, once all of effects/ has provided its builders.
std::vector<Type> RegisteredTypes() {
    ProvideEffectCatalog();
    const KDSBuilderCatalog& catalog = KDSBuilderCatalog::Process();
    std::vector<Type> types;
    for (int i = 0; i < KDSBuilderCatalog::kEffectTypes; ++i) {
        if (IEffectBuilder* b = catalog.GetEffect(i))
            types.push_back({b->GetName(), b->GetParameters(), [b]() -> CParamObject* { return b->Create(); }, true});
    }
    for (int i = 0; i < KDSBuilderCatalog::kModifierTypes; ++i) {
        if (IModifierBuilder* b = catalog.GetModifier(i))
            types.push_back({b->GetName(), b->GetParameters(), [b]() -> CParamObject* { return b->Create(); }, false});
    }
    return types;
}

// A float as a show file writes it: with a decimal point.
const std::string kFloat = "(-?[0-9]+\\.[0-9]+(?:e-?[0-9]+)?)";

std::string Text(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));  // round-trips every float
    return text;
}

// A written default in one spelling per value ("?" when it is not written as its kind is).
std::string Canonical(KDSKind kind, const std::string& text) {
    std::smatch m;
    auto f = [&m](int i) { return Text(std::strtof(m[i].str().c_str(), nullptr)); };
    switch (kind) {
        case KDSKind::String: return std::regex_match(text, std::regex("none|\".*\"")) ? text : "?";
        case KDSKind::Int:
            return std::regex_match(text, std::regex("-?[0-9]+")) ? std::to_string(std::stol(text)) : "?";
        case KDSKind::Float: return std::regex_match(text, m, std::regex(kFloat)) ? f(1) : "?";
        case KDSKind::Vector: {
            const std::regex vector("\\[" + kFloat + ", " + kFloat + ", " + kFloat + "\\]");
            return std::regex_match(text, m, vector) ? "[" + f(1) + ", " + f(2) + ", " + f(3) + "]" : "?";
        }
        case KDSKind::Object: return text == "none" ? text : "?";
    }
    return "?";
}

// What parameter `index` of the object holds, in the same spelling.
std::string Held(CParamObject* object, KDSKind kind, int index) {
    KEVector3 v{};
    switch (kind) {
        case KDSKind::String: {
            const char* s = object->GetString(index);
            return s ? "\"" + std::string(s) + "\"" : "none";
        }
        case KDSKind::Int: return std::to_string(object->GetInt(index));
        case KDSKind::Float: return Text(object->GetFloat(index));
        case KDSKind::Vector:
            object->GetVector(&v, index);
            return "[" + Text(v.x) + ", " + Text(v.y) + ", " + Text(v.z) + "]";
        case KDSKind::Object: return object->GetObject(index) ? "an object" : "none";
    }
    return "";
}

// Sets the parameter to a value no default is, and answers it as Held spells it.
std::string SetProbe(CParamObject* object, KDSKind kind, int index, CParamObject* other) {
    switch (kind) {
        case KDSKind::String: object->SetString(index, "probe"); return "\"probe\"";
        case KDSKind::Int: object->SetInt(index, 12345); return "12345";
        case KDSKind::Float: object->SetFloat(index, 1234.5f); return "1234.5";
        case KDSKind::Vector: object->SetVector(index, KEVector3{1.5f, 2.5f, 3.5f}); return "[1.5, 2.5, 3.5]";
        case KDSKind::Object: object->SetObject(index, other); return "an object";
    }
    return "";
}

class ParamTables : public ::testing::Test {
protected:
    RecordingLog log;  // keeps the repeated provisions and constructor traces quiet
    std::vector<Type> types = RegisteredTypes();
};

TEST_F(ParamTables, NamesIndicesAndReadsAreUnambiguous) {
    const std::set<std::string> reserved = {"type", "id", "layer", "start", "end"};
    ASSERT_EQ(types.size(), size_t{KDSBuilderCatalog::kEffectTypes + KDSBuilderCatalog::kModifierTypes});
    for (const Type& type : types) {
        EXPECT_GT(type.table.count, 0) << type.name;
        // Effects also answer the local time under its own name.
        std::set<std::string> names;
        if (type.effect) names.insert(kKDSLocalTimeRow.name);
        std::array<std::array<const char*, CParamObject::kParams>, kKDSKindCount> owner{};
        for (const KDSParamInfo& row : type.table) {
            SCOPED_TRACE(type.name + ": " + row.name);
            EXPECT_TRUE(std::regex_match(row.name, std::regex("[a-z0-9]+(-[a-z0-9]+)*")));
            EXPECT_EQ(reserved.count(row.name), 0u);
            EXPECT_TRUE(names.insert(row.name).second) << "name used twice";
            EXPECT_TRUE(row.meaning && *row.meaning);
            ASSERT_GE(row.index, 0);
            ASSERT_GE(row.count, 1);
            ASSERT_LE(row.index + row.count, CParamObject::kParams);
            for (int i = row.index; i < row.index + row.count; ++i) {
                const char*& slot = owner[static_cast<size_t>(row.kind)][static_cast<size_t>(i)];
                EXPECT_EQ(slot, nullptr) << KDSKindName(row.kind) << "." << i << " is also " << slot;
                slot = row.name;
            }
            // Outputs have no default; only input strings name files.
            EXPECT_EQ(*row.defaultValue == '\0', row.IsOutput());
            const bool namesFile = row.flags & (KDSParamInfo::kReadsFile | KDSParamInfo::kWritesFile);
            EXPECT_TRUE(!namesFile || (row.kind == KDSKind::String && !row.IsOutput()));
            EXPECT_TRUE(row.IsOutput() || *row.reads == '\0');
            // What an output reads are inputs of the same table ('@': the channel's own number).
            std::istringstream reads(row.reads);
            std::smatch m;
            KDSKind kind{};
            for (std::string token; reads >> token;) {
                ASSERT_TRUE(std::regex_match(token, m, std::regex("([a-z]+)\\.([0-9]+|@)")) &&
                            KDSKindFromName(m[1].str().c_str(), &kind))
                    << token;
                const int at = m[2] == "@" ? -1 : std::stoi(m[2]);
                bool named = at < 0;
                for (const KDSParamInfo& r : type.table)
                    named |= !r.IsOutput() && r.kind == kind && at >= r.index && at < r.index + r.count;
                EXPECT_TRUE(named) << token << " is no input of the table";
            }
        }
    }
}

TEST_F(ParamTables, DefaultsAreWhatANewInstanceHolds) {
    for (const Type& type : types) {
        std::unique_ptr<CParamObject> object(type.create());
        ASSERT_NE(object, nullptr) << type.name;
        for (const KDSParamInfo& row : type.table) {
            for (int i = row.index; i < row.index + row.count && !row.IsOutput(); ++i) {
                EXPECT_EQ(Canonical(row.kind, row.defaultValue), Held(object.get(), row.kind, i))
                    << type.name << ": " << row.name << " (" << KDSKindName(row.kind) << "." << i << ") written as "
                    << row.defaultValue;
            }
        }
    }
}

// An input keeps what is set there; an output computes its value and ignores it. The string
// output ("info" statistics) is left out: reading it needs the engine.
TEST_F(ParamTables, InputsKeepWhatIsSetAndOutputsIgnoreIt) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    CParamObject other;
    for (const Type& type : types) {
        for (const KDSParamInfo& row : type.table) {
            for (int i = row.index; i < row.index + row.count; ++i) {
                if (row.IsOutput() && row.kind == KDSKind::String) continue;
                std::unique_ptr<CParamObject> object(type.create());
                const std::string set = SetProbe(object.get(), row.kind, i, &other);
                EXPECT_EQ(Held(object.get(), row.kind, i) == set, !row.IsOutput())
                    << type.name << ": " << row.name << " (" << KDSKindName(row.kind) << "." << i << ")";
            }
        }
    }
}

}  // namespace
