// The show file reader: toml++ parses, then each table is read against the catalog's
// names in two passes (ids first, so bindings may name objects further down), then the
// bindings are followed for cycles and the data files looked up.
#include "ShowReader.h"

#include "KestDemoSystem.h"
#include "ShowCatalog.h"
#include "ShowTime.h"

#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

namespace {

constexpr const char* kSystemId = "system";
// Files a type reads whatever its parameters say.
constexpr std::pair<const char*, const char*> kTypeFiles[] = {{"debug", "Files/Fonts/Tahoma.KEF"}};

// toml++ 3.3 reaches an unreachable branch when it asks whether some non-ASCII characters
// are whitespace: those of its lookup's blocks 0, 11 and 63 of 0x3FA characters from U+00A0
// that it does not answer first (U+00A1 to U+0499, U+2C5E to U+3057 but U+3000, which is
// whitespace, and U+FB26 to U+FEFE; accented letters among them). The reader hands it those
// characters moved into the private use area, which it answers correctly, and moves them
// back in every text it takes out; columns count characters, so places stay the same.
struct Shelter {
    char32_t first, last, moved;
};
constexpr Shelter kShelters[] = {
    {0xA1, 0x499, 0xE000}, {0x2C5E, 0x2FFF, 0xE400}, {0x3001, 0x3057, 0xE800}, {0xFB26, 0xFEFE, 0xE900}};
constexpr char32_t kShelterEnd = 0xED00;

// The code point at text[i] and its length; 0 length for a byte that starts no valid one.
char32_t Decode(std::string_view text, size_t i, size_t* length) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t n = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    *length = 0;
    if (n == 0 || i + n > text.size()) return 0;
    char32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next >> 6) != 2) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8: left for the parser to refuse.
    if ((n == 2 && c < 0x80) || (n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || (c >= 0xD800 && c < 0xE000)) return 0;
    *length = n;
    return c;
}

void Encode(char32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// `text` with the sheltered characters moved; false (with the place) for a character of
// the private use area that the moved ones take, which a show file has no use for.
bool Sheltered(const std::string& text, std::string* out, ShowSource* at) {
    out->clear();
    out->reserve(text.size() + text.size() / 4);
    ShowSource place{1, 1};
    for (size_t i = 0; i < text.size();) {
        size_t length = 0;
        char32_t c = Decode(text, i, &length);
        if (length == 0) {  // not UTF-8: left for the parser to refuse
            *out += text[i++];
            continue;
        }
        if (c >= kShelters[0].moved && c < kShelterEnd) {
            *at = place;
            return false;
        }
        for (const Shelter& shelter : kShelters) {
            if (c >= shelter.first && c <= shelter.last) c = shelter.moved + (c - shelter.first);
        }
        length > 1 && c >= 0x800 && c < 0x10000 ? Encode(c, out) : (void)out->append(text, i, length);
        if (text[i] == '\n') place = ShowSource{place.line + 1, 1};
        else ++place.column;
        i += length;
    }
    return true;
}

// Text taken out of the parsed file, with the sheltered characters back in place.
std::string Restored(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t length = 0;
        const char32_t c = Decode(text, i, &length);
        if (length == 3 && c >= kShelters[0].moved && c < kShelterEnd) {
            for (const Shelter& shelter : kShelters) {
                if (c >= shelter.moved && c <= shelter.moved + (shelter.last - shelter.first)) {
                    Encode(shelter.first + (c - shelter.moved), &out);
                }
            }
        } else {
            out.append(text, i, length ? length : 1);
        }
        i += length ? length : 1;
    }
    return out;
}

std::optional<std::string> Text(const toml::node& node) {
    const std::optional<std::string_view> text = node.value<std::string_view>();
    return text ? std::optional<std::string>(Restored(*text)) : std::nullopt;
}

ShowSource At(const toml::source_region& region) { return ShowSource{region.begin.line, region.begin.column}; }
ShowSource At(const toml::node& node) { return At(node.source()); }

// A number of the file as a float: an integer or a float, finite and within a float's range.
bool Number(const toml::node& node, float* out) {
    if (!node.is_integer() && !node.is_floating_point()) return false;
    const double value = node.is_integer() ? double(*node.value<int64_t>()) : *node.value<double>();
    *out = static_cast<float>(value);
    return std::isfinite(value) && std::fabs(value) <= 3.4e38;
}

