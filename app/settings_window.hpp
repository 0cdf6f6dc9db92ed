// The program settings window (TForm3): the output folder with its "обзор" folder browser, the
// check box that opens the output folder after a build and the language of the next start. It has
// no OK or Cancel: a folder chosen in the browser holds at once, and the window is closed with its
// frame's close button.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "base/language.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace felmo {

class SettingsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SettingsWindow(QWidget* parent);

    // Shows `folder` in Edit1.
    void showOutputFolder(const QString& folder);
    bool openFolderWithDrawing() const;
    void setOpenFolderWithDrawing(bool on);
    // The language chosen for the next start.
    LanguageSetting languageSetting() const;
    void setLanguageSetting(LanguageSetting setting);

    // The folder browser; replaceable so that tests can answer it. Returns the chosen folder or
    // nothing when the user cancels.
    using FolderBrowser =
        std::function<std::optional<QString>(QWidget* owner, const QString& start)>;
    void setFolderBrowser(FolderBrowser browser) { browseFolder_ = std::move(browser); }

    // Button1Click: browses for a folder; a chosen one becomes the output folder at once.
    void Button1Click();

  signals:
    void outputFolderChosen(const QString& folder);
    void openFolderWithDrawingChanged(bool on);
    void languageChosen(LanguageSetting setting);

  private:
    QLineEdit* edit1_;
    QPushButton* button1_;
    QCheckBox* openFolderWithDrawing_;
    QComboBox* language_;
    FolderBrowser browseFolder_;
};

// The system folder browser: "Please specify a directory", folders only.
std::optional<QString> browseForFolder(QWidget* owner, const QString& start);

// A chosen folder as the program keeps it: native separators, no trailing separator except for
// the root itself.
QString normalisedFolder(const QString& folder);

}  // namespace felmo
