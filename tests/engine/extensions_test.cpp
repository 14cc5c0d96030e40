// The extension table: load order and names, families cleared when their extension is not
// listed, the substring test, and a real load on Mesa.
#include "KEExtensions.h"

#include "GLTestContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// A stand-in for the platform lookup: records every name asked and answers a distinct,
// never called, non-null address for each (as SDL does on Linux for any name).
struct RecordingLookup {
    static std::vector<std::string>& Names() {
        static std::vector<std::string> names;
        return names;
    }
    static void* Lookup(const char* name) {
        Names().push_back(name);
        return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + 16 * Names().size()));
    }
};

void* NullLookup(const char*) { return nullptr; }

const char* const kAllFamilies =
    "GL_EXT_compiled_vertex_array GL_NV_vertex_array_range GL_ARB_multitexture GL_NV_register_combiners "
    "GL_NV_register_combiners2 GL_NV_vertex_program GL_NV_fence GL_EXT_secondary_color";

int IndexOf(const char* name) {
    for (int i = 0; i < KEExtensions::kEntryPointCount; ++i) {
        if (std::strcmp(KEExtensions::kEntryPointNames[i], name) == 0) return i;
    }
    return -1;
}

class ExtensionsLoad : public ::testing::Test {
protected:
    void SetUp() override { RecordingLookup::Names().clear(); }
};

// The memory functions go by the window system's own names.
#ifdef _WIN32
const char* const kAllocateMemory = "wglAllocateMemoryNV";
const char* const kFreeMemory = "wglFreeMemoryNV";
#else
const char* const kAllocateMemory = "glXAllocateMemoryNV";
const char* const kFreeMemory = "glXFreeMemoryNV";
#endif

TEST_F(ExtensionsLoad, AsksEveryNameOnceInLoadOrderWithTheWindowSystemsMemoryFunctions) {
    KEExtensions table;
    table.Load(kAllFamilies, &RecordingLookup::Lookup);

    const std::vector<std::string>& asked = RecordingLookup::Names();
    ASSERT_EQ(asked.size(), 143u);
    // Family boundaries: 2 + 4 + 34 + 15 + 64 + 7 + 17, and the order inside the families.
    const std::vector<std::pair<size_t, const char*>> expected = {
        {0, "glLockArraysEXT"},          {2, "glVertexArrayRangeNV"},
        {4, kAllocateMemory},            {5, kFreeMemory},
        {6, "glActiveTextureARB"},       {8, "glMultiTexCoord1dARB"},
        {9, "glMultiTexCoord1dvARB"},    {16, "glMultiTexCoord2dARB"},
        {39, "glMultiTexCoord4svARB"},   {40, "glCombinerParameterfvNV"},
        {53, "glCombinerStageParameterfvNV"}, {55, "glAreProgramsResidentNV"},
        {80, "glVertexAttrib1dNV"},      {98, "glVertexAttrib4dNV"},
        {105, "glVertexAttrib4ubvNV"},   {106, "glVertexAttribs1dvNV"},
        {118, "glVertexAttribs4ubvNV"},  {119, "glDeleteFencesNV"},
        {126, "glSecondaryColor3bEXT"},  {142, "glSecondaryColorPointerEXT"},
    };
    for (const auto& [index, name] : expected) EXPECT_EQ(asked[index], name) << "at " << index;
    EXPECT_EQ(std::set<std::string>(asked.begin(), asked.end()).size(), 143u) << "a name asked twice";

    // With every family listed, every entry keeps the address the lookup gave it: the k-th
    // name asked answered 0x1000 + 16 k.
    auto answer = [](int k) { return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + 16 * k)); };
    EXPECT_EQ(reinterpret_cast<void*>(table.glLockArraysEXT), answer(1));
    EXPECT_EQ(reinterpret_cast<void*>(table.wglAllocateMemoryNV), answer(5));
    EXPECT_EQ(reinterpret_cast<void*>(table.glMultiTexCoord4svARB), answer(40));
    EXPECT_EQ(reinterpret_cast<void*>(table.glSecondaryColorPointerEXT), answer(143));
    for (int i = 0; i < KEExtensions::kEntryPointCount; ++i) EXPECT_EQ(table.GetEntryPoint(i), answer(i + 1)) << i;
    EXPECT_STREQ(KEExtensions::kEntryPointNames[4], "wglAllocateMemoryNV");
}

