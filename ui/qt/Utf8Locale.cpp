#include "Utf8Locale.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <string>
#include <strings.h>

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

void useUtf8CharactersWhenUnset() {
    // The locale the environment asks for, as Qt applies it.
    if (std::setlocale(LC_ALL, "") == nullptr) {
        // It names a locale this system lacks, so the C library keeps the
        // plain C locale: the same in UTF-8 for every category.
        if (std::setlocale(LC_ALL, "C.UTF-8") != nullptr) {
            setenv("LC_ALL", "C.UTF-8", 1);
        }
        return;
    }
    const char* codeset = nl_langinfo(CODESET);
    if (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0) {
        return;
    }
    // The same language in UTF-8 (de_DE.ISO-8859-1@euro gives
    // de_DE.UTF-8@euro), else C.UTF-8, as Qt would choose.
    const std::string current = std::setlocale(LC_CTYPE, nullptr);
    const std::size_t end = current.find_first_of(".@");
    const std::size_t at = current.find('@');
    const std::string sameLanguage =
        current.substr(0, end) + ".UTF-8" + (at == std::string::npos ? "" : current.substr(at));
    for (const std::string& candidate : {sameLanguage, std::string("C.UTF-8")}) {
        if (std::setlocale(LC_CTYPE, candidate.c_str()) != nullptr) {
            // LC_ALL outranks LC_CTYPE: where it is set, it is what changes.
            setenv(isSet("LC_ALL") ? "LC_ALL" : "LC_CTYPE", candidate.c_str(), 1);
            return;
        }
    }
}

#else

// Elsewhere Qt does not depend on the C library's locale.
void useUtf8CharactersWhenUnset() {}

#endif
