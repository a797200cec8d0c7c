#include "frmMain.h"
#include "BoardFont.h"
#include "BoxRecorder.h"
#include "Figures.h"
#include "GoldenReplay.h"
#include "KeyCommands.h"
#include "VirtualKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <fstream>
#include <memory>

class FrmMainTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<BoxRecorder> m_boxes;

    QWindow* window() { return m_main->windowHandle(); }
    GameState& game() { return m_main->session().state(); }
    QString shown(int row) { return m_main->lblGame(row).text(); }

private slots:
    void initTestCase() {
        // Closing a window would otherwise quit the test run itself.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init() {
        m_main = std::make_unique<frmMain>();
        m_boxes = std::make_unique<BoxRecorder>(*m_main);
        startOnBoard(*m_main);
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    }

    void cleanup() {
        m_boxes.reset();
        m_main.reset();
    }

    void windowLooksAsDesigned() {
        QCOMPARE(m_main->size(), QSize(kClientWidth, kClientHeight));
        QCOMPARE(m_main->minimumSize(), m_main->maximumSize());
        QCOMPARE(m_main->windowTitle(), QStringLiteral("Vantrel"));
        QVERIFY(!m_main->windowIcon().isNull());

        const Qt::WindowFlags flags = m_main->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_main->palette().color(QPalette::Window), QColor(Qt::black));
        const QPoint centre = m_main->screen()->availableGeometry().center();
        QVERIFY((m_main->geometry().center() - centre).manhattanLength() <= 2);

        // Only the window itself may hold the keyboard focus.
        for (const QWidget* child : m_main->findChildren<QWidget*>()) {
            QCOMPARE(child->focusPolicy(), Qt::NoFocus);
        }
        for (int r = 0; r < kRows; ++r) {
            const QLabel& label = m_main->lblGame(r);
            QCOMPARE(label.pos(), QPoint(kRowLeft, kRowTop + kRowPitch * r));
            QCOMPARE(label.height(), kRowHeight);
            QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0x00, 0xFF, 0x00));
        }
        QVERIFY(m_main->lblGame(kRows - 1).geometry().bottom() < kClientHeight);
    }

    void boardFontHasOneEqualCell() {
        const QFont font = m_main->lblGame(0).font();
        QVERIFY(QFontInfo(font).fixedPitch());
        QVERIFY(QFontInfo(font).bold());
        const QFontMetrics metrics(font);
        // Every glyph in one cell, letter spacing included, so that a row of
        // them is kColumns cells wide.
        const int cell = metrics.horizontalAdvance(QStringLiteral(" "));
        QCOMPARE(cell, kCellWidth);
        for (const char glyph : {'V', 'O', '\'', 'A', ' '}) {
            QCOMPARE(metrics.horizontalAdvance(QString(QLatin1Char(glyph))), cell);
        }
        QCOMPARE(metrics.horizontalAdvance(QString(kColumns, QLatin1Char('V'))), kColumns * cell);
        // The glyphs the game draws, set on the baseline of a top-aligned
        // label, must sit inside its height.
        const QRect ink = metrics.tightBoundingRect(QStringLiteral("VOA'"));
        QVERIFY(metrics.ascent() + ink.top() >= 0);
        QVERIFY(metrics.ascent() + ink.bottom() < kRowHeight);
        qInfo("board font: %s, %d px cells, ink rows %d..%d", qPrintable(QFontInfo(font).family()),
              cell, metrics.ascent() + ink.top(), metrics.ascent() + ink.bottom());
    }

    void openingPictureLastsUntilFirstTick() {
        for (int r = 0; r < kRows; ++r) {
            QCOMPARE(shown(r), QString::fromStdString(m_main->session().rowText(r)));
        }

        QVERIFY(m_main->tmrStep().isActive());
        QCOMPARE(m_main->tmrStep().interval(), kTickMs);
        QCOMPARE(m_main->tmrStep().timerType(), Qt::PreciseTimer);
        QVERIFY(!m_main->tmrStep().isSingleShot());
        // The step timer's own expiry runs the first beat.
        QTRY_COMPARE(shown(0), QStringLiteral(" V V V V       "));
    }

    void rowLabelFollowsItsText() {
        QLabel& label = m_main->lblGame(3);
        const QPoint home = label.pos();
        const int cell = boardCellWidth(label.font());

        m_main->showRow(3, "V  ");
        QCOMPARE(label.text(), QStringLiteral("V  "));
        QCOMPARE(label.width(), 3 * cell + 1);

        m_main->showRow(3, "VOV' V V V V AV");
        QCOMPARE(label.text(), QStringLiteral("VOV' V V V V AV"));
        QCOMPARE(label.width(), kFullRowWidth);
        QVERIFY(label.geometry().right() < kClientWidth - kRowLeft);

        // An empty row keeps one cell, so that it stays a placed control.
        m_main->showRow(3, "");
        QCOMPARE(label.text(), QString());
        QCOMPARE(label.width(), cell + 1);
        QCOMPARE(label.pos(), home);
        QVERIFY(label.isVisible());

        // Texts are shown as they are, never as markup.
        m_main->showRow(3, "<b>V</b>");
        QCOMPARE(label.text(), QStringLiteral("<b>V</b>"));

        // Rows outside the board are ignored rather than written past the end.
        m_main->showRow(kRows, "V");
        m_main->showRow(-1, "V");
        m_main->describeRow(kRows, "V");
    }

    void steeringAndFireKeysOnlyLatch() {
        m_main->tmrStep().stop(); // keep the latches for the test to look at
        GameState expected = game();

        QTest::keyClick(window(), Qt::Key_Left);
        expected.keyLeft = 1;
        QCOMPARE(game(), expected);

        // A held key's repeats reach the game (the latch is the rules' concern).
        qt_handleKeyEvent(window(), QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(),
                          true);
        expected.keyRight = 1;
        QCOMPARE(game(), expected);

        QTest::keyClick(window(), Qt::Key_Space, Qt::ShiftModifier);
        expected.keyFire = 1;
        QCOMPARE(game(), expected);

        // Keys Qt would spend on focus, a key the game ignores (which keys
        // those are is keysOfOtherLayouts' and onlyTheGamesKeysTranslate's
        // part), releases on their own: nothing changes and nothing is shown.
        QTest::keyClick(window(), Qt::Key_Tab);
        QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(window(), Qt::Key_Up);
        QTest::keyRelease(window(), Qt::Key_Escape);
        QCOMPARE(game(), expected);
        QVERIFY(m_boxes->boxes.empty());
        QVERIFY(QApplication::focusWidget() == nullptr ||
                QApplication::focusWidget() == m_main.get());

        // F1, Escape and X reach the game whatever modifiers are held.
        QTest::keyClick(window(), Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(window(), Qt::Key_Escape, Qt::ShiftModifier);
        QCOMPARE(m_boxes->boxes.size(), std::size_t{2});
        QCOMPARE(m_boxes->boxes[0].kind, BoxKind::Help);
        QCOMPARE(m_boxes->boxes[1].kind, BoxKind::Quit);
        QTest::keyClick(window(), Qt::Key_X, Qt::ShiftModifier);
        GameState fresh;
        reset(fresh);
        QCOMPARE(game(), fresh); // the latches too
    }

    // The tests below answer real QMessageBoxes, as a player would.
    void realHelpBoxIsModalPlainAndStopsTheGame() {
        m_main->setBoxHandler({});
        bool inspected = false;
        QElapsedTimer sinceAnswer;
        answerRealBox(
            [&](QMessageBox& box) {
                inspected = true; // its texts are AccessibilityTest's
                QCOMPARE(box.icon(), QMessageBox::NoIcon);
                QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
                QVERIFY(box.isModal());
                // The game stands still behind the box.
                QVERIFY(!m_main->tmrStep().isActive());
                QTest::keyClick(window(), Qt::Key_Right);
                QCOMPARE(game().keyRight, std::int16_t{0});
                sinceAnswer.start();
            },
            Qt::Key_Escape); // Escape answers an OK box
        QTest::keyClick(window(), Qt::Key_F1);
        QTRY_VERIFY(inspected);
        // The answer starts the beat again with a whole interval.
        QVERIFY(m_main->tmrStep().isActive());
        const qint64 restarted = m_main->tmrStep().remainingTime() + sinceAnswer.elapsed();
        QVERIFY2(restarted >= kTickMs - 2, qPrintable(QString::number(restarted)));
        QCOMPARE(game().keyRight, std::int16_t{0});
        QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
    }

    void realQuitBoxDefaultsToYesAndEscapeMeansNo() {
        m_main->setBoxHandler({});
        bool inspected = false;
        answerRealBox(
            [&](QMessageBox& box) {
                inspected = true;
                QCOMPARE(box.icon(), QMessageBox::NoIcon);
                QCOMPARE(box.defaultButton(), box.button(QMessageBox::Yes));
            },
            Qt::Key_Escape);
        QTest::keyClick(window(), Qt::Key_Escape);
        QTRY_VERIFY(inspected);
        QTRY_VERIFY(m_main->tmrStep().isActive());
        QCOMPARE(m_boxes->endCalls, 0);

        answerRealBox([](QMessageBox&) {}, Qt::Key_Return);
        QTest::keyClick(window(), Qt::Key_Escape);
        QTRY_COMPARE(m_boxes->endCalls, 1);
        QVERIFY(!m_main->tmrStep().isActive());
    }

    void lossWhileAwayWaitsForThePlayer_data() {
        QTest::addColumn<bool>("closes");
        QTest::newRow("the player comes back") << false;
        QTest::newRow("the player closes the game") << true;
    }

    void lossWhileAwayWaitsForThePlayer() {
        QFETCH(bool, closes);
        m_main->setBoxHandler({});
        QWidget other; // the window of another program the player went to
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));

        // The wave drops onto the cannon's row: the tick finds the loss.
        game().waveRow = 6;
        game().alienCol = {8, 10, 12, 14};
        m_main->tmrStep_Timer();
        QVERIFY(m_main->session().openBox());
        QVERIFY(!m_main->tmrStep().isActive());
        // No box takes the other program's keyboard; the game waits for the
        // player, and keys that still reach its window change nothing.
        QTest::qWait(kTickMs);
        QCOMPARE(QApplication::activeWindow(), &other);
        const auto* waiting = m_main->findChild<QMessageBox*>();
        QVERIFY(waiting != nullptr && !waiting->isVisible());
        QTest::keyClick(window(), Qt::Key_Right);
        QCOMPARE(game().keyRight, std::int16_t{0});

        if (closes) {
            // The close box needs no answer to the loss: its box never shows.
            QVERIFY(window()->close());
            m_main->activateWindow();
            QTest::qWait(50);
            QVERIFY(m_main->findChildren<QMessageBox*>().isEmpty());
            QVERIFY(m_main->session().ended());
            return;
        }
        // Back at the game, the box comes up with the keyboard.
        m_main->activateWindow();
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeWindow()) != nullptr);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeWindow());
        QCOMPARE(box->text().toStdString(), std::string(kLossPrompt));
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(!m_main->session().openBox());
        QVERIFY(m_main->tmrStep().isActive());
        QCOMPARE(game().alienCol, kAlienStartCols);
        QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
    }

    void keysOfOtherLayouts_data() {
        // What Qt reports for a key (its code and the X keycode of its place)
        // under a layout, and the virtual key code the game must get. A
        // synthetic event has no keycode.
        QTest::addColumn<int>("key");
        QTest::addColumn<uint>("keycode");
        QTest::addColumn<int>("code");
        QTest::newRow("ru X key") << 0x427 << 53u << int('X');
        QTest::newRow("ru x key, small letter") << 0x447 << 53u << int('X');
        QTest::newRow("gr X key") << 0x3a7 << 53u << int('X');
        QTest::newRow("unnamed key at X") << int(Qt::Key_unknown) << 53u << int('X');
        // Every other key is one the game ignores.
        QTest::newRow("ru Q key") << 0x419 << 24u << int(kVirtualKeyNone);
        QTest::newRow("unnamed key at 7") << int(Qt::Key_unknown) << 16u << int(kVirtualKeyNone);
        // Latin layouts keep their own letters, not the US places.
        QTest::newRow("de Y at US Z") << int(Qt::Key_Y) << 52u << int(kVirtualKeyNone);
        QTest::newRow("fr e-acute at US 2") << int(Qt::Key_Eacute) << 11u << int(kVirtualKeyNone);
        QTest::newRow("dvorak X at US B") << int(Qt::Key_X) << 56u << int('X');
        QTest::newRow("dvorak Q at US X") << int(Qt::Key_Q) << 53u << int(kVirtualKeyNone);
        QTest::newRow("fr comma at US M") << int(Qt::Key_Comma) << 58u << int(kVirtualKeyNone);
        QTest::newRow("synthetic key, no keycode") << 0x427 << 0u << int(kVirtualKeyNone);
    }

    void keysOfOtherLayouts() {
        QFETCH(int, key);
        QFETCH(uint, keycode);
        QFETCH(int, code);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, keycode, 0, 0);
        QCOMPARE(int(virtualKeyCode(event)), code);
    }

    void onlyTheGamesKeysTranslate() {
        // Latin-1, Qt's special and function keys and some oddities, away
        // from X's place: six give the game's codes, the others none.
        std::vector<int> keys = {Qt::Key_AltGr, Qt::Key_Dead_Grave, Qt::Key_Call, Qt::Key_unknown};
        for (int key = 0x20; key <= Qt::Key_Escape + 0x140;
             key = key == 0xff ? Qt::Key_Escape : key + 1) {
            keys.push_back(key);
        }
        int translated = 0;
        for (const int key : keys) {
            translated += virtualKeyCode(key, 24) != kVirtualKeyNone ? 1 : 0;
        }
        QCOMPARE(translated, 6);
    }

    // The golden replays (tests/replay/cases), played through the window: each
    // tick is tmrStep's, each key a key-down, each box answered as the case says.
    void goldenReplays() {
        for (const char* name : GoldenReplay::kCases) {
            frmMain main;
            GoldenReplay replay;
            bool ended = false;
            main.setBoxHandler([&](const BoxRequest& box) {
                main.answerBox(
                    static_cast<std::int16_t>(replay.box(box.buttons, box.title, box.prompt)));
            });
            main.setEndProgramHandler([&] { ended = true; });
            startOnBoard(main);
            main.tmrStep().stop();
            std::ifstream in(std::string(VANTREL_REPLAY_CASES "/") + name + ".in");
            std::ifstream expected(std::string(VANTREL_REPLAY_CASES "/") + name + ".out");
            QVERIFY(in && expected);
            std::ostringstream golden;
            golden << expected.rdbuf();
            QCOMPARE(replay.play(
                         in, {[&] { main.tmrStep_Timer(); },
                              [&](int code) { main.Form_KeyDown(static_cast<std::int16_t>(code)); },
                              [&](int row) { return main.lblGame(row).text().toStdString(); },
                              [&] { return main.session().state(); }, [&] { return ended; }}),
                     golden.str());
        }
    }
};

QTEST_MAIN(FrmMainTest)
#include "FrmMainTest.moc"
