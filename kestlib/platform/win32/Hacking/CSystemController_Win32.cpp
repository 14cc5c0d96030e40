#include "Hacking/CSystemController_Win32.h"

#include "KLAbstractFactory.h"
#include "KLLog.h"

#include "KLWindowsApi.h"

namespace _KL {
namespace Hacking {

namespace {

struct Walk {
    KL::Hacking::WindowCallback callback;
    void* userData;
    bool stoppedByCallback;
};

BOOL CALLBACK VisitWindow(HWND native, LPARAM parameter) {
    Walk* walk = reinterpret_cast<Walk*>(parameter);
    KL::Window* window = KLAbstractFactory<KL::Window>::FindImplementation("class KL::Window");
    if (!window) return FALSE;
    window->SetHandle(native);
    if (walk->callback(window, walk->userData)) return TRUE;
    walk->stoppedByCallback = true;
    return FALSE;
}

}  // namespace

bool CSystemController_Win32::MouseMove(int32_t, int32_t) {
    LogError("_KL::Hacking::CSystemController_Win32::MouseMove not defined. (Hacking\\CSystemController_Win32)");
    return true;
}

bool CSystemController_Win32::MouseClick(int32_t, int32_t, int32_t) {
    LogError("_KL::Hacking::CSystemController_Win32::MouseClick not defined. (Hacking\\CSystemController_Win32)");
    return true;
}

bool CSystemController_Win32::MWheelUp(int32_t) {
    LogError("_KL::Hacking::CSystemController_Win32::MWheelUp not defined. (Hacking\\CSystemController_Win32)");
    return true;
}

bool CSystemController_Win32::MWheelDown(int32_t) {
    LogError("_KL::Hacking::CSystemController_Win32::MWheelDown not defined. (Hacking\\CSystemController_Win32)");
    return true;
}

bool CSystemController_Win32::EnumerateWindows(KL::Hacking::WindowCallback callback, bool children,
                                               void* userData) {
    if (!callback) return false;
    Walk walk{callback, userData, false};
    const LPARAM parameter = reinterpret_cast<LPARAM>(&walk);
    const BOOL walked = children ? EnumChildWindows(GetDesktopWindow(), &VisitWindow, parameter)
                                 : EnumWindows(&VisitWindow, parameter);
    // The system reports a walk stopped by its callback as a failure; it counts as done.
    return walked != 0 || walk.stoppedByCallback;
}

void* CSystemController_Win32::GetDesktopPortion(int32_t, int32_t, int32_t, int32_t) {
    LogError(
        "_KL::Hacking::CSystemController_Win32::GetDesktopPortion not defined. (Hacking\\CSystemController_Win32)");
    return nullptr;
}

}  // namespace Hacking
}  // namespace _KL
