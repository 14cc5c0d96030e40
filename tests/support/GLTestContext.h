// A real OpenGL context for rendering tests: a headless window of the platform made
// current, with helpers to read pixels back. The application singleton is the platform's
// application with a scripted clock for the fixture's lifetime.
#pragma once

#include "KLAppWindow.h"
#include "ScriptedApplication.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

class GLTestContext {
public:
    GLTestContext(int width = 64, int height = 64) : m_scope(&m_app) {
        m_window = m_app.OpenWindow("GL test", 0, 0, width, height, 32, false, nullptr, nullptr);
        m_ready = m_window && m_window->PrepareForOpenGL();
    }
    ~GLTestContext() {
        if (m_window) {
            m_window->ReleaseWindow();
            delete m_window;
        }
    }
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool Ready() const { return m_ready; }
    KL::Window* Window() { return m_window; }
    ScriptedApplication& App() { return m_app; }

    // RGBA of the pixel at (x, y), y counted from the bottom row as GL does, read from the
    // back buffer (what was drawn and not yet swapped away).
    std::array<uint8_t, 4> Pixel(int x, int y) const;

private:
    ScriptedApplication m_app;
    ScopedAppInstance m_scope;
    KL::Window* m_window = nullptr;
    bool m_ready = false;
};

#include <GL/gl.h>

inline std::array<uint8_t, 4> GLTestContext::Pixel(int x, int y) const {
    std::array<uint8_t, 4> rgba{};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
