#include "app/language.hpp"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>

#include "app/application_setup.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "studio/session.hpp"
#include "workspace/language_choice.hpp"

namespace felmo {
namespace {

const QString kSettingsOption = QStringLiteral("--settings");
// The object name of the translators useWindowLanguage installs.
const QString kWindowTranslator = QStringLiteral("felmo-window-language");

}  // namespace

QString settingsFileArgument(const QStringList& arguments) {
    QString file;
    // arguments[0] is the program; "--" ends the options.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--"))
            break;
        if (argument == kSettingsOption && i + 1 < arguments.size()) {
            file = arguments[++i];
        } else if (argument.startsWith(kSettingsOption + '=')) {
            file = argument.mid(kSettingsOption.size() + 1);
        }
    }
    return file;
}

Language windowLanguageFor(const StudioConfig& config) {
    return languageOfRun(config.settingsFile, utf8FromPath(config.executablePath),
                         [](const char* name) { return std::getenv(name); });
}

QStringList windowTranslationFolders() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList folders = {programDir.path(),
                           QDir::cleanPath(programDir.filePath("../share/felmo/translations"))};
#ifdef FELMO_TRANSLATIONS_DIR
    const QString installed = QStringLiteral(FELMO_TRANSLATIONS_DIR);
    if (!folders.contains(installed))
        folders << installed;
#endif
    return folders;
}

bool useWindowLanguage(QApplication& application, Language language) {
    // A later choice replaces an earlier one (the tests speak both languages in one run).
    for (QTranslator* earlier :
         application.findChildren<QTranslator*>(kWindowTranslator, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(earlier);
        delete earlier;
    }
    QLocale::setDefault(QLocale::system());
    const std::filesystem::path program =
        pathFromUtf8(QCoreApplication::applicationFilePath().toStdString());
    useLanguage(language, localeFolderBeside(program));
    if (language == Language::Russian) {
        if (QTranslator* qt = installRussianTranslations(application))
            qt->setObjectName(kWindowTranslator);
        return true;
    }
    // Dates and sizes in the file dialog follow the desktop, unless it is Russian.
    if (QLocale::system().language() == QLocale::Russian)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    auto* translator = new QTranslator(&application);
    translator->setObjectName(kWindowTranslator);
    for (const QString& folder : windowTranslationFolders()) {
        if (translator->load(QStringLiteral("felmo_en"), folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
    }
    delete translator;
    return false;
}

}  // namespace felmo
