// The setup dialog driven without a person: its controls, what OK, Cancel and closing
// answer, the "pelo" refusal, and the real modal loop. Needs a display (run under
// xvfb-run); without one the tests skip, except the fallback that is about having none.
#include "SetupDialogGtk.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <vector>

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

// In a fresh process with no display: the setup falls back to the defaults, accepted.
TEST(SetupDialogWithoutDisplay, TakesTheDefaultsAndSaysSo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            KDSSetupResult r;
            r.screenMode = 0;
            r.fullScreen = 0;
            ShowSetupDialog(&r, {"No sound"});
            const bool defaults = r.accepted == 1 && r.screenMode == 5 && r.soundDevice == 0 && r.sampleRate == 2 &&
                                  r.fullScreen == 1;
            std::exit(defaults ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "no display: using the default setup");
}

}  // namespace
