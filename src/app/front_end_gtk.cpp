// GTK's file dialogs and message boxes for the desktop. GTK takes only UTF-8: the catalogue and
// the system's reasons are UTF-8 already, file names are shown as GLib shows them.
#include "app/front_end_gtk.h"

// The memory backend of GSettings is declared only for those who ask.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/front_end.h"
#include "app/path_judge.h"
#include "app/posix_start.h"
#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/file_access.h"
#include "image/path_facts.h"

namespace {

char CurrentFolder[PATH_MAX];
char CutNote[128];
// The desktop's portal shows the dialogs, and it asks before replacing a file itself.
bool PortalShowsDialogs = false;
constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
// The name of the desktop entry, which docks and task bars look the windows up by: the window
// class on X11, the application id on Wayland.
constexpr char kDesktopName[] = "korvane";

// The file chooser hands every chosen file to the recent list, and the list's "changed" handler
// then writes recently-used.xbel, even with recent files switched off (it writes the list empty).
// Without that handler nothing is added and the user's list is never rewritten. gtk_main is
// never entered: leaving it writes the list directly.
void LeaveRecentListAlone() {
    auto* recentClass =
        static_cast<GtkRecentManagerClass*>(g_type_class_ref(GTK_TYPE_RECENT_MANAGER));
    recentClass->changed = nullptr;
}

// The file chooser keeps its view, location mode and size in GSettings, in an object it looks for
// on GTK's settings first; given one in memory, it keeps nothing, while the user's own desktop
// settings (text size, fonts, theme) still reach every window.
void KeepNoChooserSettings() {
    GSettingsBackend* memory = g_memory_settings_backend_new();
    GSettings* settings = g_settings_new_with_backend("org.gtk.Settings.FileChooser", memory);
    g_object_unref(memory);
    g_object_set_qdata_full(G_OBJECT(gtk_settings_get_default()),
                            g_quark_from_static_string("-gtk-file-chooser-settings"), settings,
                            g_object_unref);
}

// Lets a closed window go from the screen before the next one opens.
void FlushEvents() {
    while (gtk_events_pending() != FALSE) {
        gtk_main_iteration();
    }
}

// Text that is not UTF-8, a file name in another encoding, would be shown garbled and stops an
// accessibility bus that is listening; GLib shows it as it shows a file name.
gchar* Displayable(const char* text) {
    return g_utf8_validate(text, -1, nullptr) != FALSE ? g_strdup(text)
                                                       : g_filename_display_name(text);
}

// Shows a box and gives the user's answer. A question's default answer is no, so that a held
// Return never replaces a file.
gint RunBox(GtkMessageType type, const char* text, const char* caption, const char* iconName,
            const char* detail) {
    bool question = type == GTK_MESSAGE_QUESTION;
    gchar* shown = Displayable(Tr(text));
    GtkWidget* box =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type,
                               question ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s", shown);
    g_free(shown);
    if (detail != nullptr) {
        shown = Displayable(Tr(detail));
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s", shown);
        g_free(shown);
    }
    gtk_window_set_title(GTK_WINDOW(box), Tr(caption));
    // A box without a parent is often the program's only window, which a task bar must show.
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(box), FALSE);
    // GTK 3 boxes carry no icon of their own any more; the user expects one beside the text.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* icon = gtk_image_new_from_icon_name(iconName, GTK_ICON_SIZE_DIALOG);
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), icon);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_widget_show(icon);
    if (question) {
        gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_NO);
        gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_NO));
    }
    gint answer = gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    FlushEvents();
    return answer;
}

void ShowBox(const char* text, const char* caption, GtkMessageType type, const char* iconName,
             const char* detail = nullptr) {
    RunBox(type, text, caption, iconName, detail);
}

// A portal that is asked for but cannot be reached ends every dialog at once, as if the user had
// cancelled it; GTK's own dialog is shown instead. A portal is reached when it has a file chooser.
bool PortalAnswers() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) {
        return false;
    }
    GVariant* version = g_dbus_connection_call_sync(
        bus, kPortalName, "/org/freedesktop/portal/desktop", "org.freedesktop.DBus.Properties",
        "Get", g_variant_new("(ss)", "org.freedesktop.portal.FileChooser", "version"), nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    g_object_unref(bus);
    if (version != nullptr) {
        g_variant_unref(version);
    }
    return version != nullptr;
}

// GTK hands its dialogs to the portal when GTK_USE_PORTAL says so and inside a sandbox, where
// nothing else can be shown.
void ChooseDialogs() {
    static bool chosen = false;
    if (chosen) {
        return;
    }
    chosen = true;
    const char* asked = g_getenv("GTK_USE_PORTAL");
    bool sandboxed = g_file_test("/.flatpak-info", G_FILE_TEST_EXISTS) != FALSE;
    if (!sandboxed && (asked == nullptr || asked[0] != '1')) {
        return;
    }
    PortalShowsDialogs = PortalAnswers();
    if (!PortalShowsDialogs && sandboxed) {
        FatalStop(MessageCatalogue::kDialogFailed, kPortalName);
    }
    if (!PortalShowsDialogs) {
        g_unsetenv("GTK_USE_PORTAL");
    }
}

