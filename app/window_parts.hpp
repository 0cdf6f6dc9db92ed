// Small pieces the windows share: their fonts, captions, absolutely placed labels and the
// link-styled label of the support address.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <QUrl>
#include <functional>
#include <string_view>

#include "base/version.hpp"

class QCheckBox;

namespace felmo {

// The main window's caption; the secondary windows append their own text to it.
QString mainCaption();
// The application's title: the name the desktop shows for the program (its desktop entry, which
// the window class "felmo" ties the windows to) and the title of its message boxes. It is never
// appended to a window's own title.
QString applicationTitle();

// A text of the core the window shows (an effect's caption, a hint of the status strip), in the
// language the core speaks.
QString coreText(std::string_view source);

// A sans-serif face at a pixel size (the windows use 11 px): a narrow one where installed.
QFont sansSerifFont(int pixelSize);

// A label whose top-left corner is at (x, y) of `parent` and whose size follows its text.
QLabel* placeLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y);

// Puts a check box on the right of its caption. The caption (a sentence padded with dots) is wider
// than the room left of the box: it starts at the left edge and its dots run out under the box,
// instead of the sentence losing its beginning.
void putBoxRightOfCaption(QCheckBox* box);

// The support page: the program's README, installed as documentation with the program
// (<prefix>/share/doc/felmo/README.md beside <prefix>/bin/felmo); the README of the sources only
// when the program runs from its build folder. The caption is what the link labels show.
QString supportCaption();
QUrl supportUrl();

// Asks the desktop to open `url` (a folder in the file manager, a page in its viewer). When
// nothing can open it, a message over `owner` says so, naming `what` ("папку «…»").
void openOnDesktop(const QUrl& url, const QString& what, QWidget* owner);
// What openOnDesktop asks; the desktop's own opener unless replaced (tests).
using DesktopOpener = std::function<bool(const QUrl&)>;
void setDesktopOpener(DesktopOpener opener);

// A label that looks like a visited link (bold, purple, hand cursor) and reports clicks.
class LinkLabel : public QLabel {
    Q_OBJECT
  public:
    explicit LinkLabel(const QString& text, QWidget* parent);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace felmo
