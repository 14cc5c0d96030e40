// An NV vertex program held by a material: program text, tracked matrices and constants.
// The per-pixel lighting path creates and fills programs; a material whose program is
// empty binds nothing.
#pragma once

#include <GL/gl.h>

#include <string>

class KEVertexProgram {
public:
    KEVertexProgram() = default;
    virtual ~KEVertexProgram() = default;

    void SetText(const char* text) { m_text = text ? text : ""; }
    const std::string& GetText() const { return m_text; }
    bool IsEmpty() const { return m_text.empty(); }

    // Binds the program and loads its parameters for one draw.
    virtual void Bind() {}

private:
    std::string m_text;
};
