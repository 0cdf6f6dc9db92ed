// The program speaks Russian, and so do Qt's stock dialogs and buttons: Qt's own Russian
// translations are loaded whatever the system's language is.
#pragma once

class QCoreApplication;

namespace felmo {

// Installs Qt's Russian translations into `application` and makes Russian the default locale
// (sizes and dates in the file dialog). Returns false when the translations are not installed;
// the stock dialogs then stay in English and nothing else changes.
bool installRussianTranslations(QCoreApplication& application);

}  // namespace felmo
