// The setup dialog driven without a person: its controls, what OK, Cancel and closing
// answer, the "pelo" refusal, and the real modal loop. Needs a display (run under
// xvfb-run); without one the tests skip, except the fallback that is about having none.
#include "SetupDialogGtk.h"
#include "UnreachableDisplay.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::vector<std::string> ComboTexts(GtkWidget* combo) {
    std::vector<std::string> texts;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
    GtkTreeIter iter;
    for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok; ok = gtk_tree_model_iter_next(model, &iter)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, 0, &text, -1);
        texts.push_back(text ? text : "");
        g_free(text);
    }
    return texts;
}

std::vector<GtkWidget*> Children(GtkWidget* container) {
    std::vector<GtkWidget*> children;
    GList* list = gtk_container_get_children(GTK_CONTAINER(container));
    for (GList* l = list; l; l = l->next) children.push_back(GTK_WIDGET(l->data));
    g_list_free(list);
    return children;
}

struct ShownBox {
    GtkWidget* owner;
    std::string caption;
    std::string text;
};

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NO_AT_BRIDGE", "1", 0);
        if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display (run under xvfb-run)";
        // A GTK critical is a misuse of the toolkit: fail loudly rather than print it.
        g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR));
    }

    void Build(const std::vector<std::string>& devices) {
        dialog.Build(devices);
        dialog.SetMessageBox([this](GtkWidget* owner, const char* caption, const char* text) {
            boxes.push_back({owner, caption, text});
        });
    }

    void ExpectResult(int32_t accepted, int32_t mode, int32_t device, int32_t rate, int32_t fullScreen) {
        const KDSSetupResult& r = dialog.Result();
        EXPECT_EQ(accepted, r.accepted);
        EXPECT_EQ(mode, r.screenMode);
        EXPECT_EQ(device, r.soundDevice);
        EXPECT_EQ(rate, r.sampleRate);
        EXPECT_EQ(fullScreen, r.fullScreen);
    }

    SetupDialogGtk dialog;
    std::vector<ShownBox> boxes;
};

TEST_F(SetupDialogTest, ShowsTheControlsInOrderWithTheirTextsAndDefaults) {
    Build({"No sound", "Speakers", "Tarjeta \xff"});
    EXPECT_STREQ("Marlo CODE!!!   VOSTRIN", gtk_window_get_title(GTK_WINDOW(dialog.Dialog())));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog.Dialog())));

    const std::vector<std::string> modes = {"512x384x16",  "512x384x32",  "640x480x16",   "640x480x32",
                                            "800x600x16",  "800x600x32",  "1024x768x16",  "1024x768x32",
                                            "1280x1024x16", "1280x1024x32"};
    EXPECT_EQ(modes, ComboTexts(dialog.ModeCombo()));
    const std::vector<std::string> devices = ComboTexts(dialog.DeviceCombo());
    ASSERT_EQ(3u, devices.size());
    EXPECT_EQ("No sound", devices[0]);
    EXPECT_EQ("Speakers", devices[1]);
    // A name that is not UTF-8 is shown with a replacement, not handed to GTK as it is.
    EXPECT_EQ(0u, devices[2].find("Tarjeta "));
    EXPECT_TRUE(g_utf8_validate(devices[2].c_str(), -1, nullptr));
    EXPECT_EQ((std::vector<std::string>{"11025 Hz", "22050 Hz", "44100 Hz"}), ComboTexts(dialog.RateCombo()));
    EXPECT_STREQ("Fullscreen", gtk_button_get_label(GTK_BUTTON(dialog.FullScreenCheck())));
    EXPECT_STREQ("OK", gtk_button_get_label(GTK_BUTTON(dialog.OkButton())));
    EXPECT_STREQ("Cancel", gtk_button_get_label(GTK_BUTTON(dialog.CancelButton())));

    // Top to bottom: modes, devices, rates, the check box; then OK before Cancel.
    const std::vector<GtkWidget*> column = Children(gtk_widget_get_parent(dialog.ModeCombo()));
    EXPECT_EQ((std::vector<GtkWidget*>{dialog.ModeCombo(), dialog.DeviceCombo(), dialog.RateCombo(),
                                       dialog.FullScreenCheck()}),
              column);
    const std::vector<GtkWidget*> buttons = Children(gtk_widget_get_parent(dialog.OkButton()));
    EXPECT_EQ((std::vector<GtkWidget*>{dialog.OkButton(), dialog.CancelButton()}), buttons);

    EXPECT_EQ(5, gtk_combo_box_get_active(GTK_COMBO_BOX(dialog.ModeCombo())));
    EXPECT_EQ(0, gtk_combo_box_get_active(GTK_COMBO_BOX(dialog.DeviceCombo())));
    EXPECT_EQ(2, gtk_combo_box_get_active(GTK_COMBO_BOX(dialog.RateCombo())));
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.FullScreenCheck())));
    EXPECT_FALSE(dialog.Finished());
}

