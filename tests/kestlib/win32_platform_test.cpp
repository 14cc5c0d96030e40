// The Win32 platform services: BMP loading, GL entry points, the registry's names, file
// opening, display modes, the system controller and the program's own handle and folder.
#include "FakeApplication.h"
#include "Hacking/CSystemController_Win32.h"
#include "KLAbstractFactory.h"
#include "KLAppWindowWin32.h"
#include "KLApplicationWin32.h"
#include "KLBitmap.h"
#include "KLCoinManager.h"
#include "KLFile.h"
#include "KLGLProc.h"
#include "KLPath.h"
#include "RecordingLog.h"
#include "TempDirTest.h"
#include "platform/KLPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "KLWindowsApi.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, uint32_t v) {
    for (int i = 0; i < 2; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A BMP file: `rows` are the stored rows (already padded), bottom row first unless
// `height` is negative; `palette` holds BGRX entries.
Bytes Bmp(int32_t width, int32_t height, uint16_t bits, const Bytes& palette, const Bytes& rows) {
    Bytes b = {'B', 'M'};
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
    Put32(b, offset + static_cast<uint32_t>(rows.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, 0);  // BI_RGB
    Put32(b, static_cast<uint32_t>(rows.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, static_cast<uint32_t>(palette.size() / 4));
    Put32(b, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

struct Win32Bitmap : TempDirTest {
    _KL::ApplicationWin32 app;
};

}  // namespace

TEST_F(Win32Bitmap, AnyBmpComesBackAsTopDownRgbRowsWithoutPadding) {
    struct Row {
        const char* name;
        Bytes file;
        int32_t width, height;
        Bytes rgb;
    };
    const Row rows[] = {
        // 3 pixels of 24 bits: 9 bytes, stored padded to 12; bottom row first.
        {"padded.bmp",
         Bmp(3, 2, 24, {},
             {10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0,  // bottom row (BGR)
              1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}),         // top row
         3, 2, {3, 2, 1, 6, 5, 4, 9, 8, 7, 30, 20, 10, 60, 50, 40, 90, 80, 70}},
        // Stored top row first (negative height), one pixel per row padded by 1 byte... to 4.
        {"topdown.bmp", Bmp(1, -2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 1, 2, {3, 2, 1, 6, 5, 4}},
        {"narrow.bmp", Bmp(1, 2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 1, 2, {6, 5, 4, 3, 2, 1}},
        {"topdown3.bmp", Bmp(3, -1, 24, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}), 3, 1, {3, 2, 1, 6, 5, 4, 9, 8, 7}},
        // Paletted, 8 bits: indices into BGRX entries.
        {"paletted.bmp",
         Bmp(2, 2, 8, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0},
             {2, 0, 0, 0,    // bottom row: blue, red
              1, 1, 0, 0}),  // top row: green, green
         2, 2, {0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 0, 0}},
    };
    for (const Row& row : rows) {
        const std::string path = WriteBytes(row.name, row.file);
        int32_t w = 0, h = 0, bits = 0;
        unsigned char* pixels = nullptr;
        ASSERT_TRUE(app.LoadBitmapFile(path.c_str(), &w, &h, &bits, &pixels)) << row.name;
        EXPECT_EQ(w, row.width) << row.name;
        EXPECT_EQ(h, row.height) << row.name;
        EXPECT_EQ(bits, 24) << row.name;
        EXPECT_EQ(Bytes(pixels, pixels + row.rgb.size()), row.rgb) << row.name;
        delete[] pixels;
    }
}

TEST_F(Win32Bitmap, FilesThatAreNoBitmapsAreReportedAndLeaveTheOutputs) {
    const std::string garbage = WriteBytes("garbage.bmp", Bytes{'B', 'M', 1, 2, 3});
    // Top row first, with 16 rows promised and one stored.
    const std::string truncated = WriteBytes("truncated.bmp", Bmp(4, -16, 24, {}, Bytes(12, 7)));
    const std::string folder = PathOf("folder.bmp");
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& name : {garbage, truncated, folder, PathOf("missing.bmp"), std::string("NUL")}) {
        RecordingLog log;
        int32_t w = 7, h = 7, bits = 7;
        unsigned char* pixels = nullptr;
        EXPECT_FALSE(app.LoadBitmapFile(name.c_str(), &w, &h, &bits, &pixels)) << name;
        EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Error cargando bitmap " + name});
        EXPECT_EQ(w + h + bits, 21) << name;
        EXPECT_EQ(pixels, nullptr) << name;
    }
}

TEST_F(Win32Bitmap, AWindowIconShowsEveryPixelOfItsBitmap) {
    // 20 pixels wide: the mask's rows are two 16-bit words, the colour's 60 bytes.
    const std::string file = WriteBytes("icon.bmp", Bmp(20, 3, 24, {}, Bytes(60 * 3, 0x80)));
    HICON icon = static_cast<HICON>(KL::LoadIconImage(file.c_str()));
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 20);
    EXPECT_EQ(mask.bmHeight, 3);
    Bytes bits(static_cast<size_t>(mask.bmWidthBytes * mask.bmHeight), 0xff);
    EXPECT_EQ(GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data()), static_cast<LONG>(bits.size()));
    EXPECT_EQ(bits, Bytes(bits.size(), 0));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(icon);
}

TEST_F(Win32Bitmap, OnlyRegularFilesOpen) {
    const std::string file = WriteBytes("data.bin", Bytes{1, 2, 3});
    const std::string folder = PathOf("sub");
    CreateDirectoryA(folder.c_str(), nullptr);
    struct Row {
        std::string path;
        bool opens;
    };
    for (const Row& row : {Row{file, true}, Row{folder, false}, Row{"NUL", false}, Row{"CON", false},
                           Row{PathOf("missing"), false}, Row{"", false}}) {
        FILE* opened = KL::OpenRegularFile(row.path.c_str());
        EXPECT_EQ(opened != nullptr, row.opens) << row.path;
        if (opened) {
            unsigned char bytes[4] = {};
            EXPECT_EQ(std::fread(bytes, 1, 4, opened), 3u);
            EXPECT_EQ(bytes[2], 3);
            std::fclose(opened);
        }
    }
}

TEST(Win32Platform, GLEntryPointsOfTheCoreExtensionsAndAbsentOnes) {
    _KL::ApplicationWin32 app;
    ScopedAppInstance scope(&app);
    KL::UseOffscreenWindows();
    KL::Window* window = app.OpenWindow("GL", 0, 0, 16, 16, 32, false, nullptr, nullptr);
    ASSERT_TRUE(window->PrepareForOpenGL());
    HMODULE gl = GetModuleHandleA("opengl32.dll");
    // OpenGL 1.1 names come from opengl32 itself.
    EXPECT_EQ(KL::GetGLProcAddress("glGetString"), reinterpret_cast<void*>(GetProcAddress(gl, "glGetString")));
    EXPECT_NE(KL::GetGLProcAddress("glActiveTextureARB"), nullptr);
    EXPECT_EQ(KL::GetGLProcAddress("glCombinerInputNV"), nullptr);
    EXPECT_EQ(KL::GetGLProcAddress(nullptr), nullptr);
    window->ReleaseWindow();
    delete window;
}

TEST(Win32Platform, RegistryNamesTheWin32ImplementationsInTableOrder) {
    const auto name = [](KL::Registrar* r) { return std::string(r ? r->GetNameString() : "(none)"); };
    EXPECT_EQ(name(KLAbstractFactory<KL::ICoinManager>::GetImplementation(0)), "class _KL::CCoinManager1");
    EXPECT_EQ(name(KLAbstractFactory<KL::Hacking::ISystemController>::GetImplementation(0)),
              "class _KL::Hacking::CSystemController_Win32");
    EXPECT_EQ(name(KLAbstractFactory<KL::IBitmap>::GetImplementation(0)), "class _KL::CBitmap");
    EXPECT_EQ(name(KLAbstractFactory<KL::Window>::GetImplementation(0)), "class _KL::WindowWin32");
    KL::Window* window = KLAbstractFactory<KL::Window>::FindImplementation("class KL::Window");
    EXPECT_NE(dynamic_cast<_KL::WindowWin32*>(window), nullptr);
    delete window;
}

TEST(Win32Platform, StubsSayWhatIsNotDefined) {
    _KL::Hacking::CSystemController_Win32 controller;
    _KL::WindowWin32 window;
    const std::string tail = " not defined. (Hacking\\CSystemController_Win32)";
    const std::string prefix = "_KL::Hacking::CSystemController_Win32::";
    struct Row {
        std::function<void()> call;
        std::string box;    // empty: traced only
        std::string trace;
    };
    const Row rows[] = {
        {[&] { EXPECT_TRUE(controller.MouseMove(1, 2)); }, prefix + "MouseMove" + tail, ""},
        {[&] { EXPECT_TRUE(controller.MouseClick(1, 2, 3)); }, prefix + "MouseClick" + tail, ""},
        {[&] { EXPECT_TRUE(controller.MWheelUp(1)); }, prefix + "MWheelUp" + tail, ""},
        {[&] { EXPECT_TRUE(controller.MWheelDown(1)); }, prefix + "MWheelDown" + tail, ""},
        {[&] { EXPECT_EQ(controller.GetDesktopPortion(0, 0, 1, 1), nullptr); }, prefix + "GetDesktopPortion" + tail,
         ""},
        {[&] { EXPECT_TRUE(window.Restore()); }, "_KL::WindowWin32::Restore not defined. (KLAppWindowWin32)", ""},
        {[&] { window.Unsupported(1, 2, 3); }, "", "Unsuported"},
        {[&] { window.Show(); }, "Show Not Implemented.\n", ""},
    };
    for (const Row& row : rows) {
        RecordingLog log;
        row.call();
        EXPECT_EQ(log.Boxes(), row.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.box});
        if (!row.trace.empty()) {
            EXPECT_EQ(log.Lines(), std::vector<std::string>{row.trace});
        }
    }
}

