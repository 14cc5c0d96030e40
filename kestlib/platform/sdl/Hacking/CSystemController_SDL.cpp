#include "Hacking/CSystemController_SDL.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLLog.h"

#include <vector>

namespace _KL {
namespace Hacking {

bool CSystemController_SDL::MouseMove(int32_t, int32_t) {
    LogError("_KL::Hacking::CSystemController_SDL::MouseMove not defined. (Hacking\\CSystemController_SDL)");
    return true;
}

bool CSystemController_SDL::MouseClick(int32_t, int32_t, int32_t) {
    LogError("_KL::Hacking::CSystemController_SDL::MouseClick not defined. (Hacking\\CSystemController_SDL)");
    return true;
}

bool CSystemController_SDL::MWheelUp(int32_t) {
    LogError("_KL::Hacking::CSystemController_SDL::MWheelUp not defined. (Hacking\\CSystemController_SDL)");
    return true;
}

bool CSystemController_SDL::MWheelDown(int32_t) {
    LogError("_KL::Hacking::CSystemController_SDL::MWheelDown not defined. (Hacking\\CSystemController_SDL)");
    return true;
}

bool CSystemController_SDL::EnumerateWindows(KL::Hacking::WindowCallback callback, bool, void* userData) {
    if (!callback || !KLAbstractFactory<KL::Application>::HasInstance()) return false;
    // A copy: a callback may open windows while the walk goes on.
    const std::vector<KL::Window*> windows = KLAbstractFactory<KL::Application>::GetInstance()->GetWindows();
    for (KL::Window* appWindow : windows) {
        if (!appWindow->GetHandle()) continue;
        KL::Window* window = KLAbstractFactory<KL::Window>::FindImplementation("class KL::Window");
        if (!window) return false;
        window->SetHandle(appWindow->GetHandle());
        if (!callback(window, userData)) break;
    }
    return true;
}

void* CSystemController_SDL::GetDesktopPortion(int32_t, int32_t, int32_t, int32_t) {
    LogError("_KL::Hacking::CSystemController_SDL::GetDesktopPortion not defined. (Hacking\\CSystemController_SDL)");
    return nullptr;
}

}  // namespace Hacking
}  // namespace _KL
