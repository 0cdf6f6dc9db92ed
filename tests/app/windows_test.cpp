// The three windows as built: every control of the main, About and program settings windows at
// its place with its text, the bit-depth boxes reaching the model, the folder browser, where the
// secondary windows open, the error report, and the settings written at close.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <memory>

#include "app/about_window.hpp"
#include "app/main_window.hpp"
#include "app/picture_panel.hpp"
#include "app/settings_window.hpp"
#include "base/error.hpp"
#include "test_support.hpp"

namespace felmo {
namespace {

using testing::at;
using testing::checkControls;
using testing::Control;
using testing::RecordingFrontEnd;
using testing::Sandbox;

const char* const kStatusHint = "EidPic.mbm + Background.mbm размер 176х200";

const Control kMainControls[] = {
    {"BackgroundPictureBit", {128, 0, 41, 21}},
    {"SplashscreenPictureBit", {312, 0, 41, 21}},
    {"StartUpPictureBit", {496, 0, 41, 21}},
    {"WelcomeimagePictureBit", {680, 0, 41, 21}},
    {"Label7", at(25, 3), "Битность картинки"},
    {"Label8", at(209, 3), "Битность картинки"},
    {"Label9", at(393, 3), "Битность картинки"},
    {"Label10", at(577, 3), "Битность картинки"},
    {"EidPicPicture", {8, 22, 176, 68}, nullptr, kStatusHint},
    {"BackgroundPicture", {8, 90, 176, 132}, nullptr, kStatusHint},
    {"LinesPicture", {8, 222, 176, 20}, nullptr, "Кликните для подбора цвета вручную"},
    {"Label5", at(48, 248), "Фоновая картинка"},
    {"TrackBar1", {24, 264, 150, 20}},
    {"Label14", at(30, 288), "Код цвета нижней полоски"},
    {"Label11", at(24, 308), ""},
    {"Label12", at(80, 308), ""},
    {"Label13", at(136, 308), ""},
    {"SplashEidPic", {192, 22, 176, 12}, nullptr, ""},
    {"SplashscreenPicture", {192, 34, 176, 208}, nullptr, "Splashscreen.mbm размер 176х208"},
    {"Label1", at(256, 248), "Заставка"},
    {"StartUpEidPicPicture", {376, 22, 176, 12}, nullptr, ""},
    {"StartUpPicture", {376, 34, 176, 208}, nullptr, "StartUp.mbm размер 176х208"},
    {"Label2", at(410, 248), "Стартовая анимация"},
    {"WelcomeimageEidPicPicture", {560, 22, 176, 12}, nullptr, ""},
    {"WelcomeimagePicture", {560, 34, 176, 208}, nullptr, "Welcomeimage.mbm размер 176х208"},
    {"Label6", at(618, 248), "Приветствие"},
    {"Button1", {216, 272, 497, 25}, "Создать графику (*.mbm файлы)"},
    {"Label18", at(203, 308), "Техническая поддержка программы на сайте"},
    {"Label19", at(512, 308)},
};

const Control kAboutControls[] = {
    {"Image1", {16, 16, 128, 128}},
    {"Label1", at(170, 8), "FELMO"},
    {"Label2", at(43, 168), " Программа предназначена для создания стартовой анимации для"},
    {"Label3", at(144, 184), "телефона Siemens SX1."},
    {"Label4", at(45, 232), "Может использоваться, как самостоятельный продукт, как ввиде"},
    {"Label5", at(48, 248), "эмулятора графики, так и использоваться для своего основного"},
    {"Label6", at(39, 264), "предназначения - создания стартовой анимации и фоновой картинки."},
    {"Label7", at(24, 288), "Техническая поддержка программы на сайте"},
    {"Label8", at(344, 288)},
};

const Control kSettingsControls[] = {
    {"Label1", at(88, 10), "Дириктория для сохранения файлов графики для телефона."},
    {"Edit1", {12, 40, 463, 21}},
    {"Button1", {490, 40, 38, 21}, "обзор"},
    {"OpenFolderWithDrawing",
     {12, 71, 516, 17},
     "Открывать папку с файлами графики (*.mbm) после "
     "создания.............................................................."},
    {"LanguageLabel", at(12, 101), "Язык"},
    {"Language", {76, 98, 120, 21}},
    {"LanguageNote", at(206, 101), "(вступит в силу при следующем запуске)"},
};

// A window built over a fresh model in its own sandbox.
struct Rig : testing::WindowRig {
    Rig() {
        // These tests look at the windows alone; the start-up sequence has tests of its own.
        window->setStartUpWhenShown(false);
    }
};

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void mainWindowHasEveryControlInPlace() {
        Rig rig;
        MainWindow& window = *rig.window;
        QCOMPARE(window.windowTitle(), QString("FELMO версия 1.06"));
        QWidget* client = window.centralWidget();
        QCOMPARE(client->size(), QSize(745, 337));
        window.adjustSize();
        QCOMPARE(window.minimumSize(), window.maximumSize());  // fixed size
        QCOMPARE(client->font().pixelSize(), 11);
        checkControls(client, std::begin(kMainControls), std::end(kMainControls),
                      {"PipelineStatus"});

        auto* slider = client->findChild<QSlider*>("TrackBar1");
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 15);
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        auto* link = client->findChild<QLabel*>("Label19");
        QVERIFY(link->font().bold());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(128, 0, 128));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!link->text().isEmpty());
        QVERIFY(client->findChild<QLabel*>("Label18")->font().bold());
        // The status line under the layout stays inside the client area and says nothing yet.
        auto* status = client->findChild<QLabel*>("PipelineStatus");
        QVERIFY(QRect(0, 0, 745, 337).contains(status->geometry()));
        QVERIFY(status->text().isEmpty());
    }

    void depthBoxesOfferTheFourDepthsAndShow16() {
        Rig rig;
        for (const char* name : {"BackgroundPictureBit", "SplashscreenPictureBit",
                                 "StartUpPictureBit", "WelcomeimagePictureBit"}) {
            auto* box = rig.window->centralWidget()->findChild<QComboBox*>(name);
            QVERIFY2(box != nullptr, name);
            QVERIFY(box->isEditable());
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, QStringList({"8", "12", "16", "24"}));
            QCOMPARE(box->currentText(), QString("16"));
        }
    }

    void depthBoxesReachTheModel_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("objectName");
        QTest::newRow("startup") << int(DepthBox::StartUpPictureBit) << "StartUpPictureBit";
        QTest::newRow("status") << int(DepthBox::BackgroundPictureBit) << "BackgroundPictureBit";
        QTest::newRow("splash") << int(DepthBox::SplashscreenPictureBit)
                                << "SplashscreenPictureBit";
        QTest::newRow("welcome") << int(DepthBox::WelcomeimagePictureBit)
                                 << "WelcomeimagePictureBit";
    }
    void depthBoxesReachTheModel() {
        QFETCH(int, box);
        QFETCH(QString, objectName);
        Rig rig;
        const auto which = static_cast<DepthBox>(box);
        QComboBox* combo = rig.window->depthBox(which);
        QCOMPARE(combo->objectName(), objectName);
        combo->setCurrentIndex(0);
        QCOMPARE(rig.studio->build().depthText(which), std::string("8"));
        // Typed text is taken verbatim.
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), "32");
        QCOMPARE(rig.studio->build().depthText(which), std::string("32"));
        // The other boxes keep their own depth.
        for (DepthBox other :
             {DepthBox::StartUpPictureBit, DepthBox::BackgroundPictureBit,
              DepthBox::SplashscreenPictureBit, DepthBox::WelcomeimagePictureBit}) {
            if (other != which)
                QCOMPARE(rig.studio->build().depthText(other), std::string("16"));
        }
    }

    void aboutWindowShowsTheProgram() {
        Rig rig;
        AboutWindow* about = rig.window->aboutWindow();
        QCOMPARE(about->windowTitle(), QString("FELMO версия 1.06"));
        QCOMPARE(about->size(), QSize(443, 349));
        QVERIFY(about->isHidden());
        checkControls(about, std::begin(kAboutControls), std::end(kAboutControls));

        auto* product = about->findChild<QLabel*>("Label1");
        QCOMPARE(product->font().pixelSize(), 19);
        QVERIFY(product->font().bold());
        QVERIFY(product->font().underline());
        QCOMPARE(product->palette().color(QPalette::WindowText), QColor(255, 0, 255));
        auto* phone = about->findChild<QLabel*>("Label3");
        QVERIFY(phone->font().bold());
        QCOMPARE(phone->palette().color(QPalette::WindowText), QColor(0, 128, 128));
        QVERIFY(about->findChild<QLabel*>("Label7")->font().bold());
        auto* link = about->findChild<QLabel*>("Label8");
        QCOMPARE(link->text(), rig.window->centralWidget()->findChild<QLabel*>("Label19")->text());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(128, 0, 128));
        // The emblem is a real picture, not an empty square.
        const QImage emblem = about->findChild<QLabel*>("Image1")->pixmap().toImage();
        QCOMPARE(emblem.size(), QSize(128, 128));
        QSet<QRgb> colours;
        for (int y = 0; y < 128; y += 4)
            for (int x = 0; x < 128; x += 4)
                colours.insert(emblem.pixel(x, y));
        QVERIFY(colours.size() > 20);
    }

    void settingsWindowHasItsControls() {
        Rig rig;
        SettingsWindow* settings = rig.window->settingsWindow();
        QCOMPARE(settings->windowTitle(), QString("FELMO версия 1.06   (настройки)"));
        QCOMPARE(settings->size(), QSize(543, 125));
        checkControls(settings, std::begin(kSettingsControls), std::end(kSettingsControls));
        auto* label = settings->findChild<QLabel*>("Label1");
        QCOMPARE(label->font().pixelSize(), 13);
        auto* box = settings->findChild<QCheckBox*>("OpenFolderWithDrawing");
        QCOMPARE(box->layoutDirection(), Qt::RightToLeft);
        QVERIFY(!box->isChecked());
        QVERIFY(settings->findChild<QLineEdit*>("Edit1")->isReadOnly());
    }

    void folderBrowserSetsTheOutputFolderAtOnce() {
        Rig rig;
        SettingsWindow* settings = rig.window->settingsWindow();
        const QString chosen = QString::fromStdString((rig.sandbox.root() / "phone").string());
        QString offeredStart;
        QWidget* offeredOwner = nullptr;
        std::optional<QString> answer = chosen + "/";
        settings->setFolderBrowser([&](QWidget* owner, const QString& start) {
            offeredOwner = owner;
            offeredStart = start;
            return answer;
        });
        settings->showOutputFolder("/somewhere/else");
        QTest::mouseClick(settings->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        QCOMPARE(offeredStart, QString("/somewhere/else"));
        QCOMPARE(offeredOwner, static_cast<QWidget*>(settings));
        QCOMPARE(settings->findChild<QLineEdit*>("Edit1")->text(), chosen);
        QCOMPARE(QString::fromStdString(rig.studio->session().outputFolder().string()), chosen);

        // A cancelled browse changes nothing.
        answer = std::nullopt;
        settings->Button1Click();
        QCOMPARE(settings->findChild<QLineEdit*>("Edit1")->text(), chosen);
        QCOMPARE(QString::fromStdString(rig.studio->session().outputFolder().string()), chosen);
    }

    void secondaryWindowsOpenModallyBesideTheMainWindow() {
        Rig rig;
        rig.window->move(300, 200);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        const QPoint main = rig.window->pos();
        testing::withModalWindow([&] { rig.window->N3Click(); },
                                 [&](QWidget* modal) {
                                     QCOMPARE(modal, rig.window->aboutWindow());
                                     QCOMPARE(modal->pos(), main + QPoint(150, 8));
                                 });
        rig.studio->session().setOutputFolder("/phone/graphics");
        rig.studio->session().setOpenFolderWithDrawing(true);
        testing::withModalWindow(
            [&] { rig.window->SettingsProgrammClick(); },
            [&](QWidget* modal) {
                QCOMPARE(modal, rig.window->settingsWindow());
                QCOMPARE(modal->pos(), main + QPoint(100, 8));
                QCOMPARE(modal->findChild<QLineEdit*>("Edit1")->text(), QString("/phone/graphics"));
                QVERIFY(modal->findChild<QCheckBox*>("OpenFolderWithDrawing")->isChecked());
            });
        // The menu reaches both.
        testing::withModalWindow(
            [&] { rig.window->menu().item("N3")->trigger(); },
            [&](QWidget* modal) { QCOMPARE(modal, rig.window->aboutWindow()); });
        testing::withModalWindow(
            [&] { rig.window->menu().item("N77")->trigger(); },
            [&](QWidget* modal) { QCOMPARE(modal, rig.window->settingsWindow()); });
    }

    void failingHandlerIsShownWithItsTextAndTheProgramGoesOn() {
        Sandbox sandbox;
        RecordingFrontEnd frontEnd;
        Studio studio(frontEnd, sandbox.config());
        MainWindow window(studio);
        QString shown;
        testing::withModalWindow(
            [&] {
                const bool ok =
                    window.call([] { throw Error("Cannot open file \"/x.bmp\". gone"); });
                QVERIFY(!ok);
            },
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box != nullptr);
                shown = box->text();
            });
        QCOMPARE(shown, QString("Cannot open file \"/x.bmp\". gone"));
        QVERIFY(window.call([] {}));
    }

    void createIsOfferedOnlyWhenTheModelAllowsIt() {
        Rig rig;
        // Before the start-up sequence has run there is nothing to build.
        QCOMPARE(rig.studio->canCreate(), false);
        QVERIFY(!rig.window->centralWidget()->findChild<QPushButton*>("Button1")->isEnabled());
        QVERIFY(!rig.window->menu().item("N7")->isEnabled());
    }

    void closeWritesTheWindowPosition() {
        Rig rig;
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.window->move(321, 123);
        QTRY_COMPARE(rig.window->pos(), QPoint(321, 123));
        QVERIFY(rig.window->close());
        QVERIFY(rig.errors.isEmpty());

        const std::string ini = testing::readText(rig.sandbox.settingsFile());
        QVERIFY2(ini.find("[FELMO]") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("X1=321") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("Y1=123") != std::string::npos, ini.c_str());

        // The next run stands where this one closed.
        RecordingFrontEnd frontEnd;
        Studio next(frontEnd, rig.sandbox.config());
        MainWindow nextWindow(next);
        QCOMPARE(nextWindow.pos(), QPoint(321, 123));
    }

    void failedSettingsWriteIsReportedAndTheWindowStillCloses() {
        Rig rig;
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        // A folder where the settings file should be: no write can succeed.
        std::filesystem::remove(rig.sandbox.settingsFile());
        std::filesystem::create_directories(rig.sandbox.settingsFile() / "blocked");
        QVERIFY(rig.window->close());
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY2(rig.errors.front().contains(
                     QString::fromStdString(rig.sandbox.settingsFile().string())),
                 qPrintable(rig.errors.front()));
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::WindowsTest)
#include "windows_test.moc"
