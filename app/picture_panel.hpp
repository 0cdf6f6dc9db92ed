// PicturePanel: shows one image of the application model, unscaled, its top-left pixel at the
// panel's top-left corner, clipped to the panel. It keeps a copy of what it shows and repaints
// only the rows that changed since the last refresh().
#pragma once

#include <QImage>
#include <QWidget>

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

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const Image* image_;
    QImage shown_;
};

// The raster's 24-bit blue-green-red rows as a QImage (RGB888 in memory order B, G, R: BGR888).
QImage toQImage(const Raster& raster);

}  // namespace felmo
