// GTK's file dialogs and message boxes for the desktop. Texts and paths are UTF-8 already.
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/front_end.h"
#include "core/message_catalogue.h"

namespace {

char CurrentFolder[PATH_MAX];

// Lets a closed window go from the screen before the next one opens.
void FlushEvents() {
    while (gtk_events_pending() != FALSE) {
        gtk_main_iteration();
    }
}

void ShowBox(const char* text, const char* caption, GtkMessageType type, const char* iconName) {
    GtkWidget* box =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), caption);
    // GTK 3 boxes carry no icon of their own any more; the user expects one beside the text.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* icon = gtk_image_new_from_icon_name(iconName, GTK_ICON_SIZE_DIALOG);
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), icon);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_widget_show(icon);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    FlushEvents();
}

// The dialog's own checks stop short of the system dialog's: an open dialog takes a typed name
// that does not exist, and a save dialog takes a read-only file.
const char* Refusal(FileDialogKind kind, const char* path) {
    struct stat status {};
    bool exists = stat(path, &status) == 0;
    if (kind == FileDialogKind::Open) {
        return exists && !S_ISDIR(status.st_mode) ? nullptr : MessageCatalogue::kNoteFileNotFound;
    }
    bool readOnly = exists && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return readOnly ? MessageCatalogue::kNoteReadOnly : nullptr;
}

// False when the user gives no path or one that does not fit; path is then all zero.
bool TakeChosenPath(GtkFileChooser* chooser, PathBuffer path) {
    gchar* chosen = gtk_file_chooser_get_filename(chooser);
    std::size_t length = chosen == nullptr ? 0 : std::strlen(chosen);
    bool fits = length > 0 && length <= kPathMaxLength;
    if (fits) {
        std::memcpy(path, chosen, length + 1);
    }
    g_free(chosen);
    return fits;
}

}  // namespace

void PickFile(FileDialogKind kind, PathBuffer path, const char* title) {
    std::memset(path, 0, kPathBufferSize);
    bool open = kind == FileDialogKind::Open;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        title, nullptr, open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE, nullptr,
        nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, open ? FALSE : TRUE);
    if (getcwd(CurrentFolder, sizeof CurrentFolder) != nullptr) {
        gtk_file_chooser_set_current_folder(chooser, CurrentFolder);
    }
    while (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        FlushEvents();
        if (!TakeChosenPath(chooser, path)) {
            break;
        }
        const char* refusal = Refusal(kind, path);
        if (refusal == nullptr) {
            break;
        }
        std::memset(path, 0, kPathBufferSize);
        ShowBox(refusal, title, GTK_MESSAGE_WARNING, "dialog-warning");
    }
    g_object_unref(dialog);
    FlushEvents();
}

void ShowInfo(const char* text, const char* caption) {
    ShowBox(text, caption, GTK_MESSAGE_INFO, "dialog-information");
}

// Through exit, not _exit: the accessibility bridge removes its socket from the user's runtime
// folder at exit. The program itself has nothing to clean up and writes its files unbuffered.
void EndProcess() {
    std::exit(0);
}

// Without a display, as before GTK has one, the text can only go to standard error.
void FatalStop(const char* text) {
    if (gdk_display_get_default() == nullptr) {
        std::fprintf(stderr, "%s: %s\n", MessageCatalogue::kErrorCaption, text);
    } else {
        ShowBox(text, MessageCatalogue::kErrorCaption, GTK_MESSAGE_ERROR, "dialog-error");
    }
    std::exit(1);
}