TEST_F(SetupDialogTest, OkAcceptsTheDefaultsOrTheChoices) {
    Build({"No sound"});
    dialog.PressOk();
    EXPECT_TRUE(dialog.Finished());
    ExpectResult(1, 5, 0, 2, 1);

    SetupDialogGtk chosen;
    chosen.Build({"No sound", "Speakers"});
    gtk_combo_box_set_active(GTK_COMBO_BOX(chosen.ModeCombo()), 0);
    gtk_combo_box_set_active(GTK_COMBO_BOX(chosen.DeviceCombo()), 1);
    gtk_combo_box_set_active(GTK_COMBO_BOX(chosen.RateCombo()), 0);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(chosen.FullScreenCheck()), FALSE);
    chosen.PressOk();
    ASSERT_TRUE(chosen.Finished());
    const KDSSetupResult& r = chosen.Result();
    EXPECT_EQ(1, r.accepted);
    EXPECT_EQ(0, r.screenMode);
    EXPECT_EQ(1, r.soundDevice);
    EXPECT_EQ(0, r.sampleRate);
    EXPECT_EQ(0, r.fullScreen);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SetupDialogTest, OkWithAComboWithoutChoiceSaysPeloAndStaysOpen) {
    Build({"No sound"});
    for (GtkWidget* combo : {dialog.ModeCombo(), dialog.DeviceCombo(), dialog.RateCombo()}) {
        boxes.clear();
        const int before = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), -1);
        dialog.PressOk();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(dialog.Dialog(), boxes[0].owner);
        EXPECT_EQ("Uh..", boxes[0].caption);
        EXPECT_EQ("pelo", boxes[0].text);
        EXPECT_FALSE(dialog.Finished());
        // Nothing of the refused choice reaches the record.
        ExpectResult(0, 5, 0, 2, 1);
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), before);
    }
    dialog.PressOk();
    EXPECT_TRUE(dialog.Finished());
    ExpectResult(1, 5, 0, 2, 1);
}

TEST_F(SetupDialogTest, WithoutSoundDevicesOnlyCancelEndsIt) {
    Build({});
    EXPECT_TRUE(ComboTexts(dialog.DeviceCombo()).empty());
    EXPECT_EQ(-1, gtk_combo_box_get_active(GTK_COMBO_BOX(dialog.DeviceCombo())));
    dialog.PressOk();
    dialog.PressOk();
    EXPECT_EQ(2u, boxes.size());
    EXPECT_FALSE(dialog.Finished());
    dialog.PressCancel();
    EXPECT_TRUE(dialog.Finished());
    EXPECT_EQ(0, dialog.Result().accepted);
}

TEST_F(SetupDialogTest, CancelAndClosingAreNotAcceptedAndLaterPressesChangeNothing) {
    Build({"No sound"});
    dialog.PressCancel();
    EXPECT_TRUE(dialog.Finished());
    dialog.PressOk();
    EXPECT_EQ(0, dialog.Result().accepted);

    SetupDialogGtk closed;
    closed.Build({"No sound"});
    gtk_widget_show(closed.Dialog());
    closed.Close();
    EXPECT_TRUE(closed.Finished());
    EXPECT_EQ(0, closed.Result().accepted);
    closed.PressOk();
    EXPECT_EQ(0, closed.Result().accepted);
}

