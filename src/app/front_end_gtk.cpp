// GTK's file dialogs and message boxes for the desktop. Texts and paths are UTF-8 already.
#include <gtk/gtk.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/front_end.h"
#include "app/path_checks.h"
#include "core/message_catalogue.h"

namespace {

char CurrentFolder[PATH_MAX];

// Lets a closed window go from the screen before the next one opens.
void FlushEvents() {
    while (gtk_events_pending() != FALSE) {
        gtk_main_iteration();
    }
}

// Shows a box and gives the user's answer. A question's default answer is yes.
gint RunBox(GtkMessageType type, const char* text, const char* caption, const char* iconName,
            const char* detail) {
    bool question = type == GTK_MESSAGE_QUESTION;
    GtkWidget* box =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type,
                               question ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s", text);
    if (detail != nullptr) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s", detail);
    }
    gtk_window_set_title(GTK_WINDOW(box), caption);
    // GTK 3 boxes carry no icon of their own any more; the user expects one beside the text.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* icon = gtk_image_new_from_icon_name(iconName, GTK_ICON_SIZE_DIALOG);
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), icon);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_widget_show(icon);
    if (question) {
        gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_YES);
        gtk_widget_grab_focus(
            gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_YES));
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

// The dialog's own checks stop short of the system dialog's: an open dialog takes a typed name
// that does not exist, and a save dialog takes a read-only file. A path that does not fit is
// refused rather than cut, which would name another file.
const char* Refusal(FileDialogKind kind, GtkFileChooser* chooser, PathBuffer path,
                    const char* firmwarePath) {
    gchar* chosen = gtk_file_chooser_get_filename(chooser);
    if (chosen == nullptr) {
        return MessageCatalogue::kNoteFileNotFound;
    }
    std::size_t length = std::strlen(chosen);
    bool fits = length <= kPathMaxLength;
    if (fits) {
        std::memcpy(path, chosen, length + 1);
    }
    g_free(chosen);
    if (!fits) {
        return MessageCatalogue::kPathTooLong;
    }
    if (kind == FileDialogKind::Save) {
        return SaveRefusal(path);
    }
    const char* refusal = OpenRefusal(path);
    if (refusal == nullptr && firmwarePath != nullptr && IsFirmwareItself(firmwarePath, path)) {
        return MessageCatalogue::kCalibrationIsFirmware;
    }
    return refusal;
}

// Asked here rather than by the dialog, so that a file that may not be written is refused first.
bool ConfirmReplace(const char* path, const char* title) {
    return RunBox(GTK_MESSAGE_QUESTION, MessageCatalogue::kReplaceBoxQuestion, title,
                  "dialog-question", path) == GTK_RESPONSE_YES;
}

// The later dialogs open where the firmware was found, as a user expects after choosing it.
void StartIn(GtkFileChooser* chooser, const char* firmwarePath) {
    if (firmwarePath == nullptr) {
        if (getcwd(CurrentFolder, sizeof CurrentFolder) != nullptr) {
            gtk_file_chooser_set_current_folder(chooser, CurrentFolder);
        }
        return;
    }
    gchar* folder = g_path_get_dirname(firmwarePath);
    gchar* absolute = g_canonicalize_filename(folder, nullptr);
    gtk_file_chooser_set_current_folder(chooser, absolute);
    g_free(absolute);
    g_free(folder);
}

bool Accepts(FileDialogKind kind, const char* path, const char* title) {
    return kind == FileDialogKind::Open || !NamesExistingFile(path) || ConfirmReplace(path, title);
}

}  // namespace

void PickFile(FileDialogKind kind, PathBuffer path, const char* title, const char* firmwarePath) {
    std::memset(path, 0, kPathBufferSize);
    bool open = kind == FileDialogKind::Open;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        title, nullptr, open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE, nullptr,
        nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    StartIn(chooser, firmwarePath);
    while (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        FlushEvents();
        const char* refusal = Refusal(kind, chooser, path, firmwarePath);
        if (refusal == nullptr && Accepts(kind, path, title)) {
            break;
        }
        std::memset(path, 0, kPathBufferSize);
        if (refusal != nullptr) {
            bool tooLong = refusal == MessageCatalogue::kPathTooLong;
            ShowBox(refusal, title, tooLong ? GTK_MESSAGE_ERROR : GTK_MESSAGE_WARNING,
                    tooLong ? "dialog-error" : "dialog-warning");
        }
    }
    g_object_unref(dialog);
    FlushEvents();
}

void ShowInfo(const char* text, const char* caption) {
    ShowBox(text, caption, GTK_MESSAGE_INFO, "dialog-information");
}

void ShowCompletion(std::int32_t /*cutFirmwareSize*/) {
    ShowInfo(MessageCatalogue::kCompletionText, MessageCatalogue::kCompletionCaption);
}

// Through exit, not _exit: the accessibility bridge removes its socket from the user's runtime
// folder at exit. The program itself has nothing to clean up and writes its files unbuffered.
void EndProcess() {
    std::exit(0);
}

// Without a display, as before GTK has one, the text can only go to standard error.
void FatalStop(const char* text, const char* detail) {
    if (gdk_display_get_default() == nullptr) {
        std::fprintf(stderr, "%s: %s%s%s\n", MessageCatalogue::kErrorCaption, text,
                     detail == nullptr ? "" : ": ", detail == nullptr ? "" : detail);
    } else {
        ShowBox(text, MessageCatalogue::kErrorCaption, GTK_MESSAGE_ERROR, "dialog-error", detail);
    }
    std::exit(1);
}
