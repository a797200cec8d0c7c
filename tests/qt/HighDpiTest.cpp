#include "BoxRecorder.h"
#include "Figures.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTest>

// Run with QT_SCALE_FACTOR=2: the windows keep their logical geometry, and on
// the device every length doubles.
namespace {

// The bounding box of the green pixels inside `area` of `image`.
QRect inkBox(const QImage& image, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGreen(image.pixel(x, y)) > 64) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

} // namespace

class HighDpiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
    }

    void boardIsRenderedAtTwiceTheSize() {
        frmMain window;
        QVERIFY(showStill(window));
        // Cannons in the first and the last column.
        window.showRow(7, "A             A");

        const QImage big = window.grab().toImage();
        QCOMPARE(big.size(), QSize(2 * kClientWidth, 2 * kClientHeight));
        // The same window painted at one device pixel per logical pixel.
        QImage small(window.size(), QImage::Format_RGB32);
        small.setDevicePixelRatio(1.0);
        window.render(&small);

        // The first cannon's glyph is twice as tall and wide on the device,
        // and the last one 14 cells of twice the width further on.
        const auto doubled = [](const QRect& r) { return QRect(r.topLeft() * 2, r.size() * 2); };
        const QRect row = window.lblGame(7).geometry();
        const QRect left = row.adjusted(0, 0, -row.width() / 2, 0);
        const QRect smallInk = inkBox(small, left);
        const QRect bigInk = inkBox(big, doubled(left));
        const QRect lastInk = inkBox(big, doubled(row.adjusted(left.width(), 0, 0, 0)));
        QVERIFY(!smallInk.isEmpty() && !lastInk.isEmpty());
        QVERIFY2(
            qAbs(bigInk.height() - 2 * smallInk.height()) <= 2,
            qPrintable(QStringLiteral("%1 vs %2").arg(bigInk.height()).arg(smallInk.height())));
        QVERIFY(qAbs(bigInk.width() - 2 * smallInk.width()) <= 2);
        QCOMPARE(lastInk.left() - bigInk.left(), 2 * (kColumns - 1) * kCellWidth);

        // Drawn from the outlines at the larger size, not blown up: a 2x2
        // enlargement of the small picture differs along the glyph's edges.
        const QImage blownUp =
            small.scaled(big.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .convertToFormat(big.format());
        int differing = 0;
        for (int y = bigInk.top(); y <= bigInk.bottom(); ++y) {
            for (int x = bigInk.left(); x <= bigInk.right(); ++x) {
                differing += big.pixel(x, y) != blownUp.pixel(x, y);
            }
        }
        QVERIFY2(differing > bigInk.width() * bigInk.height() / 20,
                 qPrintable(QStringLiteral("only %1 pixels differ").arg(differing)));
    }

    void splashPictureKeepsItsLogicalSize() {
        frmSplash splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        const QImage big = splash.grab().toImage();
        QCOMPARE(big.size(), QSize(2 * kSplashWidth, 2 * kSplashHeight));

        // The title's ink covers the same share of the strip as at 1x: it sits
        // in the picture's doubled rectangle and reaches across most of it.
        const QImage picture(QStringLiteral(":/assets/splash.bmp"));
        const QRect pictureInk = inkBox(picture, picture.rect());
        const QRect bigInk = inkBox(big, big.rect());
        const QPoint offset(kSplashPictureLeft, kSplashPictureTop);
        QVERIFY2(qAbs(bigInk.left() - 2 * (pictureInk.left() + offset.x())) <= 2,
                 qPrintable(QStringLiteral("left %1").arg(bigInk.left())));
        QVERIFY(qAbs(bigInk.top() - 2 * (pictureInk.top() + offset.y())) <= 2);
        QVERIFY(qAbs(bigInk.width() - 2 * pictureInk.width()) <= 2);
        QVERIFY(qAbs(bigInk.height() - 2 * pictureInk.height()) <= 2);
    }
};

QTEST_MAIN(HighDpiTest)
#include "HighDpiTest.moc"