// Three numbers [x, y, z].
bool Vector(const toml::node& node, KEVector3* out) {
    const toml::array* xyz = node.as_array();
    return xyz && xyz->size() == 3 && Number(*xyz->get(0), &out->x) && Number(*xyz->get(1), &out->y) &&
           Number(*xyz->get(2), &out->z);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

const char* NodeKind(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "an integer";
    case toml::node_type::floating_point: return "a float";
    case toml::node_type::boolean: return "a boolean";
    case toml::node_type::array: return "an array";
    case toml::node_type::table: return "a table";
    default: return "a date or time";
    }
}

bool ValidId(const std::string& id) {
    if (id.empty() || id.size() > 64) return false;
    for (unsigned char c : id) {
        if (!(std::isalnum(c) || c == '-' || c == '_')) return false;
    }
    return true;
}

// The default of a string row as its value: quoted text, or null for "none".
bool DefaultString(const KDSParamInfo& row, std::string* text) {
    const char* value = row.defaultValue;
    const size_t length = std::strlen(value);
    if (length >= 2 && value[0] == '"' && value[length - 1] == '"') {
        *text = std::string(value + 1, length - 2);
        return true;
    }
    return false;
}

class Reader {
public:
    Reader(const ShowCatalog& catalog, ShowEnvironment& environment, std::vector<ShowError>* errors)
        : m_catalog(catalog), m_environment(environment), m_errors(*errors) {}

    bool Read(const std::string& text, const std::string& defaultName, ShowDescription* out);

private:
    struct Pending {
        const toml::table* table;
        size_t object;
        bool placed;  // its layer and times read (effects)
    };

    void Error(ShowSource at, std::string message) { m_errors.push_back({at, std::move(message)}); }

    void ReadShowTable(const toml::node* node);
    void Collect(const toml::node* node, const char* key, ShowType::Role role);
    bool ReadTime(const toml::node& node, const char* what, uint32_t* ms);
    bool ReadEffectPlace(const toml::table& table, ShowObject* object);
    void ReadParameters(const toml::table& table, ShowObject* object);
    void ReadParameter(const toml::node& node, ShowSource keyAt, const ShowParam& param, ShowObject* object);
    bool ReadBinding(const toml::table& table, const ShowParam& param, ShowValue* value, const std::string& where);
    void ReadTrack(const toml::table& table, ShowObject* object);
    void CheckFiles();
    void CheckCycles();
    void CheckLayers();
    std::string Name(const ShowObject& object) const {
        return object.id.empty() ? Quoted(object.type->name) : "`" + object.id + "`";
    }
    const ShowType& TypeOf(int object) const {
        return object < 0 ? m_catalog.System() : *m_show.objects[static_cast<size_t>(object)].type;
    }

    const ShowCatalog& m_catalog;
    ShowEnvironment& m_environment;
    std::vector<ShowError>& m_errors;
    ShowDescription m_show;
    std::map<std::string, int> m_ids;
    std::vector<Pending> m_pending;
    bool m_lengthGiven = false;
    ShowSource m_moduleAt;
};

