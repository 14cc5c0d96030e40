// The setup dialog on GTK 3: screen mode, sound device, sample rate and full screen,
// chosen before anything else opens. Captioned "Marlo CODE!!!   VOSTRIN"; OK with a
// combo left without a choice says "pelo" and keeps the dialog open. Main thread only;
// GTK must have been initialised (gtk_init_check) before Build.
#pragma once

#include "KDSSetup.h"
#include "SetupDialog.h"

#include <functional>
#include <string>
#include <vector>

// GTK's own typedefs, repeated so that this header does not pull in GTK.
typedef struct _GtkWidget GtkWidget;

class SetupDialogGtk {
public:
    // Shows a modal message box over `owner` and returns once it is dismissed.
    using MessageBoxFn = std::function<void(GtkWidget* owner, const char* caption, const char* text)>;

    SetupDialogGtk();
    ~SetupDialogGtk();
    SetupDialogGtk(const SetupDialogGtk&) = delete;
    SetupDialogGtk& operator=(const SetupDialogGtk&) = delete;

    // Creates the dialog (not shown) with its controls filled and preselected: mode 5
    // (800x600x32), device 0, 44100 Hz, Fullscreen ticked. `devices` are the sound
    // devices in the back end's order; with none, OK can never be accepted.
    void Build(const std::vector<std::string>& devices);

    // Replaces the modal box used for the "pelo" message (tests record it instead).
    void SetMessageBox(MessageBoxFn messageBox) { m_messageBox = std::move(messageBox); }
    // The real one: a GTK error message box with an OK button.
    static void ShowMessageBox(GtkWidget* owner, const char* caption, const char* text);

    // Shows the dialog and runs its modal loop until OK is accepted, Cancel is pressed or
    // the dialog is closed; returns the result. Enter presses OK (the default button)
    // unless the focus is on a button, which Enter presses itself. While it runs, SIGINT
    // and SIGTERM end it at once, not accepted (a message box over it goes too); the
    // handlers they had before come back when it returns.
    const KDSSetupResult& Run();

    // Asked once Run watches the signals: true when a quit was asked before (a signal that
    // reached the earlier handlers), and Run then ends at once, not accepted.
    void SetQuitCheck(std::function<bool()> quitRequested) { m_quitRequested = std::move(quitRequested); }

    // What a user does, for driving the dialog without one. PressOk and PressCancel click
    // the real buttons; Close asks the window to close as its title bar would (the event
    // arrives through GTK's loop, which Close runs until it has).
    void PressOk();
    void PressCancel();
    void Close();

    // Ended by OK (accepted), Cancel or closing; later presses change nothing.
    bool Finished() const { return m_finished; }
    // Only an accepted OK writes the choices; Cancel and closing write accepted = 0.
    const KDSSetupResult& Result() const { return m_result; }

    GtkWidget* Dialog() const { return m_dialog; }
    GtkWidget* ModeCombo() const { return m_modeCombo; }
    GtkWidget* DeviceCombo() const { return m_deviceCombo; }
    GtkWidget* RateCombo() const { return m_rateCombo; }
    GtkWidget* FullScreenCheck() const { return m_fullScreenCheck; }
    GtkWidget* OkButton() const { return m_okButton; }
    GtkWidget* CancelButton() const { return m_cancelButton; }

    // Response handling, shared by the modal loop and the driven presses.
    void OnResponse(int response);
    // Enter on the dialog; true when it pressed OK.
    bool OnEnter();
    // A quit asked from outside (a signal): closes any box over the dialog, then ends it
    // as closing does.
    void EndNotAccepted();

private:
    void Finish();

    GtkWidget* m_dialog = nullptr;
    GtkWidget* m_modeCombo = nullptr;
    GtkWidget* m_deviceCombo = nullptr;
    GtkWidget* m_rateCombo = nullptr;
    GtkWidget* m_fullScreenCheck = nullptr;
    GtkWidget* m_okButton = nullptr;
    GtkWidget* m_cancelButton = nullptr;
    MessageBoxFn m_messageBox;
    std::function<bool()> m_quitRequested;
    KDSSetupResult m_result;
    bool m_finished = false;
};

// ShowSetupDialog (SetupDialog.h) initialises GTK and runs this dialog; quitting after
// Cancel or closing is the demo system's business, so the dialog posts nothing itself.
