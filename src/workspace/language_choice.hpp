// The language of a run, decided before a front end shows anything: the `Language` key of the
// settings file the run will use (the one the Studio opens: --settings FILE, or Settings.ini of
// the program directory), with "auto", a missing key or file and an unknown value meaning the
// desktop's language. Reading creates nothing.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/language.hpp"

namespace felmo {

class Settings;

// The settings file a run will open: `configuredSettingsFile` made absolute when given, otherwise
// Settings.ini of the program directory of `executablePath` (portable copy or per-user folder).
std::filesystem::path settingsFileOfRun(
    const std::optional<std::filesystem::path>& configuredSettingsFile,
    const std::string& executablePath);

// The stored value of the `Language` key; Auto when absent or not one of "auto", "ru", "en".
LanguageSetting storedLanguageSetting(const Settings& settings);
// Stores `setting` under `Language` (only when the user changes it). Throws felmo::Error as
// every settings write does.
void storeLanguageSetting(Settings& settings, LanguageSetting setting);

// The language of a run: the stored setting of its settings file, Auto resolved by `lookup`.
Language languageOfRun(const std::optional<std::filesystem::path>& configuredSettingsFile,
                       const std::string& executablePath, const EnvironmentLookup& lookup);
// The same with this process's executable and environment.
Language languageOfRun(const std::optional<std::filesystem::path>& configuredSettingsFile);

}  // namespace felmo
