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
    // LANGUAGE first: the message category set below then looks exactly our choice up.
    ::setenv("LANGUAGE", language == Language::English ? "en" : "ru", 1);
    const char* messages = std::setlocale(LC_MESSAGES, "");
    // In the plain C locale the C library ignores LANGUAGE; C.UTF-8 honours it.
    if (isPlainCLocale(messages))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    ::bindtextdomain(kDomain, localeFolder.c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
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
