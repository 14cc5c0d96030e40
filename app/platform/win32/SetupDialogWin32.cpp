#include "SetupDialogWin32.h"

#include "KLLog.h"
#include "MarloResources.h"

#include <cstdio>

namespace {

constexpr int kDefaultMode = 5;    // 800x600x32
constexpr int kDefaultDevice = 0;  // the back end's first device
constexpr int kDefaultRate = 2;    // 44100 Hz

LRESULT AddString(HWND dialog, int control, const char* text) {
    return SendDlgItemMessageA(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

// Device names are taken as UTF-8 and, failing that, in the system's code page.
void AddDeviceName(HWND dialog, const std::string& name) {
    UINT codePage = CP_UTF8;
    int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        codePage = CP_ACP;
        length = MultiByteToWideChar(codePage, 0, name.c_str(), -1, nullptr, 0);
    }
    if (length <= 0) return;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, name.c_str(), -1, wide.data(), length);
    SendDlgItemMessageW(dialog, IDC_SETUP_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int Selection(HWND dialog, int control) {
    return static_cast<int>(SendDlgItemMessageA(dialog, control, CB_GETCURSEL, 0, 0));
}

}  // namespace

SetupDialogWin32::SetupDialogWin32(std::vector<std::string> devices)
    : m_devices(std::move(devices)), m_messageBox(&SetupDialogWin32::ShowMessageBox) {}

void SetupDialogWin32::ShowMessageBox(HWND owner, const char* caption, const char* text) {
    MessageBoxA(owner, text, caption, MB_ICONERROR);
}

bool SetupDialogWin32::Run(HINSTANCE module) {
    m_result = KDSSetupResult();
    m_finished = false;
    if (m_quitRequested && m_quitRequested()) {
        m_result.accepted = 0;
        m_finished = true;
        return true;
    }
    const INT_PTR ended = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_SETUP), nullptr, &SetupDialogWin32::Procedure,
                                          reinterpret_cast<LPARAM>(this));
    if (ended == -1) {
        LogMessage("The setup dialog could not be shown (error %lu)", static_cast<unsigned long>(GetLastError()));
        return false;
    }
    // A quit message that reached the dialog's loop ends it without a command.
    if (!m_finished) m_result.accepted = 0;
    m_finished = true;
    return true;
}

INT_PTR CALLBACK SetupDialogWin32::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        reinterpret_cast<SetupDialogWin32*>(lParam)->OnInit(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<SetupDialogWin32*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!self || self->m_finished) return FALSE;
    switch (message) {
    case WM_COMMAND:
        // The whole wParam: a button's click, not other notifications of ids 1 and 2.
        if (wParam == IDOK) {
            self->OnOk(dialog);
        } else if (wParam == IDCANCEL) {
            self->End(dialog, 0);
            PostQuitMessage(0);
        }
        return FALSE;
    case WM_CLOSE:
    case WM_QUIT:
        self->End(dialog, 0);
        return FALSE;
    default: return FALSE;
    }
}

void SetupDialogWin32::OnInit(HWND dialog) {
    for (int i = 0; i < kScreenModeCount; ++i) {
        char name[48];
        std::snprintf(name, sizeof name, "%ix%ix%i", static_cast<int>(kScreenModes[i].width),
                      static_cast<int>(kScreenModes[i].height), static_cast<int>(kScreenModes[i].bitsPerPixel));
        AddString(dialog, IDC_SETUP_MODE, name);
    }
    for (int i = 0; i < kSampleRateCount; ++i) {
        char rate[24];
        std::snprintf(rate, sizeof rate, "%i Hz", static_cast<int>(kSampleRates[i]));
        AddString(dialog, IDC_SETUP_RATE, rate);
    }
    for (const std::string& device : m_devices) AddDeviceName(dialog, device);

    SendDlgItemMessageA(dialog, IDC_SETUP_MODE, CB_SETCURSEL, kDefaultMode, 0);
    CheckDlgButton(dialog, IDC_SETUP_FULLSCREEN, BST_CHECKED);
    // With no device the combo stays without a choice.
    SendDlgItemMessageA(dialog, IDC_SETUP_DEVICE, CB_SETCURSEL, kDefaultDevice, 0);
    SendDlgItemMessageA(dialog, IDC_SETUP_RATE, CB_SETCURSEL, kDefaultRate, 0);
    if (m_initHook) m_initHook(dialog);
}

void SetupDialogWin32::OnOk(HWND dialog) {
    const int mode = Selection(dialog, IDC_SETUP_MODE);
    const int device = Selection(dialog, IDC_SETUP_DEVICE);
    const int rate = Selection(dialog, IDC_SETUP_RATE);
    if (mode < 0 || device < 0 || rate < 0) {
        // The record keeps its last complete choices: a -1 index never reaches it.
        if (m_messageBox) m_messageBox(dialog, "Uh..", "pelo");
        return;
    }
    m_result.screenMode = mode;
    m_result.soundDevice = device;
    m_result.sampleRate = rate;
    m_result.fullScreen = IsDlgButtonChecked(dialog, IDC_SETUP_FULLSCREEN) == BST_CHECKED ? 1 : 0;
    End(dialog, 1);
}

void SetupDialogWin32::End(HWND dialog, int32_t accepted) {
    m_result.accepted = accepted;
    m_finished = true;
    EndDialog(dialog, reinterpret_cast<INT_PTR>(&m_result));
}

void ShowSetupDialog(KDSSetupResult* result, const std::vector<std::string>& devices,
                     std::function<bool()> quitRequested) {
    if (!result) return;
    SetupDialogWin32 dialog(devices);
    dialog.SetQuitCheck(std::move(quitRequested));
    if (dialog.Run(GetModuleHandleA(nullptr))) {
        *result = dialog.Result();
    } else {
        DefaultSetupWithoutDisplay(result);
    }
}
