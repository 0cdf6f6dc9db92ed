// What the window tests share: a front end that answers from fields, a private folder with its
// own TMPDIR, program folder and settings file, and a wait for the modal window that a call opens.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "studio/front_end.hpp"
#include "studio/studio.hpp"

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
    Sandbox() {
        root_ = std::filesystem::path(dir_.path().toStdString());
        std::filesystem::create_directories(tmp());
        std::filesystem::create_directories(program());
        qputenv("TMPDIR", QByteArray::fromStdString(tmp().string()));
    }
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
    QTemporaryDir dir_;
    std::filesystem::path root_;
};

inline std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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
    QTimer::singleShot(5000, [&] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    opener();
    QVERIFY2(seen, "no modal window appeared");
}

}  // namespace felmo::testing
