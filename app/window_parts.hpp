// Small pieces the windows share: their fonts, captions, absolutely placed labels and the
// link-styled label of the support address.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <QUrl>

class QCheckBox;

namespace felmo {

// The main window's caption; the secondary windows append their own text to it.
inline const QString kMainCaption = QStringLiteral("FELMO версия 1.06");
// The application's title: the name the desktop shows for the program (its desktop entry, which
// the window class "felmo" ties the windows to) and the title of its message boxes. It is never
// appended to a window's own title.
inline const QString kApplicationTitle = QStringLiteral("Создание тем");

// A sans-serif face at a pixel size (the windows use 11 px): a narrow one where installed.
QFont sansSerifFont(int pixelSize);

// A label whose top-left corner is at (x, y) of `parent` and whose size follows its text.
QLabel* placeLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y);

// Puts a check box on the right of its caption. The caption (a sentence padded with dots) is wider
// than the room left of the box: it starts at the left edge and its dots run out under the box,
// instead of the sentence losing its beginning.
void putBoxRightOfCaption(QCheckBox* box);

// The support page: the program's README, installed beside the program or found in its source
// tree. The caption is what the link labels show.
QString supportCaption();
QUrl supportUrl();

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
