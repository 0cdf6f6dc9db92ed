#include "base/language.hpp"

#include <cstdlib>
#include <string>

#include "base/ascii.hpp"

namespace felmo {
namespace {

// "ru", "ru_RU", "ru_RU.UTF-8", "ru@…": the language part, before any territory, codeset or
// modifier, is "ru".
bool namesRussian(std::string_view locale) {
    const std::size_t end = locale.find_first_of("_.@");
    return toLowerAscii(locale.substr(0, end)) == "ru";
}

// The first non-empty entry of a colon-separated LANGUAGE list.
std::string_view firstListEntry(std::string_view list) {
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        if (!entry.empty())
            return entry;
        if (colon == std::string_view::npos)
            break;
        list.remove_prefix(colon + 1);
    }
    return {};
}

}  // namespace

LanguageSetting parseLanguageSetting(std::string_view text) {
    const std::string value = toLowerAscii(text);
    if (value == "ru")
        return LanguageSetting::Russian;
    if (value == "en")
        return LanguageSetting::English;
    return LanguageSetting::Auto;
}

std::string_view languageSettingText(LanguageSetting setting) {
    switch (setting) {
        case LanguageSetting::Russian:
            return "ru";
        case LanguageSetting::English:
            return "en";
        case LanguageSetting::Auto:
            break;
    }
    return "auto";
}

Language desktopLanguage(const EnvironmentLookup& lookup) {
    std::string_view locale;
    if (const char* list = lookup("LANGUAGE"))
        locale = firstListEntry(list);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!locale.empty())
            break;
        if (const char* value = lookup(name))
            locale = value;
    }
    return namesRussian(locale) ? Language::Russian : Language::English;
}

Language desktopLanguage() {
    return desktopLanguage([](const char* name) -> const char* { return std::getenv(name); });
}

Language resolveLanguage(LanguageSetting setting, const EnvironmentLookup& lookup) {
    switch (setting) {
        case LanguageSetting::Russian:
            return Language::Russian;
        case LanguageSetting::English:
            return Language::English;
        case LanguageSetting::Auto:
            break;
    }
    return desktopLanguage(lookup);
}

}  // namespace felmo
