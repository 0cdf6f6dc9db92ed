// The sliding notice: its path for a few screens and taskbars, and the window that travels it.
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/slide_notice.hpp"

namespace felmo {

class NoticeTest : public QObject {
    Q_OBJECT

  private slots:
    void path_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("taskbarTop");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("startTop");
        QTest::addColumn<int>("restTop");
        // A 30-pixel taskbar at the bottom of a 1024 x 768 screen: 748 up to 638 and back.
        QTest::newRow("1024x768, taskbar at 738")
            << QRect(0, 0, 1024, 768) << 738 << 809 << 748 << 638;
        // A taskbar along the top edge (its top edge at 0): the notice climbs off the screen.
        QTest::newRow("taskbar at the top") << QRect(0, 0, 1024, 768) << 0 << 809 << 748 << -100;
        // An odd distance: the notice stops one pixel above the taskbar.
        QTest::newRow("odd distance") << QRect(0, 0, 800, 600) << 571 << 585 << 580 << 470;
        // No taskbar: the free area ends at the screen's bottom edge.
        QTest::newRow("no taskbar") << QRect(0, 0, 800, 600) << 600 << 585 << 580 << 500;
        // The primary screen need not start at the origin.
        QTest::newRow("offset screen") << QRect(1920, 0, 1280, 1024) << 1000 << 2985 << 1004 << 900;
    }
    void path() {
        QFETCH(QRect, screen);
        QFETCH(int, taskbarTop);
        QFETCH(int, left);
        QFETCH(int, startTop);
        QFETCH(int, restTop);
        const SlideNoticePath path = slideNoticePath(screen, taskbarTop);
        QCOMPARE(path.left, left);
        QCOMPARE(path.startTop, startTop);
        QVERIFY(!path.risingTops.empty());
        QCOMPARE(path.risingTops.back(), restTop);
        // 2-pixel steps up, then 2-pixel steps down back to the start.
        int previous = startTop;
        for (int top : path.risingTops) {
            QCOMPARE(top, previous - 2);
            previous = top;
        }
        for (int top : path.fallingTops) {
            QCOMPARE(top, previous + 2);
            previous = top;
        }
        QCOMPARE(path.fallingTops.back(), startTop);
        // Its bottom edge ends on the taskbar's top edge or one pixel above it.
        QVERIFY(restTop + kNoticeHeight <= taskbarTop);
        QVERIFY(restTop + kNoticeHeight >= taskbarTop - 1);
    }

    void exampleScreenStepsOneByOne() {
        const SlideNoticePath path = slideNoticePath(QRect(0, 0, 1024, 768), 738);
        QCOMPARE(path.risingTops.size(), std::size_t{55});
        QCOMPARE(path.risingTops.front(), 746);
        QCOMPARE(path.fallingTops.size(), std::size_t{55});
        QCOMPARE(path.fallingTops.front(), 640);
    }

    void text_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Файлы графики созданы."
                               << " Файлы графики созданы. ";
        QTest::newRow("blanks at both ends") << "   done \t "
                                             << " done ";
        QTest::newRow("inner blanks kept") << " a  b "
                                           << " a  b ";
        QTest::newRow("empty") << ""
                               << "  ";
    }
    void text() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(slideNoticeText(message), shown);
    }

    void windowLooksAsItShould() {
        SlideNoticeWindow window("  Файлы графики созданы.  ");
        QCOMPARE(window.size(), QSize(215, 100));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(qAbs(window.windowOpacity() - 220.0 / 255.0) < 0.005);
        QCOMPARE(window.palette().color(QPalette::Window), QColor(166, 202, 240));
        QVERIFY(window.autoFillBackground());
        QVERIFY(window.testAttribute(Qt::WA_ShowWithoutActivating));
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window.windowType(), Qt::Tool);
        QCOMPARE(window.label()->text(), QString(" Файлы графики созданы. "));
        QVERIFY(window.label()->wordWrap());
        QCOMPARE(window.label()->alignment(), Qt::AlignCenter);
        window.show();
        QCOMPARE(window.label()->geometry(), QRect(0, 0, 215, 100));
    }

    void noticeTravelsItsPathAndGoes() {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen != nullptr);
        const QRect available = screen->availableGeometry();
        const SlideNoticePath expected =
            slideNoticePath(screen->geometry(), available.y() + available.height());

        std::vector<QPoint> seen;
        SlideNoticeTiming fast;
        fast.stepDelayMs = 0;
        fast.pauseMs = 0;
        fast.afterMove = [&](const SlideNoticeWindow& window) {
            QVERIFY(window.isVisible());
            seen.push_back(window.pos());
        };
        SlideNotice("message", fast);

        std::vector<QPoint> path;
        for (int top : expected.risingTops)
            path.emplace_back(expected.left, top);
        for (int top : expected.fallingTops)
            path.emplace_back(expected.left, top);
        QCOMPARE(seen, path);
        QCoreApplication::processEvents();
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(widget->objectName() != "SlideNotice");
    }

    void pauseKeepsTheEventLoopRunning() {
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        SlideNoticeTiming timing;
        timing.stepDelayMs = 0;
        timing.pauseMs = 300;
        timing.pauseSliceMs = 100;
        SlideNotice("wait", timing);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::NoticeTest)
#include "notice_test.moc"