// The modal loop as the program runs it, with the real "pelo" box: a timer plays the user.
TEST_F(SetupDialogTest, RunKeepsLoopingAfterPeloUntilOkIsAccepted) {
    dialog.Build({"No sound", "Speakers"});
    struct Script {
        SetupDialogGtk* dialog;
        std::string caption, text;
        GtkMessageType type = GTK_MESSAGE_OTHER;
        int found = 0;
    } script{&dialog, "", ""};

    // Answers the message box once it is up.
    auto dismiss = [](gpointer data) -> gboolean {
        Script* s = static_cast<Script*>(data);
        GList* windows = gtk_window_list_toplevels();
        for (GList* l = windows; l; l = l->next) {
            if (!GTK_IS_MESSAGE_DIALOG(l->data) || !gtk_widget_get_visible(GTK_WIDGET(l->data))) continue;
            gchar* text = nullptr;
            g_object_get(l->data, "text", &text, "message-type", &s->type, nullptr);
            s->text = text ? text : "";
            g_free(text);
            s->caption = gtk_window_get_title(GTK_WINDOW(l->data));
            ++s->found;
            gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_OK);
        }
        g_list_free(windows);
        return s->found ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
    };
    // First tick: clears the device and presses OK (the box comes and goes). A later tick,
    // so from the dialog's next round of its loop: chooses a device and presses OK.
    auto user = [](gpointer data) -> gboolean {
        Script* s = static_cast<Script*>(data);
        if (s->found == 0) {
            gtk_combo_box_set_active(GTK_COMBO_BOX(s->dialog->DeviceCombo()), -1);
            s->dialog->PressOk();
            return G_SOURCE_CONTINUE;
        }
        gtk_combo_box_set_active(GTK_COMBO_BOX(s->dialog->DeviceCombo()), 1);
        s->dialog->PressOk();
        return G_SOURCE_REMOVE;
    };
    g_timeout_add(10, dismiss, &script);
    g_timeout_add(50, user, &script);

    const KDSSetupResult& r = dialog.Run();
    EXPECT_EQ(1, script.found);
    EXPECT_EQ("Uh..", script.caption);
    EXPECT_EQ("pelo", script.text);
    EXPECT_EQ(GTK_MESSAGE_ERROR, script.type);
    EXPECT_EQ(1, r.accepted);
    EXPECT_EQ(1, r.soundDevice);
    EXPECT_FALSE(gtk_widget_get_visible(dialog.Dialog()));
}

void SendKey(GtkWidget* toplevel, guint keyval, GdkEventType type) {
    GdkEvent* event = gdk_event_new(type);
    GdkWindow* window = gtk_widget_get_window(toplevel);
    event->key.window = GDK_WINDOW(g_object_ref(window));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkDisplay* display = gdk_window_get_display(window);
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count) && count > 0) {
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        event->key.group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// Enter through GTK's own key events, wherever the focus is: OK (the default button),
// except on Cancel, which Enter presses itself. A combo box or the check box does not
// take the key for itself.
TEST_F(SetupDialogTest, EnterPressesOkUnlessTheFocusIsOnAButton) {
    struct Case {
        const char* focus;
        GtkWidget* (SetupDialogGtk::*widget)() const;
        int32_t accepted;
    };
    const Case cases[] = {
        {"mode combo", &SetupDialogGtk::ModeCombo, 1},   {"device combo", &SetupDialogGtk::DeviceCombo, 1},
        {"rate combo", &SetupDialogGtk::RateCombo, 1},   {"check box", &SetupDialogGtk::FullScreenCheck, 1},
        {"OK", &SetupDialogGtk::OkButton, 1},            {"Cancel", &SetupDialogGtk::CancelButton, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focus);
        SetupDialogGtk entered;
        entered.Build({"No sound"});
        gtk_widget_show(entered.Dialog());
        gtk_test_widget_wait_for_draw(entered.Dialog());
        GtkWidget* target = (entered.*c.widget)();
        gtk_widget_grab_focus(target);
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(entered.Dialog()));
        ASSERT_TRUE(focus == target || (focus && gtk_widget_is_ancestor(focus, target)));
        // Press and release on the dialog's window, as the keyboard would send them; GTK
        // hands the key to the focus.
        for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) SendKey(entered.Dialog(), GDK_KEY_Return, type);
        const gint64 until = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
        while (!entered.Finished() && g_get_monotonic_time() < until) gtk_main_iteration_do(FALSE);
        ASSERT_TRUE(entered.Finished());
        EXPECT_EQ(c.accepted, entered.Result().accepted);
        // The check box was not toggled on the way.
        if (c.accepted) {
            EXPECT_EQ(1, entered.Result().fullScreen);
        }
    }
}

// SIGINT and SIGTERM while the modal loop runs, with the dialog alone or with the "pelo"
// box over it: Run returns at once, not accepted, and the handlers installed before (as
// SDL's are) see nothing of it and get the signals again afterwards.
int g_earlierHandlerCalls = 0;
void EarlierHandler(int) { ++g_earlierHandlerCalls; }

