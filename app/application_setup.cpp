#include "app/application_setup.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/emblem.hpp"
#include "base/version.hpp"

namespace felmo {

void setUpApplication() {
    QApplication::setApplicationName("felmo");
    QApplication::setApplicationVersion(QString::fromStdString(captionVersion()));
    QApplication::setDesktopFileName("felmo");
    QApplication::setWindowIcon(felmoIcon());
}

QTranslator* installRussianTranslations(QApplication& application) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    auto* translator = new QTranslator(&application);
    // "qt_ru" pulls in the per-module catalogues (qtbase_ru for the widgets' dialogs).
    if (!translator->load(russian, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

}  // namespace felmo
