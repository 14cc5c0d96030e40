// The SDL system controller walks the application's own windows (SDL has no list of the
// desktop's windows).
#include "FakeApplication.h"
#include "Hacking/ISystemController.h"
#include "KLAbstractFactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Walk {
    int calls = 0;
    int stopAfter = 0;
    std::vector<KL::NativeWindowHandle> handles;
    std::vector<std::unique_ptr<KL::Window>> windows;
};

bool CountWindow(KL::Window* window, void* user) {
    Walk* walk = static_cast<Walk*>(user);
    ++walk->calls;
    walk->handles.push_back(window->GetHandle());
    walk->windows.emplace_back(window);
    return walk->calls < walk->stopAfter;
}

}  // namespace

TEST(SystemController, EnumerationBindsAWindowToEachApplicationWindowAndStopsWhenTold) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    int first = 0, second = 0;
    app.OpenWindow("a", 0, 0, 1, 1, 32, false, nullptr, nullptr)->SetHandle(&first);
    app.OpenWindow("b", 0, 0, 1, 1, 32, false, nullptr, nullptr)->SetHandle(&second);
    std::unique_ptr<KL::Hacking::ISystemController> controller(
        KLAbstractFactory<KL::Hacking::ISystemController>::FindImplementation("class KL::Hacking::ISystemController"));
    ASSERT_NE(controller, nullptr);

    Walk all;
    all.stopAfter = 100;
    EXPECT_TRUE(controller->EnumerateWindows(&CountWindow, false, &all));
    EXPECT_EQ(all.handles, (std::vector<KL::NativeWindowHandle>{&first, &second}));

    Walk stopped;
    stopped.stopAfter = 1;
    EXPECT_TRUE(controller->EnumerateWindows(&CountWindow, true, &stopped));
    EXPECT_EQ(stopped.calls, 1);
}

