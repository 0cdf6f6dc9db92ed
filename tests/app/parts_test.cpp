// The pieces under the windows: the picture panels, the text rasteriser and the picture-open
// dialog of the front end.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/picture_panel.hpp"
#include "app/qt_front_end.hpp"
#include "app/qt_text_rasterizer.hpp"
#include "raster/image.hpp"
#include "test_support.hpp"

namespace felmo {
namespace {

constexpr Color kRed = rgb(255, 0, 0);
constexpr Color kBlue = rgb(0, 0, 255);
constexpr Color kGreen = rgb(0, 200, 0);

QColor qtColour(Color colour) {
    return QColor(redOf(colour), greenOf(colour), blueOf(colour));
}

// A 5 x 3 picture, red on blue with one green pixel, so that a swap of red and blue or of the
// axes shows.
Raster asymmetricPicture() {
    Raster raster(5, 3, kBlue);
    raster.setPixel(0, 0, kRed);
    raster.setPixel(4, 2, kGreen);
    raster.setPixel(1, 2, kRed);
    return raster;
}

}  // namespace

class PartsTest : public QObject {
    Q_OBJECT

  private slots:
    void rasterBecomesQImagePixelForPixel() {
        const Raster raster = asymmetricPicture();
        const QImage image = toQImage(raster);
        QCOMPARE(image.size(), QSize(5, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(image.pixelColor(x, y), qtColour(raster.pixel(x, y)));
    }

    void panelFollowsTheModelsImage() {
        Image image(176, 20);
        QWidget window;
        PicturePanel panel(image, &window);
        panel.setGeometry(0, 0, 176, 20);
        panel.refresh();
        QVERIFY(panel.shown().isNull());  // no picture yet

        image.setPicture(asymmetricPicture());
        panel.refresh();
        QCOMPARE(panel.shown().size(), QSize(5, 3));
        QCOMPARE(panel.shown().pixelColor(0, 0), qtColour(kRed));

        // A change in one row is picked up.
        image.picture()->setPixel(3, 1, kGreen);
        panel.refresh();
        QCOMPARE(panel.shown().pixelColor(3, 1), qtColour(kGreen));

        // Painted unscaled at the top-left corner, clipped to the panel.
        Raster large(300, 300, kBlue);
        large.setPixel(175, 19, kRed);
        image.setPicture(large);
        panel.refresh();
        const QImage grabbed = panel.grab().toImage();
        QCOMPARE(grabbed.size(), QSize(176, 20));
        QCOMPARE(grabbed.pixelColor(0, 0), qtColour(kBlue));
        QCOMPARE(grabbed.pixelColor(175, 19), qtColour(kRed));

        image.clear();
        panel.refresh();
        QVERIFY(panel.shown().isNull());
    }

    void panelReportsClicks() {
        Image image(10, 10);
        PicturePanel panel(image, nullptr);
        panel.resize(10, 10);
        int clicks = 0;
        connect(&panel, &PicturePanel::clicked, [&] { ++clicks; });
        QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(&panel, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(clicks, 1);
    }

    void textRasteriserGivesACrispMaskOfTheFontHeight_data() {
        QTest::addColumn<int>("heightPx");
        QTest::addColumn<bool>("bold");
        QTest::newRow("strip captions, 13 px bold") << 13 << true;
        QTest::newRow("date, 8 px") << 8 << false;
    }
    void textRasteriserGivesACrispMaskOfTheFontHeight() {
        QFETCH(int, heightPx);
        QFETCH(bool, bold);
        QtTextRasterizer rasterizer;
        Font font;
        font.heightPx = heightPx;
        font.bold = bold;
        const GlyphMask mask = rasterizer.render("сб 02.02.2008", font);
        QVERIFY(mask.width > 0);
        QVERIFY(mask.height >= heightPx);
        QVERIFY(mask.height <= 3 * heightPx);
        QCOMPARE(mask.coverage.size(), std::size_t(mask.width) * std::size_t(mask.height));
        int glyphPixels = 0;
        for (std::uint8_t value : mask.coverage) {
            QVERIFY(value == 0 || value == 255);  // no antialiasing
            glyphPixels += value != 0;
        }
        QVERIFY(glyphPixels > 20);
    }

    void textRasteriserBoldIsHeavierAndEmptyTextIsEmpty() {
        QtTextRasterizer rasterizer;
        Font regular;
        regular.heightPx = 13;
        Font bold = regular;
        bold.bold = true;
        auto ink = [](const GlyphMask& mask) {
            return std::count(mask.coverage.begin(), mask.coverage.end(), 255);
        };
        QVERIFY(ink(rasterizer.render("Радио", bold)) > ink(rasterizer.render("Радио", regular)));
        const GlyphMask empty = rasterizer.render("", regular);
        QCOMPARE(empty.width, 0);
        QVERIFY(empty.coverage.empty());
    }

    void pictureDialogListsEveryPictureKindAfterAllPictures() {
        QtFrontEnd frontEnd;
        QFileDialog& dialog = frontEnd.pictureDialog();
        QCOMPARE(pictureFilterNames(),
                 QStringList({"All pictures (*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.webp)",
                              "JPEG Image File (*.jpg)", "JPEG Image File (*.jpeg)",
                              "Bitmaps (*.bmp)", "PNG Image File (*.png)", "GIF Image File (*.gif)",
                              "WebP Image File (*.webp)"}));
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        QStringList listed;
        for (int i = 0; i < types->count(); ++i)
            listed << types->itemText(i);
        QCOMPARE(listed, pictureFilterNames());
        QCOMPARE(&frontEnd.pictureDialog(), &dialog);  // one dialog for every load
    }

    void pictureDialogPreselectsTheLastChoice() {
        QTemporaryDir folder;
        for (const char* name : {"sunrise.jpg", "night.bmp"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtFrontEnd frontEnd;
        std::optional<std::filesystem::path> chosen;
        testing::withModalWindow(
            [&] {
                frontEnd.pictureDialog().setDirectory(folder.path());
                chosen = frontEnd.choosePicture();
            },
            [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog != nullptr);
                // Typed as a user would; selectFile() leaves a focused name field alone.
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText("night.bmp");
                static_cast<QDialog*>(dialog)->accept();
            });
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(chosen->string()), folder.filePath("night.bmp"));

        QStringList preselected;
        testing::withModalWindow([&] { chosen = frontEnd.choosePicture(); },
                                 [&](QWidget* modal) {
                                     preselected =
                                         qobject_cast<QFileDialog*>(modal)->selectedFiles();
                                     modal->close();  // cancel
                                 });
        QCOMPARE(preselected, QStringList({folder.filePath("night.bmp")}));
        QVERIFY(!chosen.has_value());
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::PartsTest)
#include "parts_test.moc"
