// The setup dialog on GTK 3: screen mode, sound device, sample rate and full screen,
// chosen before anything else opens. Captioned "Marlo CODE!!!   VOSTRIN"; OK with a
// combo left without a choice says "pelo" and keeps the dialog open. Main thread only;
// GTK must have been initialised (gtk_init_check) before Build.
#pragma once

#include "KDSSetup.h"

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
    // the dialog is closed; returns the result.
    const KDSSetupResult& Run();

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
    KDSSetupResult m_result;
    bool m_finished = false;
};

// The program's setup: initialises GTK and shows the dialog with these sound devices.
// Without a display (gtk_init_check fails) it traces "no display: using the default
// setup" and answers the defaults, accepted. Cancel and closing answer accepted = 0;
// quitting is then the demo system's business, so the dialog posts nothing itself.
void ShowSetupDialog(KDSSetupResult* result, const std::vector<std::string>& devices);
