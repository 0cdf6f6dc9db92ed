// The language the windows speak, chosen once before any widget exists. Russian is the windows'
// own text; English comes from the program's catalogue felmo_en.qm, looked for beside the program
// and then in <prefix>/share/felmo/translations.
#pragma once

#include <QString>
#include <QStringList>

#include "base/language.hpp"

class QApplication;

namespace felmo {

struct StudioConfig;

// The FILE of "--settings FILE" or "--settings=FILE" among the program's arguments (the last one
// given), empty when there is none. Read before the command line is parsed in full, so that the
// language of --help is already the run's.
QString settingsFileArgument(const QStringList& arguments);

// The language of this run: the Language key of the settings file it will open, "auto" (or no
// key) following the desktop.
Language windowLanguageFor(const StudioConfig& config);

// The folders searched for the windows' catalogue, in order: the program's own folder, then
// <prefix>/share/felmo/translations beside it, then the one it was installed to.
QStringList windowTranslationFolders();

// Makes `language` the language of the windows and of the core: English loads the windows'
// English catalogue and none of Qt's Russian ones, so the stock dialogs speak English too;
// Russian keeps the windows' own texts and installs Qt's Russian catalogues and the Russian
// locale. Returns false when English was asked for and its catalogue was not found: the windows
// then keep their Russian (the core still speaks English).
bool useWindowLanguage(QApplication& application, Language language);

}  // namespace felmo