bool Reader::Read(const std::string& text, const std::string& defaultName, ShowDescription* out) {
    std::string sheltered;
    ShowSource unreadable;
    if (!Sheltered(text, &sheltered, &unreadable)) {
        Error(unreadable, "a character of the private use area (U+E000 to U+EBFF), which a show file cannot hold");
        return false;
    }
    toml::parse_result parsed = toml::parse(sheltered);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        Error(At(error.source()), "not a TOML file: " + Restored(error.description()));
        return false;
    }
    const toml::table& root = parsed.table();
    m_show.name = defaultName;
    for (auto&& [key, node] : root) {
        const std::string name = Restored(key.str());
        if (name != "show" && name != "effect" && name != "modifier" && name != "track") {
            Error(At(key.source()), "unknown table " + Quoted(name) +
                                        ", expected [show], [[effect]], [[modifier]] or [[track]]");
        }
    }
    ReadShowTable(root.get("show"));
    Collect(root.get("effect"), "effect", ShowType::kEffect);
    Collect(root.get("modifier"), "modifier", ShowType::kModifier);
    Collect(root.get("track"), "track", ShowType::kTrack);

    // Places first: an effect without an end ends with the show, and a show without a
    // length lasts as long as its last effect.
    for (Pending& pending : m_pending) {
        ShowObject& object = m_show.objects[pending.object];
        if (object.Is(ShowType::kEffect)) pending.placed = ReadEffectPlace(*pending.table, &object);
        if (object.Is(ShowType::kTrack)) ReadTrack(*pending.table, &object);
    }
    if (!m_lengthGiven) {
        for (const Pending& pending : m_pending) {
            const ShowObject& object = m_show.objects[pending.object];
            if (object.Is(ShowType::kEffect)) m_show.length = std::max(m_show.length, object.end);
        }
    }
    for (const Pending& pending : m_pending) {
        ShowObject& object = m_show.objects[pending.object];
        if (!object.Is(ShowType::kEffect) || !pending.placed) continue;
        const toml::node* end = pending.table->get("end");
        if (!end) {
            object.end = m_show.length;
            if (!m_lengthGiven) Error(object.at, Name(object) + " needs an end, or the show a length ([show] length)");
        } else if (m_lengthGiven && object.end > m_show.length) {
            Error(At(*end), "the end " + FormatShowTime(object.end) + " is past the show's length " +
                                FormatShowTime(m_show.length));
        }
        if (object.end <= object.start && (end || m_lengthGiven)) {
            Error(end ? At(*end) : object.at, "the end " + FormatShowTime(object.end) + " is not after the start " +
                                                  FormatShowTime(object.start));
        }
    }
    for (const Pending& pending : m_pending) {
        ShowObject& object = m_show.objects[pending.object];
        if (!object.Is(ShowType::kTrack)) ReadParameters(*pending.table, &object);
        // The music plays the show's module unless told otherwise.
        ShowParam module;
        if (object.type->name == "Bass Player" && !m_show.module.empty() &&
            FindShowParam(*object.type, "module", &module, nullptr) &&
            std::none_of(object.values.begin(), object.values.end(), [&](const ShowValue& v) {
                return v.param.kind == module.kind && v.param.index == module.index;
            })) {
            ShowValue value;
            value.param = module;
            value.text = m_show.module;
            value.at = object.at;
            object.values.push_back(value);
        }
    }
    if (m_show.length == 0 && m_errors.empty()) {
        Error(ShowSource{1, 1}, "the show is empty: give it effects, or a length ([show] length = SECONDS)");
    }
    CheckLayers();
    CheckCycles();
    CheckFiles();
    if (!m_errors.empty()) return false;
    *out = std::move(m_show);
    return true;
}

void Reader::ReadShowTable(const toml::node* node) {
    if (!node) return;
    const toml::table* table = node->as_table();
    if (!table) {
        Error(At(*node), "[show] must be a table, got " + std::string(NodeKind(*node)));
        return;
    }
    for (auto&& [key, value] : *table) {
        const std::string name = Restored(key.str());
        if (name == "name") {
            if (value.is_string()) m_show.name = *Text(value);
            else Error(At(value), "the show's name must be a string, got " + std::string(NodeKind(value)));
        } else if (name == "module") {
            if (value.is_string()) {
                m_show.module = *Text(value);
                m_moduleAt = At(value);
            } else {
                Error(At(value), "the show's module must be a string (a module file), got " + std::string(NodeKind(value)));
            }
        } else if (name != "length") {
            Error(At(key.source()), "unknown key " + Quoted(name) + " in [show], expected name, length or module");
        }
    }
    // The length after the module, which a music position needs.
    if (const toml::node* length = table->get("length")) {
        m_lengthGiven = ReadTime(*length, "the show's length", &m_show.length);
        if (m_lengthGiven && m_show.length == 0) {
            Error(At(*length), "the show's length must be above 0");
            m_lengthGiven = false;
        }
    }
}

