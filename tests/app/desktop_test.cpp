// The window on a desktop: the stored position comes back as the same place whatever frame the
// window system draws, a title bar off every screen is brought back, titles are exactly the
// captions, Qt's dialogs speak Russian, a second start shows only its message and brings the
// running window forward, and the picture dialog leaves no completion list behind.
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <memory>

#include "app/about_window.hpp"
#include "app/application_setup.hpp"
#include "app/language.hpp"
#include "app/overlay_window.hpp"
#include "app/picture_panel.hpp"
#include "app/qt_front_end.hpp"
#include "app/settings_window.hpp"
#include "app/single_instance.hpp"
#include "app/window_parts.hpp"
#include "app/window_placement.hpp"
#include "effects/effect_table.hpp"
#include "test_support.hpp"
#include "workspace/paths.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

const fs::path kConverter = fs::path(FELMO_BIN_DIR) / "bmconv";
constexpr int kPipelineTimeoutMs = 60000;

// A main window whose start-up sequence has run, with dropped files handed to its front end.
struct StartedRig : testing::WindowRig {
    StartedRig()
        : WindowRig([](WindowRig&, StudioConfig& config) { config.converterPath = kConverter; }) {
        window->setPictureHandOff(
            [this](std::optional<fs::path> file) { frontEnd.picture = std::move(file); });
        window->show();
        if (!QTest::qWaitFor([&] { return studio->formActivated() && !studio->build().running(); },
                             kPipelineTimeoutMs))
            qWarning("the start-up pipeline did not finish");
    }
    PicturePanel* panel(const char* name) const {
        return window->centralWidget()->findChild<PicturePanel*>(name);
    }
};

// Drags `file` onto the middle of `panel` and drops it there; returns whether the panel took it.
bool dropOn(PicturePanel* panel, const fs::path& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    const QPoint middle = panel->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &enter);
    if (!enter.isAccepted() || !panel->dropHighlighted())
        return false;
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &drop);
    return drop.isAccepted() && !panel->dropHighlighted();
}

fs::path flatPicture(const fs::path& folder, const char* name, Color colour) {
    Raster picture(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, colour);
    const fs::path file = folder / name;
    saveBmpFile(picture, file);
    return file;
}

QRgb asQRgb(Color colour) {
    return qRgb(redOf(colour), greenOf(colour), blueOf(colour));
}

