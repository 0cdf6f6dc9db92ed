// PicturePanel: shows one image of the application model, unscaled, its top-left pixel at the
// panel's top-left corner, clipped to the panel. It keeps a copy of what it shows and repaints
// only the rows that changed since the last refresh(). On a high-density screen each picture
// pixel becomes a block of whole device pixels, never smoothed, like a phone screen magnified.
// A panel may take a picture file dropped on it: it lights up while one is dragged over it.
#pragma once

#include <QImage>
#include <QWidget>

class QMimeData;

namespace felmo {

class Image;
class Raster;

class PicturePanel : public QWidget {
    Q_OBJECT
  public:
    PicturePanel(const Image& image, QWidget* parent);

    // Compares the model's raster with what is shown and schedules a repaint of what differs.
    void refresh();
    // What the panel shows now (a null image while the model's image holds no picture).
    const QImage& shown() const { return shown_; }

    // Whether a file dropped on the panel is taken (pictureDropped is then emitted).
    void setTakesDroppedFiles(bool on);
    // Whether a file is being dragged over the panel now.
    bool dropHighlighted() const { return dropHighlighted_; }

  signals:
    void clicked();
    // A single local file was dropped at `globalPosition`.
    void pictureDropped(const QString& file, const QPoint& globalPosition);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void setDropHighlighted(bool on);

    const Image* image_;
    QImage shown_;
    bool dropHighlighted_ = false;
};

// The one local file a drag carries, or an empty string (no file, several files, a remote URL).
QString droppedFile(const QMimeData* data);

// The raster's 24-bit blue-green-red rows as a QImage (RGB888 in memory order B, G, R: BGR888).
QImage toQImage(const Raster& raster);

}  // namespace felmo
