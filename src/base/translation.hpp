// Texts in the language FELMO speaks.
//
// Russian is the program's own language: every text in the code is written in Russian, exactly as
// Russian-speaking users read it, and that text is the key of its translation. English comes from
// the message catalogue of the domain "felmo" (GNU gettext), compiled at build time into
// <prefix>/share/locale/en/LC_MESSAGES/felmo.mo and found beside the executable
// (<executable folder>/../share/locale covers both the build tree and an installation).
//
// Until a front end calls useLanguage, translate() returns its argument: texts stay Russian.
//
// Built without FELMO_NLS (a platform without libintl, such as the mingw build for Windows),
// translate() is the identity and the program speaks Russian whatever was chosen.
//
// Include this header from .cpp files only: it defines the macros _() and N_().
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/language.hpp"
#include "base/text_mark.hpp"

namespace felmo {

// <folder of executablePath>/../share/locale, where the catalogues are built and installed.
std::filesystem::path localeFolderBeside(const std::filesystem::path& executablePath);

// Makes the process speak `language` from now on: binds the domain "felmo" to `localeFolder` in
// UTF-8. For English it also puts "en" first in LANGUAGE and, when the message category is the
// plain C locale (which ignores that list), sets it to C.UTF-8; nothing else of the locale is
// changed (numbers keep their format). For Russian the locale is left as it is.
// Call it after anything that sets the whole locale (a GUI toolkit's start does).
void useLanguage(Language language, const std::filesystem::path& localeFolder);

// The language chosen by the last useLanguage; Russian before any.
Language currentLanguage();

// The text in the current language: the translation of `russianText`, or `russianText` itself
// when it has none or the language is Russian. The result lives as long as the program.
const char* translate(const char* russianText);

namespace detail {
std::string formatPlaceholders(std::string_view pattern, const std::string* arguments,
                               std::size_t count);
inline std::string placeholderText(std::string_view text) {
    return std::string(text);
}
template <typename Number>
requires std::is_arithmetic_v<Number> std::string placeholderText(Number number) {
    return std::to_string(number);
}
}  // namespace detail

// A whole sentence with its parts put in: "%1" … "%9" are replaced by the arguments in that
// order of numbering, wherever the translation puts them. A "%" not followed by the number of a
// given argument stays as it is. Texts, std::string and numbers are accepted.
template <typename... Arguments>
std::string formatMessage(std::string_view pattern, const Arguments&... arguments) {
    const std::string texts[] = {std::string(), detail::placeholderText(arguments)...};
    return detail::formatPlaceholders(pattern, texts + 1, sizeof...(Arguments));
}

}  // namespace felmo

// _("…") translates where the text is shown (N_ of base/text_mark.hpp only marks it).
#define _(russianText) ::felmo::translate(russianText)
