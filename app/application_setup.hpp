// What the program sets on its application object before any window exists: its names, its icon
// and, when it speaks Russian, Qt's own Russian translations, so the stock dialogs and buttons
// speak the program's language whatever the system's language is (app/language.hpp chooses).
#pragma once

class QApplication;
class QTranslator;

namespace felmo {

// Names the application "felmo" (the window class, which ties its windows to the desktop entry
// named "Создание тем", in English "Theme Maker") without a display name, so window titles are
// exactly the windows' captions; sets the icon.
void setUpApplication();

// Installs Qt's Russian translations into `application` and makes Russian the default locale
// (sizes and dates in the file dialog). Returns the installed translator (owned by
// `application`), or nullptr when the translations are not installed: the stock dialogs then stay
// in English and nothing else changes.
QTranslator* installRussianTranslations(QApplication& application);

}  // namespace felmo
