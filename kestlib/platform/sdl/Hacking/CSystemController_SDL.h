// The system controller on SDL: SDL cannot drive the desktop, so only the enumeration
// of the application's own windows does any work.
#pragma once

#include "Hacking/ISystemController.h"

namespace _KL {
namespace Hacking {

class CSystemController_SDL : public KL::Hacking::ISystemController {
public:
    bool MouseMove(int32_t x, int32_t y) override;
    bool MouseClick(int32_t x, int32_t y, int32_t button) override;
    bool MWheelUp(int32_t amount) override;
    bool MWheelDown(int32_t amount) override;
    // Walks the application's windows in creation order (SDL windows are all top level,
    // so both kinds of walk see the same windows).
    bool EnumerateWindows(KL::Hacking::WindowCallback callback, bool children, void* userData) override;
    void* GetDesktopPortion(int32_t x, int32_t y, int32_t width, int32_t height) override;
};

}  // namespace Hacking
}  // namespace _KL
