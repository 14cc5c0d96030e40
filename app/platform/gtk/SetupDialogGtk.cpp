#include "SetupDialogGtk.h"

#include "CommandLine.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <clocale>
#include <csignal>

namespace {

constexpr const char* kCaption = "Marlo CODE!!!   VOSTRIN";
constexpr int kDefaultMode = 5;    // 800x600x32
constexpr int kDefaultDevice = 0;  // the back end's first device
constexpr int kDefaultRate = 2;    // 44100 Hz

void OnResponseSignal(GtkDialog*, gint response, gpointer self) {
    static_cast<SetupDialogGtk*>(self)->OnResponse(response);
}

// The response signal has already told the dialog it was closed; keeping the window
// alive lets the result and the widgets outlive the close until the owner is done.
gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer) { return TRUE; }

// Seen before the focused widget gets the key, so a combo box or the check box does not
// take Enter for itself.
gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    const bool enter =
        event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter || event->keyval == GDK_KEY_ISO_Enter;
    return enter && static_cast<SetupDialogGtk*>(self)->OnEnter();
}

gboolean OnQuitSignal(gpointer self) {
    static_cast<SetupDialogGtk*>(self)->EndNotAccepted();
    return G_SOURCE_CONTINUE;
}

// SIGINT and SIGTERM delivered to the main loop while alive. SDL's handlers (installed
// before) only queue a quit event that no one reads while GTK loops; theirs come back
// at the end.
class QuitSignalWatch {
public:
    explicit QuitSignalWatch(SetupDialogGtk* dialog) {
        for (int i = 0; i < kCount; ++i) {
            sigaction(kSignals[i], nullptr, &m_saved[i]);
            m_sources[i] = g_unix_signal_source_new(kSignals[i]);
            g_source_set_callback(m_sources[i], &OnQuitSignal, dialog, nullptr);
            g_source_attach(m_sources[i], nullptr);
        }
    }
    ~QuitSignalWatch() {
        for (int i = 0; i < kCount; ++i) {
            // GLib sets the default action when its last watch goes; put the old one back.
            g_source_destroy(m_sources[i]);
            g_source_unref(m_sources[i]);
            sigaction(kSignals[i], &m_saved[i], nullptr);
        }
    }
    QuitSignalWatch(const QuitSignalWatch&) = delete;
    QuitSignalWatch& operator=(const QuitSignalWatch&) = delete;

private:
    static constexpr int kCount = 2;
    static constexpr int kSignals[kCount] = {SIGINT, SIGTERM};
    GSource* m_sources[kCount] = {};
    struct sigaction m_saved[kCount] = {};
};

}  // namespace

SetupDialogGtk::SetupDialogGtk() : m_messageBox(&SetupDialogGtk::ShowMessageBox) {}

SetupDialogGtk::~SetupDialogGtk() {
    if (!m_dialog) return;
    GtkWidget* dialog = m_dialog;
    m_dialog = nullptr;
    g_signal_handlers_disconnect_by_data(dialog, this);
    gtk_widget_destroy(dialog);
}

void SetupDialogGtk::Build(const std::vector<std::string>& devices) {
    if (m_dialog) return;
    m_dialog = gtk_dialog_new();
    GtkWindow* window = GTK_WINDOW(m_dialog);
    gtk_window_set_title(window, kCaption);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_keep_above(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 10);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(m_dialog))), box, TRUE, TRUE, 0);

    m_modeCombo = gtk_combo_box_text_new();
    for (int i = 0; i < kScreenModeCount; ++i)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(m_modeCombo), ScreenModeName(i).c_str());

    // Device names come from the sound back end; GTK takes UTF-8 only.
    m_deviceCombo = gtk_combo_box_text_new();
    for (const std::string& device : devices) {
        gchar* name = g_utf8_make_valid(device.c_str(), static_cast<gssize>(device.size()));
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(m_deviceCombo), name);
        g_free(name);
    }

    m_rateCombo = gtk_combo_box_text_new();
    for (int i = 0; i < kSampleRateCount; ++i)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(m_rateCombo),
                                       (std::to_string(kSampleRates[i]) + " Hz").c_str());

    m_fullScreenCheck = gtk_check_button_new_with_label("Fullscreen");

    gtk_box_pack_start(GTK_BOX(box), m_modeCombo, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), m_deviceCombo, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), m_rateCombo, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), m_fullScreenCheck, FALSE, FALSE, 0);

    m_okButton = gtk_dialog_add_button(GTK_DIALOG(m_dialog), "OK", GTK_RESPONSE_OK);
    m_cancelButton = gtk_dialog_add_button(GTK_DIALOG(m_dialog), "Cancel", GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(m_dialog), GTK_RESPONSE_OK);

    gtk_combo_box_set_active(GTK_COMBO_BOX(m_modeCombo), kDefaultMode);
    // With no device the combo stays without a choice (GTK ignores an index past the end).
    if (!devices.empty()) gtk_combo_box_set_active(GTK_COMBO_BOX(m_deviceCombo), kDefaultDevice);
    gtk_combo_box_set_active(GTK_COMBO_BOX(m_rateCombo), kDefaultRate);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_fullScreenCheck), TRUE);

    g_signal_connect(m_dialog, "response", G_CALLBACK(OnResponseSignal), this);
    g_signal_connect(m_dialog, "delete-event", G_CALLBACK(OnDeleteEvent), this);
    g_signal_connect(m_dialog, "key-press-event", G_CALLBACK(OnKeyPress), this);
    gtk_widget_show_all(box);
}

