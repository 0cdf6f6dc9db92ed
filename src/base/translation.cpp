#include "base/translation.hpp"

#include <atomic>
#include <clocale>
#include <cstdlib>

#if FELMO_NLS
#include <libintl.h>
#endif

namespace felmo {
namespace {

constexpr const char* kDomain = "felmo";

std::atomic<Language> chosenLanguage{Language::Russian};

#if FELMO_NLS
bool isPlainCLocale(const char* name) {
    return name == nullptr || std::string_view(name) == "C" || std::string_view(name) == "POSIX";
}
#endif

}  // namespace

std::filesystem::path localeFolderBeside(const std::filesystem::path& executablePath) {
    return (executablePath.parent_path() / ".." / "share" / "locale").lexically_normal();
}

void useLanguage(Language language, const std::filesystem::path& localeFolder) {
#if FELMO_NLS
    ::bindtextdomain(kDomain, localeFolder.c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    // Russian needs no catalogue, so the process's locale stays as it was: the system's own
    // messages (a file error's reason) read exactly as before. English asks for "en" first;
    // the plain C locale ignores that list, C.UTF-8 honours it. Only the message category is
    // touched, never the whole locale: numbers keep their format, and the system's messages are
    // not looked up in a language whose letters the character category cannot show.
    if (language == Language::English) {
        ::setenv("LANGUAGE", "en", 1);
        if (isPlainCLocale(std::setlocale(LC_MESSAGES, nullptr)))
            std::setlocale(LC_MESSAGES, "C.UTF-8");
        // Setting the default domain again tells the C library that lookups made under the
        // earlier LANGUAGE are stale.
        ::textdomain(::textdomain(nullptr));
    }
#else
    (void)localeFolder;
#endif
    chosenLanguage = language;
}

Language currentLanguage() {
    return chosenLanguage;
}

const char* translate(const char* russianText) {
#if FELMO_NLS
    if (chosenLanguage == Language::English)
        return ::dgettext(kDomain, russianText);
#endif
    return russianText;
}

namespace detail {

std::string formatPlaceholders(std::string_view pattern, const std::string* arguments,
                               std::size_t count) {
    std::string result;
    result.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const auto number = static_cast<std::size_t>(pattern[i + 1] - '0');
            if (number <= count) {
                result += arguments[number - 1];
                ++i;
                continue;
            }
        }
        result += pattern[i];
    }
    return result;
}

}  // namespace detail

}  // namespace felmo
