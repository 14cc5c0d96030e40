// The engine's table of GL entry points beyond OpenGL 1.1, filled once by name from the
// platform's lookup together with the driver's extension string. Every user of an extension
// calls through this table and tests the entry point for null (or the extension string)
// first. On Linux the platform lookup answers non-null even for names the driver lacks, so
// loading clears every family whose extension is not in the string: a null entry then
// means "not offered". Main thread only.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

// The VAR memory functions of the window system (WGL on Windows, their GLX twins here).
using KEPFNWGLALLOCATEMEMORYNVPROC = void* (*)(GLsizei size, GLfloat readFrequency, GLfloat writeFrequency,
                                              GLfloat priority);
using KEPFNWGLFREEMEMORYNVPROC = void (*)(void* pointer);

// Every entry point in load order: X(family, name, type) for those asked by their own name,
// XL(family, name, type, lookupName) for those asked under another name on this platform.
// clang-format off
#define KE_EXTENSION_ENTRY_POINTS(X, XL) \
    X(kCompiledVertexArray, glLockArraysEXT, PFNGLLOCKARRAYSEXTPROC) \
    X(kCompiledVertexArray, glUnlockArraysEXT, PFNGLUNLOCKARRAYSEXTPROC) \
    X(kVertexArrayRange, glVertexArrayRangeNV, PFNGLVERTEXARRAYRANGENVPROC) \
    X(kVertexArrayRange, glFlushVertexArrayRangeNV, PFNGLFLUSHVERTEXARRAYRANGENVPROC) \
    XL(kVertexArrayRange, wglAllocateMemoryNV, KEPFNWGLALLOCATEMEMORYNVPROC, KL::kGLAllocateMemoryNVName) \
    XL(kVertexArrayRange, wglFreeMemoryNV, KEPFNWGLFREEMEMORYNVPROC, KL::kGLFreeMemoryNVName) \
    X(kMultitexture, glActiveTextureARB, PFNGLACTIVETEXTUREARBPROC) \
    X(kMultitexture, glClientActiveTextureARB, PFNGLCLIENTACTIVETEXTUREARBPROC) \
    X(kMultitexture, glMultiTexCoord1dARB, PFNGLMULTITEXCOORD1DARBPROC) \
    X(kMultitexture, glMultiTexCoord1dvARB, PFNGLMULTITEXCOORD1DVARBPROC) \
    X(kMultitexture, glMultiTexCoord1fARB, PFNGLMULTITEXCOORD1FARBPROC) \
    X(kMultitexture, glMultiTexCoord1fvARB, PFNGLMULTITEXCOORD1FVARBPROC) \
    X(kMultitexture, glMultiTexCoord1iARB, PFNGLMULTITEXCOORD1IARBPROC) \
    X(kMultitexture, glMultiTexCoord1ivARB, PFNGLMULTITEXCOORD1IVARBPROC) \
    X(kMultitexture, glMultiTexCoord1sARB, PFNGLMULTITEXCOORD1SARBPROC) \
    X(kMultitexture, glMultiTexCoord1svARB, PFNGLMULTITEXCOORD1SVARBPROC) \
    X(kMultitexture, glMultiTexCoord2dARB, PFNGLMULTITEXCOORD2DARBPROC) \
    X(kMultitexture, glMultiTexCoord2dvARB, PFNGLMULTITEXCOORD2DVARBPROC) \
    X(kMultitexture, glMultiTexCoord2fARB, PFNGLMULTITEXCOORD2FARBPROC) \
    X(kMultitexture, glMultiTexCoord2fvARB, PFNGLMULTITEXCOORD2FVARBPROC) \
    X(kMultitexture, glMultiTexCoord2iARB, PFNGLMULTITEXCOORD2IARBPROC) \
    X(kMultitexture, glMultiTexCoord2ivARB, PFNGLMULTITEXCOORD2IVARBPROC) \
    X(kMultitexture, glMultiTexCoord2sARB, PFNGLMULTITEXCOORD2SARBPROC) \
    X(kMultitexture, glMultiTexCoord2svARB, PFNGLMULTITEXCOORD2SVARBPROC) \
    X(kMultitexture, glMultiTexCoord3dARB, PFNGLMULTITEXCOORD3DARBPROC) \
    X(kMultitexture, glMultiTexCoord3dvARB, PFNGLMULTITEXCOORD3DVARBPROC) \
    X(kMultitexture, glMultiTexCoord3fARB, PFNGLMULTITEXCOORD3FARBPROC) \
    X(kMultitexture, glMultiTexCoord3fvARB, PFNGLMULTITEXCOORD3FVARBPROC) \
    X(kMultitexture, glMultiTexCoord3iARB, PFNGLMULTITEXCOORD3IARBPROC) \
    X(kMultitexture, glMultiTexCoord3ivARB, PFNGLMULTITEXCOORD3IVARBPROC) \
    X(kMultitexture, glMultiTexCoord3sARB, PFNGLMULTITEXCOORD3SARBPROC) \
    X(kMultitexture, glMultiTexCoord3svARB, PFNGLMULTITEXCOORD3SVARBPROC) \
    X(kMultitexture, glMultiTexCoord4dARB, PFNGLMULTITEXCOORD4DARBPROC) \
    X(kMultitexture, glMultiTexCoord4dvARB, PFNGLMULTITEXCOORD4DVARBPROC) \
    X(kMultitexture, glMultiTexCoord4fARB, PFNGLMULTITEXCOORD4FARBPROC) \
    X(kMultitexture, glMultiTexCoord4fvARB, PFNGLMULTITEXCOORD4FVARBPROC) \
    X(kMultitexture, glMultiTexCoord4iARB, PFNGLMULTITEXCOORD4IARBPROC) \
    X(kMultitexture, glMultiTexCoord4ivARB, PFNGLMULTITEXCOORD4IVARBPROC) \
    X(kMultitexture, glMultiTexCoord4sARB, PFNGLMULTITEXCOORD4SARBPROC) \
    X(kMultitexture, glMultiTexCoord4svARB, PFNGLMULTITEXCOORD4SVARBPROC) \
    X(kRegisterCombiners, glCombinerParameterfvNV, PFNGLCOMBINERPARAMETERFVNVPROC) \
    X(kRegisterCombiners, glCombinerParameterfNV, PFNGLCOMBINERPARAMETERFNVPROC) \
    X(kRegisterCombiners, glCombinerParameterivNV, PFNGLCOMBINERPARAMETERIVNVPROC) \
    X(kRegisterCombiners, glCombinerParameteriNV, PFNGLCOMBINERPARAMETERINVPROC) \
    X(kRegisterCombiners, glCombinerInputNV, PFNGLCOMBINERINPUTNVPROC) \
    X(kRegisterCombiners, glCombinerOutputNV, PFNGLCOMBINEROUTPUTNVPROC) \
    X(kRegisterCombiners, glFinalCombinerInputNV, PFNGLFINALCOMBINERINPUTNVPROC) \
    X(kRegisterCombiners, glGetCombinerInputParameterfvNV, PFNGLGETCOMBINERINPUTPARAMETERFVNVPROC) \
    X(kRegisterCombiners, glGetCombinerInputParameterivNV, PFNGLGETCOMBINERINPUTPARAMETERIVNVPROC) \
    X(kRegisterCombiners, glGetCombinerOutputParameterfvNV, PFNGLGETCOMBINEROUTPUTPARAMETERFVNVPROC) \
    X(kRegisterCombiners, glGetCombinerOutputParameterivNV, PFNGLGETCOMBINEROUTPUTPARAMETERIVNVPROC) \
    X(kRegisterCombiners, glGetFinalCombinerInputParameterfvNV, PFNGLGETFINALCOMBINERINPUTPARAMETERFVNVPROC) \
    X(kRegisterCombiners, glGetFinalCombinerInputParameterivNV, PFNGLGETFINALCOMBINERINPUTPARAMETERIVNVPROC) \
    X(kRegisterCombiners2, glCombinerStageParameterfvNV, PFNGLCOMBINERSTAGEPARAMETERFVNVPROC) \
    X(kRegisterCombiners2, glGetCombinerStageParameterfvNV, PFNGLGETCOMBINERSTAGEPARAMETERFVNVPROC) \
    X(kVertexProgram, glAreProgramsResidentNV, PFNGLAREPROGRAMSRESIDENTNVPROC) \
    X(kVertexProgram, glBindProgramNV, PFNGLBINDPROGRAMNVPROC) \
    X(kVertexProgram, glDeleteProgramsNV, PFNGLDELETEPROGRAMSNVPROC) \
    X(kVertexProgram, glExecuteProgramNV, PFNGLEXECUTEPROGRAMNVPROC) \
    X(kVertexProgram, glGenProgramsNV, PFNGLGENPROGRAMSNVPROC) \
    X(kVertexProgram, glGetProgramParameterdvNV, PFNGLGETPROGRAMPARAMETERDVNVPROC) \
    X(kVertexProgram, glGetProgramParameterfvNV, PFNGLGETPROGRAMPARAMETERFVNVPROC) \
    X(kVertexProgram, glGetProgramivNV, PFNGLGETPROGRAMIVNVPROC) \
    X(kVertexProgram, glGetProgramStringNV, PFNGLGETPROGRAMSTRINGNVPROC) \
    X(kVertexProgram, glGetTrackMatrixivNV, PFNGLGETTRACKMATRIXIVNVPROC) \
    X(kVertexProgram, glGetVertexAttribdvNV, PFNGLGETVERTEXATTRIBDVNVPROC) \
    X(kVertexProgram, glGetVertexAttribfvNV, PFNGLGETVERTEXATTRIBFVNVPROC) \
    X(kVertexProgram, glGetVertexAttribivNV, PFNGLGETVERTEXATTRIBIVNVPROC) \
    X(kVertexProgram, glGetVertexAttribPointervNV, PFNGLGETVERTEXATTRIBPOINTERVNVPROC) \
    X(kVertexProgram, glIsProgramNV, PFNGLISPROGRAMNVPROC) \
    X(kVertexProgram, glLoadProgramNV, PFNGLLOADPROGRAMNVPROC) \
    X(kVertexProgram, glProgramParameter4dNV, PFNGLPROGRAMPARAMETER4DNVPROC) \
    X(kVertexProgram, glProgramParameter4dvNV, PFNGLPROGRAMPARAMETER4DVNVPROC) \
    X(kVertexProgram, glProgramParameter4fNV, PFNGLPROGRAMPARAMETER4FNVPROC) \
    X(kVertexProgram, glProgramParameter4fvNV, PFNGLPROGRAMPARAMETER4FVNVPROC) \
    X(kVertexProgram, glProgramParameters4dvNV, PFNGLPROGRAMPARAMETERS4DVNVPROC) \
    X(kVertexProgram, glProgramParameters4fvNV, PFNGLPROGRAMPARAMETERS4FVNVPROC) \
    X(kVertexProgram, glRequestResidentProgramsNV, PFNGLREQUESTRESIDENTPROGRAMSNVPROC) \
    X(kVertexProgram, glTrackMatrixNV, PFNGLTRACKMATRIXNVPROC) \
    X(kVertexProgram, glVertexAttribPointerNV, PFNGLVERTEXATTRIBPOINTERNVPROC) \
    X(kVertexProgram, glVertexAttrib1dNV, PFNGLVERTEXATTRIB1DNVPROC) \
    X(kVertexProgram, glVertexAttrib1dvNV, PFNGLVERTEXATTRIB1DVNVPROC) \
    X(kVertexProgram, glVertexAttrib1fNV, PFNGLVERTEXATTRIB1FNVPROC) \
    X(kVertexProgram, glVertexAttrib1fvNV, PFNGLVERTEXATTRIB1FVNVPROC) \
    X(kVertexProgram, glVertexAttrib1sNV, PFNGLVERTEXATTRIB1SNVPROC) \
    X(kVertexProgram, glVertexAttrib1svNV, PFNGLVERTEXATTRIB1SVNVPROC) \
    X(kVertexProgram, glVertexAttrib2dNV, PFNGLVERTEXATTRIB2DNVPROC) \
    X(kVertexProgram, glVertexAttrib2dvNV, PFNGLVERTEXATTRIB2DVNVPROC) \
    X(kVertexProgram, glVertexAttrib2fNV, PFNGLVERTEXATTRIB2FNVPROC) \
    X(kVertexProgram, glVertexAttrib2fvNV, PFNGLVERTEXATTRIB2FVNVPROC) \
    X(kVertexProgram, glVertexAttrib2sNV, PFNGLVERTEXATTRIB2SNVPROC) \
    X(kVertexProgram, glVertexAttrib2svNV, PFNGLVERTEXATTRIB2SVNVPROC) \
    X(kVertexProgram, glVertexAttrib3dNV, PFNGLVERTEXATTRIB3DNVPROC) \
    X(kVertexProgram, glVertexAttrib3dvNV, PFNGLVERTEXATTRIB3DVNVPROC) \
    X(kVertexProgram, glVertexAttrib3fNV, PFNGLVERTEXATTRIB3FNVPROC) \
    X(kVertexProgram, glVertexAttrib3fvNV, PFNGLVERTEXATTRIB3FVNVPROC) \
    X(kVertexProgram, glVertexAttrib3sNV, PFNGLVERTEXATTRIB3SNVPROC) \
    X(kVertexProgram, glVertexAttrib3svNV, PFNGLVERTEXATTRIB3SVNVPROC) \
    X(kVertexProgram, glVertexAttrib4dNV, PFNGLVERTEXATTRIB4DNVPROC) \
    X(kVertexProgram, glVertexAttrib4dvNV, PFNGLVERTEXATTRIB4DVNVPROC) \
    X(kVertexProgram, glVertexAttrib4fNV, PFNGLVERTEXATTRIB4FNVPROC) \
    X(kVertexProgram, glVertexAttrib4fvNV, PFNGLVERTEXATTRIB4FVNVPROC) \
    X(kVertexProgram, glVertexAttrib4sNV, PFNGLVERTEXATTRIB4SNVPROC) \
    X(kVertexProgram, glVertexAttrib4svNV, PFNGLVERTEXATTRIB4SVNVPROC) \
    X(kVertexProgram, glVertexAttrib4ubNV, PFNGLVERTEXATTRIB4UBNVPROC) \
    X(kVertexProgram, glVertexAttrib4ubvNV, PFNGLVERTEXATTRIB4UBVNVPROC) \
    X(kVertexProgram, glVertexAttribs1dvNV, PFNGLVERTEXATTRIBS1DVNVPROC) \
    X(kVertexProgram, glVertexAttribs1fvNV, PFNGLVERTEXATTRIBS1FVNVPROC) \
    X(kVertexProgram, glVertexAttribs1svNV, PFNGLVERTEXATTRIBS1SVNVPROC) \
    X(kVertexProgram, glVertexAttribs2dvNV, PFNGLVERTEXATTRIBS2DVNVPROC) \
    X(kVertexProgram, glVertexAttribs2fvNV, PFNGLVERTEXATTRIBS2FVNVPROC) \
    X(kVertexProgram, glVertexAttribs2svNV, PFNGLVERTEXATTRIBS2SVNVPROC) \
    X(kVertexProgram, glVertexAttribs3dvNV, PFNGLVERTEXATTRIBS3DVNVPROC) \
    X(kVertexProgram, glVertexAttribs3fvNV, PFNGLVERTEXATTRIBS3FVNVPROC) \
    X(kVertexProgram, glVertexAttribs3svNV, PFNGLVERTEXATTRIBS3SVNVPROC) \
    X(kVertexProgram, glVertexAttribs4dvNV, PFNGLVERTEXATTRIBS4DVNVPROC) \
    X(kVertexProgram, glVertexAttribs4fvNV, PFNGLVERTEXATTRIBS4FVNVPROC) \
    X(kVertexProgram, glVertexAttribs4svNV, PFNGLVERTEXATTRIBS4SVNVPROC) \
    X(kVertexProgram, glVertexAttribs4ubvNV, PFNGLVERTEXATTRIBS4UBVNVPROC) \
    X(kFence, glDeleteFencesNV, PFNGLDELETEFENCESNVPROC) \
    X(kFence, glGenFencesNV, PFNGLGENFENCESNVPROC) \
    X(kFence, glIsFenceNV, PFNGLISFENCENVPROC) \
    X(kFence, glTestFenceNV, PFNGLTESTFENCENVPROC) \
    X(kFence, glGetFenceivNV, PFNGLGETFENCEIVNVPROC) \
    X(kFence, glFinishFenceNV, PFNGLFINISHFENCENVPROC) \
    X(kFence, glSetFenceNV, PFNGLSETFENCENVPROC) \
    X(kSecondaryColor, glSecondaryColor3bEXT, PFNGLSECONDARYCOLOR3BEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3bvEXT, PFNGLSECONDARYCOLOR3BVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3dEXT, PFNGLSECONDARYCOLOR3DEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3dvEXT, PFNGLSECONDARYCOLOR3DVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3fEXT, PFNGLSECONDARYCOLOR3FEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3fvEXT, PFNGLSECONDARYCOLOR3FVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3iEXT, PFNGLSECONDARYCOLOR3IEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3ivEXT, PFNGLSECONDARYCOLOR3IVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3sEXT, PFNGLSECONDARYCOLOR3SEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3svEXT, PFNGLSECONDARYCOLOR3SVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3ubEXT, PFNGLSECONDARYCOLOR3UBEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3ubvEXT, PFNGLSECONDARYCOLOR3UBVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3uiEXT, PFNGLSECONDARYCOLOR3UIEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3uivEXT, PFNGLSECONDARYCOLOR3UIVEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3usEXT, PFNGLSECONDARYCOLOR3USEXTPROC) \
    X(kSecondaryColor, glSecondaryColor3usvEXT, PFNGLSECONDARYCOLOR3USVEXTPROC) \
    X(kSecondaryColor, glSecondaryColorPointerEXT, PFNGLSECONDARYCOLORPOINTEREXTPROC)
