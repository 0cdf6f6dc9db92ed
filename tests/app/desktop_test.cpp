// The window on a desktop: the stored position comes back as the same place whatever frame the
// window system draws, a title bar off every screen is brought back, titles are exactly the
// captions, Qt's dialogs speak Russian, a second start shows only its message and brings the
// running window forward, and the picture dialog leaves no completion list behind.
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <memory>

#include "app/about_window.hpp"
#include "app/application_setup.hpp"
#include "app/overlay_window.hpp"
#include "app/qt_front_end.hpp"
#include "app/settings_window.hpp"
#include "app/single_instance.hpp"
#include "app/window_parts.hpp"
#include "app/window_placement.hpp"
#include "test_support.hpp"
#include "workspace/paths.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

void writeSettings(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << "[FELMO]\r\n" << text;
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { setUpApplication(*qApp); }

    void titleBarOffEveryScreenIsBroughtBack_data() {
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QPoint>("placed");
        const QRect single(0, 0, 1280, 800);
        const QList<QRect> one = {single};
        // Two screens side by side, the right one lower and smaller.
        const QList<QRect> two = {single, QRect(1280, 200, 1024, 600)};
        QTest::newRow("designed place") << QPoint(215, 111) << one << QPoint(215, 111);
        QTest::newRow("top-left corner") << QPoint(0, 0) << one << QPoint(0, 0);
        QTest::newRow("partly off the right edge, grip left")
            << QPoint(1280 - 64, 300) << one << QPoint(1280 - 64, 300);
        QTest::newRow("body below the bottom, title bar on screen")
            << QPoint(100, 800 - 24) << one << QPoint(100, 800 - 24);
        QTest::newRow("title bar above the top") << QPoint(208, -29) << one << QPoint(208, 0);
        QTest::newRow("title bar cut by the bottom")
            << QPoint(100, 800 - 23) << one << QPoint(100, 800 - 360);
        QTest::newRow("too little of it on the right")
            << QPoint(1280 - 63, 300) << one << QPoint(1280 - 750, 300);
        QTest::newRow("far left") << QPoint(-5000, 100) << one << QPoint(0, 100);
        QTest::newRow("on the second screen") << QPoint(1500, 300) << two << QPoint(1500, 300);
        QTest::newRow("above the lower second screen")
            << QPoint(1500, 100) << two << QPoint(1500, 200);
        QTest::newRow("beyond the second screen")
            << QPoint(4000, 300) << two << QPoint(2304 - 750, 300);
        QTest::newRow("no screen at all")
            << QPoint(-900, -900) << QList<QRect>() << QPoint(-900, -900);
    }
    void titleBarOffEveryScreenIsBroughtBack() {
        QFETCH(QPoint, stored);
        QFETCH(QList<QRect>, screens);
        QFETCH(QPoint, placed);
        QCOMPARE(reachablePosition(stored, QSize(750, 360), screens), placed);
    }

    void storedPositionComesBackAsTheSamePlaceStartAfterStart() {
        testing::Sandbox sandbox;
        writeSettings(sandbox.settingsFile(), "X1=215\r\nY1=111\r\n");
        for (int run = 0; run < 3; ++run) {
            testing::RecordingFrontEnd frontEnd;
            Studio studio(frontEnd, sandbox.config());
            MainWindow window(studio);
            window.setStartUpWhenShown(false);
            window.show();
            // The platform frames the window (2 pixels each side); like some window managers,
            // it now maps the client area, not the frame, at the stored point.
            window.windowHandle()->setPosition(QPoint(215, 111));
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.frameGeometry() != window.geometry());
            QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(215, 111));
            QVERIFY(window.close());
            const std::string ini = testing::readText(sandbox.settingsFile());
            QVERIFY2(ini.find("X1=215") != std::string::npos, ini.c_str());
            QVERIFY2(ini.find("Y1=111") != std::string::npos, ini.c_str());
        }
    }

    void titlesAreExactlyTheCaptions() {
        // Nothing is appended to a window's title by the application.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
        testing::WindowRig rig;
        const std::pair<QWidget*, QString> windows[] = {
            {rig.window.get(), "FELMO версия 1.06"},
            {rig.window->aboutWindow(), "FELMO версия 1.06"},
            {rig.window->settingsWindow(), "FELMO версия 1.06   (настройки)"},
            {rig.window->overlayWindow(),
             "FELMO версия 1.06   (настройка накладываемого рисунка на EidPic)"},
        };
        for (const auto& [window, title] : windows) {
            window->winId();
            QCOMPARE(window->windowHandle()->title(), title);
        }
    }

    void stockDialogsSpeakRussian() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
        QCOMPARE(QCoreApplication::translate("QColorDialog", "Select Color"),
                 QString("Выбор цвета"));
        QCOMPARE(QLocale().language(), QLocale::Russian);
    }

    void secondStartAsksTheRunningOneForwardAndShowsOnlyItsMessage() {
        testing::Sandbox sandbox;
        const std::string workDir = currentWorkDir();
        SingleInstance first(workDir);
        QVERIFY(!first.anotherIsRunning());
        QVERIFY(first.listening());
        QSignalSpy forward(&first, &SingleInstance::comeForwardRequested);
        // The running FELMO's start-up sequence holds the work folder.
        const WorkDirLock running(workDir);

        SingleInstance second(workDir);
        QVERIFY(second.anotherIsRunning());
        QVERIFY(!second.listening());
        QString message;
        testing::withModalWindow([&] { QCOMPARE(refuseSecondStart(second), 1); },
                                 [&](QWidget* modal) {
                                     auto* box = qobject_cast<QMessageBox*>(modal);
                                     QVERIFY(box != nullptr);
                                     message = box->text();
                                     for (QWidget* window : QApplication::topLevelWidgets())
                                         QVERIFY(!window->isVisible() || window == modal);
                                 });
        QCOMPARE(message, QString("Программа FELMO уже запущена."));
        QTRY_COMPARE(forward.count(), 1);
    }

    void startWithTheFolderFreeClearsALeftOverSocket() {
        testing::Sandbox sandbox;
        const std::string workDir = currentWorkDir();
        prepareWorkDir(workDir);
        // What a FELMO that ended abnormally leaves: a file where the socket goes.
        std::ofstream(workDir + "/felmo.socket") << "stale";
        SingleInstance start(workDir);
        QVERIFY(!start.anotherIsRunning());
        QVERIFY(start.listening());
    }

    void acceptedPictureDialogLeavesNoCompletionList() {
        testing::Sandbox sandbox;
        for (const char* name : {"sunrise.jpg", "sunset.jpg"})
            std::ofstream(sandbox.root() / name) << "x";
        QWidget owner;
        QtFrontEnd frontEnd;
        frontEnd.setDialogOwner(&owner);
        QFileDialog& dialog = frontEnd.pictureDialog();
        dialog.setDirectory(QString::fromStdString(sandbox.root().string()));
        QAbstractItemView* popup = nullptr;
        QTimer::singleShot(0, [&] {
            auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(edit != nullptr && edit->completer() != nullptr);
            popup = edit->completer()->popup();
            dialog.activateWindow();
            edit->setFocus();
            QTRY_VERIFY(edit->hasFocus());
            QTest::keyClicks(edit, "sun");
            // The folder is read in the background; the list opens once its names are known.
            QTRY_VERIFY_WITH_TIMEOUT((edit->completer()->complete(), popup->isVisible()), 5000);
            QTest::keyClicks(popup, "set.jpg");
            QTRY_VERIFY(popup->isVisible());
            // Return goes to the open list first, as the user's key press would.
            QWidget* target = QApplication::activePopupWidget();
            QTest::keyClick(target != nullptr ? target : edit, Qt::Key_Return);
            if (dialog.isVisible())
                QTest::keyClick(edit, Qt::Key_Return);
        });
        const auto chosen = frontEnd.choosePicture();
        QVERIFY(chosen.has_value());
        QCOMPARE(chosen->filename().string(), std::string("sunset.jpg"));
        QVERIFY(popup != nullptr);
        QVERIFY(!popup->isVisible());
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::DesktopTest)
#include "desktop_test.moc"