TEST_F(ExtensionsLoad, ClearsExactlyTheFamiliesMissingFromTheString) {
    struct Case {
        const char* extensions;
        std::vector<const char*> cleared;  // entries that must be null
        int expectedNull;
    };
    const Case cases[] = {
        // No fence: its 7 entries go, the rest stay.
        {"GL_EXT_compiled_vertex_array GL_NV_vertex_array_range GL_ARB_multitexture GL_NV_register_combiners "
         "GL_NV_register_combiners2 GL_NV_vertex_program GL_EXT_secondary_color",
         {"glDeleteFencesNV", "glGenFencesNV", "glIsFenceNV", "glTestFenceNV", "glGetFenceivNV",
          "glFinishFenceNV", "glSetFenceNV"},
         7},
        // Combiners without the per-stage companion: only the two stage entries go.
        {"GL_EXT_compiled_vertex_array GL_NV_vertex_array_range GL_ARB_multitexture GL_NV_register_combiners "
         "GL_NV_vertex_program GL_NV_fence GL_EXT_secondary_color",
         {"glCombinerStageParameterfvNV", "glGetCombinerStageParameterfvNV"},
         2},
        // No VAR: the four range and memory entries go.
        {"GL_EXT_compiled_vertex_array GL_ARB_multitexture GL_NV_register_combiners GL_NV_register_combiners2 "
         "GL_NV_vertex_program GL_NV_fence GL_EXT_secondary_color",
         {"glVertexArrayRangeNV", "glFlushVertexArrayRangeNV", "wglAllocateMemoryNV", "wglFreeMemoryNV"},
         4},
        // Only multitexture and compiled arrays: 36 stay, 107 go.
        {"GL_ARB_multitexture GL_EXT_compiled_vertex_array", {"glVertexAttrib4ubvNV", "glSecondaryColor3bEXT"}, 107},
        // A null string is empty: everything goes.
        {nullptr, {"glActiveTextureARB", "glLockArraysEXT"}, 143},
    };
    for (const Case& c : cases) {
        KEExtensions table;
        table.Load(c.extensions, &RecordingLookup::Lookup);
        int nulls = 0;
        for (int i = 0; i < KEExtensions::kEntryPointCount; ++i) nulls += table.GetEntryPoint(i) == nullptr;
        EXPECT_EQ(nulls, c.expectedNull) << (c.extensions ? c.extensions : "(null)");
        for (const char* name : c.cleared) {
            ASSERT_GE(IndexOf(name), 0) << name;
            EXPECT_EQ(table.GetEntryPoint(IndexOf(name)), nullptr) << name;
        }
    }

    // The typed members are the same slots.
    KEExtensions table;
    table.Load("GL_ARB_multitexture GL_NV_fence", &RecordingLookup::Lookup);
    EXPECT_NE(table.glGenFencesNV, nullptr);
    EXPECT_NE(table.glActiveTextureARB, nullptr);
    EXPECT_EQ(table.glVertexArrayRangeNV, nullptr);
    EXPECT_EQ(table.glSecondaryColorPointerEXT, nullptr);
    EXPECT_EQ(table.glCombinerInputNV, nullptr);
}

TEST(ExtensionsString, IsAPlainSubstringSearchOverACopy) {
    std::string driverString = "GL_ARB_multitexture GL_NV_vertex_program2 GL_NV_fence";
    KEExtensions table;
    EXPECT_STREQ(table.GetExtensionString(), "");
    EXPECT_FALSE(table.IsExtensionSupported("GL_NV_fence"));

    table.Load(driverString.c_str(), &NullLookup);
    driverString.assign(driverString.size(), 'x');  // the table keeps its own copy
    EXPECT_TRUE(table.IsExtensionSupported("GL_NV_vertex_program"));
    EXPECT_TRUE(table.IsExtensionSupported("GL_NV_vertex_program2"));
    EXPECT_TRUE(table.IsExtensionSupported("GL_NV_fen"));
    EXPECT_FALSE(table.IsExtensionSupported("GL_NV_register_combiners"));
    EXPECT_FALSE(table.IsExtensionSupported(nullptr));
    EXPECT_STREQ(table.GetExtensionString(), "GL_ARB_multitexture GL_NV_vertex_program2 GL_NV_fence");

    // A lookup that finds nothing leaves listed families null too.
    EXPECT_EQ(table.glActiveTextureARB, nullptr);
    EXPECT_EQ(table.glGenFencesNV, nullptr);
}

TEST(ExtensionsInstance, InstalledTableIsAnsweredAndNullLoadsFromTheContext) {
    KEExtensions standIn;
    standIn.Load("GL_NV_fence", &NullLookup);
    KEExtensions::SetInstance(&standIn);
    EXPECT_EQ(KEExtensions::GetInstance(), &standIn);

    // Asked while no context is current: an empty table, and not one that lasts.
    KEExtensions::SetInstance(nullptr);
    if (glGetString(GL_EXTENSIONS) == nullptr) {
        KEExtensions* early = KEExtensions::GetInstance();
        ASSERT_NE(early, nullptr);
        EXPECT_STREQ(early->GetExtensionString(), "");
        EXPECT_EQ(early->glActiveTextureARB, nullptr);
    }

    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    KEExtensions::SetInstance(nullptr);
    KEExtensions* loaded = KEExtensions::GetInstance();
    ASSERT_NE(loaded, nullptr);
    EXPECT_NE(loaded, &standIn);
    EXPECT_EQ(KEExtensions::GetInstance(), loaded);

    // Mesa offers multitexture and none of the NV families.
    EXPECT_TRUE(loaded->IsExtensionSupported("GL_ARB_multitexture"));
    EXPECT_NE(loaded->glActiveTextureARB, nullptr);
    EXPECT_NE(loaded->glClientActiveTextureARB, nullptr);
    EXPECT_FALSE(loaded->IsExtensionSupported("GL_NV_vertex_array_range"));
    int nvEntries = 0;
    for (int i = 0; i < KEExtensions::kEntryPointCount; ++i) {
        const std::string name = KEExtensions::kEntryPointNames[i];
        if (name.size() > 2 && name.compare(name.size() - 2, 2, "NV") == 0) {
            ++nvEntries;
            EXPECT_EQ(loaded->GetEntryPoint(i), nullptr) << name;
        }
    }
    EXPECT_EQ(nvEntries, 4 + 15 + 64 + 7);

    // The real entry point works: unit 1 becomes active.
    loaded->glActiveTextureARB(GL_TEXTURE1_ARB);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE1_ARB);
    loaded->glActiveTextureARB(GL_TEXTURE0_ARB);

    KEExtensions::SetInstance(nullptr);
}

}  // namespace
