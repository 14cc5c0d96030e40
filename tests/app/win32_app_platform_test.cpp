// The start-up's Windows services: the data folder's checks and entering it, a quit
// message queued before the dialog, the display and the icon resource.
#include "AppPlatform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(AppPlatformWin32, NamesWhyAFolderCannotBeTheDataFolderAndEntersOneThatCan) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("marlo-app-platform-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(root / "data");
    std::ofstream(root / "file.txt") << "x";
    struct Case {
        fs::path folder;
        const char* problem;
    };
    const Case cases[] = {
        {root / "data", ""},
        {root / "missing", "not found"},
        {root / "missing" / "deeper", "not found"},
        {root / "file.txt", "not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.string());
        EXPECT_EQ(c.problem, AppPlatform::DataFolderProblem(c.folder.string()));
    }

    const fs::path before = fs::current_path();
    EXPECT_EQ("", AppPlatform::EnterFolder((root / "data").string()));
    EXPECT_TRUE(fs::equivalent(root / "data", fs::current_path()));
    EXPECT_EQ("not found", AppPlatform::EnterFolder((root / "missing").string()));
    EXPECT_TRUE(fs::equivalent(root / "data", fs::current_path()));
    fs::current_path(before);
    fs::remove_all(root);
}

// A quit message asked for before the dialog is seen and stays queued for the loop.
TEST(AppPlatformWin32, AQueuedQuitMessageIsSeenAndLeftForTheLoop) {
    MSG message;
    EXPECT_FALSE(AppPlatform::QuitAlreadyRequested());
    PostQuitMessage(0);
    EXPECT_TRUE(AppPlatform::QuitAlreadyRequested());
    EXPECT_TRUE(AppPlatform::QuitAlreadyRequested());
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_FALSE(AppPlatform::QuitAlreadyRequested());
}

TEST(AppPlatformWin32, HasTheDesktopAndTheIconResource) {
    EXPECT_TRUE(AppPlatform::HasDisplay());
    KL::IconHandle icon = AppPlatform::LoadProgramIcon();
    ASSERT_NE(nullptr, icon);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
    EXPECT_TRUE(info.fIcon);
    BITMAP colour = {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), colour.bmWidth);
    EXPECT_EQ(32, colour.bmBitsPixel);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace
