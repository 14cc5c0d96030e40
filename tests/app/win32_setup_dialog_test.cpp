// The Win32 setup dialog, driven by messages from inside its own modal loop (a timer on
// the dialog plays the user, one step a tick): the template and its controls, what OK,
// Cancel, Escape, Enter and closing answer, the "pelo" refusal, the real box.
#include "MarloResources.h"
#include "SetupDialogWin32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Step = std::function<void(HWND dialog)>;

// The steps, one per timer tick; when they are done and the dialog still runs, it gives
// up after a while: closes any box over the dialog and ends it, so a test fails, never hangs.
struct Script {
    std::vector<Step> steps;
    size_t next = 0;
    int idleTicks = 0;
    bool gaveUp = false;
    bool initialised = false;
};

constexpr UINT_PTR kTimer = 77;
constexpr char kScriptProperty[] = "marlo.test.script";

BOOL CALLBACK EndBox(HWND window, LPARAM dialog) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (window != reinterpret_cast<HWND>(dialog) && std::string(name) == "#32770") EndDialog(window, IDOK);
    return TRUE;
}

void CALLBACK Tick(HWND dialog, UINT, UINT_PTR, DWORD) {
    auto* script = static_cast<Script*>(GetPropA(dialog, kScriptProperty));
    if (!script) return;
    if (script->next < script->steps.size()) {
        // Advanced first: a step may open a box whose own loop ticks again.
        const Step& step = script->steps[script->next++];
        step(dialog);
    } else if (++script->idleTicks == 300) {
        script->gaveUp = true;
        EnumThreadWindows(GetCurrentThreadId(), &EndBox, reinterpret_cast<LPARAM>(dialog));
        EndDialog(dialog, 0);
    }
}

// Takes a quit message out of the queue; true when there was one.
bool TakeQuitMessage() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

struct Outcome {
    bool shown = false;
    bool gaveUp = false;
    bool quitPosted = false;
};

Outcome RunScript(SetupDialogWin32& dialog, std::vector<Step> steps) {
    Script script;
    script.steps = std::move(steps);
    dialog.SetInitHook([&script](HWND window) {
        script.initialised = true;
        SetPropA(window, kScriptProperty, &script);
        SetTimer(window, kTimer, 10, &Tick);
    });
    Outcome outcome;
    outcome.shown = dialog.Run(GetModuleHandleA(nullptr)) && script.initialised;
    outcome.gaveUp = script.gaveUp;
    outcome.quitPosted = TakeQuitMessage();
    return outcome;
}

void Command(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

Step Select(int combo, int index) {
    return [=](HWND dialog) { SendDlgItemMessageA(dialog, combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0); };
}

Step CheckFullScreen(bool ticked) {
    return [=](HWND dialog) { CheckDlgButton(dialog, IDC_SETUP_FULLSCREEN, ticked ? BST_CHECKED : BST_UNCHECKED); };
}

Step Press(int id) {
    return [=](HWND dialog) { Command(dialog, id); };
}

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<std::wstring> ComboTexts(HWND dialog, int combo) {
    std::vector<std::wstring> texts;
    const LRESULT count = SendDlgItemMessageW(dialog, combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendDlgItemMessageW(dialog, combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
        SendDlgItemMessageW(dialog, combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        texts.push_back(text);
    }
    return texts;
}

struct ShownBox {
    HWND owner;
    std::string caption, text;
};

class SetupDialogWin32Test : public ::testing::Test {
protected:
    // The dialog with the "pelo" box recorded instead of shown.
    SetupDialogWin32& Make(std::vector<std::string> devices) {
        dialog = std::make_unique<SetupDialogWin32>(std::move(devices));
        dialog->SetMessageBox([this](HWND owner, const char* caption, const char* text) {
            boxes.push_back({owner, caption, text});
        });
        return *dialog;
    }

    void ExpectResult(int32_t accepted, int32_t mode, int32_t device, int32_t rate, int32_t fullScreen) {
        const KDSSetupResult& r = dialog->Result();
        EXPECT_EQ(accepted, r.accepted);
        EXPECT_EQ(mode, r.screenMode);
        EXPECT_EQ(device, r.soundDevice);
        EXPECT_EQ(rate, r.sampleRate);
        EXPECT_EQ(fullScreen, r.fullScreen);
    }

    std::unique_ptr<SetupDialogWin32> dialog;
    std::vector<ShownBox> boxes;
};

// Reads an extended dialog template: the header's fields, strings and ordinals, items
// on DWORD boundaries.
class TemplateReader {
public:
    explicit TemplateReader(const void* start) : m_start(static_cast<const BYTE*>(start)), m_at(m_start) {}
    template <typename T>
    T Read() {
        T value;
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    // A string, or "#n" for an ordinal.
    std::string Text() {
        if (Peek() == 0xFFFF) {
            Read<WORD>();
            return "#" + std::to_string(Read<WORD>());
        }
        std::string text;
        for (WORD c = Read<WORD>(); c != 0; c = Read<WORD>()) text += static_cast<char>(c);
        return text;
    }
    void Align() { m_at = m_start + ((m_at - m_start + 3) & ~3); }

private:
    WORD Peek() const { return static_cast<WORD>(m_at[0] | m_at[1] << 8); }
    const BYTE* m_start;
    const BYTE* m_at;
};

// A control's class as the template names it: by its ordinal or its name, any case.
std::string ClassName(std::string kind) {
    if (kind == "#128") return "BUTTON";
    if (kind == "#133") return "COMBOBOX";
    for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return kind;
}

// The resource as written: dialog 101 in Spanish with its header, font, caption and the six
// controls in order, and icon 104.
TEST(SetupDialogWin32Template, IsDialog101InSpanishAsSpecifiedWithIcon104) {
    const WORD spanish = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);
    HRSRC found = FindResourceExA(nullptr, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(IDD_SETUP), spanish);
    ASSERT_NE(nullptr, found);
    TemplateReader t(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(1, t.Read<WORD>());       // version
    EXPECT_EQ(0xFFFF, t.Read<WORD>());  // an extended template
    t.Read<DWORD>();                    // help id
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_TOOLWINDOW), t.Read<DWORD>());
    EXPECT_EQ(static_cast<DWORD>(DS_SYSMODAL | DS_SETFONT | DS_CENTER | WS_POPUP | WS_VISIBLE | WS_CAPTION),
              t.Read<DWORD>());
    const WORD items = t.Read<WORD>();
    ASSERT_EQ(6, items);
    const short placed[4] = {t.Read<short>(), t.Read<short>(), t.Read<short>(), t.Read<short>()};
    EXPECT_EQ((std::vector<short>{0, 0, 187, 110}), std::vector<short>(placed, placed + 4));
    EXPECT_EQ("", t.Text());    // no menu
    EXPECT_EQ("", t.Text());    // the standard dialog class
    EXPECT_EQ("Marlo CODE!!!   VOSTRIN", t.Text());
    EXPECT_EQ(8, t.Read<WORD>());
    EXPECT_EQ(FW_NORMAL, t.Read<WORD>());
    t.Read<WORD>();  // italic, character set
    EXPECT_EQ("MS Shell Dlg", t.Text());

    struct Item {
        int id;
        const char* kind;
        const char* text;
        short x, y, w, h;
        DWORD style;
    };
    const DWORD shown = WS_CHILD | WS_VISIBLE | WS_TABSTOP, list = CBS_DROPDOWNLIST | WS_VSCROLL | shown;
    const Item expected[] = {
        {IDOK, "BUTTON", "OK", 67, 89, 50, 14, BS_DEFPUSHBUTTON | shown},
        {IDCANCEL, "BUTTON", "Cancel", 130, 89, 50, 14, BS_PUSHBUTTON | shown},
        {IDC_SETUP_MODE, "COMBOBOX", "", 7, 7, 173, 67, list},
        {IDC_SETUP_DEVICE, "COMBOBOX", "", 7, 22, 173, 27, list},
        {IDC_SETUP_FULLSCREEN, "BUTTON", "Fullscreen", 7, 62, 47, 17, BS_AUTOCHECKBOX | shown},
        {IDC_SETUP_RATE, "COMBOBOX", "", 7, 39, 173, 50, list},
    };
    for (const Item& e : expected) {
        SCOPED_TRACE(e.id);
        t.Align();
        t.Read<DWORD>();  // help id
        EXPECT_EQ(0u, t.Read<DWORD>());
        EXPECT_EQ(e.style, t.Read<DWORD>());
        const short rect[4] = {t.Read<short>(), t.Read<short>(), t.Read<short>(), t.Read<short>()};
        EXPECT_EQ((std::vector<short>{e.x, e.y, e.w, e.h}), std::vector<short>(rect, rect + 4));
        EXPECT_EQ(static_cast<DWORD>(e.id), t.Read<DWORD>());
        EXPECT_EQ(e.kind, ClassName(t.Text()));
        EXPECT_EQ(e.text, t.Text());
        EXPECT_EQ(0, t.Read<WORD>());  // no creation data
    }

    EXPECT_NE(nullptr, FindResourceExA(nullptr, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */,
                                       MAKEINTRESOURCEA(IDI_MARLO), spanish));
    EXPECT_NE(nullptr, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MARLO)));
}

// The version Explorer shows is the one --version prints, as numbers and as text.
TEST(SetupDialogWin32Template, VersionResourceNamesTheProgramsVersion) {
    char path[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, path, MAX_PATH));
    std::vector<char> info(GetFileVersionInfoSizeA(path, nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(3, std::sscanf(MARLO_VERSION, "%u.%u.%u", &major, &minor, &patch));
    EXPECT_EQ(fixed->dwProductVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwProductVersionLS, patch << 16);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    for (const char* name : {"ProductVersion", "FileVersion"}) {
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), (std::string("\\StringFileInfo\\040904b0\\") + name).c_str(),
                                   reinterpret_cast<void**>(&text), &size))
            << name;
        EXPECT_STREQ(text, MARLO_VERSION) << name;
    }
}

// The dialog on screen: its controls at the template's places in pixels, the lists filled
// and the defaults chosen.
TEST_F(SetupDialogWin32Test, ShowsItsControlsInPlaceWithTheirListsAndDefaults) {
    // UTF-8 names are shown as such; one that is not UTF-8 in the system's code page.
    Make({"No sound", "Altavoces \xc3\xb1", "Tarjeta \xf1"});
    Step inspect = [](HWND d) {
        EXPECT_EQ("Marlo CODE!!!   VOSTRIN", WindowText(d));
        // Each place and size in pixels as the dialog manager converts them, one by one.
        auto expectAt = [d](HWND window, int x, int y, int w, int h, bool height) {
            RECT place = {x, y, x, y}, size = {0, 0, w, h}, got;
            MapDialogRect(d, &place);
            MapDialogRect(d, &size);
            GetWindowRect(window, &got);
            MapWindowPoints(nullptr, window == d ? nullptr : d, reinterpret_cast<POINT*>(&got), 2);
            if (window == d) GetClientRect(d, &got);
            if (window != d) {
                EXPECT_EQ(place.left, got.left);
                EXPECT_EQ(place.top, got.top);
            }
            EXPECT_EQ(size.right, got.right - got.left);
            // A closed drop-down list is one line high; the template gives the open height.
            if (height) {
                EXPECT_EQ(size.bottom, got.bottom - got.top);
            }
        };
        expectAt(d, 0, 0, 187, 110, true);
        const struct {
            int id, x, y, w, h;
        } controls[] = {{IDOK, 67, 89, 50, 14},       {IDCANCEL, 130, 89, 50, 14},
                        {IDC_SETUP_MODE, 7, 7, 173, 67}, {IDC_SETUP_DEVICE, 7, 22, 173, 27},
                        {IDC_SETUP_FULLSCREEN, 7, 62, 47, 17}, {IDC_SETUP_RATE, 7, 39, 173, 50}};
        for (const auto& c : controls) {
            SCOPED_TRACE(c.id);
            const bool combo = c.id == IDC_SETUP_MODE || c.id == IDC_SETUP_DEVICE || c.id == IDC_SETUP_RATE;
            expectAt(GetDlgItem(d, c.id), c.x, c.y, c.w, c.h, !combo);
        }
        // Centred on the screen's work area.
        RECT window, work;
        GetWindowRect(d, &window);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_NEAR((work.left + work.right) / 2, (window.left + window.right) / 2, 1);
        EXPECT_NEAR((work.top + work.bottom) / 2, (window.top + window.bottom) / 2, 1);

        EXPECT_EQ((std::vector<std::wstring>{L"512x384x16", L"512x384x32", L"640x480x16", L"640x480x32",
                                             L"800x600x16", L"800x600x32", L"1024x768x16", L"1024x768x32",
                                             L"1280x1024x16", L"1280x1024x32"}),
                  ComboTexts(d, IDC_SETUP_MODE));
        EXPECT_EQ((std::vector<std::wstring>{L"11025 Hz", L"22050 Hz", L"44100 Hz"}), ComboTexts(d, IDC_SETUP_RATE));
        const std::vector<std::wstring> devices = ComboTexts(d, IDC_SETUP_DEVICE);
        ASSERT_EQ(3u, devices.size());
        EXPECT_EQ(L"No sound", devices[0]);
        EXPECT_EQ(L"Altavoces \u00f1", devices[1]);
        EXPECT_EQ(0u, devices[2].find(L"Tarjeta "));
        EXPECT_EQ(9u, devices[2].size());

        EXPECT_EQ(5, SendDlgItemMessageA(d, IDC_SETUP_MODE, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(0, SendDlgItemMessageA(d, IDC_SETUP_DEVICE, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(2, SendDlgItemMessageA(d, IDC_SETUP_RATE, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), IsDlgButtonChecked(d, IDC_SETUP_FULLSCREEN));
        // The first tab stop, OK, has the focus.
        EXPECT_EQ(GetDlgItem(d, IDOK), GetFocus());
    };
    const Outcome outcome = RunScript(*dialog, {inspect, Press(IDOK)});
    EXPECT_TRUE(outcome.shown);
    EXPECT_FALSE(outcome.gaveUp);
    ExpectResult(1, 5, 0, 2, 1);
}

TEST_F(SetupDialogWin32Test, OkAcceptsTheDefaultsOrTheChoices) {
    struct Case {
        const char* name;
        std::vector<Step> choices;
        int32_t mode, device, rate, fullScreen;
    };
    const Case cases[] = {
        {"defaults", {}, 5, 0, 2, 1},
        {"first row, second device, 11025 Hz, windowed",
         {Select(IDC_SETUP_MODE, 0), Select(IDC_SETUP_DEVICE, 1), Select(IDC_SETUP_RATE, 0), CheckFullScreen(false)}, 0, 1, 0, 0},
        {"last row, third device, 22050 Hz, ticked again",
         {Select(IDC_SETUP_MODE, 9), Select(IDC_SETUP_DEVICE, 2), Select(IDC_SETUP_RATE, 1), CheckFullScreen(false), CheckFullScreen(true)},
         9, 2, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make({"No sound", "Speakers", "Headphones"});
        std::vector<Step> steps = c.choices;
        steps.push_back(Press(IDOK));
        const Outcome outcome = RunScript(*dialog, steps);
        EXPECT_FALSE(outcome.gaveUp);
        EXPECT_FALSE(outcome.quitPosted);
        ExpectResult(1, c.mode, c.device, c.rate, c.fullScreen);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(SetupDialogWin32Test, OkWithAComboWithoutChoiceSaysPeloAndStaysOpen) {
    Make({"No sound"});
    std::vector<Step> steps;
    const struct {
        int combo, before;
    } combos[] = {{IDC_SETUP_MODE, 5}, {IDC_SETUP_DEVICE, 0}, {IDC_SETUP_RATE, 2}};
    for (const auto& [combo, before] : combos) {
        steps.push_back(Select(combo, -1));
        steps.push_back(Press(IDOK));
        steps.push_back([this, combo](HWND d) {
            SCOPED_TRACE(combo);
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ(d, boxes[0].owner);
            EXPECT_EQ("Uh..", boxes[0].caption);
            EXPECT_EQ("pelo", boxes[0].text);
            EXPECT_FALSE(dialog->Finished());
            EXPECT_TRUE(IsWindowVisible(d));
            boxes.clear();
        });
        steps.push_back(Select(combo, before));
    }
    steps.push_back(Press(IDOK));
    const Outcome outcome = RunScript(*dialog, steps);
    EXPECT_FALSE(outcome.gaveUp);
    ExpectResult(1, 5, 0, 2, 1);
}

TEST_F(SetupDialogWin32Test, WithoutSoundDevicesOnlyCancelEndsIt) {
    Make({});
    Step empty = [](HWND d) {
        EXPECT_EQ(0, SendDlgItemMessageA(d, IDC_SETUP_DEVICE, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(CB_ERR, SendDlgItemMessageA(d, IDC_SETUP_DEVICE, CB_GETCURSEL, 0, 0));
    };
    const Outcome outcome = RunScript(*dialog, {empty, Press(IDOK), Press(IDOK), Press(IDCANCEL)});
    EXPECT_FALSE(outcome.gaveUp);
    EXPECT_EQ(2u, boxes.size());
    EXPECT_EQ(0, dialog->Result().accepted);
}

// Cancel (the button or Escape) posts the quit message as well; closing does not.
TEST_F(SetupDialogWin32Test, CancelEscapeAndClosingEndItNotAccepted) {
    struct Case {
        const char* name;
        Step end;
        bool quitPosted;
    };
    const Case cases[] = {
        {"Cancel", Press(IDCANCEL), true},
        {"Escape", [](HWND) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }, true},
        {"close box", [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, false},
        // Later presses, before the window goes, change nothing.
        {"WM_CLOSE, then OK and Cancel",
         [](HWND d) {
             SendMessageA(d, WM_CLOSE, 0, 0);
             Command(d, IDOK);
             Command(d, IDCANCEL);
         },
         false},
        {"WM_QUIT", [](HWND d) { SendMessageA(d, WM_QUIT, 0, 0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make({"No sound"});
        const Outcome outcome = RunScript(*dialog, {Select(IDC_SETUP_MODE, 0), c.end});
        EXPECT_FALSE(outcome.gaveUp);
        EXPECT_TRUE(dialog->Finished());
        EXPECT_EQ(0, dialog->Result().accepted);
        EXPECT_EQ(c.quitPosted, outcome.quitPosted);
    }
}

// Enter through the dialog manager (the key posted to the focus, as the keyboard would):
// the default button, OK, wherever the focus is, except on Cancel, which Enter presses.
TEST_F(SetupDialogWin32Test, EnterPressesOkUnlessTheFocusIsOnCancel) {
    struct Case {
        int focus;
        int32_t accepted;
    };
    const Case cases[] = {{IDC_SETUP_MODE, 1}, {IDC_SETUP_DEVICE, 1}, {IDC_SETUP_RATE, 1},
                          {IDC_SETUP_FULLSCREEN, 1}, {IDOK, 1}, {IDCANCEL, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focus);
        Make({"No sound"});
        Step focus = [&c](HWND d) { SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(d, c.focus)), TRUE); };
        Step enter = [&c](HWND d) {
            EXPECT_EQ(GetDlgItem(d, c.focus), GetFocus());
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
            PostMessageA(GetFocus(), WM_KEYUP, VK_RETURN, 0xC01C0001);
        };
        const Outcome outcome = RunScript(*dialog, {focus, enter});
        EXPECT_FALSE(outcome.gaveUp);
        EXPECT_EQ(c.accepted, dialog->Result().accepted);
        // The check box was not toggled on the way.
        if (c.accepted) {
            EXPECT_EQ(1, dialog->Result().fullScreen);
        }
    }
}

BOOL CALLBACK FindPeloBox(HWND window, LPARAM found) {
    if (GetWindowTextLengthA(window) > 0 && WindowText(window) == "Uh..") *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

BOOL CALLBACK CollectTexts(HWND child, LPARAM texts) {
    reinterpret_cast<std::string*>(texts)->append(WindowText(child) + "|");
    return TRUE;
}

// The real MessageBoxA over the dialog, answered from the timer inside the box's own loop.
TEST_F(SetupDialogWin32Test, TheRealPeloBoxIsOwnedByTheDialogAndTheDialogGoesOn) {
    dialog = std::make_unique<SetupDialogWin32>(std::vector<std::string>{"No sound", "Speakers"});
    HWND box = nullptr;
    std::string texts;
    Step answer = [&](HWND d) {
        EnumThreadWindows(GetCurrentThreadId(), &FindPeloBox, reinterpret_cast<LPARAM>(&box));
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(d, GetWindow(box, GW_OWNER));
        EnumChildWindows(box, &CollectTexts, reinterpret_cast<LPARAM>(&texts));
        SendMessageA(box, WM_COMMAND, IDOK, 0);
    };
    const Outcome outcome = RunScript(
        *dialog, {Select(IDC_SETUP_DEVICE, -1), Press(IDOK), answer, Select(IDC_SETUP_DEVICE, 1), Press(IDOK)});
    EXPECT_FALSE(outcome.gaveUp);
    EXPECT_NE(std::string::npos, texts.find("pelo|"));
    EXPECT_EQ(1, dialog->Result().accepted);
    EXPECT_EQ(1, dialog->Result().soundDevice);
}

TEST_F(SetupDialogWin32Test, AQuitAskedBeforeEndsItWithoutShowingIt) {
    Make({"No sound"});
    dialog->SetQuitCheck([] { return true; });
    const Outcome outcome = RunScript(*dialog, {Press(IDOK)});
    EXPECT_FALSE(outcome.shown);
    EXPECT_TRUE(dialog->Finished());
    EXPECT_EQ(0, dialog->Result().accepted);

    // Through the program's entry point, with a quit message already queued.
    PostQuitMessage(0);
    KDSSetupResult result;
    result.accepted = 1;
    ShowSetupDialog(&result, {"No sound"}, [] {
        MSG message;
        return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
    });
    EXPECT_EQ(0, result.accepted);
    EXPECT_TRUE(TakeQuitMessage());
}

}  // namespace
