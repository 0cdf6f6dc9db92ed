// What the window tests share: a front end that answers from fields, a private folder with its
// own TMPDIR, program folder and settings file, the main window over a model in such a folder, and
// a wait for the modal window that a call opens.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.hpp"
#include "raster/bmp.hpp"
#include "raster/raster.hpp"
#include "studio/front_end.hpp"
#include "studio/studio.hpp"
#include "support/text_files.hpp"

namespace felmo::testing {

class RecordingFrontEnd : public FrontEnd {
  public:
    std::optional<std::filesystem::path> picture;
    std::optional<Color> colour;
    std::vector<std::string> notices;
    std::vector<std::filesystem::path> openedFolders;

    std::optional<std::filesystem::path> choosePicture() override { return picture; }
    std::optional<Color> chooseColour(Color) override { return colour; }
    void showNotice(const std::string& text) override { notices.push_back(text); }
    void openFolder(const std::filesystem::path& folder) override {
        openedFolders.push_back(folder);
    }
};

// A folder of its own for one test: TMPDIR (so the work tree is private), the program folder
// and its settings file.
class Sandbox {
  public:
    Sandbox()
        : previousTmpDir_(qgetenv("TMPDIR")), dir_(baseTempPath() + "/felmo-app-test-XXXXXX") {
        root_ = std::filesystem::path(dir_.path().toStdString());
        std::filesystem::create_directories(tmp());
        std::filesystem::create_directories(program());
        qputenv("TMPDIR", QByteArray::fromStdString(tmp().string()));
    }
    ~Sandbox() {
        if (previousTmpDir_.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", previousTmpDir_);
        }
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::filesystem::path root() const { return root_; }
    std::filesystem::path tmp() const { return root_ / "tmp"; }
    std::filesystem::path program() const { return root_ / "program"; }
    std::filesystem::path settingsFile() const { return program() / "Settings.ini"; }

    StudioConfig config() const {
        StudioConfig config;
        config.executablePath = program() / "felmo";
        config.settingsFile = settingsFile();
        return config;
    }

  private:
    // The system's temporary folder as it was before any sandbox changed TMPDIR.
    static QString baseTempPath() {
        static const QString path = QDir::tempPath();
        return path;
    }

    QByteArray previousTmpDir_;
    QTemporaryDir dir_;
    std::filesystem::path root_;
};

// One control of a window: its object name, place and size, and what it shows.
struct Control {
    const char* name;
    QRect geometry;  // a null size: only the position is fixed, the size follows the text
    const char* text = nullptr;
    const char* hint = nullptr;
};

constexpr int kFree = 0;
inline QRect at(int x, int y) {
    return QRect(x, y, kFree, kFree);
}

inline QString textOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return {};
}

// Checks each control's place, size, text and hint, and that `container` holds no other control
// than those listed and `extra`.
inline void checkControls(QWidget* container, const Control* begin, const Control* end,
                          const QStringList& extra = {}) {
    QStringList expectedNames = extra;
    for (const Control* control = begin; control != end; ++control) {
        expectedNames << control->name;
        auto* widget = container->findChild<QWidget*>(control->name, Qt::FindDirectChildrenOnly);
        QVERIFY2(widget != nullptr, control->name);
        QCOMPARE(widget->pos(), control->geometry.topLeft());
        if (control->geometry.width() != kFree)
            QCOMPARE(widget->size(), control->geometry.size());
        QVERIFY2(widget->width() > 0 && widget->height() > 0, control->name);
        if (control->text != nullptr)
            QCOMPARE(textOf(widget), QString::fromUtf8(control->text));
        if (control->hint != nullptr)
            QCOMPARE(widget->toolTip(), QString::fromUtf8(control->hint));
    }
    QStringList actualNames;
    for (QWidget* child : container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        actualNames << child->objectName();
    expectedNames.sort();
    actualNames.sort();
    QCOMPARE(actualNames, expectedNames);
}

// The main window over a fresh model in its own sandbox; the errors the window reports are
// collected. `prepare` may change the model's configuration first.
struct WindowRig {
    Sandbox sandbox;
    RecordingFrontEnd frontEnd;
    std::unique_ptr<Studio> studio;
    std::unique_ptr<MainWindow> window;
    QStringList errors;

    explicit WindowRig(const std::function<void(WindowRig&, StudioConfig&)>& prepare = {}) {
        StudioConfig config = sandbox.config();
        if (prepare)
            prepare(*this, config);
        studio = std::make_unique<Studio>(frontEnd, config);
        window = std::make_unique<MainWindow>(*studio);
        window->setErrorReporter([this](const QString& message) { errors << message; });
    }
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;
};

// Puts the five phone graphics into `outputFolder` as the user's own .mbm files, packed by
// `converter` from frames drawn here: a diagonal colour ramp per slot with a white bar that moves
// from frame to frame, so no picture is flat and every animation frame differs from the next.
inline void seedPhoneGraphics(const std::filesystem::path& outputFolder,
                              const std::filesystem::path& framesFolder,
                              const std::filesystem::path& converter) {
    struct Slot {
        const char* name;
        std::vector<std::pair<int, int>> frameSizes;
    };
    const std::vector<std::pair<int, int>> screen = {{176, 208}};
    const Slot kSlots[] = {
        {"startup", std::vector<std::pair<int, int>>(12, {176, 208})},
        {"EidPic", {{176, 12}, {176, 68}, {176, 68}, {176, 68}, {176, 68}}},
        {"backgroundimage", {{176, 132}, {1, 1}}},
        {"Splashscreen", screen},
        {"Welcomeimage", screen},
    };
    std::filesystem::create_directories(outputFolder);
    int slotIndex = 0;
    for (const Slot& slot : kSlots) {
        const std::filesystem::path folder = framesFolder / slot.name;
        std::filesystem::create_directories(folder);
        QStringList arguments = {
            "-q",
            QString::fromStdString((outputFolder / (std::string(slot.name) + ".mbm")).string())};
        for (std::size_t k = 0; k < slot.frameSizes.size(); ++k) {
            const auto [width, height] = slot.frameSizes[k];
            Raster frame(width, height);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const bool bar = (x - static_cast<int>(k) * 13 + 1000) % 176 < 6;
                    frame.setPixel(x, y,
                                   bar ? rgb(255, 255, 255)
                                       : rgb(static_cast<std::uint8_t>(x * 255 / 176),
                                             static_cast<std::uint8_t>(y * 255 / 208),
                                             static_cast<std::uint8_t>(60 * slotIndex + 20)));
                }
            }
            const std::filesystem::path file = folder / (std::to_string(k) + ".bmp");
            saveBmpFile(frame, file);
            arguments << "-c24" + QString::fromStdString(file.string());
        }
        QProcess pack;
        pack.start(QString::fromStdString(converter.string()), arguments);
        QVERIFY(pack.waitForFinished(30000));
        QVERIFY2(pack.exitStatus() == QProcess::NormalExit && pack.exitCode() == 0,
                 pack.readAllStandardError().constData());
        ++slotIndex;
    }
}

// Runs `opener` (which shows a modal window and returns when it closes); once the modal window is
// up, `inspect` sees it and it is closed. Fails the test if no modal window appears.
inline void withModalWindow(const std::function<void()>& opener,
                            const std::function<void(QWidget*)>& inspect) {
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || seen)
            return;
        seen = true;
        inspect(modal);
        modal->close();
    });
    poll.start();
    // A window that `inspect` failed to close for good is closed after five seconds. Both timers
    // die with this call, so neither can fire inside a later test.
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    safety.start(5000);
    opener();
    QVERIFY2(seen, "no modal window appeared");
}

}  // namespace felmo::testing