// clang-format on

class KEExtensions {
public:
    using ProcLookup = void* (*)(const char* name);

    // What each entry point needs in the extension string to stay loaded.
    enum Family {
        kCompiledVertexArray,
        kVertexArrayRange,
        kMultitexture,
        kRegisterCombiners,
        kRegisterCombiners2,  // the two per-stage constant entries
        kVertexProgram,
        kFence,
        kSecondaryColor,
        kFamilyCount
    };

    static constexpr const char* kCompiledVertexArrayName = "GL_EXT_compiled_vertex_array";
    static constexpr const char* kVertexArrayRangeName = "GL_NV_vertex_array_range";
    // Allows GL_VERTEX_ARRAY_RANGE_WITHOUT_FLUSH_NV; not a family of its own (no entry points).
    static constexpr const char* kVertexArrayRange2Name = "GL_NV_vertex_array_range2";
    static constexpr const char* kMultitextureName = "GL_ARB_multitexture";
    static constexpr const char* kRegisterCombinersName = "GL_NV_register_combiners";
    static constexpr const char* kRegisterCombiners2Name = "GL_NV_register_combiners2";
    static constexpr const char* kVertexProgramName = "GL_NV_vertex_program";
    static constexpr const char* kFenceName = "GL_NV_fence";
    static constexpr const char* kSecondaryColorName = "GL_EXT_secondary_color";

