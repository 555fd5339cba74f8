#include <libintl.h>
#include <limits.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "core/translation.h"

namespace {

constexpr char kDomain[] = "korvane";
// Where the catalogues lie beside the program as installed: bin/../share/locale, wherever the
// tree was unpacked; the install folder where the program cannot be found.
constexpr char kBesideProgram[] = "/../share/locale";
char CatalogueFolder[PATH_MAX];

// The locale is loaded only once a text of the system or of the catalogue needs it, so that a run
// that needs neither spends nothing on it. Both kinds of text are asked for in UTF-8, the encoding
// of the program's own, so that no line mixes two encodings.
void LoadLocale() {
    static bool loaded = false;
    if (!loaded) {
        std::setlocale(LC_ALL, "");
        bind_textdomain_codeset("libc", "UTF-8");
        loaded = true;
    }
}

const char* FindCatalogues() {
    ssize_t length =
        readlink("/proc/self/exe", CatalogueFolder, sizeof CatalogueFolder - sizeof kBesideProgram);
    CatalogueFolder[length > 0 ? length : 0] = '\0';
    char* slash = std::strrchr(CatalogueFolder, '/');
    if (slash == nullptr) {
        return KORVANE_LOCALE_FOLDER;
    }
    std::memcpy(slash, kBesideProgram, sizeof kBesideProgram);
    return CatalogueFolder;
}

const char* FirstSet(const char* const (&names)[3]) {
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "";
}

// Whether the user's languages, as gettext reads them, put English before Russian, the language
// of the program's own texts. Under C or POSIX gettext translates nothing, LANGUAGE or not.
bool WantsEnglish() {
    const char* locale = FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
    if (locale[0] == '\0' || std::strcmp(locale, "C") == 0 || std::strncmp(locale, "C.", 2) == 0 ||
        std::strcmp(locale, "POSIX") == 0) {
        return false;
    }
    const char* languages = std::getenv("LANGUAGE");
    const char* language = languages != nullptr && languages[0] != '\0' ? languages : locale;
    for (; language != nullptr && *language != '\0'; language = std::strchr(language, ':')) {
        language += *language == ':' ? 1 : 0;
        if (std::strncmp(language, "ru", 2) == 0) {
            return false;
        }
        if (std::strncmp(language, "en", 2) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

const char* Tr(const char* text) {
    static int translates = -1;
    if (translates < 0) {
        translates = WantsEnglish() ? 1 : 0;
        if (translates != 0) {
            LoadLocale();
            bindtextdomain(kDomain, FindCatalogues());
            bind_textdomain_codeset(kDomain, "UTF-8");
        }
    }
    return translates != 0 ? dgettext(kDomain, text) : text;
}

const char* SystemReason(int error) {
    if (error == 0) {
        return nullptr;
    }
    LoadLocale();
    return std::strerror(error);
}
