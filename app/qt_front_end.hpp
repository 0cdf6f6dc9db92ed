// The window's answers to what the application model asks of a front end: the one shared
// picture-open dialog, the colour dialog, the sliding notice and the file manager.
#pragma once

#include <QFileDialog>
#include <QPointer>

#include "studio/front_end.hpp"

namespace felmo {

class QtFrontEnd : public FrontEnd {
  public:
    QtFrontEnd() = default;
    ~QtFrontEnd() override;

    // The window that owns the dialogs (the main window, once it exists).
    void setDialogOwner(QWidget* owner);

    std::optional<std::filesystem::path> choosePicture() override;
    std::optional<Color> chooseColour(Color initial) override;
    void showNotice(const std::string& text) override;
    void openFolder(const std::filesystem::path& folder) override;

    // The next picture question is answered with `file` instead of the dialog (a dropped file);
    // nullopt takes back an answer no command asked for.
    void answerNextPictureWith(std::optional<std::filesystem::path> file);

    // The picture-open dialog, created on first use and kept, so that the file chosen last is
    // preselected the next time.
    QFileDialog& pictureDialog();

  private:
    QPointer<QWidget> owner_;
    QPointer<QFileDialog> pictureDialog_;  // a child of the owner, which may delete it first
    QString lastPicture_;
    std::optional<std::filesystem::path> nextPicture_;
};

// Sizes a file dialog so that its detail columns show names, sizes and types whole.
void widenColumns(QFileDialog& dialog);
// Hides the completion lists a dialog's text boxes may have left open.
void hideCompletionPopups(QWidget& dialog);

// The filters of the picture-open dialog, as it lists them.
QStringList pictureFilterNames();

}  // namespace felmo