    // The table; the first call (or the first after SetInstance(nullptr)) loads it from the
    // current GL context. Call it with the engine's context current: without one the answer
    // is a table with an empty string and every entry null, and the next call tries again.
    static KEExtensions* GetInstance();
    // Installs a table (not owned; tests, re-initialisation), or null so that the next
    // GetInstance loads anew.
    static void SetInstance(KEExtensions* table);

    // Every entry point null, empty extension string.
    KEExtensions() = default;
    KEExtensions(const KEExtensions&) = delete;
    KEExtensions& operator=(const KEExtensions&) = delete;

    // Keeps a copy of the extension string (null reads as empty), asks `lookup` for every
    // entry point in load order (a null lookup leaves them all null), then clears every
    // family whose extension is not in the string. Nothing is reported for a missing name.
    void Load(const char* extensionString, ProcLookup lookup);

    // True when `name` occurs anywhere in the extension string: a plain substring search,
    // so "GL_NV_vertex_program" is also found in "GL_NV_vertex_program2".
    bool IsExtensionSupported(const char* name) const;
    const char* GetExtensionString() const { return m_extensions.c_str(); }
    // The answers the draw path needs on every draw, found once at load.
    bool HasVertexProgram() const { return m_hasVertexProgram; }
    bool HasVertexArrayRange2() const { return m_hasVertexArrayRange2; }
    // The extension that keeps a family's entry points loaded.
    static const char* FamilyExtension(Family family);

