// The language chosen from the desktop's environment and from the Language setting.
#include "base/language.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace felmo {
namespace {

struct Desktop {
    const char* name;
    std::map<std::string, std::string> environment;
    Language expected;
};

class DesktopLanguage : public testing::TestWithParam<Desktop> {};

TEST_P(DesktopLanguage, FollowsTheMessageLocaleOrder) {
    const std::map<std::string, std::string>& environment = GetParam().environment;
    const EnvironmentLookup lookup = [&](const char* name) -> const char* {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(desktopLanguage(lookup), GetParam().expected);
}

constexpr Language ru = Language::Russian;
constexpr Language en = Language::English;

INSTANTIATE_TEST_SUITE_P(
    Environments, DesktopLanguage,
    testing::Values(
        Desktop{"NothingSet", {}, en}, Desktop{"LangRussian", {{"LANG", "ru_RU.UTF-8"}}, ru},
        Desktop{"LangBareRu", {{"LANG", "ru"}}, ru},
        Desktop{"LangUkrainianRussian", {{"LANG", "ru_UA@euro"}}, ru},
        Desktop{"LangCapitalised", {{"LANG", "RU_RU.utf8"}}, ru},
        Desktop{"LangEnglish", {{"LANG", "en_US.UTF-8"}}, en},
        Desktop{"LangGerman", {{"LANG", "de_DE.UTF-8"}}, en}, Desktop{"LangC", {{"LANG", "C"}}, en},
        Desktop{"LangPosix", {{"LANG", "POSIX"}}, en},
        Desktop{"NotRussianThoughItStartsSo", {{"LANG", "rue_UA"}}, en},
        Desktop{"LcAllOverLang", {{"LC_ALL", "en_GB.UTF-8"}, {"LANG", "ru_RU.UTF-8"}}, en},
        Desktop{"LcMessagesOverLang", {{"LC_MESSAGES", "ru_RU.UTF-8"}, {"LANG", "C"}}, ru},
        Desktop{"LcAllOverLcMessages", {{"LC_ALL", "ru_RU"}, {"LC_MESSAGES", "en_US"}}, ru},
        Desktop{"EmptyLcAllSkipped", {{"LC_ALL", ""}, {"LANG", "ru_RU.UTF-8"}}, ru},
        Desktop{"LanguageOverEverything", {{"LANGUAGE", "ru:en"}, {"LC_ALL", "en_US.UTF-8"}}, ru},
        Desktop{"LanguageFirstEntryOnly", {{"LANGUAGE", "de:ru"}, {"LANG", "ru_RU.UTF-8"}}, en},
        Desktop{"LanguageEmptyEntriesSkipped", {{"LANGUAGE", "::ru_RU"}, {"LANG", "C"}}, ru},
        Desktop{"LanguageEmptyFallsThrough", {{"LANGUAGE", ""}, {"LANG", "ru_RU.UTF-8"}}, ru},
        Desktop{"LanguageOnlyColons", {{"LANGUAGE", ":"}, {"LANG", "en_US.UTF-8"}}, en}),
    [](const testing::TestParamInfo<Desktop>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(LanguageSetting, ReadsAutoRuEnAndTakesAnythingElseAsAuto) {
    EXPECT_EQ(parseLanguageSetting("ru"), LanguageSetting::Russian);
    EXPECT_EQ(parseLanguageSetting("EN"), LanguageSetting::English);
    EXPECT_EQ(parseLanguageSetting("auto"), LanguageSetting::Auto);
    for (const char* unknown : {"", "russian", "ru_RU", "de", " en"})
        EXPECT_EQ(parseLanguageSetting(unknown), LanguageSetting::Auto) << unknown;
    for (LanguageSetting setting :
         {LanguageSetting::Auto, LanguageSetting::Russian, LanguageSetting::English})
        EXPECT_EQ(parseLanguageSetting(languageSettingText(setting)), setting);
}

TEST(LanguageSetting, OnlyAutoAsksTheDesktop) {
    const EnvironmentLookup russianDesktop = [](const char* name) -> const char* {
        return std::string(name) == "LANG" ? "ru_RU.UTF-8" : nullptr;
    };
    EXPECT_EQ(resolveLanguage(LanguageSetting::Auto, russianDesktop), ru);
    EXPECT_EQ(resolveLanguage(LanguageSetting::English, russianDesktop), en);
    const EnvironmentLookup bare = [](const char*) -> const char* { return nullptr; };
    EXPECT_EQ(resolveLanguage(LanguageSetting::Russian, bare), ru);
    EXPECT_EQ(resolveLanguage(LanguageSetting::Auto, bare), en);
}

}  // namespace
}  // namespace felmo
