// Linux dialogs with GTK 3 (X11 backend, so owners can be other programs' X windows). A template is a
// GtkBuilder file kept as resource DIALOG <id>: the toplevel GtkWindow has the builder id "dialog",
// every control has its numeric control id as builder id ("1011"), and a GtkImage with the builder id
// "bitmap-<n>" shows bitmap resource <n> (left empty when that bitmap is missing). The controls'
// order in the file is their keyboard order, as in a dialog template. Each dialog runs in
// a nested main-loop iteration until the procedure ends it; GTK's callbacks are C, so an exception
// from the procedure is caught there, ends the dialog, and is thrown again from runDialog.
// The tests' driver of these dialogs lives in DialogDriver.cpp.
// Depends on: GTK 3, GDK X11, GLib.
#include "platform/Dialog.h"

#include "platform/Bitmap.h"
#include "platform/Resources.h"
#include "platform/linux/DialogDriver.h"
#include "platform/common/MessageBoxHook.h"
#include "platform/linux/X11Connection.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace System::Platform {

namespace {

class GtkDialogWindow;
std::vector<GtkDialogWindow*> g_open;  // the innermost dialog last
std::string g_gtkError;
std::string g_lastError;

// Keeps controls within the template's sizes: the template's 8 point, and no padding beyond it (themes
// pad buttons and boxes for roomier layouts); a check box's box sits at its left edge, as on Windows.
const char* const dialogStyle = R"(
.fernhollow-dialog { font-size: 8pt; }
.fernhollow-dialog button { min-height: 0; padding-top: 2px; padding-bottom: 2px; }
.fernhollow-dialog checkbutton, .fernhollow-dialog radiobutton { min-height: 0; padding: 0; }
.fernhollow-dialog check, .fernhollow-dialog radio { margin-left: 0; }
.fernhollow-dialog checkbutton label, .fernhollow-dialog radiobutton label { margin-right: 0; }
.fernhollow-dialog combobox button { padding-top: 1px; padding-bottom: 1px; }
.fernhollow-dialog scale { padding: 0; min-height: 0; }
)";

bool ensureGtk()
{
    static int state = 0;  // 0 not tried, 1 ready, -1 failed
    if (state)
        return state > 0;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        g_gtkError = "No display: the DISPLAY environment variable is not set";
        state = -1;
        return false;
    }
    gdk_set_allowed_backends("x11");  // owners are X11 window ids
    Linux::x11Connection();            // watches the server while GTK starts
    if (!gtk_init_check(nullptr, nullptr)) {
        g_gtkError = std::string("Could not open the display \"") + display + "\"";
        state = -1;
        return false;
    }
    Linux::installX11Handlers(false);  // after GDK's own: a dead server ends the dialog with a word
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, dialogStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    Linux::startDialogDriver();
    state = 1;
    return true;
}

std::string truncated(const char* text, std::size_t maxChars)
{
    if (!text)
        return {};
    if (static_cast<std::size_t>(g_utf8_strlen(text, -1)) <= maxChars)
        return text;
    const char* end = g_utf8_offset_to_pointer(text, static_cast<glong>(maxChars));
    return std::string(text, static_cast<std::size_t>(end - text));
}

int controlIdOf(gpointer widget)
{
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "fernhollow-control-id"));
}

class GtkDialogWindow : public Linux::DrivenDialog {
public:
    GtkDialogWindow(unsigned templateId, GtkBuilder* builder, GtkWindow* window,
                    DialogProcedure procedure)
        : templateId(templateId), builder(builder), window(window), procedure(std::move(procedure))
    {
    }

    ~GtkDialogWindow() override
    {
        gtk_widget_destroy(GTK_WIDGET(window));
        g_object_unref(builder);
        if (foreignOwner)
            g_object_unref(foreignOwner);
    }

