// Texts in the chosen language: the English catalogue built beside the programs, Russian as the
// source, and sentences whose parts the translation may reorder.
#include "base/translation.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/scoped_environment.hpp"

namespace felmo {
namespace {

const std::filesystem::path kLocaleFolder =
    std::filesystem::path(FELMO_BIN_DIR) / ".." / "share" / "locale";

// A text of the core that the catalogue translates.
constexpr const char* kRussian = "Нет встроенной графики для %1.";

class Translation : public ::testing::Test {
  protected:
    ~Translation() override { useLanguage(Language::Russian, kLocaleFolder); }
    testing::ScopedEnvironment environment;
};

TEST_F(Translation, RussianIsTheSourceText) {
    useLanguage(Language::Russian, kLocaleFolder);
    EXPECT_EQ(currentLanguage(), Language::Russian);
    EXPECT_STREQ(translate(kRussian), kRussian);
}

#if FELMO_NLS
// Whatever the desktop says (a Russian desktop, none, or the bare C locale that ignores the
// LANGUAGE list), the choice wins.
TEST_F(Translation, EnglishComesFromTheCatalogueWhateverTheDesktop) {
    for (const char* lang : {"ru_RU.UTF-8", "C", "POSIX", ""}) {
        environment.set("LANGUAGE", "ru");
        environment.set("LC_ALL", std::nullopt);
        environment.set("LC_MESSAGES", std::nullopt);
        environment.set("LANG", std::string(lang));
        useLanguage(Language::English, kLocaleFolder);
        EXPECT_EQ(currentLanguage(), Language::English);
        EXPECT_EQ(std::string(_(kRussian)), "No built-in graphics for %1.") << "LANG=" << lang;
    }
    useLanguage(Language::Russian, kLocaleFolder);
    EXPECT_STREQ(_(kRussian), kRussian);
}

// The system's own messages (the reason of a file error) read as they always did, whichever
// language is chosen, and are never looked up in a language the process cannot show.
TEST_F(Translation, SystemMessagesStayAsTheyWere) {
    environment.set("LANGUAGE", std::nullopt);
    environment.set("LC_ALL", std::nullopt);
    environment.set("LC_MESSAGES", std::string("ru_RU.UTF-8"));
    const std::string before = std::strerror(ENOENT);
    useLanguage(Language::Russian, kLocaleFolder);
    EXPECT_EQ(std::strerror(ENOENT), before);
    useLanguage(Language::English, kLocaleFolder);
    EXPECT_STREQ(std::strerror(ENOENT), "No such file or directory");
}

TEST_F(Translation, ATextWithoutEnglishStaysRussian) {
    useLanguage(Language::English, kLocaleFolder);
    EXPECT_STREQ(translate("Текст, которого нет в каталоге"), "Текст, которого нет в каталоге");
}

TEST_F(Translation, NumbersKeepTheirFormat) {
    environment.set("LANG", std::string("ru_RU.UTF-8"));
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    useLanguage(Language::English, kLocaleFolder);
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), numeric);
    EXPECT_EQ(formatMessage("%1", 1.5).substr(0, 3), "1.5");
}
#endif

struct Formatted {
    const char* name;
    std::string result;
    std::string expected;
};

class FormatMessage : public ::testing::TestWithParam<Formatted> {};

TEST_P(FormatMessage, PutsThePartsWhereThePatternSays) {
    EXPECT_EQ(GetParam().result, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatMessage,
    ::testing::Values(
        Formatted{"InOrder", formatMessage("Файл %1 пропущен: %2.", "a.mbm", std::string("нет")),
                  "Файл a.mbm пропущен: нет."},
        Formatted{"Reordered", formatMessage("%2 in %1", "folder", "file"), "file in folder"},
        Formatted{"Repeated", formatMessage("%1/%1", "x"), "x/x"},
        Formatted{"Numbers", formatMessage("%1 x %2", 176, 208u), "176 x 208"},
        Formatted{"PercentKept", formatMessage("100% %s %", "x"), "100% %s %"},
        Formatted{"NumberBeyondTheArguments", formatMessage("%1 %2", "a"), "a %2"},
        Formatted{"ArgumentHoldingAPlaceholder", formatMessage("%1 %2", "%2", "b"), "%2 b"},
        Formatted{"NoArguments", formatMessage("%1"), "%1"}),
    [](const ::testing::TestParamInfo<Formatted>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(LocaleFolder, IsBesideTheExecutablesFolder) {
    EXPECT_EQ(localeFolderBeside("/usr/bin/felmo-cli"), std::filesystem::path("/usr/share/locale"));
    EXPECT_EQ(localeFolderBeside("/home/a/build/bin/felmo"),
              std::filesystem::path("/home/a/build/share/locale"));
}

}  // namespace
}  // namespace felmo
