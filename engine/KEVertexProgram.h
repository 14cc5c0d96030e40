// An NV vertex program held by a material: program text, tracked matrices and constants.
// The program is loaded on its first bind; every bind then binds it and sets its constants
// and tracked matrices, in the order they were first given. The per-pixel lighting path
// creates and fills programs; a material whose program is empty binds nothing.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

class KEVertexProgram {
public:
    static constexpr int32_t kNotLoaded = -1;

    KEVertexProgram();
    virtual ~KEVertexProgram() = default;

    void SetText(const char* text) { m_text = text ? text : ""; }
    const std::string& GetText() const { return m_text; }
    bool IsEmpty() const { return m_text.empty(); }

    // Both replace the entry of the same address, or append one.
    void SetConstant(int32_t address, float x, float y, float z, float w);
    void TrackMatrix(int32_t address, GLenum matrix, GLenum transform);

    // Loads the program on first use ("Error in vertex program at %i/%i" when the driver
    // refuses it; it is not loaded again), binds it and sets its parameters. Nothing
    // without the vertex-program entry points or with an empty text.
    virtual void Bind();

    struct Constant {
        int32_t address;
        float value[4];
    };
    struct TrackedMatrix {
        int32_t address;
        GLenum matrix;
        GLenum transform;
    };
    const std::vector<Constant>& GetConstants() const { return m_constants; }
    const std::vector<TrackedMatrix>& GetTrackedMatrices() const { return m_tracked; }
    int32_t GetProgram() const { return m_program; }

private:
    int32_t m_program = kNotLoaded;
    std::vector<Constant> m_constants;
    std::vector<TrackedMatrix> m_tracked;
    std::string m_text;
};