void writeSettings(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << "[FELMO]\r\n" << text;
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        setUpApplication();
        useWindowLanguage(*qApp, Language::Russian);
    }

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
        const std::string programDir = sandbox.program().string();
        SingleInstance first(workDir, programDir);
        QVERIFY(!first.anotherIsRunning());
        QVERIFY(first.listening());
        QSignalSpy forward(&first, &SingleInstance::comeForwardRequested);
        // The running FELMO's start-up sequence holds the work folder.
        const WorkDirLock running(workDir);

        SingleInstance second(workDir, programDir);
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
        QCOMPARE(message, second.refusal());
        QVERIFY2(message.startsWith("Программа FELMO уже запущена."), qPrintable(message));
        QTRY_COMPARE(forward.count(), 1);
    }

    void startSharingTheProgramFolderOfARunningOneIsRefusedToo() {
        testing::Sandbox sandbox;
        const std::string programDir = sandbox.program().string();
        // The running FELMO works in another work tree (another TMPDIR) but in this folder.
        const ProgramDirectoryLock running(programDir);
        SingleInstance second(currentWorkDir(), programDir);
        QVERIFY(second.anotherIsRunning());
        QVERIFY2(second.refusal().startsWith("Программа FELMO уже запущена.") &&
                     second.refusal().contains(QString::fromStdString(programDir)),
                 qPrintable(second.refusal()));
        // Its window cannot be reached; the refusal still only says so.
        QVERIFY(!second.askRunningToComeForward(100));
    }

    void startWithTheFolderFreeClearsALeftOverSocket() {
        testing::Sandbox sandbox;
        const std::string workDir = currentWorkDir();
        prepareWorkDir(workDir);
        // What a FELMO that ended abnormally leaves: a file where the socket goes.
        std::ofstream(workDir + "/felmo.socket") << "stale";
        SingleInstance start(workDir, sandbox.program().string());
        QVERIFY(!start.anotherIsRunning());
        QVERIFY(start.listening());
    }

    void droppedPictureDoesWhatTheMatchingLoadDoes_data() {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("shows");  // the panel that then shows the dropped picture
        QTest::newRow("background") << "BackgroundPicture"
                                    << "BackgroundPicture";
        QTest::newRow("status area") << "EidPicPicture"
                                     << "BackgroundPicture";
        QTest::newRow("splash") << "SplashscreenPicture"
                                << "SplashscreenPicture";
        QTest::newRow("strip above the splash") << "SplashEidPic"
                                                << "SplashscreenPicture";
        QTest::newRow("welcome") << "WelcomeimagePicture"
                                 << "WelcomeimagePicture";
    }
    void droppedPictureDoesWhatTheMatchingLoadDoes() {
        if (!fs::exists(kConverter))
            QSKIP("the converter bmconv has not been built");
        QFETCH(QString, panel);
        QFETCH(QString, shows);
        StartedRig rig;
        QVERIFY(!rig.studio->build().running());
        const Color teal = rgb(0, 128, 128);
        const fs::path file = flatPicture(rig.sandbox.root(), "teal.bmp", teal);
        QVERIFY(dropOn(rig.panel(qPrintable(panel)), file));
        PicturePanel* target = rig.panel(qPrintable(shows));
        QTRY_COMPARE(target->shown().pixel(88, 20), asQRgb(teal));
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        // The answer was taken: the next load asks the dialog again.
        QVERIFY(!rig.frontEnd.picture.has_value());
    }

    void droppedOnTheStatusStripItLaysOverEidPic() {
        if (!fs::exists(kConverter))
            QSKIP("the converter bmconv has not been built");
        StartedRig rig;
        const Color red = rgb(255, 0, 0);
        const fs::path file = flatPicture(rig.sandbox.root(), "red.bmp", red);
        bool overlayWindowOpened = false;
        testing::withModalWindow(
            [&] {
                QVERIFY(dropOn(rig.panel("LinesPicture"), file));
                QTest::qWait(50);
            },
            [&](QWidget* modal) { overlayWindowOpened = modal == rig.window->overlayWindow(); });
        QVERIFY(overlayWindowOpened);
        const Raster* overlay = rig.studio->document().stills.EidPicPictureAlpha.picture();
        QVERIFY(overlay != nullptr);
        QCOMPARE(overlay->pixel(100, 40), red);
    }

    void droppedOnTheAnimationItOffersThePictureEffectsAndRunsTheChosenOne() {
        testing::WindowRig rig;
        rig.window->setPictureHandOff(
            [&](std::optional<fs::path> file) { rig.frontEnd.picture = std::move(file); });
        std::vector<std::pair<const MenuEntry*, std::optional<fs::path>>> runs;
        rig.window->setEffectRunner([&](const MenuEntry& entry) {
            runs.emplace_back(&entry, rig.frontEnd.choosePicture());
        });
        const fs::path file = rig.sandbox.root() / "sunset.jpg";
        std::ofstream(file) << "x";

        QStringList offered;
        const MenuEntry* slideRight = findEffectByCliName("slide-right");
        // The menu opens once the drop has ended.
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            poll.stop();
            QCOMPARE(menu->objectName(), QString("PictureEffects"));
            QAction* chosen = nullptr;
            std::function<void(QMenu*, QString)> walk = [&](QMenu* m, const QString& path) {
                for (QAction* action : m->actions()) {
                    if (action->menu() != nullptr) {
                        walk(action->menu(), path + action->text() + " / ");
                        continue;
                    }
                    offered << path + action->text();
                    if (path == "Движение / " && action->text() == "Слева направо")
                        chosen = action;
                }
            };
            walk(menu, {});
            QVERIFY(chosen != nullptr);
            chosen->trigger();
            menu->close();
        });
        poll.start();
        QVERIFY(
            dropOn(rig.window->centralWidget()->findChild<PicturePanel*>("StartUpPicture"), file));
        QTRY_COMPARE(runs.size(), std::size_t{1});
        QCOMPARE(runs.front().first, slideRight);
        QCOMPARE(runs.front().second, std::optional<fs::path>(file));
        QVERIFY(!rig.frontEnd.picture.has_value());

        // Exactly the built effects that take a picture, each once.
        QStringList expected;
        std::vector<QString> path;
        for (const MenuEntry& entry : animationMenu()) {
            path.resize(static_cast<std::size_t>(entry.level - 1));
            const QString caption = QString::fromUtf8(entry.caption.data(),
                                                      static_cast<qsizetype>(entry.caption.size()));
            if (!entry.handler) {
                path.push_back(caption);
                continue;
            }
            if (!effectAsksForPicture(*entry.handler))
                continue;
            QString full;
            for (std::size_t i = 1; i < path.size(); ++i)
                full += path[i] + " / ";
            expected << full + caption;
        }
        QVERIFY(!expected.isEmpty());
        QCOMPARE(offered, expected);
    }

    void droppedFileThatIsNoPictureGetsTheDialogsMessage() {
        testing::WindowRig rig;
        rig.window->setPictureHandOff(
            [&](std::optional<fs::path> file) { rig.frontEnd.picture = std::move(file); });
        const fs::path text = rig.sandbox.root() / "notes.jpg";
        std::ofstream(text) << "not a picture at all";
        rig.frontEnd.picture = text;
        rig.window->call([&] { rig.studio->LoadWelcomeimage(); });
        QCOMPARE(rig.errors.size(), 1);
        rig.frontEnd.picture.reset();
        rig.window->takeDroppedPicture(MainWindow::DropCommand::Welcome,
                                       QString::fromStdString(text.string()), {});
        QCOMPARE(rig.errors.size(), 2);
        QCOMPARE(rig.errors.back(), rig.errors.front());
    }

    void panelsTakeOneLocalFileOnlyOnceDropsAreHandedOn() {
        testing::WindowRig rig;
        auto* splash = rig.window->centralWidget()->findChild<PicturePanel*>("SplashscreenPicture");
        QVERIFY(!splash->acceptDrops());
        rig.window->setPictureHandOff([](std::optional<fs::path>) {});
        QVERIFY(splash->acceptDrops());
        // The colour-code labels and the like take nothing; every phone panel does.
        for (PicturePanel* panel : rig.window->centralWidget()->findChildren<PicturePanel*>())
            QVERIFY2(panel->acceptDrops(), qPrintable(panel->objectName()));
        QMimeData two;
        two.setUrls({QUrl::fromLocalFile("/a.jpg"), QUrl::fromLocalFile("/b.jpg")});
        QMimeData remote;
        remote.setUrls({QUrl("https://example.org/a.jpg")});
        QMimeData text;
        text.setText("/a.jpg");
        for (const QMimeData* data : {&two, &remote, &text})
            QVERIFY(droppedFile(data).isEmpty());
    }

    void panelsMagnifyByWholePixelsWithoutSmoothing() {
        // Run with QT_SCALE_FACTOR=2 and 3 as well: each picture pixel must become one solid
        // block of device pixels, as on a magnified phone screen.
        Raster checker(176, 208);
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 176; ++x)
                checker.setPixel(x, y, (x + y) % 2 == 0 ? rgb(255, 0, 0) : rgb(0, 0, 255));
        Image image(176, 208);
        image.setPicture(checker);
        QWidget window;
        PicturePanel panel(image, &window);
        panel.setGeometry(0, 0, 176, 208);
        panel.refresh();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shown = panel.grab().toImage();
        const qreal ratio = shown.devicePixelRatio();
        const int scale = qRound(ratio);
        QVERIFY2(qFuzzyCompare(ratio, qreal(scale)), "a whole-number scale is expected");
        QCOMPARE(shown.size(), QSize(176 * scale, 208 * scale));
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb expected = asQRgb(checker.pixel(x / scale, y / scale));
                if (shown.pixel(x, y) != expected)
                    QFAIL(qPrintable(QString("device pixel %1,%2 at scale %3 is blended")
                                         .arg(x)
                                         .arg(y)
                                         .arg(scale)));
            }
        }
    }

    void previewPlaysAfterAnEffectWhosePictureCannotBeRead() {
        if (!fs::exists(kConverter))
            QSKIP("the converter bmconv has not been built");
        StartedRig rig;
        QVERIFY(rig.window->timer2().isActive());
        const fs::path damaged = rig.sandbox.root() / "damaged.jpg";
        std::ofstream(damaged, std::ios::binary) << std::string("\xFF\xD8\xFF\xE0 cut off", 14);
        rig.frontEnd.picture = damaged;
        rig.window->menu().item("N9")->trigger();  // "Движение" / "Слева направо"
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY(rig.window->timer2().isActive());
        // The panel goes on to the next frames.
        PicturePanel* animation = rig.panel("StartUpPicture");
        const QImage before = animation->shown();
        QTRY_VERIFY_WITH_TIMEOUT(animation->shown() != before, 1000);
    }

    void desktopThatCannotOpenSaysSoNamingWhat() {
        std::vector<QUrl> asked;
        setDesktopOpener([&](const QUrl& url) {
            asked.push_back(url);
            return false;
        });
        QWidget owner;
        QtFrontEnd frontEnd;
        frontEnd.setDialogOwner(&owner);
        QString message;
        testing::withModalWindow([&] { frontEnd.openFolder("/home/user/phone graphics"); },
                                 [&](QWidget* modal) {
                                     auto* box = qobject_cast<QMessageBox*>(modal);
                                     QVERIFY(box != nullptr);
                                     message = box->text();
                                 });
        setDesktopOpener({});
        QCOMPARE(asked.size(), std::size_t{1});
        QCOMPARE(asked.front(), QUrl::fromLocalFile("/home/user/phone graphics"));
        QVERIFY2(message.contains("папку «/home/user/phone graphics»"), qPrintable(message));

        // An opener that succeeds is not followed by any message.
        setDesktopOpener([](const QUrl&) { return true; });
        frontEnd.openFolder("/tmp");
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        setDesktopOpener({});
    }

    void supportLinkOpensTheReadmeOfTheSourcesFromTheBuildFolder() {
        // These tests run from the build folder; an installed program finds the README installed
        // beside it instead.
        const QUrl page = supportUrl();
        QVERIFY(page.isLocalFile());
        QVERIFY2(QFileInfo::exists(page.toLocalFile()), qPrintable(page.toString()));
        QVERIFY(page.toLocalFile().endsWith("/README.md"));
        QVERIFY(!page.toLocalFile().contains("/share/doc/"));
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
        QTimer::singleShot(0, &dialog, [&] {
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