TEST(Win32Platform, WindowEnumerationFindsTheProgramsWindowAndStopsWhenAsked) {
    _KL::ApplicationWin32 app;
    ScopedAppInstance scope(&app);
    KL::UseOffscreenWindows();
    KL::Window* window = app.OpenWindow("Enumerated", 0, 0, 16, 16, 32, false, nullptr, nullptr);
    struct Seen {
        void* wanted;
        int calls = 0;
        bool found = false;
    };
    const auto record = [](KL::Window* w, void* data) {
        Seen* seen = static_cast<Seen*>(data);
        ++seen->calls;
        seen->found = seen->found || w->GetHandle() == seen->wanted;
        delete w;
        return true;
    };
    const auto stop = [](KL::Window* w, void* data) {
        ++static_cast<Seen*>(data)->calls;
        delete w;
        return false;
    };
    _KL::Hacking::CSystemController_Win32 controller;
    for (bool children : {false, true}) {
        Seen all{window->GetHandle()};
        EXPECT_TRUE(controller.EnumerateWindows(record, children, &all));
        EXPECT_TRUE(all.found) << children;
        Seen first{window->GetHandle()};
        EXPECT_TRUE(controller.EnumerateWindows(stop, children, &first));
        EXPECT_EQ(first.calls, 1) << children;
    }
    window->ReleaseWindow();
    delete window;
}

