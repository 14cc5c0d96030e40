#include "MarloStartup.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLLog.h"

#include <GL/gl.h>

namespace {

// Clears and presents the window once per tick, and ends the program when the window is
// closed (Escape is handled by the framework itself).
class ShowWindowListener : public KL::WindowListener {
public:
    void OnClose() override {
        if (KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance()) app->Quit();
    }
    void OnFrame(uint32_t) override {
        KL::Window* window = GetOwner();
        if (!window || !window->MakeCurrent()) return;
        glClearColor(0.3f, 0.3f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFlush();
        window->SwapBuffers();
    }
};

// Opens the window when the application starts.
class ShowClient : public KL::ApplicationClient {
public:
    explicit ShowClient(KLList* listeners) : m_listeners(listeners) {}
    void OnStart() override {
        KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
        if (!app) return;
        KL::Window* window = app->OpenWindow("Marlo!!!", 10, 30, 800, 600, 32, false, nullptr, m_listeners);
        if (window) window->PrepareForOpenGL();
    }

private:
    KLList* m_listeners;
};

}  // namespace

int MarloStartup(int, char**) {
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    if (!app) return 1;
    // Like every long-lived object of the show, these live until the process ends.
    static ShowWindowListener listener;
    static KLList listeners;
    listeners.Append(&listener);
    static ShowClient client(&listeners);
    app->AddClient(&client);
    return app->Run();
}
