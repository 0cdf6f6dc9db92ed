// felmo: the window of FELMO.
//
//   felmo [--settings FILE] [--output DIR]
//
// --settings uses FILE as the settings file (the command file and the converter's working
// directory move to its folder with it); --output sets the output folder for this run only.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "app/application_setup.hpp"
#include "app/language.hpp"
#include "app/main_window.hpp"
#include "app/qt_front_end.hpp"
#include "app/qt_text_rasterizer.hpp"
#include "app/single_instance.hpp"
#include "app/window_parts.hpp"
#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "studio/studio.hpp"
#include "workspace/paths.hpp"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    felmo::setUpApplication();

    felmo::StudioConfig config;
    config.executablePath =
        felmo::pathFromUtf8(QCoreApplication::applicationFilePath().toStdString());
    config.limits =
        felmo::runLimitsFromEnvironment([](const char* name) { return std::getenv(name); });
    // The language comes first, from the run's settings file, so that even --help speaks it.
    const QString settingsFile = felmo::settingsFileArgument(QCoreApplication::arguments());
    if (!settingsFile.isEmpty())
        config.settingsFile = felmo::pathFromUtf8(settingsFile.toStdString());
    felmo::useWindowLanguage(application, felmo::windowLanguageFor(config));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "felmo::CommandLine", "FELMO: графика включения телефона 176 x 208."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsOption(
        "settings",
        QCoreApplication::translate("felmo::CommandLine", "Использовать FILE как файл настроек."),
        "FILE");
    const QCommandLineOption outputOption(
        "output",
        QCoreApplication::translate("felmo::CommandLine", "Создавать файлы в DIR в этом запуске."),
        "DIR");
    parser.addOption(settingsOption);
    parser.addOption(outputOption);
    parser.process(application);

    if (parser.isSet(outputOption))
        config.outputFolder = felmo::pathFromUtf8(parser.value(outputOption).toStdString());

    felmo::QtTextRasterizer textRasterizer;
    felmo::installTextRasterizer(&textRasterizer);

    felmo::QtFrontEnd frontEnd;
    try {
        felmo::Studio studio(frontEnd, config);
        // A second FELMO (same work tree or same program folder) shows only its message and
        // brings the running one forward.
        studio.FormCreate();
        felmo::SingleInstance instance(felmo::currentWorkDir(),
                                       studio.session().programDirectoryText());
        if (instance.anotherIsRunning()) {
            felmo::installTextRasterizer(nullptr);
            return felmo::refuseSecondStart(instance);
        }
        felmo::MainWindow window(studio);
        frontEnd.setDialogOwner(&window);
        window.setPictureHandOff([&frontEnd](std::optional<std::filesystem::path> file) {
            frontEnd.answerNextPictureWith(file);
        });
        QObject::connect(&instance, &felmo::SingleInstance::comeForwardRequested, &window,
                         [&window] { felmo::bringToFront(window); });
        window.show();
        const int status = QApplication::exec();
        felmo::installTextRasterizer(nullptr);
        return status;
    } catch (const felmo::Error& error) {
        QMessageBox::critical(nullptr, felmo::applicationTitle(),
                              QString::fromStdString(error.what()));
        return 1;
    }
}
