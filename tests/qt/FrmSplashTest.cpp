#include "frmSplash.h"
#include "BoxRecorder.h"
#include "Figures.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <memory>

class FrmSplashTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmMain> m_main;
    frmSplash* m_splash = nullptr; // owned by the main window
    std::unique_ptr<BoxRecorder> m_boxes;
    bool m_mainHiddenWhenSplashHid = false;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_splash && event->type() == QEvent::Hide) {
            m_mainHiddenWhenSplashHid = !m_main->isVisible();
        }
        return false;
    }

    void checkHandedOver() {
        QVERIFY(m_main->session().boardShowing());
        QVERIFY(m_main->isVisible());
        QVERIFY(!m_splash->isVisible());
        QVERIFY(!m_splash->tmrDone().isActive());
        // No two windows called Vantrel on the screen at once.
        QVERIFY(m_mainHiddenWhenSplashHid);
        QVERIFY(m_main->tmrStep().isActive());
        QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init() {
        // Fake boxes, so a key that wrongly reached the game would show up as
        // a recorded box, not a real one.
        m_main = std::make_unique<frmMain>();
        m_boxes = std::make_unique<BoxRecorder>(*m_main);
        m_splash = &m_main->splash();
        m_splash->installEventFilter(this);
        m_mainHiddenWhenSplashHid = false;
        m_main->session().load(m_main->nowMs());
        QVERIFY(QTest::qWaitForWindowExposed(m_splash));
        QTRY_COMPARE(QApplication::activeWindow(), m_splash);
    }

    void cleanup() {
        m_splash->removeEventFilter(this);
        m_boxes.reset();
        m_main.reset();
    }

    void splashLooksAsDesigned() {
        const Qt::WindowFlags flags = m_splash->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        // A tool window gets no taskbar button, and the keyboard everywhere.
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(m_splash->size(), QSize(kSplashWidth, kSplashHeight));
        QCOMPARE(m_splash->minimumSize(), m_splash->maximumSize());
        QCOMPARE(m_splash->palette().color(QPalette::Window), QColor(Qt::black));
        const QPoint centre = m_splash->screen()->availableGeometry().center();
        QVERIFY((m_splash->geometry().center() - centre).manhattanLength() <= 2);

        const QLabel& picture = m_splash->imgSplash();
        QCOMPARE(picture.geometry(), QRect(kSplashPictureLeft, kSplashPictureTop,
                                           kSplashPictureWidth, kSplashPictureHeight));
        QVERIFY(!picture.hasScaledContents());
        QCOMPARE(picture.pixmap().size(), QSize(kSplashPictureWidth, kSplashPictureHeight));
        QCOMPARE(picture.focusPolicy(), Qt::NoFocus);

        QVERIFY(m_splash->tmrDone().isActive());
        QVERIFY(m_splash->tmrDone().isSingleShot());
        QVERIFY(qAbs(m_splash->tmrDone().interval() - kSplashMs) <= 5);
        QCOMPARE(m_splash->tmrDone().timerType(), Qt::PreciseTimer);
        QVERIFY(!m_main->isVisible());
    }

    void timerHandsOverAfterTwoSeconds() {
        QElapsedTimer waited;
        waited.start();
        QTRY_VERIFY_WITH_TIMEOUT(m_main->isVisible(), 10000);
        QVERIFY(waited.elapsed() >= kSplashMs - 50);
        checkHandedOver();
    }

    void anyKeySkipsWithoutReachingTheGame_data() {
        // That no game key gets past the splash is the session's rule, tested
        // there; here a key with modifiers, one Qt spends on focus, and one
        // the game ignores must reach the splash and end it.
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("shift+x") << int(Qt::Key_X) << int(Qt::ShiftModifier);
        QTest::newRow("tab") << int(Qt::Key_Tab) << int(Qt::NoModifier);
        QTest::newRow("ctrl+alt+q") << int(Qt::Key_Q) << int(Qt::ControlModifier | Qt::AltModifier);
    }

    void anyKeySkipsWithoutReachingTheGame() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QTest::keyClick(m_splash->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        checkHandedOver();
        QCOMPARE(m_main->session().state().keyLeft, std::int16_t{0});
        QCOMPARE(m_main->session().state().keyRight, std::int16_t{0});
        QCOMPARE(m_main->session().state().keyFire, std::int16_t{0});
        QVERIFY(m_boxes->boxes.empty());
        QCOMPARE(m_boxes->endCalls, 0);
    }

    void keyAndTimerTogetherOpenOneWindow() {
        // Both fall due before the event loop next runs.
        QCoreApplication::postEvent(m_splash->windowHandle(),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
        m_splash->tmrDone().start(0);
        QTest::qWait(50);
        checkHandedOver();
    }

    void mouseClickDoesNothing() {
        QTest::mouseClick(m_splash->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseClick(m_splash->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(300, 40));
        QTest::mouseDClick(m_splash->windowHandle(), Qt::RightButton, Qt::NoModifier,
                           QPoint(300, 40));
        QVERIFY(!m_main->isVisible());
        QVERIFY(m_splash->isVisible());
        QVERIFY(m_splash->tmrDone().isActive());
    }
};

QTEST_MAIN(FrmSplashTest)
#include "FrmSplashTest.moc"