void Reader::Collect(const toml::node* node, const char* key, ShowType::Role role) {
    if (!node) return;
    const toml::array* array = node->as_array();
    if (!array) {
        Error(At(*node), std::string(key) + " must be written [[" + key + "]], got " + NodeKind(*node));
        return;
    }
    for (const toml::node& element : *array) {
        const toml::table* table = element.as_table();
        if (!table) {
            Error(At(element), std::string("each ") + key + " must be a table, got " + NodeKind(element));
            continue;
        }
        ShowObject object;
        object.at = At(*table);
        if (role == ShowType::kTrack) {
            object.type = &m_catalog.FloatTrack();
            if (const toml::node* kind = table->get("kind")) {
                const std::optional<std::string> word = Text(*kind);
                if (word && *word == "vector") {
                    object.type = &m_catalog.VectorTrack();
                } else if (!word || *word != "float") {
                    Error(At(*kind), "a track's kind must be \"float\" or \"vector\"");
                }
            }
        } else {
            const toml::node* type = table->get("type");
            const std::optional<std::string> name = type ? Text(*type) : std::nullopt;
            if (!type || !name) {
                Error(type ? At(*type) : object.at, std::string("each ") + key + " needs a type (a string: " +
                                                        "see `marlo --describe`)");
                continue;
            }
            const ShowType* found = m_catalog.FindType(*name);
            if (!found || found->role != role) {
                std::string message = "unknown " + std::string(key) + " type " + Quoted(*name);
                if (found) {
                    message += ": it is " + std::string(role == ShowType::kEffect ? "a modifier" : "an effect") +
                               ", write it as [[" + (role == ShowType::kEffect ? "modifier" : "effect") + "]]";
                } else {
                    const std::string closest = m_catalog.ClosestType(*name);
                    message += closest.empty() ? ", expected a type that `marlo --describe` lists"
                                               : ", did you mean " + Quoted(closest) + "?";
                }
                Error(At(*type), message);
                continue;
            }
            object.type = found;
        }
        if (const toml::node* id = table->get("id")) {
            const std::optional<std::string> text = Text(*id);
            if (!text || !ValidId(*text)) {
                Error(At(*id), "an id must be a string of letters, digits, '-' and '_'");
            } else if (*text == kSystemId) {
                Error(At(*id), "the id \"system\" is the system's own channels; choose another");
            } else if (m_ids.count(*text)) {
                const ShowSource first = m_show.objects[static_cast<size_t>(m_ids[*text])].at;
                Error(At(*id), "duplicate id " + Quoted(*text) + " (first used at line " + std::to_string(first.line) + ")");
            } else {
                object.id = *text;
                m_ids[*text] = static_cast<int>(m_show.objects.size());
            }
        } else if (role == ShowType::kTrack) {
            Error(object.at, "a track needs an id, which bindings name");
        }
        m_pending.push_back({table, m_show.objects.size(), false});
        m_show.objects.push_back(std::move(object));
    }
}

bool Reader::ReadTime(const toml::node& node, const char* what, uint32_t* ms) {
    ShowTimeText time;
    std::string why;
    if (node.is_integer() || node.is_floating_point()) {
        const double seconds = node.is_integer() ? double(*node.value<int64_t>()) : *node.value<double>();
        if (!(seconds >= 0.0 && seconds <= kMaxShowSeconds)) {
            Error(At(node), std::string(what) + " must be from 0 to a day of seconds");
            return false;
        }
        time.seconds = seconds;
    } else if (!node.is_string()) {
        Error(At(node), std::string(what) + ": expected seconds (12.5 or \"1:02.5\") or a music position (\"@3:16\"), got " +
                            NodeKind(node));
        return false;
    } else if (!ParseShowTime(*Text(node), &time, &why)) {
        Error(At(node), std::string(what) + ": " + why);
        return false;
    }
    if (time.form == ShowTimeText::kMusic) {
        if (m_show.module.empty()) {
            Error(At(node), std::string(what) + ": a music position needs the show's module ([show] module = \"...\")");
            return false;
        }
        if (!m_environment.DataFileExists(m_show.module)) return false;  // reported once, at the module
        double seconds = 0.0;
        if (!m_environment.RowTime(m_show.module, time.order, time.row, &seconds, &why)) {
            Error(At(node), std::string(what) + ": " + why);
            return false;
        }
        time.seconds = seconds;
    }
    *ms = ShowMilliseconds(time.seconds);
    return true;
}

bool Reader::ReadEffectPlace(const toml::table& table, ShowObject* object) {
    bool ok = true;
    if (const toml::node* layer = table.get("layer")) {
        const std::optional<int64_t> value = layer->is_integer() ? layer->value<int64_t>() : std::nullopt;
        if (!value || *value < 0 || *value >= KestDemoSystem::MAX_LAYERS) {
            Error(At(*layer), "the layer must be an integer from 0 to 7");
        } else {
            object->layer = static_cast<int32_t>(*value);
        }
    }
    if (const toml::node* start = table.get("start")) ok = ReadTime(*start, "the start", &object->start);
    if (const toml::node* end = table.get("end")) ok = ReadTime(*end, "the end", &object->end) && ok;
    return ok;
}

void Reader::ReadParameters(const toml::table& table, ShowObject* object) {
    static const char* const kReserved[] = {"type", "id", "layer", "start", "end"};
    const bool effect = object->Is(ShowType::kEffect);
    for (auto&& [key, node] : table) {
        const std::string name = Restored(key.str());
        const bool reserved = std::any_of(std::begin(kReserved), std::end(kReserved), [&](const char* word) {
            return name == word && (effect || (name != "layer" && name != "start" && name != "end"));
        });
        if (reserved) continue;
        KDSKind kind;
        // `float.12 = 0.8` and `bodies.2 = "x"` are dotted keys: a table "float" holding "12".
        const bool run = std::any_of(object->type->rows.begin(), object->type->rows.end(),
                                     [&](const KDSParamInfo& row) { return row.count > 1 && name == row.name; });
        if ((run || KDSKindFromName(name.c_str(), &kind)) && node.is_table() && !node.as_table()->contains("bind")) {
            for (auto&& [number, value] : *node.as_table()) {
                ShowParam param;
                std::string why;
                const std::string full = name + "." + Restored(number.str());
                if (!FindShowParam(*object->type, full, &param, &why)) {
                    Error(At(number.source()), "unknown parameter " + Quoted(full) + " for " +
                                                   Quoted(object->type->name) + ": " + why);
                } else {
                    ReadParameter(value, At(number.source()), param, object);
                }
            }
            continue;
        }
        ShowParam param;
        std::string why;
        if (!FindShowParam(*object->type, name, &param, &why)) {
            Error(At(key.source()), "unknown parameter " + Quoted(name) + " for " + Quoted(object->type->name) +
                                        ": " + why);
            continue;
        }
        ReadParameter(node, At(key.source()), param, object);
    }
}

void Reader::ReadParameter(const toml::node& node, ShowSource keyAt, const ShowParam& param, ShowObject* object) {
    const std::string where = Quoted(ShowParamName(param)) + " of " + Name(*object);
    if (param.IsOutput()) {
        Error(keyAt, where + " is an output: other objects bind to it, it cannot be set");
        return;
    }
    ShowValue value;
    value.param = param;
    value.at = At(node);
    for (const ShowValue& other : object->values) {
        if (other.param.kind == param.kind && other.param.index == param.index) {
            // Keys come in the table's order, not the file's: name the one further down.
            const bool later = std::tie(value.at.line, value.at.column) > std::tie(other.at.line, other.at.column);
            Error(later ? value.at : other.at, where + " is given twice (first at line " +
                                                   std::to_string((later ? other.at : value.at).line) + ")");
            return;
        }
    }
    const char* expected = "";
    bool ok = false;
    if (const toml::table* table = node.as_table()) {
        if (ReadBinding(*table, param, &value, where)) object->values.push_back(value);
        return;
    }
    switch (param.kind) {
    case KDSKind::String:
        expected = "a string";
        if ((ok = node.is_string())) value.text = *Text(node);
        break;
    case KDSKind::Int:
        expected = "an integer";
        if (node.is_integer()) {
            const int64_t n = *node.value<int64_t>();
            ok = n >= INT32_MIN && n <= INT32_MAX;
            if (!ok) expected = "an integer within 32 bits";
            value.integer = static_cast<int32_t>(n);
        }
        break;
    case KDSKind::Float:
        expected = "a number";
        if (node.is_integer() || node.is_floating_point()) {
            ok = Number(node, &value.number);
            if (!ok) expected = "a finite number within a float's range";
        }
        break;
    case KDSKind::Vector:
        expected = "three numbers [x, y, z]";
        ok = Vector(node, &value.vector);
        break;
    case KDSKind::Object:
        expected = "the id of an effect, modifier or track";
        if (node.is_string()) {
            const std::string id = *Text(node);
            const auto found = m_ids.find(id);
            if (found == m_ids.end()) {
                Error(value.at, where + " names " + Quoted(id) + ", which no effect, modifier or track has as its id");
                return;
            }
            value.object = found->second;
            value.text = id;
            ok = true;
        }
        break;
    }
    if (!ok) {
        Error(value.at, where + " is " + (param.kind == KDSKind::Int ? "an int" : std::string("a ") + KDSKindName(param.kind)) +
                            ": expected " + expected + " or a binding { bind = \"ID.OUTPUT\" }, got " +
                            (node.is_table() ? "a table" : NodeKind(node)));
        return;
    }
    object->values.push_back(value);
}

