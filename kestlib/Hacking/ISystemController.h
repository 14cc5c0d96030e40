// Driving the desktop from a program: mouse, wheel, window enumeration, screen grabs.
// Only the window enumeration does anything on this platform.
#pragma once

#include "KLAppWindow.h"
#include "KLObject.h"

#include <cstdint>

namespace KL {
namespace Hacking {

// Called for each window found; a false result stops the walk.
using WindowCallback = bool (*)(KL::Window* window, void* userData);

class ISystemController : public Object {
public:
    virtual bool MouseMove(int32_t x, int32_t y) = 0;
    virtual bool MouseClick(int32_t x, int32_t y, int32_t button) = 0;
    virtual bool MWheelUp(int32_t amount) = 0;
    virtual bool MWheelDown(int32_t amount) = 0;
    // Walks the windows (the children of the desktop when `children` is set), binding a
    // window object to each and calling the callback. True when the walk ran to its end
    // or was stopped by the callback.
    virtual bool EnumerateWindows(WindowCallback callback, bool children, void* userData) = 0;
    virtual void* GetDesktopPortion(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
};

}  // namespace Hacking
}  // namespace KL