TEST(Win32Platform, ServicesOfTheApplication) {
    _KL::ApplicationWin32 app;
    // No mode of this size: the enumeration ends and the mode is refused.
    EXPECT_EQ(app.ChangeDisplayMode(12345, 678, 32), DISP_CHANGE_BADMODE);

    // A virtual clock replaces the clock and the sleep.
    KL::VirtualClock clock(25);
    app.SetVirtualClock(&clock);
    const uint32_t before = app.GetTime();
    app.Wait(5000);
    EXPECT_EQ(app.GetTime() - before, 5000u);
    app.SetVirtualClock(nullptr);

    static std::atomic<int> ran{0};
    static int seven = 7;
    ASSERT_TRUE(app.StartThread(
        [](void* p) -> uint32_t {
            ran.store(*static_cast<int*>(p));
            return 0;
        },
        &seven));
    for (int i = 0; i < 500 && ran.load() == 0; ++i) app.Wait(10);
    EXPECT_EQ(ran.load(), 7);

    EXPECT_EQ(KL::Platform::ProgramInstanceHandle(nullptr), GetModuleHandleA(nullptr));
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string folder = KL::GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(std::string(module).rfind(folder, 0), 0u);
    EXPECT_EQ(std::string(module).find('\\', folder.size()), std::string::npos);
}