bool Reader::ReadBinding(const toml::table& table, const ShowParam& param, ShowValue* value, const std::string& where) {
    const toml::node* bind = table.get("bind");
    for (auto&& [key, node] : table) {
        if (key.str() != "bind") {
            Error(At(key.source()), "unknown key " + Quoted(Restored(key.str())) + " in a binding, expected only bind");
            return false;
        }
    }
    const std::optional<std::string> text = bind ? Text(*bind) : std::nullopt;
    if (!text) {
        Error(bind ? At(*bind) : At(table), where + ": a binding is { bind = \"ID.OUTPUT\" }, such as \"music.position.2\"");
        return false;
    }
    value->how = ShowValue::kBinding;
    value->at = At(*bind);
    const size_t dot = text->find('.');
    const std::string id = text->substr(0, dot);
    if (dot == std::string::npos) {
        Error(value->at, where + ": the binding " + Quoted(*text) + " names no channel: write \"" + id + ".NAME\"");
        return false;
    }
    if (id == kSystemId) {
        value->object = -1;
    } else {
        const auto found = m_ids.find(id);
        if (found == m_ids.end()) {
            Error(value->at, where + " is bound to " + Quoted(id) + ", which no effect, modifier or track has as its id");
            return false;
        }
        value->object = found->second;
    }
    const ShowType& source = TypeOf(value->object);
    const std::string channel = text->substr(dot + 1);
    std::string why;
    if (!FindShowParam(source, channel, &value->channel, &why)) {
        Error(value->at, where + " is bound to " + Quoted(channel) + ", a channel " + Quoted(id) + " (" +
                             Quoted(source.name) + ") does not have: " + why);
        return false;
    }
    if (value->channel.kind != param.kind || (value->object < 0 && !value->channel.row)) {
        Error(value->at, where + " is " + (param.kind == KDSKind::Int ? "an int" : std::string("a ") + KDSKindName(param.kind)) +
                             " but " + Quoted(*text) + " is " +
                             (value->channel.kind == KDSKind::Int ? "an int" : std::string("a ") + KDSKindName(value->channel.kind)) +
                             (value->object < 0 && !value->channel.row ? " the system does not publish" : "") +
                             ": a binding joins channels of the same kind");
        return false;
    }
    return true;
}

void Reader::ReadTrack(const toml::table& table, ShowObject* object) {
    const bool vector = object->type == &m_catalog.VectorTrack();
    for (auto&& [key, node] : table) {
        const std::string name = Restored(key.str());
        if (name != "id" && name != "kind" && name != "keys") {
            Error(At(key.source()), "unknown key " + Quoted(name) + " in a track, expected id, kind or keys");
        }
    }
    const toml::node* keys = table.get("keys");
    const toml::array* array = keys ? keys->as_array() : nullptr;
    if (!array || array->empty()) {
        Error(keys ? At(*keys) : object->at, "a track needs keys = [{ at = TIME, value = " +
                                                 std::string(vector ? "[x, y, z]" : "NUMBER") + " }, ...]");
        return;
    }
    bool rising = true;
    for (const toml::node& element : *array) {
        const toml::table* key = element.as_table();
        if (!key) {
            Error(At(element), "each key must be a table { at = TIME, value = ..., then = \"linear\" }");
            continue;
        }
        CShowTrack::Key entry{0, KEVector3{0.0f, 0.0f, 0.0f}, CShowTrack::Ease::Linear};
        bool ok = true;
        for (auto&& [field, node] : *key) {
            const std::string name = Restored(field.str());
            if (name == "at") {
                ok = ReadTime(node, "the key's time", &entry.time) && ok;
            } else if (name == "value") {
                const bool good = vector ? Vector(node, &entry.value) : Number(node, &entry.value.x);
                if (!good) {
                    Error(At(node), std::string("a ") + (vector ? "vector" : "float") + " track's value must be " +
                                        (vector ? "three numbers [x, y, z]" : "a number") + ", got " + NodeKind(node));
                }
                ok = good && ok;
            } else if (name == "then") {
                const std::optional<std::string> word = Text(node);
                if (!word || !CShowTrack::EaseFromName(word->c_str(), &entry.ease)) {
                    Error(At(node), "then must be \"step\", \"linear\", \"smooth\" or \"ramp\"");
                    ok = false;
                }
            } else {
                Error(At(field.source()), "unknown key " + Quoted(name) + " in a track key, expected at, value or then");
            }
        }
        if (!key->contains("at") || !key->contains("value")) {
            Error(At(*key), "a key needs both at and value");
            continue;
        }
        if (!ok) continue;
        if (rising && !object->keys.empty() && entry.time <= object->keys.back().time) {
            Error(At(*key->get("at")), "the key times must rise: " + FormatShowTime(entry.time) + " is not after " +
                                           FormatShowTime(object->keys.back().time));
            rising = false;
        }
        object->keys.push_back(entry);
    }
}

void Reader::CheckLayers() {
    int counts[KestDemoSystem::MAX_LAYERS] = {};
    for (const ShowObject& object : m_show.objects) {
        if (!object.Is(ShowType::kEffect)) continue;
        if (++counts[object.layer] == KestDemoSystem::MAX_EFFECTS_PER_LAYER + 1) {
            Error(object.at, "layer " + std::to_string(object.layer) + " holds at most " +
                                 std::to_string(KestDemoSystem::MAX_EFFECTS_PER_LAYER) + " effects");
        }
    }
}

