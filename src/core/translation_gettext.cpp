#include <libintl.h>
#include <limits.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "core/translation.h"

namespace {

constexpr char kDomain[] = "korvane";
// The catalogues lie beside the program as installed, wherever the tree was unpacked.
constexpr char kBesideProgram[] = "/../share/locale";
char CatalogueFolder[PATH_MAX];

// Loaded only once a text needs it, so that a run that shows none spends nothing on it; every
// text is asked for in UTF-8, the encoding of the program's own, so no line mixes two.
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

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? "" : value;
}

// Whether the user's languages, as gettext reads them, name English before Russian, the
// language of the program's own texts; under C or POSIX gettext translates nothing.
bool WantsEnglish() {
    const char* locale = Variable("LC_ALL");
    locale = locale[0] != '\0' ? locale : Variable("LC_MESSAGES");
    locale = locale[0] != '\0' ? locale : Variable("LANG");
    if (locale[0] == '\0' || std::strcmp(locale, "C") == 0 || std::strncmp(locale, "C.", 2) == 0 ||
        std::strcmp(locale, "POSIX") == 0) {
        return false;
    }
    const char* language = Variable("LANGUAGE")[0] != '\0' ? Variable("LANGUAGE") : locale;
    for (; language != nullptr; language = std::strchr(language + 1, ':')) {
        language += *language == ':' ? 1 : 0;
        if (std::strncmp(language, "ru", 2) == 0 || std::strncmp(language, "en", 2) == 0) {
            return language[0] == 'e';
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