    // Entry point `index` of the load order as an untyped address (null when absent or
    // out of range); for checks over the whole table.
    void* GetEntryPoint(int index) const;
    // The family of entry point `index` (kFamilyCount when out of range).
    static Family GetFamily(int index);

#define KE_DECLARE_ENTRY_POINT(family, name, type) type name = nullptr;
#define KE_DECLARE_ENTRY_POINT_AS(family, name, type, lookupName) type name = nullptr;
    KE_EXTENSION_ENTRY_POINTS(KE_DECLARE_ENTRY_POINT, KE_DECLARE_ENTRY_POINT_AS)
#undef KE_DECLARE_ENTRY_POINT
#undef KE_DECLARE_ENTRY_POINT_AS

    static constexpr int kEntryPointCount = 143;
    // The entry points' names in load order, as the members are called (GL function names).
    static const char* const kEntryPointNames[kEntryPointCount];
    // The names asked of the platform lookup, in load order: the same, except the memory
    // functions, asked under the window system's own names (glX... where GLX makes the
    // context; wgl..., their member names, on Windows).
    static const char* const kLookupNames[kEntryPointCount];

private:
    void ClearFamily(Family family);

    std::string m_extensions;
    bool m_hasVertexProgram = false;
    bool m_hasVertexArrayRange2 = false;
};