    // Connects the controls' signals and fills in the bitmaps.
    void prepare()
    {
        GSList* objects = gtk_builder_get_objects(builder);
        for (GSList* item = objects; item; item = item->next) {
            if (!GTK_IS_BUILDABLE(item->data))
                continue;
            const char* name = gtk_buildable_get_name(GTK_BUILDABLE(item->data));
            if (!name)
                continue;
            if (GTK_IS_IMAGE(item->data) && std::strncmp(name, "bitmap-", 7) == 0)
                showBitmap(GTK_IMAGE(item->data), name + 7);
            int id = numericId(name);
            if (id <= 0 || !GTK_IS_WIDGET(item->data))
                continue;
            g_object_set_data(G_OBJECT(item->data), "fernhollow-control-id", GINT_TO_POINTER(id));
            if (GTK_IS_TOGGLE_BUTTON(item->data))
                g_signal_connect(item->data, "toggled", G_CALLBACK(onToggled), this);
            else if (GTK_IS_BUTTON(item->data))
                g_signal_connect(item->data, "clicked", G_CALLBACK(onClicked), this);
            else if (GTK_IS_COMBO_BOX(item->data))
                g_signal_connect(item->data, "changed", G_CALLBACK(onComboChanged), this);
            else if (GTK_IS_RANGE(item->data))
                g_signal_connect(item->data, "value-changed", G_CALLBACK(onRangeChanged), this);
        }
        g_slist_free(objects);
        keyboardOrderFromTemplate();
        gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(window)),
                                    "fernhollow-dialog");
        g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), this);
        g_signal_connect(window, "key-press-event", G_CALLBACK(onKey), this);
        g_signal_connect(window, "map-event", G_CALLBACK(onMapped), this);
    }

    void setOwner(NativeHandle owner)
    {
        gtk_window_set_modal(window, TRUE);
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
        if (!owner)
            return;
        for (GtkDialogWindow* open : g_open) {
            if (open->handle() == owner) {
                gtk_window_set_transient_for(window, open->window);
                gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
                return;
            }
        }
        // Another program's window: only the window system knows it.
        GdkDisplay* display = gdk_display_get_default();
        if (!GDK_IS_X11_DISPLAY(display))
            return;
        foreignOwner = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(owner));
        if (foreignOwner)
            gdk_window_set_transient_for(gtk_widget_get_window(GTK_WIDGET(window)), foreignOwner);
    }

    int run()
    {
        gtk_widget_realize(GTK_WIDGET(window));
        send(DialogMessage::Init, 0);
        if (!ended)
            gtk_widget_show(GTK_WIDGET(window));
        while (!ended)
            g_main_context_iteration(nullptr, TRUE);
        gtk_widget_hide(GTK_WIDGET(window));
        if (Linux::dialogDriverRunning())
            Linux::dialogDriverSay("closed " + std::to_string(templateId) + " " +
                      (failure ? std::string("error") : std::to_string(result)));
        if (failure)
            std::rethrow_exception(failure);
        return result;
    }

    // Dialog
    NativeHandle handle() const override
    {
        GdkWindow* own = gtk_widget_get_window(GTK_WIDGET(window));
        return own && GDK_IS_X11_WINDOW(own) ? static_cast<NativeHandle>(gdk_x11_window_get_xid(own))
                                             : 0;
    }

    void checkButton(int id, bool checked) override
    {
        if (GtkWidget* control = find(id); control && GTK_IS_TOGGLE_BUTTON(control)) {
            Quiet quiet(*this);
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control), checked);
        }
    }

    bool isButtonChecked(int id) const override
    {
        GtkWidget* control = find(id);
        return control && GTK_IS_TOGGLE_BUTTON(control) &&
               gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(control));
    }

    void enableControl(int id, bool enabled) override
    {
        if (GtkWidget* control = find(id))
            gtk_widget_set_sensitive(control, enabled);
    }

    bool isControlEnabled(int id) const override
    {
        GtkWidget* control = find(id);
        return control && gtk_widget_get_sensitive(control);
    }

    void showControl(int id, bool shown) override
    {
        if (GtkWidget* control = find(id))
            gtk_widget_set_visible(control, shown);
    }

    void setControlText(int id, const std::string& text) override
    {
        GtkWidget* control = find(id);
        if (!control)
            return;
        if (GTK_IS_LABEL(control))
            gtk_label_set_text(GTK_LABEL(control), text.c_str());
        else if (GTK_IS_BUTTON(control))
            gtk_button_set_label(GTK_BUTTON(control), text.c_str());
        else if (GTK_IS_FRAME(control))
            gtk_frame_set_label(GTK_FRAME(control), text.c_str());
    }

    std::string controlText(int id, std::size_t maxChars) const override
    {
        GtkWidget* control = find(id);
        if (!control)
            return {};
        if (GTK_IS_COMBO_BOX_TEXT(control)) {
            gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(control));
            std::string result = truncated(text, maxChars);
            g_free(text);
            return result;
        }
        if (GTK_IS_LABEL(control))
            return truncated(gtk_label_get_text(GTK_LABEL(control)), maxChars);
        if (GTK_IS_BUTTON(control))
            return truncated(gtk_button_get_label(GTK_BUTTON(control)), maxChars);
        if (GTK_IS_FRAME(control))
            return truncated(gtk_frame_get_label(GTK_FRAME(control)), maxChars);
        return {};
    }

    void addComboString(int id, const std::string& text) override
    {
        if (GtkWidget* control = find(id); control && GTK_IS_COMBO_BOX_TEXT(control)) {
            Quiet quiet(*this);
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(control), text.c_str());
        }
    }

    void setComboSelection(int id, int index) override
    {
        if (GtkWidget* control = find(id); control && GTK_IS_COMBO_BOX(control)) {
            Quiet quiet(*this);
            gtk_combo_box_set_active(GTK_COMBO_BOX(control), index);
        }
    }

    int comboSelection(int id) const override
    {
        GtkWidget* control = find(id);
        return control && GTK_IS_COMBO_BOX(control) ? gtk_combo_box_get_active(GTK_COMBO_BOX(control))
                                                    : -1;
    }

    void setTrackbarRange(int id, int minimum, int maximum) override
    {
        if (GtkWidget* control = find(id); control && GTK_IS_RANGE(control) && minimum < maximum) {
            Quiet quiet(*this);
            gtk_range_set_range(GTK_RANGE(control), minimum, maximum);
        }
    }

    void setTrackbarPosition(int id, int position) override
    {
        if (GtkWidget* control = find(id); control && GTK_IS_RANGE(control)) {
            Quiet quiet(*this);
            gtk_range_set_value(GTK_RANGE(control), position);
        }
    }

    int trackbarPosition(int id) const override
    {
        GtkWidget* control = find(id);
        return control && GTK_IS_RANGE(control)
                   ? static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(control))))
                   : 0;
    }

    void end(int value) override
    {
        if (ended)
            return;
        result = value;
        ended = true;
    }

    WindowRect frameRect() const override
    {
        WindowRect rect;
        GdkWindow* own = gtk_widget_get_window(GTK_WIDGET(window));
        if (own && gtk_widget_get_mapped(GTK_WIDGET(window))) {
            GdkRectangle frame;
            gdk_window_get_frame_extents(own, &frame);
            rect = {frame.x, frame.y, frame.width, frame.height};
        } else {
            gtk_window_get_position(window, &rect.x, &rect.y);
            gtk_window_get_size(window, &rect.width, &rect.height);
        }
        return rect;
    }

    void moveTo(int x, int y) override
    {
        gtk_window_set_position(window, GTK_WIN_POS_NONE);
        gtk_window_move(window, x, y);
    }

    void showMessage(const std::string& text, const std::string& caption) override
    {
        if (Common::messageBoxesGoToStderr()) {
            Common::writtenMessageBox(text, caption, MessageBoxButtons::Ok);
            return;
        }
        GtkWidget* box = gtk_message_dialog_new(window, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                                GTK_BUTTONS_OK, "%s", text.c_str());
        gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
    }

    // Linux::DrivenDialog
    GtkWindow* topWindow() const override { return window; }
    GtkWidget* control(int id) const override { return find(id); }

