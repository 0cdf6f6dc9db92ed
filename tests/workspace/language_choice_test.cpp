// The language of a run, read from the settings file it will use before anything is shown.
#include "workspace/language_choice.hpp"

#include <gtest/gtest.h>

#include <string>

#include "support/scoped_environment.hpp"
#include "text_files.hpp"
#include "workspace/settings.hpp"

namespace felmo {
namespace {

using testing::exists;
using testing::TemporaryFolder;
using testing::writeText;

const EnvironmentLookup kRussianDesktop = [](const char* name) -> const char* {
    return std::string(name) == "LANG" ? "ru_RU.UTF-8" : nullptr;
};
const EnvironmentLookup kEnglishDesktop = [](const char* name) -> const char* {
    return std::string(name) == "LANG" ? "en_US.UTF-8" : nullptr;
};

struct Stored {
    const char* name;
    const char* fileText;  // nullptr: no settings file
    Language onRussianDesktop;
    Language onEnglishDesktop;
};

class LanguageOfRun : public ::testing::TestWithParam<Stored> {};

TEST_P(LanguageOfRun, TheSettingOverridesTheDesktop) {
    TemporaryFolder folder;
    const std::string settings = folder / "Settings.ini";
    if (GetParam().fileText)
        writeText(settings, GetParam().fileText);
    EXPECT_EQ(languageOfRun(std::filesystem::path(settings), "", kRussianDesktop),
              GetParam().onRussianDesktop);
    EXPECT_EQ(languageOfRun(std::filesystem::path(settings), "", kEnglishDesktop),
              GetParam().onEnglishDesktop);
    EXPECT_EQ(exists(settings), GetParam().fileText != nullptr);  // reading made nothing
}

constexpr Language ru = Language::Russian;
constexpr Language en = Language::English;

INSTANTIATE_TEST_SUITE_P(Files, LanguageOfRun,
                         ::testing::Values(Stored{"NoFile", nullptr, ru, en},
                                           Stored{"NoKey", "[FELMO]\r\nX1=10\r\n", ru, en},
                                           Stored{"Auto", "[FELMO]\r\nLanguage=auto\r\n", ru, en},
                                           Stored{"English", "[FELMO]\r\nLanguage=en\r\n", en, en},
                                           Stored{"Russian", "[FELMO]\nlanguage = RU\n", ru, ru},
                                           Stored{"Unknown", "[FELMO]\nLanguage=fr\n", ru, en},
                                           Stored{"OtherSection", "[Other]\nLanguage=en\n", ru,
                                                  en}),
                         [](const ::testing::TestParamInfo<Stored>& testCase) {
                             return std::string(testCase.param.name);
                         });

TEST(LanguageChoice, InstalledProgramReadsThePerUserSettingsWithoutMakingTheFolder) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the XDG folders of a POSIX desktop";
    TemporaryFolder folder;
    testing::ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", folder / "config");
    EXPECT_EQ(settingsFileOfRun(std::nullopt, "/usr/bin/felmo-cli"),
              std::filesystem::path(folder / "config/felmo/Settings.ini"));
    EXPECT_EQ(languageOfRun(std::nullopt, "/usr/bin/felmo-cli", kRussianDesktop), ru);
    EXPECT_FALSE(exists(folder / "config"));

    writeText(folder / "config/felmo/Settings.ini", "[FELMO]\nLanguage=en\n");
    EXPECT_EQ(languageOfRun(std::nullopt, "/usr/bin/felmo-cli", kRussianDesktop), en);
}

TEST(LanguageChoice, StoringKeepsTheOtherKeys) {
    TemporaryFolder folder;
    writeText(folder / "Settings.ini", "[FELMO]\r\nX1=10\r\n");
    Settings settings(folder / "Settings.ini");
    storeLanguageSetting(settings, LanguageSetting::English);
    EXPECT_EQ(storedLanguageSetting(settings), LanguageSetting::English);
    EXPECT_EQ(settings.readInteger(kSettingsSection, setting::X1.key, 0), 10);
    storeLanguageSetting(settings, LanguageSetting::Auto);
    EXPECT_EQ(settings.readString(kSettingsSection, setting::Language, ""), "auto");
}

}  // namespace
}  // namespace felmo
