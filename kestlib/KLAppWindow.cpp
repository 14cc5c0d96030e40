// Bodies of the window interface: event delivery, and the operations a platform may
// leave out, which stay callable and say that they are not defined.
#include "KLAppWindow.h"

#include "KLLog.h"

namespace KL {

void Window::Show() { LogError("Show Not Implemented.\n"); }

void Window::DrawCircle(float, float, float) {
    LogError("KL::Window::DrawCircle not defined. (c:\\code\\kestlib\\KLAppWindow)");
}

void Window::Clear() { LogMessage("Clear not implemented"); }

void Window::Print(float, float, const char*) {
    LogError("KL::Window::Print not defined. (c:\\code\\kestlib\\KLAppWindow)");
}

bool Window::ReleaseOpenGL() {
    LogError("KL::Window::ReleaseOpenGL not defined. (c:\\code\\kestlib\\KLAppWindow)");
    return false;
}

bool Window::MakeCurrent() {
    LogError("KL::Window::MakeCurrent not defined. (c:\\code\\kestlib\\KLAppWindow)");
    return false;
}

void Window::ReleaseWindow() {
    LogError("KL::Window::ReleaseWindow not defined. (c:\\code\\kestlib\\KLAppWindow)");
}

bool Window::SwapBuffers() {
    LogError("KL::Window::SwapBuffers not defined. (c:\\code\\kestlib\\KLAppWindow)");
    return false;
}

bool Window::PrepareForOpenGL() {
    LogError("KL::Window::PrepareForOpenGL not defined. (c:\\code\\kestlib\\KLAppWindow)");
    return false;
}

void Window::AddListener(WindowListener* listener) {
    if (!listener) return;
    m_listeners.Append(listener);
    listener->SetOwner(this);
    listener->OnAttach();
}

void Window::Broadcast(const Event& event) {
    for (KLListNode* node = m_listeners.GetFirst(); node; node = node->GetNext()) {
        node->Item<WindowListener>()->HandleEvent(event);
    }
}

void Window::Notify(int32_t type) {
    Event event;
    event.type = type;
    Broadcast(event);
}

}  // namespace KL