TEST_F(SetupDialogTest, QuitSignalsEndRunNotAcceptedAndGiveTheHandlersBack) {
    struct Script {
        SetupDialogGtk* dialog;
        int signal;
        bool withBox;
    };
    for (int signal : {SIGTERM, SIGINT}) {
        for (bool withBox : {false, true}) {
            SCOPED_TRACE(std::string(strsignal(signal)) + (withBox ? " over the pelo box" : ""));
            struct sigaction earlier = {}, saved = {};
            earlier.sa_handler = &EarlierHandler;
            sigaction(signal, &earlier, &saved);
            g_earlierHandlerCalls = 0;

            SetupDialogGtk signalled;
            signalled.Build({"No sound"});
            Script script{&signalled, signal, withBox};
            // With the box: OK without a device brings up the real "pelo" box, whose own
            // loop the signal has to end too.
            auto user = [](gpointer data) -> gboolean {
                Script* s = static_cast<Script*>(data);
                gtk_combo_box_set_active(GTK_COMBO_BOX(s->dialog->DeviceCombo()), -1);
                s->dialog->PressOk();
                return G_SOURCE_REMOVE;
            };
            auto raiseSignal = [](gpointer data) -> gboolean {
                kill(getpid(), static_cast<Script*>(data)->signal);
                return G_SOURCE_REMOVE;
            };
            // Should the signal be missed, the test still ends: Cancel after a while.
            auto giveUp = [](gpointer data) -> gboolean {
                GList* windows = gtk_window_list_toplevels();
                for (GList* l = windows; l; l = l->next)
                    if (GTK_IS_MESSAGE_DIALOG(l->data)) gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_OK);
                g_list_free(windows);
                static_cast<Script*>(data)->dialog->PressCancel();
                return G_SOURCE_REMOVE;
            };
            if (withBox) g_timeout_add(20, user, &script);
            g_timeout_add(200, raiseSignal, &script);
            const guint fallback = g_timeout_add(5000, giveUp, &script);
            const gint64 start = g_get_monotonic_time();
            const KDSSetupResult& r = signalled.Run();
            const gint64 took = g_get_monotonic_time() - start;
            g_source_remove(fallback);

            EXPECT_EQ(0, r.accepted);
            EXPECT_LT(took, 3 * G_USEC_PER_SEC);
            EXPECT_EQ(0, g_earlierHandlerCalls);
            bool boxShown = false;
            GList* windows = gtk_window_list_toplevels();
            for (GList* l = windows; l; l = l->next)
                boxShown |= GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data));
            g_list_free(windows);
            EXPECT_FALSE(boxShown);

            kill(getpid(), signal);
            EXPECT_EQ(1, g_earlierHandlerCalls);
            sigaction(signal, &saved, nullptr);
        }
    }
}

TEST_F(SetupDialogTest, AQuitAskedBeforeRunEndsItWithoutShowingIt) {
    dialog.Build({"No sound"});
    dialog.SetQuitCheck([] { return true; });
    int shown = 0;
    g_signal_connect_swapped(dialog.Dialog(), "map", G_CALLBACK(+[](int* count) { ++*count; }), &shown);
    // Should the check be ignored, the test still ends: Cancel after a while.
    const guint fallback = g_timeout_add(
        2000, [](gpointer d) -> gboolean { static_cast<SetupDialogGtk*>(d)->PressCancel(); return G_SOURCE_REMOVE; },
        &dialog);
    EXPECT_EQ(0, dialog.Run().accepted);
    EXPECT_EQ(0, shown);
    if (shown == 0) g_source_remove(fallback);
}

// In a fresh process with no display, or one that cannot be opened: the defaults,
// accepted and windowed, and one message that says so.
TEST(SetupDialogWithoutDisplay, TakesTheDefaultsWindowedAndSaysSo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const std::string& display : {std::string(), UnreachableDisplay()}) {
        SCOPED_TRACE("DISPLAY=" + display);
        auto child = [&display] {
            unsetenv("WAYLAND_DISPLAY");
            setenv("GDK_BACKEND", "x11", 1);
            if (display.empty()) {
                unsetenv("DISPLAY");
            } else {
                setenv("DISPLAY", display.c_str(), 1);
            }
            KDSSetupResult r;
            r.screenMode = 0;
            r.fullScreen = 1;
            ShowSetupDialog(&r, {"No sound"});
            const bool defaults = r.accepted == 1 && r.screenMode == 5 && r.soundDevice == 0 && r.sampleRate == 2 &&
                                  r.fullScreen == 0;
            std::exit(defaults ? 0 : 1);
        };
        EXPECT_EXIT(child(),
            ::testing::ExitedWithCode(0), "Debug: Could not open the display: using the default setup, windowed\n");
    }
}

}  // namespace
