// Which language FELMO speaks: Russian, the program's own, or English. The choice is the settings
// key `Language` ("auto", "ru" or "en"); "auto" follows the desktop.
#pragma once

#include <functional>
#include <string_view>

namespace felmo {

enum class Language { Russian, English };

// The settings key `Language`: "auto" (the desktop's language), "ru" or "en".
enum class LanguageSetting { Auto, Russian, English };

// "auto", "ru" or "en" in any letter case; anything else counts as Auto.
LanguageSetting parseLanguageSetting(std::string_view text);
// The text stored for `setting`: "auto", "ru" or "en".
std::string_view languageSettingText(LanguageSetting setting);

// Looks a variable up in an environment: its value, or nullptr when it is not set (as getenv).
using EnvironmentLookup = std::function<const char*(const char*)>;

// The language of the desktop's messages, by the usual POSIX order: the first non-empty entry of
// LANGUAGE (a colon-separated list), else the first of LC_ALL, LC_MESSAGES, LANG that is set and
// not empty. Russian when that names Russian ("ru", "ru_RU", "ru_RU.UTF-8", "ru_UA@..."), English
// for every other language, for "C" and "POSIX", and when nothing is set.
Language desktopLanguage(const EnvironmentLookup& lookup);
// desktopLanguage of this process's environment.
Language desktopLanguage();

// The setting made concrete: Auto becomes the desktop's language.
Language resolveLanguage(LanguageSetting setting, const EnvironmentLookup& lookup);

}  // namespace felmo