// Bindings are followed parameter by parameter: a bound parameter leads to its source's
// channel; an output channel leads to the parameters it is computed from; a parameter that
// is not bound ends the road. A road that comes back to a parameter still on it is a cycle,
// which would make every read of it go round for ever.
void Reader::CheckCycles() {
    struct Node {
        int object;
        KDSKind kind;
        int index;
        bool operator<(const Node& other) const {
            return std::tie(object, kind, index) < std::tie(other.object, other.kind, other.index);
        }
        bool operator==(const Node& other) const {
            return object == other.object && kind == other.kind && index == other.index;
        }
    };
    auto bindingOf = [&](const Node& node) -> const ShowValue* {
        if (node.object < 0) return nullptr;
        for (const ShowValue& value : m_show.objects[static_cast<size_t>(node.object)].values) {
            if (value.how == ShowValue::kBinding && value.param.kind == node.kind && value.param.index == node.index) return &value;
        }
        return nullptr;
    };
    auto next = [&](const Node& node) {
        std::vector<Node> after;
        if (const ShowValue* value = bindingOf(node)) {
            after.push_back({value->object, value->channel.kind, value->channel.index});
            return after;
        }
        const ShowParam param = ShowParamAt(TypeOf(node.object), node.kind, node.index);
        if (!param.IsOutput()) return after;
        std::istringstream reads(param.row->reads);
        std::string token;
        while (reads >> token) {
            const size_t dot = token.find('.');
            KDSKind kind;
            if (dot == std::string::npos || !KDSKindFromName(token.substr(0, dot).c_str(), &kind)) continue;
            const std::string number = token.substr(dot + 1);
            after.push_back({node.object, kind, number == "@" ? node.index : std::atoi(number.c_str())});
        }
        return after;
    };
    std::set<Node> done;
    std::set<std::pair<int, int>> reported;  // (object, value) pairs already named in a cycle
    for (size_t o = 0; o < m_show.objects.size(); ++o) {
        for (const ShowValue& start : m_show.objects[o].values) {
            if (start.how != ShowValue::kBinding) continue;
            const Node first{static_cast<int>(o), start.param.kind, start.param.index};
            if (done.count(first)) continue;
            // Depth first, with the road so far.
            std::vector<std::pair<Node, std::vector<Node>>> stack{{first, next(first)}};
            std::vector<Node> road{first};
            while (!stack.empty()) {
                if (stack.back().second.empty()) {
                    done.insert(stack.back().first);
                    stack.pop_back();
                    road.pop_back();
                    continue;
                }
                const Node node = stack.back().second.back();
                stack.back().second.pop_back();
                if (done.count(node)) continue;
                const auto onRoad = std::find(road.begin(), road.end(), node);
                if (onRoad != road.end()) {
                    const ShowValue* value = bindingOf(*onRoad);
                    if (!value || !reported.insert({onRoad->object, static_cast<int>(onRoad->kind) * 256 + onRoad->index}).second) continue;
                    std::string path;
                    for (auto step = onRoad; step != road.end(); ++step) {
                        const ShowObject& object = m_show.objects[static_cast<size_t>(step->object)];
                        path += (object.id.empty() ? object.type->name : object.id) + "." +
                                ShowParamName(ShowParamAt(*object.type, step->kind, step->index)) + " -> ";
                    }
                    const ShowObject& object = m_show.objects[static_cast<size_t>(onRoad->object)];
                    path += (object.id.empty() ? object.type->name : object.id) + "." + ShowParamName(value->param);
                    Error(value->at, "binding cycle: " + path + ": each read would go round for ever");
                    continue;
                }
                road.push_back(node);
                stack.push_back({node, next(node)});
            }
        }
    }
}