private:
    struct Quiet {
        explicit Quiet(GtkDialogWindow& dialog) : dialog(dialog) { ++dialog.quiet; }
        ~Quiet() { --dialog.quiet; }
        GtkDialogWindow& dialog;
    };

    // Tab follows the template's order; GTK's own order follows the controls' places on the screen.
    void keyboardOrderFromTemplate()
    {
        GtkWidget* layout = gtk_bin_get_child(GTK_BIN(window));
        if (!layout || !GTK_IS_CONTAINER(layout))
            return;
        GList* controls = gtk_container_get_children(GTK_CONTAINER(layout));  // in the file's order
        // Deprecated in GTK 3.24 for GTK 4's sake; GTK 3 keeps it and has no other way.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_container_set_focus_chain(GTK_CONTAINER(layout), controls);
        G_GNUC_END_IGNORE_DEPRECATIONS
        g_list_free(controls);
    }

    static int numericId(const char* name)
    {
        char* end = nullptr;
        long id = std::strtol(name, &end, 10);
        return *name && *end == '\0' && id > 0 && id < 65536 ? static_cast<int>(id) : 0;
    }

    static void showBitmap(GtkImage* image, const char* idText)
    {
        Bitmap bitmap;
        unsigned id = static_cast<unsigned>(std::strtoul(idText, nullptr, 10));
        if (!loadBitmap(id, bitmap))
            return;
        GBytes* bytes = g_bytes_new(bitmap.rgb.data(), bitmap.rgb.size());
        GdkPixbuf* pixbuf = gdk_pixbuf_new_from_bytes(bytes, GDK_COLORSPACE_RGB, FALSE, 8, bitmap.width,
                                                      bitmap.height, bitmap.width * 3);
        gtk_image_set_from_pixbuf(image, pixbuf);
        g_object_unref(pixbuf);
        g_bytes_unref(bytes);
    }

    GtkWidget* find(int id) const
    {
        GObject* object = gtk_builder_get_object(builder, std::to_string(id).c_str());
        return object && GTK_IS_WIDGET(object) ? GTK_WIDGET(object) : nullptr;
    }

    bool send(DialogMessage message, int id)
    {
        if (ended)
            return false;
        try {
            return procedure(*this, message, id);
        } catch (...) {
            failure = std::current_exception();
            ended = true;
            return false;
        }
    }

    void fromUser(DialogMessage message, int id)
    {
        if (!quiet)
            send(message, id);
    }

    static void onToggled(GtkToggleButton* button, gpointer self)
    {
        // Like a click on Windows: a radio button reports being chosen, not being left.
        if (GTK_IS_RADIO_BUTTON(button) && !gtk_toggle_button_get_active(button))
            return;
        static_cast<GtkDialogWindow*>(self)->fromUser(DialogMessage::Command, controlIdOf(button));
    }

    static void onClicked(GtkButton* button, gpointer self)
    {
        static_cast<GtkDialogWindow*>(self)->fromUser(DialogMessage::Command, controlIdOf(button));
    }

    static void onComboChanged(GtkComboBox* combo, gpointer self)
    {
        static_cast<GtkDialogWindow*>(self)->fromUser(DialogMessage::Command, controlIdOf(combo));
    }

    static void onRangeChanged(GtkRange* range, gpointer self)
    {
        static_cast<GtkDialogWindow*>(self)->fromUser(DialogMessage::Notify, controlIdOf(range));
    }

    // The close box is Cancel, as on Windows; the procedure decides whether the dialog ends.
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self)
    {
        static_cast<GtkDialogWindow*>(self)->fromUser(DialogMessage::Command, 2);
        return TRUE;
    }

    static gboolean onKey(GtkWidget*, GdkEventKey* key, gpointer self)
    {
        auto* dialog = static_cast<GtkDialogWindow*>(self);
        if (key->keyval == GDK_KEY_Escape) {
            dialog->fromUser(DialogMessage::Command, 2);
            return TRUE;
        }
        if (key->keyval == GDK_KEY_Return || key->keyval == GDK_KEY_KP_Enter) {
            // Enter is the default button, unless the focus is on a push button.
            GtkWidget* focus = gtk_window_get_focus(dialog->window);
            if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus))
                return FALSE;
            gtk_window_activate_default(dialog->window);
            return TRUE;
        }
        return FALSE;
    }

    static gboolean onMapped(GtkWidget*, GdkEvent*, gpointer self)
    {
        auto* dialog = static_cast<GtkDialogWindow*>(self);
        if (Linux::dialogDriverRunning() && !dialog->reportedOpen) {
            dialog->reportedOpen = true;
            Linux::dialogDriverSay("open " + std::to_string(dialog->templateId) + " " +
                      std::to_string(dialog->handle()));
        }
        return FALSE;
    }

    unsigned templateId;
    GtkBuilder* builder;
    GtkWindow* window;
    DialogProcedure procedure;
    GdkWindow* foreignOwner = nullptr;
    int result = 0;
    bool ended = false;
    bool reportedOpen = false;
    int quiet = 0;
    std::exception_ptr failure;
};

