// Loading of the extension table: one lookup per name, in load order, then the families the
// driver does not list are cleared so that a null entry means what it says on every platform.
#include "KEExtensions.h"

#include "KLGLProc.h"

#include <cstring>

namespace {

// The installed table, and the one GetInstance loads itself (kept for the whole run and
// loaded again when the table is reset).
KEExtensions* g_instance = nullptr;
KEExtensions* g_loaded = nullptr;

}  // namespace

#define KE_NAME_OF(family, name, type) #name,
#define KE_NAME_OF_AS(family, name, type, lookupName) #name,
const char* const KEExtensions::kEntryPointNames[kEntryPointCount] = {
    KE_EXTENSION_ENTRY_POINTS(KE_NAME_OF, KE_NAME_OF_AS)};
#undef KE_NAME_OF
#undef KE_NAME_OF_AS

#define KE_LOOKUP_OF(family, name, type) #name,
#define KE_LOOKUP_OF_AS(family, name, type, lookupName) lookupName,
const char* const KEExtensions::kLookupNames[kEntryPointCount] = {
    KE_EXTENSION_ENTRY_POINTS(KE_LOOKUP_OF, KE_LOOKUP_OF_AS)};
#undef KE_LOOKUP_OF
#undef KE_LOOKUP_OF_AS

namespace {

#define KE_FAMILY_OF(family, name, type) KEExtensions::family,
#define KE_FAMILY_OF_AS(family, name, type, lookupName) KEExtensions::family,
const KEExtensions::Family kFamilies[] = {KE_EXTENSION_ENTRY_POINTS(KE_FAMILY_OF, KE_FAMILY_OF_AS)};
#undef KE_FAMILY_OF
#undef KE_FAMILY_OF_AS

static_assert(sizeof(kFamilies) / sizeof(kFamilies[0]) == KEExtensions::kEntryPointCount,
              "the entry point list and kEntryPointCount disagree");

}  // namespace

KEExtensions* KEExtensions::GetInstance() {
    if (g_instance) return g_instance;
    if (!g_loaded) g_loaded = new KEExtensions();
    // Without a current context there is no extension string: answer an empty table, but
    // load again on the next call, so that a stream made before the context does not leave
    // the engine without multitexture for the whole run.
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions) {
        g_loaded->Load(nullptr, nullptr);
        return g_loaded;
    }
    g_loaded->Load(extensions, &KL::GetGLProcAddress);
    g_instance = g_loaded;
    return g_instance;
}

void KEExtensions::SetInstance(KEExtensions* table) { g_instance = table; }

void KEExtensions::Load(const char* extensionString, ProcLookup lookup) {
    m_extensions = extensionString ? extensionString : "";
    m_hasVertexProgram = IsExtensionSupported(kVertexProgramName);
    m_hasVertexArrayRange2 = IsExtensionSupported(kVertexArrayRange2Name);

    int index = 0;
#define KE_LOAD(family, name, type)                                                             \
    name = reinterpret_cast<type>(lookup ? lookup(kLookupNames[index]) : nullptr);             \
    ++index;
#define KE_LOAD_AS(family, name, type, lookupName) KE_LOAD(family, name, type)
    KE_EXTENSION_ENTRY_POINTS(KE_LOAD, KE_LOAD_AS)
#undef KE_LOAD
#undef KE_LOAD_AS

    for (int family = 0; family < kFamilyCount; ++family) {
        if (!IsExtensionSupported(FamilyExtension(static_cast<Family>(family)))) {
            ClearFamily(static_cast<Family>(family));
        }
    }
}

bool KEExtensions::IsExtensionSupported(const char* name) const {
    return name && std::strstr(m_extensions.c_str(), name) != nullptr;
}

const char* KEExtensions::FamilyExtension(Family family) {
    switch (family) {
        case kCompiledVertexArray: return kCompiledVertexArrayName;
        case kVertexArrayRange: return kVertexArrayRangeName;
        case kMultitexture: return kMultitextureName;
        case kRegisterCombiners: return kRegisterCombinersName;
        case kRegisterCombiners2: return kRegisterCombiners2Name;
        case kVertexProgram: return kVertexProgramName;
        case kFence: return kFenceName;
        case kSecondaryColor: return kSecondaryColorName;
        case kFamilyCount: break;
    }
    return nullptr;
}

void* KEExtensions::GetEntryPoint(int index) const {
    int slot = 0;
#define KE_GET(family, name, type)                                     \
    if (index == slot) return reinterpret_cast<void*>(name);          \
    ++slot;
#define KE_GET_AS(family, name, type, lookupName) KE_GET(family, name, type)
    KE_EXTENSION_ENTRY_POINTS(KE_GET, KE_GET_AS)
#undef KE_GET
#undef KE_GET_AS
    return nullptr;
}

KEExtensions::Family KEExtensions::GetFamily(int index) {
    return (index >= 0 && index < kEntryPointCount) ? kFamilies[index] : kFamilyCount;
}

void KEExtensions::ClearFamily(Family which) {
#define KE_CLEAR(family, name, type) \
    if (which == family) name = nullptr;
#define KE_CLEAR_AS(family, name, type, lookupName) KE_CLEAR(family, name, type)
    KE_EXTENSION_ENTRY_POINTS(KE_CLEAR, KE_CLEAR_AS)
#undef KE_CLEAR
#undef KE_CLEAR_AS
}