void Reader::CheckFiles() {
    if (!m_show.module.empty() && !m_environment.DataFileExists(m_show.module)) {
        Error(m_moduleAt, "the module " + Quoted(m_show.module) + " does not exist in the data folder");
    }
    // Logs that an effect of the show records: another object may replay them before they exist.
    std::set<std::string> written;
    for (const ShowObject& object : m_show.objects) {
        for (const ShowValue& value : object.values) {
            if (value.how == ShowValue::kConstant && value.param.row && (value.param.row->flags & KDSParamInfo::kWritesFile)) {
                written.insert(m_environment.ExpandPath(value.text));
            }
        }
    }
    std::set<std::string> typeFilesChecked;
    for (const ShowObject& object : m_show.objects) {
        for (const auto& [type, file] : kTypeFiles) {
            if (object.type->name == type && typeFilesChecked.insert(file).second && !m_environment.DataFileExists(file)) {
                Error(object.at, Quoted(object.type->name) + " reads " + Quoted(file) + ", which does not exist in the data folder");
            }
        }
        for (const KDSParamInfo& row : object.type->rows) {
            if (row.kind != KDSKind::String || !(row.flags & KDSParamInfo::kReadsFile)) continue;
            for (int index = row.index; index < row.index + row.count; ++index) {
                const ShowValue* given = nullptr;
                for (const ShowValue& value : object.values) {
                    if (value.param.kind == KDSKind::String && value.param.index == index) given = &value;
                }
                if (given && given->how == ShowValue::kBinding) continue;
                std::string file;
                const bool named = given ? (file = given->text, true) : DefaultString(row, &file);
                if (named && !file.empty() && file == m_show.module) continue;  // looked up with the show
                const ShowSource at = given ? given->at : object.at;
                const std::string name = ShowParamName(ShowParamAt(*object.type, KDSKind::String, index));
                if (!named) {
                    Error(at, Name(object) + " needs " + Quoted(name) + " (" + row.meaning + ")");
                } else if (!file.empty() && !written.count(m_environment.ExpandPath(file)) &&
                           !m_environment.DataFileExists(m_environment.ExpandPath(file))) {
                    Error(at, Quoted(name) + " of " + Name(object) + ": " + Quoted(file) +
                                  (given ? "" : " (the default)") + " does not exist in the data folder");
                }
            }
        }
    }
}

}  // namespace

bool ReadShow(const std::string& text, const std::string& defaultName, const ShowCatalog& catalog,
              ShowEnvironment& environment, ShowDescription* out, std::vector<ShowError>* errors) {
    std::vector<ShowError> local;
    std::vector<ShowError>& found = errors ? *errors : local;
    found.clear();
    if (text.size() > kMaxShowFileBytes) {
        found.push_back({ShowSource{1, 1}, "larger than a show file can be (" + std::to_string(kMaxShowFileBytes) + " bytes)"});
        return false;
    }
    ShowDescription show;
    Reader reader(catalog, environment, &found);
    const bool ok = reader.Read(text, defaultName, &show);
    std::stable_sort(found.begin(), found.end(), [](const ShowError& a, const ShowError& b) {
        return std::tie(a.at.line, a.at.column) < std::tie(b.at.line, b.at.column);
    });
    if (ok && out) *out = std::move(show);
    return ok;
}

bool LoadShowFileText(const std::string& path, std::string* text, std::vector<ShowError>* errors) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        if (errors) *errors = {{ShowSource{}, std::filesystem::exists(path, ec) ? "not a file" : "no such file"}};
        return false;
    }
    // As much as the file holds, and at most one byte past the limit: a watched file is read
    // four times a second, so no buffer of the limit's size is made for a show of a few lines.
    std::ifstream file(path, std::ios::binary);
    text->clear();
    char chunk[1 << 14];
    while (file && text->size() <= kMaxShowFileBytes) {
        file.read(chunk, sizeof chunk);
        text->append(chunk, static_cast<size_t>(file.gcount()));
    }
    if (!file.is_open() || file.bad()) {
        text->clear();
        if (errors) *errors = {{ShowSource{}, "cannot read the show file"}};
        return false;
    }
    if (text->size() > kMaxShowFileBytes + 1) text->resize(kMaxShowFileBytes + 1);
    return true;
}

std::string ShowFileStem(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (stem.size() > 5 && stem.compare(stem.size() - 5, 5, ".toml") == 0) stem.resize(stem.size() - 5);
    return stem;
}

bool ReadShowFile(const std::string& path, const ShowCatalog& catalog, ShowEnvironment& environment,
                  ShowDescription* out, std::vector<ShowError>* errors) {
    std::string text;
    if (!LoadShowFileText(path, &text, errors)) return false;
    return ReadShow(text, ShowFileStem(path), catalog, environment, out, errors);
}

std::string FormatShowErrors(const std::string& file, std::vector<ShowError> errors) {
    std::string text;
    for (const ShowError& error : errors) {
        text += file + ":" + std::to_string(error.at.line) + ":" + std::to_string(error.at.column) + ": " + error.message + "\n";
    }
    return text;
}

int ShowDescription::Count(ShowType::Role role) const {
    return static_cast<int>(std::count_if(objects.begin(), objects.end(), [role](const ShowObject& o) { return o.Is(role); }));
}

std::string ShowDescription::Summary() const {
    auto counted = [](int n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); };
    return counted(Count(ShowType::kEffect), "effect") + ", " + counted(Count(ShowType::kModifier), "modifier") + ", " +
           counted(Count(ShowType::kTrack), "track") + ", " + FormatShowTime(length);
}
