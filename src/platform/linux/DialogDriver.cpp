// The tests' driver of the GTK dialogs (see DialogDriver.h): commands on standard input, one per line,
// each answered on standard output.
// Depends on: GTK 3, GLib.
#include "platform/linux/DialogDriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>

namespace System::Platform::Linux {

namespace {

bool g_running = false;

// Verbs, each answered with "ok ..." or "error ...":
//   click ID        a user's click on a button, check box or radio button (refused when the control
//                   is disabled or hidden)
//   select ID N     a user's choice of entry N in a combo box (refused when disabled)
//   add ID TEXT     appends TEXT to a combo box's list (no user can; it makes unusual entries)
//   slide ID N      a user's move of a trackbar to N
//   state ID        checked= enabled= visible= position= selection= text=
//   items ID        a combo box's entries, joined by "|"
//   geometry ID     the control's rectangle on the screen: x y width height
//   geometry 0      the dialog window's rectangle on the screen (without decoration)
//   frame           the dialog's outer frame on the screen
//   close           the window's close box
// Each command answers with one line; what a user would do comes back as action, run after the
// answer from its own idle callback, so that a dialog it opens can be driven while it runs.
std::string driverCommand(DrivenDialog& dialog, const std::string& verb, int id, const std::string& argument,
                          std::function<void()>& action)
{
    std::ostringstream out;
    GtkWindow* top = dialog.topWindow();
    if (verb == "close") {
        action = [top] { gtk_window_close(top); };
        return "ok";
    }
    if (verb == "frame") {
        WindowRect frame = dialog.frameRect();
        out << "ok " << frame.x << " " << frame.y << " " << frame.width << " " << frame.height;
        return out.str();
    }
    if (verb == "geometry" && id == 0) {
        int x = 0, y = 0;
        gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(top)), &x, &y);
        out << "ok " << x << " " << y << " " << gtk_widget_get_allocated_width(GTK_WIDGET(top))
            << " " << gtk_widget_get_allocated_height(GTK_WIDGET(top));
        return out.str();
    }
    GtkWidget* control = dialog.control(id);
    if (!control)
        return "error no control " + std::to_string(id);
    bool usable = gtk_widget_is_sensitive(control) && gtk_widget_is_visible(control);
    if (verb == "click") {
        if (!GTK_IS_BUTTON(control))
            return "error not a button";
        if (!usable)
            return "error disabled or hidden";
        action = [control] { gtk_button_clicked(GTK_BUTTON(control)); };
        return "ok";
    }
    if (verb == "select") {
        if (!GTK_IS_COMBO_BOX(control))
            return "error not a combo box";
        if (!usable)
            return "error disabled or hidden";
        int index = std::atoi(argument.c_str());
        action = [control, index] { gtk_combo_box_set_active(GTK_COMBO_BOX(control), index); };
        return "ok";
    }
    if (verb == "add") {
        if (!GTK_IS_COMBO_BOX_TEXT(control))
            return "error not a combo box";
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(control), argument.c_str());
        return "ok";
    }
    if (verb == "slide") {
        if (!GTK_IS_RANGE(control))
            return "error not a trackbar";
        double value = std::atof(argument.c_str());
        action = [control, value] { gtk_range_set_value(GTK_RANGE(control), value); };
        return "ok";
    }
    if (verb == "state") {
        out << "ok checked=" << dialog.isButtonChecked(id) << " enabled=" << dialog.isControlEnabled(id)
            << " visible=" << (gtk_widget_get_visible(control) ? 1 : 0)
            << " position=" << dialog.trackbarPosition(id) << " selection=" << dialog.comboSelection(id)
            << " text=" << dialog.controlText(id, 1024);
        return out.str();
    }
    if (verb == "items") {
        if (!GTK_IS_COMBO_BOX(control))
            return "error not a combo box";
        GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(control));
        out << "ok ";
        GtkTreeIter iter;
        bool first = true;
        for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
             more = gtk_tree_model_iter_next(model, &iter)) {
            gchar* text = nullptr;
            gtk_tree_model_get(model, &iter, 0, &text, -1);
            out << (first ? "" : "|") << (text ? text : "");
            g_free(text);
            first = false;
        }
        return out.str();
    }
    if (verb == "geometry") {
        int x = 0, y = 0;
        gtk_widget_translate_coordinates(control, GTK_WIDGET(top), 0, 0, &x, &y);
        int originX = 0, originY = 0;
        gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(top)), &originX, &originY);
        out << "ok " << originX + x << " " << originY + y << " "
            << gtk_widget_get_allocated_width(control) << " "
            << gtk_widget_get_allocated_height(control);
        return out.str();
    }
    return "error unknown verb " + verb;
}

gboolean runDriverAction(gpointer data)
{
    auto* action = static_cast<std::function<void()>*>(data);
    (*action)();
    delete action;
    return G_SOURCE_REMOVE;
}

gboolean onDriverInput(GIOChannel* channel, GIOCondition condition, gpointer)
{
    gchar* line = nullptr;
    gsize length = 0;
    GIOStatus status = G_IO_STATUS_AGAIN;
    if (condition & G_IO_IN)
        status = g_io_channel_read_line(channel, &line, &length, nullptr, nullptr);
    if (status != G_IO_STATUS_NORMAL || !line) {
        g_free(line);
        return status == G_IO_STATUS_AGAIN && !(condition & (G_IO_HUP | G_IO_ERR));
    }
    std::string text(line, length);
    g_free(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::istringstream words(text);
    std::string verb;
    int id = 0;
    words >> verb >> id;
    std::string argument;
    std::getline(words >> std::ws, argument);
    if (verb.empty())
        return TRUE;
    DrivenDialog* dialog = innermostDialog();
    if (!dialog) {
        dialogDriverSay("error no dialog");
        return TRUE;
    }
    std::function<void()> action;
    dialogDriverSay(driverCommand(*dialog, verb, id, argument, action));
    if (action)
        g_idle_add_full(G_PRIORITY_HIGH, runDriverAction,
                        new std::function<void()>(std::move(action)), nullptr);
    return TRUE;
}

} // namespace

void startDialogDriver()
{
    const char* driver = std::getenv("FERNHOLLOW_DIALOG_DRIVER");
    if (g_running || !driver || std::strcmp(driver, "stdin") != 0)
        return;
    g_running = true;
    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_channel_set_encoding(input, nullptr, nullptr);
    g_io_add_watch(input, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), onDriverInput, nullptr);
    g_io_channel_unref(input);
}

bool dialogDriverRunning()
{
    return g_running;
}

void dialogDriverSay(const std::string& line)
{
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace System::Platform::Linux
