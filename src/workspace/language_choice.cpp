#include "workspace/language_choice.hpp"

#include <cstdlib>

#include "base/utf8_path.hpp"
#include "workspace/paths.hpp"
#include "workspace/settings.hpp"

namespace felmo {

std::filesystem::path settingsFileOfRun(
    const std::optional<std::filesystem::path>& configuredSettingsFile,
    const std::string& executablePath) {
    if (configuredSettingsFile)
        return std::filesystem::absolute(*configuredSettingsFile).lexically_normal();
    if (executablePath.empty())
        return {};
    const ProgramLocation location = findProgramLocation(executableFolderOf(executablePath));
    return settingsFilePath(location.directory);
}

LanguageSetting storedLanguageSetting(const Settings& settings) {
    return parseLanguageSetting(settings.readString(kSettingsSection, setting::Language, "auto"));
}

void storeLanguageSetting(Settings& settings, LanguageSetting setting) {
    settings.writeString(kSettingsSection, setting::Language, languageSettingText(setting));
}

Language languageOfRun(const std::optional<std::filesystem::path>& configuredSettingsFile,
                       const std::string& executablePath, const EnvironmentLookup& lookup) {
    const std::filesystem::path file = settingsFileOfRun(configuredSettingsFile, executablePath);
    const LanguageSetting setting =
        file.empty() ? LanguageSetting::Auto : storedLanguageSetting(Settings(utf8FromPath(file)));
    return resolveLanguage(setting, lookup);
}

Language languageOfRun(const std::optional<std::filesystem::path>& configuredSettingsFile) {
    return languageOfRun(configuredSettingsFile, currentExecutablePath(),
                         [](const char* name) -> const char* { return std::getenv(name); });
}

}  // namespace felmo
