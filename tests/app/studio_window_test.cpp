// The window over the real application model and the real converter: the start-up sequence run
// by the first showing, the timers that follow the model, the previews it fills, an effect item
// reaching its handler with its tag, a build from the Create button, and a second FELMO.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <map>
#include <memory>

#include "app/main_window.hpp"
#include "app/picture_panel.hpp"
#include "app/qt_text_rasterizer.hpp"
#include "app/settings_window.hpp"
#include "support/fake_clock.hpp"
#include "test_support.hpp"
#include "workspace/user_mbm_walk.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using testing::RecordingFrontEnd;

constexpr int kPipelineTimeoutMs = 60000;
const fs::path kConverter = fs::path(FELMO_BIN_DIR) / "bmconv";

struct Rig : testing::WindowRig {
    Rig()
        : WindowRig([](WindowRig& rig, StudioConfig& config) {
              config.converterPath = kConverter;
              config.outputFolder = rig.sandbox.root() / "out";
              // The user's own graphics in the output folder take the place of the embedded ones.
              testing::seedPhoneGraphics(*config.outputFolder, rig.sandbox.root() / "frames",
                                         kConverter);
          }) {}
    PicturePanel* panel(const char* name) const {
        return window->centralWidget()->findChild<PicturePanel*>(name);
    }
    QPushButton* button1() const {
        return window->centralWidget()->findChild<QPushButton*>("Button1");
    }
    QString status() const {
        return window->centralWidget()->findChild<QLabel*>("PipelineStatus")->text();
    }
    std::vector<std::string> frames() const {
        std::vector<std::string> files;
        for (int k = 0; k < 12; ++k)
            files.push_back(testing::readText(studio->session().workDir() / "startup" /
                                              (std::to_string(k) + ".bmp")));
        return files;
    }
};

bool isFlat(const QImage& image) {
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

}  // namespace

class StudioWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> started_;
    QtTextRasterizer textRasterizer_;

    // A window whose start-up sequence has run to its end.
    Rig& started() {
        if (!started_) {
            started_ = std::make_unique<Rig>();
            started_->window->show();
            if (!QTest::qWaitFor([&] { return started_->studio->formActivated(); }, 5000))
                return *started_;
            if (!QTest::qWaitFor([&] { return !started_->studio->build().running(); },
                                 kPipelineTimeoutMs))
                qWarning("the start-up pipeline did not finish");
        }
        return *started_;
    }

  private slots:
    void initTestCase() {
        if (!fs::exists(kConverter))
            QSKIP("the converter bmconv has not been built");
        installTextRasterizer(&textRasterizer_);
    }
    void cleanupTestCase() {
        started_.reset();
        installTextRasterizer(nullptr);
    }

    void firstShowingRunsTheStartUpAndTheTimersFollowTheModel() {
        Rig rig;
        QVERIFY(!rig.studio->formActivated());
        rig.window->show();
        QVERIFY(QTest::qWaitFor([&] { return rig.studio->formActivated(); }, 5000));
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        // Unpacking: Create is not offered, and the window says what runs.
        if (rig.studio->build().running()) {
            QVERIFY(!rig.button1()->isEnabled());
            QVERIFY(!rig.window->menu().item("N7")->isEnabled());
            QVERIFY(!rig.window->menu().item("ExportAnimation")->isEnabled());
            QCOMPARE(rig.status(), rig.window->pipelineStatusText());
            QVERIFY(!rig.status().isEmpty());
        }
        QVERIFY(
            QTest::qWaitFor([&] { return !rig.studio->build().running(); }, kPipelineTimeoutMs));
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        QVERIFY(!rig.window->timerStart().isActive());
        QVERIFY(rig.window->timer2().isActive());
        QCOMPARE(rig.window->timer2().interval(), 125);
        QVERIFY(rig.button1()->isEnabled());
        QVERIFY(rig.window->menu().item("N7")->isEnabled());
        QVERIFY(rig.status().isEmpty());

        for (const char* name : {"EidPicPicture", "BackgroundPicture", "SplashscreenPicture",
                                 "WelcomeimagePicture", "LinesPicture"}) {
            QTRY_VERIFY2(!isFlat(rig.panel(name)->shown()), name);
        }
        // The animation preview moves on every 125 ms.
        QTRY_VERIFY(!rig.panel("StartUpPicture")->shown().isNull());
        const QImage before = rig.panel("StartUpPicture")->shown();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel("StartUpPicture")->shown() != before, 2000);
        // Showing the window again does not run the sequence again.
        rig.window->hide();
        rig.window->show();
        QTest::qWait(50);
        QVERIFY(rig.errors.isEmpty());
    }

    void aUserFileThatCannotBeAPhoneGraphicIsToldAndTheStartUpGoesOn() {
        testing::WindowRig rig([](testing::WindowRig& r, StudioConfig& config) {
            config.converterPath = kConverter;
            config.outputFolder = r.sandbox.root() / "out";
            fs::create_directories(*config.outputFolder);
            std::ofstream(*config.outputFolder / "Welcomeimage.mbm", std::ios::binary)
                << std::string(kMaxUserMbmBytes + 1, '\0');
        });
        rig.window->show();
        QTRY_VERIFY_WITH_TIMEOUT(rig.studio->formActivated() && !rig.studio->build().running(),
                                 kPipelineTimeoutMs);
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY2(rig.errors.front().contains("Welcomeimage.mbm"), qPrintable(rig.errors.front()));
        // The slot keeps the embedded default, and the preview runs.
        QVERIFY(rig.window->timer2().isActive());
    }

    void effectItemsReachTheirHandlerWithTheirTag() {
        Rig& rig = started();
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        std::vector<const MenuEntry*> reached;
        rig.window->setEffectRunner([&](const MenuEntry& entry) { reached.push_back(&entry); });
        int offered = 0;
        for (const auto& [action, entry] : rig.window->menu().effects) {
            reached.clear();
            action->trigger();
            if (!action->isEnabled()) {
                QVERIFY(reached.empty());
                continue;
            }
            ++offered;
            QCOMPARE(reached.size(), std::size_t{1});
            QCOMPARE(reached.front(), entry);
            if (entry->tag != 0)
                QCOMPARE(action->data().toInt(), reached.front()->tag);
        }
        QVERIFY(offered > 0);
    }

    void zoomItemsWriteTheirFramesThroughTheModel() {
        Rig& rig = started();
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        rig.window->setEffectRunner([&](const MenuEntry& entry) { rig.studio->runEffect(entry); });
        QAction* closer = rig.window->menu().item("N18");   // "Приближать", tag 18
        QAction* farther = rig.window->menu().item("N19");  // "Отдалять", tag 19
        QVERIFY(closer->isEnabled() && farther->isEnabled());
        closer->trigger();
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        const std::vector<std::string> approach = rig.frames();
        farther->trigger();
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        const std::vector<std::string> recede = rig.frames();
        QVERIFY(approach.front() != approach.back());
        // The two tags are one animation, played the other way round.
        for (int k = 0; k < 12; ++k)
            QVERIFY2(recede[k] == approach[11 - k], qPrintable(QString::number(k)));
    }

    void createBuildsTheFiveFilesAndIsRefusedMeanwhile() {
        Rig& rig = started();
        QVERIFY(rig.button1()->isEnabled());
        QTest::mouseClick(rig.button1(), Qt::LeftButton);
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        if (rig.studio->build().running()) {
            QVERIFY(!rig.button1()->isEnabled());
            QVERIFY(!rig.window->menu().item("N7")->isEnabled());
        }
        QVERIFY(
            QTest::qWaitFor([&] { return !rig.studio->build().running(); }, kPipelineTimeoutMs));
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        QCOMPARE(rig.frontEnd.notices, std::vector<std::string>{"Файлы графики созданы."});
        for (const char* slot :
             {"startup", "EidPic", "backgroundimage", "Splashscreen", "Welcomeimage"}) {
            QVERIFY2(
                fs::exists(rig.studio->session().outputFolder() / (std::string(slot) + ".mbm")),
                slot);
        }
        QVERIFY(rig.button1()->isEnabled());
    }

    // The two export items ask for a file with the endings they write; a cancelled dialog writes
    // nothing, a chosen file is written through the model.
    void exportItemsAskForAFileThenWriteIt() {
        Rig& rig = started();
        QStringList asked;
        QString answer;
        rig.window->setSaveFileChooser([&](const QString&, const QStringList& filters) {
            asked << filters.join(';');
            return answer;
        });
        const fs::path folder = rig.sandbox.root() / "shared";
        fs::create_directories(folder);
        QAction* animation = rig.window->menu().item("ExportAnimation");
        QAction* poster = rig.window->menu().item("ExportPoster");
        QVERIFY(animation->isEnabled() && poster->isEnabled());

        animation->trigger();
        QVERIFY(fs::is_empty(folder));
        answer = QString::fromStdString((folder / "theme.webp").string());
        animation->trigger();
        answer = QString::fromStdString((folder / "theme.png").string());
        poster->trigger();
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        QCOMPARE(asked, QStringList({"GIF (*.gif);WebP (*.webp)", "GIF (*.gif);WebP (*.webp)",
                                     "PNG (*.png)"}));
        QVERIFY(fs::file_size(folder / "theme.webp") > 0);
        QVERIFY(fs::file_size(folder / "theme.png") > 0);
    }

    void closeWritesTheSettingsAndRemovesTheWorkTree() {
        Rig rig;
        rig.window->show();
        QVERIFY(QTest::qWaitFor([&] { return rig.studio->formActivated(); }, 5000));
        QVERIFY(
            QTest::qWaitFor([&] { return !rig.studio->build().running(); }, kPipelineTimeoutMs));
        const fs::path workDir = rig.studio->session().workDir();
        QVERIFY(fs::exists(workDir));

        SettingsWindow* settings = rig.window->settingsWindow();
        const QString folder = QString::fromStdString((rig.sandbox.root() / "phone").string());
        settings->setFolderBrowser([&](QWidget*, const QString&) { return std::optional(folder); });
        testing::withModalWindow(
            [&] { rig.window->SettingsProgrammClick(); },
            [&](QWidget*) {
                settings->Button1Click();
                settings->findChild<QCheckBox*>("OpenFolderWithDrawing")->setChecked(true);
            });
        rig.window->move(40, 50);
        QTRY_COMPARE(rig.window->pos(), QPoint(40, 50));
        QVERIFY(rig.window->close());
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));

        const std::string ini = testing::readText(rig.sandbox.settingsFile());
        for (const std::string& line :
             {std::string("X1=40"), std::string("Y1=50"), std::string("OpenFolderWithDrawing=1"),
              "RoadDirFiles=" + folder.toStdString()}) {
            QVERIFY2(ini.find(line) != std::string::npos, (line + " in\n" + ini).c_str());
        }
        QVERIFY(!fs::exists(workDir));
    }

    // A build past its deadline shows its message as any failed build does; the output folder
    // keeps what it held and Create is offered again.
    void aBuildPastItsDeadlineShowsItsMessageAndTouchesNoFileOfTheUser() {
        testing::FakeClock clock;
        testing::WindowRig rig([&clock](testing::WindowRig& r, StudioConfig& config) {
            // The real converter unpacks; packing never ends.
            const fs::path script = r.sandbox.root() / "bmconv";
            std::ofstream(script) << "#!/bin/sh\nif grep -q -- ' -u ' PackUnpack.txt; then\n"
                                  << "  exec '" << kConverter.string() << "' \"$@\"\nfi\n"
                                  << "exec sleep 600\n";
            fs::permissions(script, fs::perms::owner_all);
            config.converterPath = script;
            config.outputFolder = r.sandbox.root() / "out";
            fs::create_directories(*config.outputFolder);
            std::ofstream(*config.outputFolder / "notes.txt") << "the user's notes";
            config.clock = &clock;
        });
        rig.window->show();
        QTRY_VERIFY_WITH_TIMEOUT(rig.studio->formActivated() && !rig.studio->build().running(),
                                 kPipelineTimeoutMs);
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
        QTest::mouseClick(rig.window->centralWidget()->findChild<QPushButton*>("Button1"),
                          Qt::LeftButton);
        QVERIFY(rig.studio->build().running());
        clock.advance(std::chrono::seconds(10));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.errors.isEmpty(), 5000);
        QCOMPARE(rig.errors.front(),
                 QString::fromUtf8("Создание графики остановлено: прошло больше 10 с (упаковка "
                                   "startup). Файлы в папке вывода не изменены."));
        QVERIFY(!rig.studio->build().running());
        QVERIFY(rig.window->menu().item("N7")->isEnabled());
        QVERIFY(rig.frontEnd.notices.empty());
        std::vector<std::string> left;
        for (const fs::directory_entry& entry : fs::directory_iterator(rig.sandbox.root() / "out"))
            left.push_back(entry.path().filename().string());
        QCOMPARE(left, std::vector<std::string>{"notes.txt"});
    }

    void secondFelmoSaysSoAndEnds() {
        Rig& first = started();
        QVERIFY(!first.studio->session().workDir().empty());
        // Same user, same TMPDIR: the work tree is taken.
        qputenv("TMPDIR", QByteArray::fromStdString(first.sandbox.tmp().string()));
        RecordingFrontEnd frontEnd;
        StudioConfig config = first.sandbox.config();
        config.settingsFile = first.sandbox.root() / "second" / "Settings.ini";
        fs::create_directories(config.settingsFile->parent_path());
        config.converterPath = kConverter;
        Studio second(frontEnd, config);
        MainWindow window(second);
        QStringList errors;
        window.setErrorReporter([&](const QString& message) { errors << message; });
        window.show();
        QVERIFY(QTest::qWaitFor([&] { return !errors.isEmpty(); }, 5000));
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(second.session().workDir().empty());
        // The first one is untouched.
        QVERIFY(fs::exists(first.studio->session().workDir() / "startup" / "0.bmp"));
        // The refused window wrote no settings of its own.
        QVERIFY(!fs::exists(*config.settingsFile));
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::StudioWindowTest)
#include "studio_window_test.moc"