bool failed(const std::string& error)
{
    g_lastError = error;
    return false;
}

} // namespace

bool runDialog(unsigned templateId, NativeHandle owner, DialogProcedure procedure, int* result)
{
    if (!ensureGtk())
        return failed(g_gtkError);
    std::string name = "Dialog " + std::to_string(templateId);
    ResourceData layout = findResource(templateId, "DIALOG");
    if (!layout.data)
        return failed(name + " not found in resources");
    GtkBuilder* builder = gtk_builder_new();
    GError* error = nullptr;
    if (!gtk_builder_add_from_string(builder, reinterpret_cast<const char*>(layout.data),
                                     layout.size, &error)) {
        std::string reason = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        g_object_unref(builder);
        return failed(name + " in resources cannot be read: " + reason);
    }
    GObject* top = gtk_builder_get_object(builder, "dialog");
    if (!top || !GTK_IS_WINDOW(top)) {
        g_object_unref(builder);
        return failed(name + " in resources has no window \"dialog\"");
    }

    GtkDialogWindow dialog(templateId, builder, GTK_WINDOW(top), std::move(procedure));
    dialog.prepare();
    gtk_widget_realize(GTK_WIDGET(top));
    dialog.setOwner(owner);
    g_open.push_back(&dialog);
    struct Pop {
        ~Pop() { g_open.pop_back(); }
    } pop;
    int ended = dialog.run();
    if (result)
        *result = ended;
    return true;
}

Linux::DrivenDialog* Linux::innermostDialog()
{
    return g_open.empty() ? nullptr : g_open.back();
}

std::string lastDialogError()
{
    return g_lastError;
}

} // namespace System::Platform