// The dialog's own checks stop short of the program's: an open dialog takes a typed name that
// does not exist, a FIFO or a device, and a save dialog takes a read-only file. A path that does
// not fit is refused rather than cut, which would name another file: an error, where the others
// are warnings. The replace question is asked here rather than by the dialog, so that a file that
// may not be written is refused first; where the portal shows the dialog, it has asked already.
bool Takes(PathRole role, GtkFileChooser* chooser, PathBuffer path, const char* title,
           const char* firstInput, const char* secondInput) {
    gchar* chosen = gtk_file_chooser_get_filename(chooser);
    bool named = chosen != nullptr;
    bool fits = !named || CopyPath(path, chosen);
    g_free(chosen);
    if (!fits) {
        ShowBox(MessageCatalogue::kPathTooLong, title, GTK_MESSAGE_ERROR, "dialog-error");
        return false;
    }
    Judgement judgement = named ? JudgePath(role, path, firstInput, secondInput)
                                : Judgement{MessageCatalogue::kNoteFileNotFound, nullptr};
    if (judgement.note != nullptr) {
        ShowBox(judgement.note, title, GTK_MESSAGE_WARNING, "dialog-warning", judgement.reason);
        return false;
    }
    return role != PathRole::Output || PortalShowsDialogs || !FileExists(path) ||
           RunBox(GTK_MESSAGE_QUESTION, MessageCatalogue::kReplaceBoxQuestion, title,
                  "dialog-question", path) == GTK_RESPONSE_YES;
}

// The later dialogs open where the first file was found, as a user expects after choosing it.
void StartIn(GtkFileChooser* chooser, const char* firstInput) {
    if (firstInput == nullptr) {
        if (getcwd(CurrentFolder, sizeof CurrentFolder) != nullptr) {
            gtk_file_chooser_set_current_folder(chooser, CurrentFolder);
        }
        return;
    }
    gchar* folder = g_path_get_dirname(firstInput);
    gchar* absolute = g_canonicalize_filename(folder, nullptr);
    gtk_file_chooser_set_current_folder(chooser, absolute);
    g_free(absolute);
    g_free(folder);
}

// A portal that has lost its file chooser ends the dialog at once, as no user could.
bool EndedAtOnce(gint response, gint64 asked) {
    constexpr gint64 kHumanMicroseconds = 1000000;
    return PortalShowsDialogs && response == GTK_RESPONSE_DELETE_EVENT &&
           g_get_monotonic_time() - asked < kHumanMicroseconds;
}

}  // namespace

bool OpenDisplay() {
    g_set_prgname(kDesktopName);
    // GTK reads no options from the command line: every argument is a path.
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        return false;
    }
    LeaveRecentListAlone();
    KeepNoChooserSettings();
    // GTK's start-up sets its own class, capitalised.
    gdk_set_program_class(kDesktopName);
    gtk_window_set_default_icon_name(kDesktopName);
    return true;
}

void PickFile(PathRole role, PathBuffer path, const char* title, const char* firstInput,
              const char* secondInput) {
    ChooseDialogs();
    std::memset(path, 0, kPathBufferSize);
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        Tr(title), nullptr,
        role == PathRole::Output ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
        nullptr, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    StartIn(chooser, firstInput);
    for (;;) {
        gint64 asked = g_get_monotonic_time();
        gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog));
        if (EndedAtOnce(response, asked)) {
            FatalStop(MessageCatalogue::kDialogFailed, kPortalName);
        }
        if (response != GTK_RESPONSE_ACCEPT) {
            break;
        }
        FlushEvents();
        if (Takes(role, chooser, path, title, firstInput, secondInput)) {
            break;
        }
        std::memset(path, 0, kPathBufferSize);
    }
    g_object_unref(dialog);
    FlushEvents();
}

void ShowInfo(const char* text, const char* caption) {
    ShowBox(text, caption, GTK_MESSAGE_INFO, "dialog-information");
}

// Bytes are never dropped unannounced.
void ShowCompletion(std::int32_t cutFirmwareSize) {
    const char* detail = nullptr;
    if (cutFirmwareSize > 0) {
        std::snprintf(CutNote, sizeof CutNote, "%s: %ld", Tr(MessageCatalogue::kNoteFirmwareCut),
                      static_cast<long>(cutFirmwareSize));
        detail = CutNote;
    }
    ShowBox(MessageCatalogue::kCompletionText, MessageCatalogue::kCompletionCaption,
            GTK_MESSAGE_INFO, "dialog-information", detail);
}

void ShowReport(const char* /*image*/, const char* text) {
    ShowInfo(text, MessageCatalogue::kCompletionCaption);
}

void ShowText(const char* text) {
    PrintText(Tr(text));
    PrintText("\n");
}

// A wait behind a box that cannot show it would look like a hung program.
bool WaitsForBusyOutput() {
    return false;
}

// Through exit, not _exit: the accessibility bridge removes its socket from the user's runtime
// folder at exit. The program itself has nothing to clean up and writes its files unbuffered.
void EndProcess() {
    std::exit(0);
}

// Without a display the text can only go to standard error.
void FatalStop(const char* text, const char* detail) {
    if (gdk_display_get_default() == nullptr && !OpenDisplay()) {
        std::fprintf(stderr, "%s: %s%s%s\n", Tr(MessageCatalogue::kErrorCaption), Tr(text),
                     detail == nullptr ? "" : ": ", detail == nullptr ? "" : Tr(detail));
    } else {
        ShowBox(text, MessageCatalogue::kErrorCaption, GTK_MESSAGE_ERROR, "dialog-error", detail);
    }
    std::exit(1);
}
