#include "app/main_window.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif
#include <QWindow>

#include "app/about_window.hpp"
#include "app/overlay_window.hpp"
#include "app/picture_panel.hpp"
#include "app/settings_window.hpp"
#include "app/share_dialog.hpp"
#include "app/window_parts.hpp"
#include "app/window_placement.hpp"
#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "platform/child_process.hpp"
#include "workspace/language_choice.hpp"

namespace felmo {
namespace {

constexpr int kClientWidth = 745;
constexpr int kClientHeight = 337;
// How long after the first showing a window manager's placement of the frame is still corrected.
constexpr int kFrameSettlingMs = 2000;
constexpr int kFrameSettlingStepMs = 20;
// A window manager that keeps the frame elsewhere is not fought for ever.
constexpr int kMaxFrameCorrections = 3;
// The overlay window's top stands this far below the main window's top.
constexpr int kOverlayWindowDrop = 41;

// The slider's thumb is 10 pixels wide.
class NarrowThumbStyle : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_SliderLength)
            return 10;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

struct DepthBoxPlace {
    DepthBox box;
    const char* name;
    int left;
    const char* labelName;
};

// In the order of the window, left to right; each box's caption stands to its left.
constexpr DepthBoxPlace kDepthBoxes[] = {
    {DepthBox::BackgroundPictureBit, "BackgroundPictureBit", 128, "Label7"},
    {DepthBox::SplashscreenPictureBit, "SplashscreenPictureBit", 312, "Label8"},
    {DepthBox::StartUpPictureBit, "StartUpPictureBit", 496, "Label9"},
    {DepthBox::WelcomeimagePictureBit, "WelcomeimagePictureBit", 680, "Label10"},
};

QString fromModel(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

MainWindow::MainWindow(Studio& studio, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      studio_(&studio),
      runEffect_([this](const MenuEntry& entry) { studio_->runEffect(entry); }),
      reportError_([this](const QString& message) {
          QMessageBox::critical(this, applicationTitle(), message);
      }),
      chooseSaveFile_([this](const QString& caption, const QStringList& filters) {
          return chooseShareFile(
              this, caption, filters,
              QString::fromStdString(utf8FromPath(studio_->session().outputFolder())));
      }) {
    setObjectName("TForm1");
    setWindowTitle(mainCaption());
    setFont(sansSerifFont(11));

    menu_ = buildMenuTree(menuBar());
    buildControls();
    connectMenu();
    // A fixed size: the client area below the menu is exactly 745 x 337.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    aboutWindow_ = new AboutWindow(this);
    settingsWindow_ = new SettingsWindow(this);
    connect(settingsWindow_, &SettingsWindow::outputFolderChosen, this, [this](const QString& f) {
        call([&] { studio_->session().setOutputFolder(pathFromUtf8(f.toStdString())); });
    });
    connect(settingsWindow_, &SettingsWindow::openFolderWithDrawingChanged, this,
            [this](bool on) { call([&] { studio_->session().setOpenFolderWithDrawing(on); }); });
    connect(settingsWindow_, &SettingsWindow::languageChosen, this, [this](LanguageSetting chosen) {
        call([&] { storeLanguageSetting(studio_->session().settings(), chosen); });
    });
    overlayWindow_ = new OverlayWindow(
        *studio_, [this](const std::function<void()>& handler) { return call(handler); }, this);

    frameSettling_.setSingleShot(true);
    frameSettling_.setInterval(kFrameSettlingStepMs);
    connect(&frameSettling_, &QTimer::timeout, this, &MainWindow::settleFrame);

    timerStart_.setObjectName("TimerStart");
    timer2_.setObjectName("Timer2");
    timerEidPic_.setObjectName("TimerEidPic");
    connect(&timerStart_, &QTimer::timeout, this, &MainWindow::onTimerStart);
    connect(&timer2_, &QTimer::timeout, this, &MainWindow::onTimer2);
    connect(&timerEidPic_, &QTimer::timeout, this, &MainWindow::onTimerEidPic);

    // FormCreate: the window stands where it stood when the program last closed, its frame's
    // top-left corner at the stored point; a point that would leave the title bar off every
    // screen is brought back onto one.
    WindowPosition position;
    call([&] { position = studio_->FormCreate(); });
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    framePosition_ = reachablePosition({position.left, position.top}, sizeHint(), screens);
    move(framePosition_);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    for (const DepthBoxPlace& place : kDepthBoxes) {
        placeLabel(client, place.labelName, tr("Битность картинки"), place.left - 103, 3);
        auto* box = new QComboBox(client);
        box->setObjectName(place.name);
        box->setEditable(true);
        box->addItems({"8", "12", "16", "24"});
        box->setEditText(fromModel(studio_->build().depthText(place.box)));
        box->setGeometry(place.left, 0, 41, 21);
        connect(box, &QComboBox::editTextChanged, this,
                [this, which = place.box](const QString& t) {
                    call([&] { studio_->build().setDepthText(which, t.toStdString()); });
                });
        depthBoxes_[static_cast<std::size_t>(place.box)] = box;
    }

    struct PanelPlace {
        const Image& image;
        const char* name;
        QRect geometry;
        QString hint;
        DropCommand drop = DropCommand::None;
    };
    const StillPictures& stills = studio_->document().stills;
    const QString statusAreaHint = tr("EidPic.mbm + Background.mbm размер 176х200");
    const PanelPlace panels[] = {
        {stills.EidPicPicture,
         "EidPicPicture",
         {8, 22, 176, 68},
         statusAreaHint,
         DropCommand::Background},
        {stills.BackgroundPicture,
         "BackgroundPicture",
         {8, 90, 176, 132},
         statusAreaHint,
         DropCommand::Background},
        {stills.LinesPicture,
         "LinesPicture",
         {8, 222, 176, 20},
         coreText(kLinesPictureHint),
         DropCommand::Overlay},
        {stills.SplashEidPic, "SplashEidPic", {192, 22, 176, 12}, {}, DropCommand::Splash},
        {stills.SplashscreenPicture,
         "SplashscreenPicture",
         {192, 34, 176, 208},
         tr("Splashscreen.mbm размер 176х208"),
         DropCommand::Splash},
        {stills.StartUpEidPicPicture,
         "StartUpEidPicPicture",
         {376, 22, 176, 12},
         {},
         DropCommand::Animation},
        {studio_->document().StartUpPicture,
         "StartUpPicture",
         {376, 34, 176, 208},
         tr("StartUp.mbm размер 176х208"),
         DropCommand::Animation},
        {stills.WelcomeimageEidPicPicture,
         "WelcomeimageEidPicPicture",
         {560, 22, 176, 12},
         {},
         DropCommand::Welcome},
        {stills.WelcomeimagePicture,
         "WelcomeimagePicture",
         {560, 34, 176, 208},
         tr("Welcomeimage.mbm размер 176х208"),
         DropCommand::Welcome},
    };
    for (const PanelPlace& place : panels) {
        auto* panel = new PicturePanel(place.image, client);
        panel->setObjectName(place.name);
        panel->setGeometry(place.geometry);
        panel->setToolTip(place.hint);
        panels_.push_back(panel);
        if (&place.image == &stills.LinesPicture)
            linesPicture_ = panel;
        dropTargets_.emplace_back(panel, place.drop);
        // After the drop has ended: a command may open a menu, a dialog or a message.
        connect(panel, &PicturePanel::pictureDropped, this,
                [this, command = place.drop](const QString& file, const QPoint& at) {
                    QTimer::singleShot(0, this, [this, command, file, at] {
                        takeDroppedPicture(command, file, at);
                    });
                });
    }
    connect(linesPicture_, &PicturePanel::clicked, this,
            [this] { call([&] { studio_->LinesPictureClick(); }); });

    placeLabel(client, "Label5", tr("Фоновая картинка"), 48, 248);
    trackBar1_ = new QSlider(Qt::Horizontal, client);
    trackBar1_->setObjectName("TrackBar1");
    auto* thumbStyle = new NarrowThumbStyle;
    thumbStyle->setParent(trackBar1_);
    trackBar1_->setStyle(thumbStyle);
    trackBar1_->setRange(0, kTrackBar1Max);
    trackBar1_->setTickPosition(QSlider::TicksBelow);
    trackBar1_->setTickInterval(1);
    trackBar1_->setGeometry(24, 264, 150, 20);
    trackBar1_->setValue(studio_->document().strip.TrackBar1);
    connect(trackBar1_, &QSlider::valueChanged, this,
            [this](int position) { call([&] { studio_->setTrackBar1(position); }); });
    placeLabel(client, "Label14", coreText(kStripColourCaption), 30, 288);
    colourLabels_ = {placeLabel(client, "Label11", "", 24, 308),
                     placeLabel(client, "Label12", "", 80, 308),
                     placeLabel(client, "Label13", "", 136, 308)};

    placeLabel(client, "Label1", tr("Заставка"), 256, 248);
    placeLabel(client, "Label2", tr("Стартовая анимация"), 410, 248);
    placeLabel(client, "Label6", tr("Приветствие"), 618, 248);

    button1_ = new QPushButton(tr("Создать графику (*.mbm файлы)"), client);
    button1_->setObjectName("Button1");
    button1_->setGeometry(216, 272, 497, 25);
    connect(button1_, &QPushButton::clicked, this, [this] { call([&] { studio_->N7Click(); }); });

    QLabel* support =
        placeLabel(client, "Label18", tr("Техническая поддержка программы на сайте"), 203, 308);
    QFont bold = support->font();
    bold.setBold(true);
    support->setFont(bold);
    support->adjustSize();
    auto* link = new LinkLabel(supportCaption(), client);
    link->setObjectName("Label19");
    link->move(512, 308);
    link->adjustSize();
    link->setToolTip(supportUrl().toString());
    connect(link, &LinkLabel::clicked, this, &MainWindow::openSupportLink);

    // Not a control of the layout: a quiet line under it that says what a running pipeline does.
    pipelineStatus_ = new QLabel(client);
    pipelineStatus_->setObjectName("PipelineStatus");
    pipelineStatus_->setGeometry(8, 323, 729, 13);
    pipelineStatus_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pipelineStatus_->setFont(sansSerifFont(10));
    QPalette grey = pipelineStatus_->palette();
    grey.setColor(QPalette::WindowText, QColor(110, 110, 110));
    pipelineStatus_->setPalette(grey);
}

void MainWindow::connectMenu() {
    const std::pair<MenuCommand, void (Studio::*)()> modelCommands[] = {
        {MenuCommand::LoadBackground, &Studio::WallPaper},
        {MenuCommand::LoadSplash, &Studio::Splashscreen1Click},
        {MenuCommand::LoadWelcome, &Studio::LoadWelcomeimage},
        {MenuCommand::Create, &Studio::N7Click},
    };
    for (const auto& [command, handler] : modelCommands) {
        connect(menu_.command(command), &QAction::triggered, this,
                [this, handler = handler] { call([&] { (studio_->*handler)(); }); });
    }
    const std::pair<MenuCommand, void (MainWindow::*)()> windowCommands[] = {
        {MenuCommand::LoadOverlay, &MainWindow::LoadImposingEidPic},
        {MenuCommand::ProgramSettings, &MainWindow::SettingsProgrammClick},
        {MenuCommand::OverlaySettings, &MainWindow::SettingsImposingEidPic},
        {MenuCommand::About, &MainWindow::N3Click},
    };
    for (const auto& [command, handler] : windowCommands)
        connect(menu_.command(command), &QAction::triggered, this, handler);
    connect(menu_.command(MenuCommand::ExportAnimation), &QAction::triggered, this, [this] {
        exportToShare(tr("Анимация для показа"),
                      {QStringLiteral("GIF (*.gif)"), QStringLiteral("WebP (*.webp)")},
                      &BuildDriver::exportAnimation);
    });
    connect(menu_.command(MenuCommand::ExportPoster), &QAction::triggered, this, [this] {
        exportToShare(tr("Картинка темы"), {QStringLiteral("PNG (*.png)")},
                      &BuildDriver::exportPoster);
    });
    for (const auto& [action, entry] : menu_.effects) {
        connect(action, &QAction::triggered, this,
                [this, entry = entry] { call([&] { runEffect_(*entry); }); });
    }
}

void MainWindow::exportToShare(const QString& caption, const QStringList& filters,
                               void (BuildDriver::*exporter)(const std::filesystem::path&)) {
    const QString file = chooseSaveFile_(caption, filters);
    if (file.isEmpty())
        return;
    call([&] { (studio_->build().*exporter)(pathFromUtf8(file.toStdString())); });
}

bool MainWindow::call(const std::function<void()>& handler) {
    // The converter's handle is only valid until the next call into the model.
    if (converterNotifier_) {
        converterNotifier_->setEnabled(false);
        converterNotifier_->deleteLater();
        converterNotifier_ = nullptr;
        watchedHandle_ = kNoNativeHandle;
    }
    QString failure;
    ++callDepth_;
    try {
        handler();
    } catch (const Error& error) {
        failure = QString::fromStdString(error.what());
    } catch (const std::exception& error) {
        // Not one of the program's own messages, but the command has failed all the same and the
        // program goes on.
        failure = QString::fromLocal8Bit(error.what());
    }
    --callDepth_;
    syncWithModel();
    if (!failure.isEmpty())
        reportError_(failure);
    if (callDepth_ == 0 && closeRequested_) {
        closeRequested_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
    return failure.isEmpty();
}

void MainWindow::syncWithModel() {
    syncTimer(timerStart_, studio_->build().timerStartEnabled(), kTimerStartPeriodMs);
    syncTimer(timer2_, studio_->document().preview.timer2Enabled(), kTimer2PeriodMs);
    // TimerEidPic runs from program start until close.
    syncTimer(timerEidPic_, true, kTimerEidPicPeriodMs);
    watchConverter();
    for (PicturePanel* panel : panels_)
        panel->refresh();
    const StatusStrip& strip = studio_->document().strip;
    const std::string* colourCodes[] = {&strip.redLabel, &strip.greenLabel, &strip.blueLabel};
    for (std::size_t i = 0; i < colourLabels_.size(); ++i) {
        const QString text = fromModel(*colourCodes[i]);
        if (colourLabels_[i]->text() != text) {
            colourLabels_[i]->setText(text);
            colourLabels_[i]->adjustSize();
        }
    }
    const bool canCreate = studio_->canCreate();
    button1_->setEnabled(canCreate);
    menu_.command(MenuCommand::Create)->setEnabled(canCreate);
    // The exports to share save the stills and read the frames as a build does.
    menu_.command(MenuCommand::ExportAnimation)->setEnabled(canCreate);
    menu_.command(MenuCommand::ExportPoster)->setEnabled(canCreate);
    pipelineStatus_->setText(pipelineStatusText());
}

void MainWindow::syncTimer(QTimer& timer, bool enabled, int periodMs) {
    if (enabled && !timer.isActive()) {
        timer.start(periodMs);
    } else if (!enabled && timer.isActive()) {
        timer.stop();
    }
}

void MainWindow::watchConverter() {
    if (callDepth_ > 0)
        return;  // the outer call re-arms it when it returns
    const NativeHandle handle = studio_->build().completionHandle();
    if (handle == watchedHandle_)
        return;
    if (converterNotifier_) {
        converterNotifier_->setEnabled(false);
        converterNotifier_->deleteLater();
        converterNotifier_ = nullptr;
    }
    watchedHandle_ = handle;
    if (handle == kNoNativeHandle)
        return;
    // A converter whose end was just handled and that the model still reports as its current
    // one is left to TimerStart's polling, rather than re-armed to fire again at once.
    if (handle == exitHandledHandle_ && hasCompleted(handle))
        return;
    exitHandledHandle_ = kNoNativeHandle;
#ifdef Q_OS_WIN
    converterNotifier_ = new QWinEventNotifier(reinterpret_cast<void*>(handle), this);
    connect(converterNotifier_, &QWinEventNotifier::activated, this,
            &MainWindow::onConverterExited);
#else
    converterNotifier_ =
        new QSocketNotifier(static_cast<qintptr>(handle), QSocketNotifier::Read, this);
    connect(converterNotifier_, &QSocketNotifier::activated, this, &MainWindow::onConverterExited);
#endif
}

void MainWindow::onTimerStart() {
    // A pipeline step already under way further up (showing the notice, say) finishes first.
    if (callDepth_ > 0)
        return;
    if (!studio_->build().timerStartEnabled()) {
        timerStart_.stop();
        return;
    }
    call([&] { studio_->TimerStartTimer(); });
}

void MainWindow::onTimer2() {
    if (!studio_->document().preview.timer2Enabled()) {
        timer2_.stop();
        return;
    }
    call([&] { studio_->Timer2Timer(); });
}

void MainWindow::onTimerEidPic() {
    // Only the overlay window marks the overlay dirty, and its revision moves on whenever it
    // does: while the revision stands still there is nothing to compose, and the tick stays out
    // of the model (and out of the repaint that follows every call).
    const std::uint64_t revision = studio_->overlaySettings().revision();
    if (revision == composedRevision_)
        return;
    composedRevision_ = revision;
    call([&] { studio_->TimerEidPicTimer(); });
}

void MainWindow::onConverterExited() {
    if (callDepth_ > 0)
        return;
    exitHandledHandle_ = watchedHandle_;
    call([&] { studio_->TimerStartTimer(); });
}

QString MainWindow::pipelineStatusText() const {
    return fromModel(studio_->build().status());
}

void MainWindow::showEvent(QShowEvent* event) {
    // Before the window is first mapped: the point is the frame's, not the client area's, so
    // that a window manager puts its frame there rather than the window below its title bar.
    if (!placed_ && !event->spontaneous()) {
        placed_ = true;
        framePosition_ = pos();  // the stored place, or wherever the window was moved since
        if (QWindow* handle = windowHandle())
            handle->setFramePosition(framePosition_);
        // A window manager that maps the window below its title bar (the client area at the
        // point) is corrected once its frame is known; after a while any move is the user's.
        frameSettlingChecks_ = kFrameSettlingMs / kFrameSettlingStepMs;
        framePlacedChecks_ = 0;
        frameCorrections_ = 0;
        frameSettling_.start();
    }
    QMainWindow::showEvent(event);
    // The start-up sequence runs once the window is on screen and active.
    if (!activated_ && startUpWhenShown_)
        QTimer::singleShot(0, this, &MainWindow::FormActivate);
}

void MainWindow::settleFrame() {
    // The window counts as placed once its frame has been seen at the point on two checks in a
    // row: a window manager's move may still be on its way when the first check runs.
    if (frameGeometry() != geometry()) {
        if (frameGeometry().topLeft() == framePosition_) {
            ++framePlacedChecks_;
        } else {
            framePlacedChecks_ = 0;
            if (frameCorrections_ < kMaxFrameCorrections) {
                ++frameCorrections_;
                move(framePosition_);
            }
        }
    }
    if (framePlacedChecks_ >= 2 || --frameSettlingChecks_ <= 0)
        return;  // placed, or no frame came in time (a window manager that draws none)
    frameSettling_.start();
}

void MainWindow::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    const bool started = call([&] { studio_->FormActivate(); });
    // The user's files passed over at start-up are told in one message; the start-up goes on
    // without them.
    const std::vector<std::string>& refusals = studio_->session().startUpRefusals();
    if (!refusals.empty()) {
        QStringList lines;
        for (const std::string& refusal : refusals)
            lines << QString::fromStdString(refusal);
        reportError_(lines.join('\n'));
    }
    if (!started && !studio_->session().hasWorkTree()) {
        // Without a work tree of its own (another FELMO holds it) the program cannot work.
        startupRefused_ = true;
        close();
        QCoreApplication::exit(1);
    }
}

void MainWindow::setPictureHandOff(PictureHandOff handOff) {
    handOffPicture_ = std::move(handOff);
    for (const auto& [panel, command] : dropTargets_)
        panel->setTakesDroppedFiles(handOffPicture_ && command != DropCommand::None);
}

void MainWindow::runWithPicture(const QString& file, const std::function<void()>& command) {
    handOffPicture_(pathFromUtf8(file.toStdString()));
    command();
    handOffPicture_(std::nullopt);  // a command that did not ask leaves no answer waiting
}

void MainWindow::takeDroppedPicture(DropCommand command, const QString& file,
                                    const QPoint& globalPosition) {
    if (!handOffPicture_ || callDepth_ > 0)
        return;
    using Load = void (Studio::*)();
    auto load = [&](Load handler) {
        runWithPicture(file, [&] { call([&] { (studio_->*handler)(); }); });
    };
    switch (command) {
        case DropCommand::None:
            return;
        case DropCommand::Background:
            return load(&Studio::WallPaper);
        case DropCommand::Splash:
            return load(&Studio::Splashscreen1Click);
        case DropCommand::Welcome:
            return load(&Studio::LoadWelcomeimage);
        case DropCommand::Overlay: {
            bool loaded = false;
            runWithPicture(file, [&] { loaded = call([&] { studio_->LoadImposingEidPic(); }); });
            if (loaded)
                SettingsImposingEidPic();
            return;
        }
        case DropCommand::Animation: {
            QMenu effects(this);
            effects.setObjectName("PictureEffects");
            const MenuEntry* chosen = nullptr;
            for (const auto& [action, entry] : buildPictureEffectMenu(&effects))
                connect(action, &QAction::triggered, &effects,
                        [&chosen, e = entry] { chosen = e; });
            effects.exec(globalPosition);
            if (chosen != nullptr)
                runWithPicture(file, [&] { call([&] { runEffect_(*chosen); }); });
            return;
        }
    }
}

void MainWindow::placeSecondary(QWidget* window, int dx, int dy) {
    window->move(pos().x() + dx, pos().y() + dy);
}

void MainWindow::N3Click() {
    placeSecondary(aboutWindow_, 150, 8);
    aboutWindow_->exec();
}

void MainWindow::SettingsProgrammClick() {
    settingsWindow_->showOutputFolder(
        QString::fromStdString(utf8FromPath(studio_->session().outputFolder())));
    {
        const QSignalBlocker quiet(settingsWindow_);
        settingsWindow_->setOpenFolderWithDrawing(studio_->session().openFolderWithDrawing());
        LanguageSetting language = LanguageSetting::Auto;
        call([&] { language = storedLanguageSetting(studio_->session().settings()); });
        settingsWindow_->setLanguageSetting(language);
    }
    placeSecondary(settingsWindow_, 100, 8);
    settingsWindow_->exec();
}

void MainWindow::LoadImposingEidPic() {
    if (call([&] { studio_->LoadImposingEidPic(); }))
        SettingsImposingEidPic();
}

void MainWindow::SettingsImposingEidPic() {
    // Frame to frame, as the window system places windows. Before its first showing the window's
    // frame is not known yet; it is taken to be as wide as the main window's.
    const QRect main = frameGeometry();
    int windowWidth = overlayWindow_->frameGeometry().width();
    if (windowWidth == overlayWindow_->width())
        windowWidth += main.width() - width();
    overlayWindow_->move(main.left() + main.width() - windowWidth, main.top() + kOverlayWindowDrop);
    overlayWindow_->exec();
}

void MainWindow::openSupportLink() {
    const QUrl page = supportUrl();
    openOnDesktop(page, tr("страницу поддержки «%1»").arg(page.toLocalFile()), this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (startupRefused_) {
        event->accept();
        return;
    }
    if (callDepth_ > 0) {
        // A command is still running (the notice of a build, a dialog): close when it is done.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    timerStart_.stop();
    timer2_.stop();
    timerEidPic_.stop();
    if (converterNotifier_)
        converterNotifier_->setEnabled(false);
    try {
        const QPoint frame = frameGeometry().topLeft();
        studio_->FormClose(frame.x(), frame.y());
    } catch (const Error& error) {
        // The settings could not be written; the user learns it, and the program closes anyway.
        reportError_(QString::fromStdString(error.what()));
    }
    event->accept();
}

}  // namespace felmo
