// What a type's numbered parameters mean: each builder offers a table of its parameters
// and output channels, with a short name of our own, one line of meaning and the default.
// Show files name parameters through it, the show checker follows bindings through it,
// and the program's --describe prints it. The names are ours; nothing the system prints
// or registers changes with them.
#pragma once

#include <cstdint>

// The five parameter banks of a parameter object.
enum class KDSKind : uint8_t { String, Int, Float, Vector, Object };

constexpr int kKDSKindCount = 5;

// "string", "int", "float", "vector", "object": how show files and --describe spell a kind.
const char* KDSKindName(KDSKind kind);
// The kind spelled so; false for any other word.
bool KDSKindFromName(const char* name, KDSKind* kind);

struct KDSParamInfo {
    enum Flags : uint8_t {
        kNone = 0,
        // A value the object computes (a modifier's or an effect's output channel): reading
        // it ignores what is set or bound there, so a show binds to it but never sets it.
        kOutput = 1,
        // A string naming a data file the object reads (scene, texture, module, log), looked
        // up under the data folder.
        kReadsFile = 2,
        // A string naming a file the object writes (a recorded log).
        kWritesFile = 4,
    };

    KDSKind kind;
    int index;
    // Lower case words joined by '-' ("scene", "opacity", "rotation-x"). With `count` above
    // 1 the row stands for a numbered run: "velocity.1" is `index`, "velocity.2" the next.
    const char* name;
    // One line: what the value means, its unit.
    const char* meaning;
    // As a show file would write it: 0.8, [0.1, 0.1, 0.1], "NOT DEFINED"; "none" for an
    // unset string or object; empty for outputs.
    const char* defaultValue;
    uint8_t flags = kNone;
    int count = 1;
    // Outputs only: the parameters of the same object the value is computed from, as
    // "float.0 float.1"; "float.@" is the float with the channel's own number. Empty when the
    // value is the object's own state (a position, a velocity, the local time).
    const char* reads = "";

    bool IsOutput() const { return (flags & kOutput) != 0; }
};

// A builder's table: rows in the order --describe prints them.
struct KDSParamTable {
    const KDSParamInfo* rows = nullptr;
    int count = 0;

    const KDSParamInfo* begin() const { return rows; }
    const KDSParamInfo* end() const { return rows + count; }
};

// The table of a static array of rows.
template <int N>
constexpr KDSParamTable MakeParamTable(const KDSParamInfo (&rows)[N]) {
    return KDSParamTable{rows, N};
}

// Integer 255 of every effect answers its local time; the effect tables leave it out and
// the show layer adds this row for every effect type.
extern const KDSParamInfo kKDSLocalTimeRow;
