// The setup dialog on Win32: dialog resource 101 run by DialogBoxParamA, with screen mode,
// sound device, sample rate and full screen. Captioned "Marlo CODE!!!   VOSTRIN"; OK with a
// combo left without a choice says "pelo" and keeps the dialog open; Enter presses the
// default button (OK) through the dialog manager. Main thread only.
#pragma once

#include "KDSSetup.h"
#include "SetupDialog.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class SetupDialogWin32 {
public:
    // Shows a modal message box over `owner` and returns once it is dismissed.
    using MessageBoxFn = std::function<void(HWND owner, const char* caption, const char* text)>;
    // Called with the dialog once its controls are filled, before it shows.
    using InitHook = std::function<void(HWND dialog)>;

    // `devices` are the sound devices in the back end's order; with none, OK can never be
    // accepted.
    explicit SetupDialogWin32(std::vector<std::string> devices);
    SetupDialogWin32(const SetupDialogWin32&) = delete;
    SetupDialogWin32& operator=(const SetupDialogWin32&) = delete;

    // Replaces the box used for the "pelo" message (tests record it instead).
    void SetMessageBox(MessageBoxFn messageBox) { m_messageBox = std::move(messageBox); }
    // The real one: MessageBoxA with an error icon.
    static void ShowMessageBox(HWND owner, const char* caption, const char* text);

    void SetInitHook(InitHook hook) { m_initHook = std::move(hook); }
    // Asked before the dialog shows: true when a quit was asked already, and Run then ends
    // at once, not accepted, without showing it.
    void SetQuitCheck(std::function<bool()> quitRequested) { m_quitRequested = std::move(quitRequested); }

    // Runs the dialog from template 101 of `module` until OK is accepted, Cancel is pressed
    // or it is closed, and returns the result. Cancel also posts the quit message. False
    // when the dialog could not be shown at all.
    bool Run(HINSTANCE module);

    // Only an accepted OK writes the choices; Cancel and closing write accepted = 0.
    const KDSSetupResult& Result() const { return m_result; }
    // Ended by OK (accepted), Cancel or closing; later commands change nothing.
    bool Finished() const { return m_finished; }

private:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND dialog);
    void OnOk(HWND dialog);
    void End(HWND dialog, int32_t accepted);

    std::vector<std::string> m_devices;
    MessageBoxFn m_messageBox;
    InitHook m_initHook;
    std::function<bool()> m_quitRequested;
    KDSSetupResult m_result;
    bool m_finished = false;
};