void SetupDialogGtk::ShowMessageBox(GtkWidget* owner, const char* caption, const char* text) {
    GtkWidget* box = gtk_message_dialog_new(owner ? GTK_WINDOW(owner) : nullptr,
                                            static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), caption);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

void SetupDialogGtk::OnResponse(int response) {
    if (m_finished || !m_dialog) return;
    if (response == GTK_RESPONSE_OK) {
        int mode = gtk_combo_box_get_active(GTK_COMBO_BOX(m_modeCombo));
        int device = gtk_combo_box_get_active(GTK_COMBO_BOX(m_deviceCombo));
        int rate = gtk_combo_box_get_active(GTK_COMBO_BOX(m_rateCombo));
        if (mode < 0 || device < 0 || rate < 0) {
            // The record keeps its last complete choices: a -1 index never reaches it.
            if (m_messageBox) m_messageBox(m_dialog, "Uh..", "pelo");
            return;
        }
        m_result.accepted = 1;
        m_result.screenMode = mode;
        m_result.soundDevice = device;
        m_result.sampleRate = rate;
        m_result.fullScreen = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_fullScreenCheck)) ? 1 : 0;
    } else {
        // Cancel, the close box, Escape: not accepted. The demo system posts the quit.
        m_result.accepted = 0;
    }
    Finish();
}

bool SetupDialogGtk::OnEnter() {
    if (m_finished || !m_dialog) return false;
    // A focused button is pressed by Enter itself, as in the original.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m_dialog));
    if (focus == m_okButton || focus == m_cancelButton) return false;
    PressOk();
    return true;
}

void SetupDialogGtk::EndNotAccepted() {
    if (m_finished || !m_dialog) return;
    gtk_dialog_response(GTK_DIALOG(m_dialog), GTK_RESPONSE_DELETE_EVENT);
    // A box shown over the dialog runs its own loop: answer it so that loop ends too.
    GList* windows = gtk_window_list_toplevels();
    for (GList* l = windows; l; l = l->next) {
        GtkWindow* window = GTK_WINDOW(l->data);
        if (GTK_IS_DIALOG(window) && gtk_window_get_transient_for(window) == GTK_WINDOW(m_dialog))
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
    }
    g_list_free(windows);
}

void SetupDialogGtk::Finish() {
    m_finished = true;
    gtk_widget_hide(m_dialog);
}

const KDSSetupResult& SetupDialogGtk::Run() {
    if (!m_dialog) return m_result;
    QuitSignalWatch signals(this);
    if (m_quitRequested && m_quitRequested()) EndNotAccepted();
    // gtk_dialog_run returns on every response, also on an OK that was refused with the
    // message box; the dialog then goes on.
    while (!m_finished) gtk_dialog_run(GTK_DIALOG(m_dialog));
    return m_result;
}

void SetupDialogGtk::PressOk() {
    if (m_okButton) gtk_button_clicked(GTK_BUTTON(m_okButton));
}

void SetupDialogGtk::PressCancel() {
    if (m_cancelButton) gtk_button_clicked(GTK_BUTTON(m_cancelButton));
}

void SetupDialogGtk::Close() {
    if (!m_dialog || m_finished) return;
    // The close request goes out as a delete event, which needs the window's GDK window.
    gtk_widget_realize(m_dialog);
    gtk_window_close(GTK_WINDOW(m_dialog));
    for (int spins = 0; !m_finished && spins < 1000; ++spins) gtk_main_iteration_do(FALSE);
}

void ShowSetupDialog(KDSSetupResult* result, const std::vector<std::string>& devices,
                     std::function<bool()> quitRequested) {
    if (!result) return;
    // GTK switches the process to the user's locale; put the old one back, or the show's
    // readers would expect decimal commas in some languages.
    const char* current = setlocale(LC_ALL, nullptr);
    std::string locale = current ? current : "C";
    bool ready = gtk_init_check(nullptr, nullptr);
    setlocale(LC_ALL, locale.c_str());
    if (!ready) {
        DefaultSetupWithoutDisplay(result);
        return;
    }
    {
        SetupDialogGtk dialog;
        dialog.Build(devices);
        dialog.SetQuitCheck(std::move(quitRequested));
        *result = dialog.Run();
    }
    // Let the window go from the screen before the show opens its own.
    while (gtk_events_pending()) gtk_main_iteration();
}
