// The system controller on Win32: only the enumeration of the desktop's windows does any
// work.
#pragma once

#include "Hacking/ISystemController.h"

namespace _KL {
namespace Hacking {

class CSystemController_Win32 : public KL::Hacking::ISystemController {
public:
    bool MouseMove(int32_t x, int32_t y) override;
    bool MouseClick(int32_t x, int32_t y, int32_t button) override;
    bool MWheelUp(int32_t amount) override;
    bool MWheelDown(int32_t amount) override;
    // Walks the top-level windows, or the children of the desktop window when `children`
    // is set, binding a window object of the registry to each.
    bool EnumerateWindows(KL::Hacking::WindowCallback callback, bool children, void* userData) override;
    void* GetDesktopPortion(int32_t x, int32_t y, int32_t width, int32_t height) override;
};

}  // namespace Hacking
}  // namespace _KL
