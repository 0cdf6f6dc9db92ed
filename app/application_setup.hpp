// What the program sets on its application object before any window exists: its names, its icon
// and Qt's own Russian translations, so the stock dialogs and buttons speak the program's language
// whatever the system's language is.
#pragma once

class QApplication;

namespace felmo {

// Names the application "felmo" (the window class, which ties its windows to the desktop entry
// named "Создание тем") without a display name, so window titles are exactly the windows'
// captions; sets the icon and installs the translations.
void setUpApplication(QApplication& application);

// Installs Qt's Russian translations into `application` and makes Russian the default locale
// (sizes and dates in the file dialog). Returns false when the translations are not installed;
// the stock dialogs then stay in English and nothing else changes.
bool installRussianTranslations(QApplication& application);

}  // namespace felmo
