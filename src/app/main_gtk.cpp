#include <gtk/gtk.h>

#include "app/posix_start.h"
#include "app/run_program.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

// The file chooser hands every chosen file to the recent list, and the list's "changed" handler
// then writes recently-used.xbel, even with recent files switched off (it writes the list empty).
// Without that handler nothing is added and the user's list is never rewritten. gtk_main is
// never entered: leaving it writes the list directly.
void LeaveRecentListAlone() {
    auto* recentClass =
        static_cast<GtkRecentManagerClass*>(g_type_class_ref(GTK_TYPE_RECENT_MANAGER));
    recentClass->changed = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // Before GTK opens anything, so that its display connection cannot take a standard stream.
    PrepareProcess();
    // The file chooser keeps its view, location mode and size in GSettings; this program keeps
    // no settings.
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    g_set_prgname("korvane-gtk");
    // GTK reads no options from the command line: every argument is a path.
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        FatalStop(MessageCatalogue::kNoDisplay);
    }
    LeaveRecentListAlone();
    // The window class the desktop entry names, with its icon, so that docks and task bars show
    // the windows under the entry. GTK's start-up sets its own class, capitalised.
    gdk_set_program_class("korvane-gtk");
    gtk_window_set_default_icon_name("korvane");
    CheckPathArguments(argc, argv);
    return RunProgram(argc, argv);
}
