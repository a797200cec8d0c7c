#include "frmMain.h"
#include "BoardFont.h"
#include "BoxRecorder.h"
#include "KeyCommands.h"
#include "MessageBoxDialog.h"
#include "Tick.h"
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
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

GameState freshGame() {
    GameState state;
    reset(state);
    return state;
}

std::string row(std::string_view cells) {
    std::string text(cells);
    text.resize(kColumns, ' ');
    return text;
}

// Answers the next real modal box once it is up: checks it with `inspect`,
// then presses `key` on it. Polls rather than waiting a fixed time, and stops
// looking after five seconds.
void answerRealBox(std::function<void(QMessageBox&)> inspect, Qt::Key key) {
    auto* poll = new QTimer;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        const bool up = box != nullptr && box->isVisible();
        if (!up && waited.elapsed() < 5000) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (up) {
            inspect(*box);
            QTest::keyClick(box->windowHandle(), key);
        }
    });
    poll->start(10);
}

// Notes when each tick starts: it sees the timer's event before the window's
// handler runs, so a tick that shows a box is logged before the box opens.
class TickWatch : public QObject {
public:
    explicit TickWatch(QTimer& timer) {
        clock.start();
        timer.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            starts.push_back(clock.elapsed());
        }
        return false;
    }

    QElapsedTimer clock;
    std::vector<qint64> starts;
};

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<BoxRecorder> m_boxes;

    QWindow* window() { return m_main->windowHandle(); }

private slots:
    void initTestCase() {
        // Closing a window would otherwise quit the test run itself.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init() {
        m_main = std::make_unique<frmMain>();
        m_boxes = std::make_unique<BoxRecorder>(*m_main);
        m_main->show();
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
        // Every glyph in a 13 px cell, letter spacing included, and a full
        // row 195 px: its label, with one pixel of overhang, 196 px.
        const int cell = metrics.horizontalAdvance(QStringLiteral(" "));
        QCOMPARE(cell, kBoardCellWidth);
        for (const char glyph : {'V', 'O', '\'', 'A', ' '}) {
            QCOMPARE(metrics.horizontalAdvance(QString(QLatin1Char(glyph))), cell);
        }
        QCOMPARE(metrics.horizontalAdvance(QString(kColumns, QLatin1Char('V'))), kColumns * cell);
        m_main->setRowText(2, std::string(kColumns, 'V'));
        QCOMPARE(m_main->lblGame(2).width(), kBoardMaxRowWidth);
        // The glyphs the game draws, set on the baseline of a top-aligned
        // label, must sit inside its 20 px.
        const QRect ink = metrics.tightBoundingRect(QStringLiteral("VOA'"));
        QVERIFY(metrics.ascent() + ink.top() >= 0);
        QVERIFY(metrics.ascent() + ink.bottom() < kRowHeight);
        qInfo("board font: %s, %d px cells, ink rows %d..%d", qPrintable(QFontInfo(font).family()),
              cell, metrics.ascent() + ink.top(), metrics.ascent() + ink.bottom());
    }

    void openingPictureLastsUntilFirstTick() {
        const int cell = boardCellWidth(m_main->lblGame(0).font());
        QCOMPARE(m_main->rowText(0), std::string("V V V V"));
        QCOMPARE(m_main->rowText(7), std::string("       A"));
        QCOMPARE(m_main->lblGame(0).width(), 7 * cell + 1);
        QCOMPARE(m_main->lblGame(7).width(), 8 * cell + 1);
        for (int r = 1; r < kRows - 1; ++r) {
            QCOMPARE(m_main->rowText(r), std::string());
            QCOMPARE(m_main->lblGame(r).width(), cell + 1);
        }
        QCOMPARE(m_main->gameState(), freshGame());

        QVERIFY(m_main->tmrStep().isActive());
        QCOMPARE(m_main->tmrStep().interval(), kTickMs);
        QCOMPARE(m_main->tmrStep().timerType(), Qt::PreciseTimer);
        QVERIFY(!m_main->tmrStep().isSingleShot());

        // The first tick draws the wave one column on.
        QTRY_COMPARE(m_main->rowText(0), row(" V V V V"));
        QCOMPARE(m_main->rowText(7), row("       A"));
    }

    void rowTextRoundTripsAndSizesLabel() {
        QLabel& label = m_main->lblGame(3);
        const QPoint home = label.pos();
        const int cell = boardCellWidth(label.font());

        m_main->setRowText(3, "V  ");
        QCOMPARE(m_main->rowText(3), std::string("V  "));
        QCOMPARE(label.width(), 3 * cell + 1);

        const std::string full = "VOV' V V V V AVV";
        m_main->setRowText(3, full.substr(0, kColumns));
        QCOMPARE(m_main->rowText(3), full.substr(0, kColumns));
        QVERIFY(label.width() <= kBoardMaxRowWidth);
        QVERIFY(label.geometry().right() < kClientWidth - kRowLeft);

        m_main->setRowText(3, "");
        QCOMPARE(m_main->rowText(3), std::string());
        QCOMPARE(label.pos(), home);
        QVERIFY(label.isVisible());

        // Texts are shown as they are, never as markup.
        m_main->setRowText(3, "<b>V</b>");
        QCOMPARE(label.text(), QStringLiteral("<b>V</b>"));

        // Rows outside the board are ignored rather than written past the end.
        m_main->setRowText(kRows, "V");
        m_main->setRowText(-1, "V");
        QCOMPARE(m_main->rowText(kRows), std::string());
        QCOMPARE(m_main->rowText(-1), std::string());
    }

    void steeringAndFireKeysOnlyLatch() {
        m_main->tmrStep().stop(); // keep the latches for the test to look at
        GameState expected = m_main->gameState();

        QTest::keyClick(window(), Qt::Key_Left);
        expected.keyLeft = 1;
        QCOMPARE(m_main->gameState(), expected);

        // Held keys repeat; every repeat reaches the game but the latch stays 1.
        for (int n = 0; n < 3; ++n) {
            qt_handleKeyEvent(window(), QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(),
                              true);
        }
        expected.keyRight = 1;
        QCOMPARE(m_main->gameState(), expected);

        QTest::keyClick(window(), Qt::Key_Space, Qt::ShiftModifier);
        expected.keyFire = 1;
        QCOMPARE(m_main->gameState(), expected);

        // Keys Qt would spend on focus, keys the game ignores, releases on
        // their own: nothing changes and nothing is shown.
        QTest::keyClick(window(), Qt::Key_Tab);
        QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(window(), Qt::Key_Up);
        QTest::keyClick(window(), Qt::Key_F13);
        QTest::keyClick(window(), Qt::Key_Eacute);
        qt_handleKeyEvent(window(), QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                          QStringLiteral("\u20ac"));
        QTest::keyClick(window(), Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyRelease(window(), Qt::Key_Escape);
        QCOMPARE(m_main->gameState(), expected);
        QCOMPARE(m_boxes->boxes.size(), std::size_t{1}); // only the Ctrl+Alt+F1 help
        QVERIFY(QApplication::focusWidget() == nullptr ||
                QApplication::focusWidget() == m_main.get());

        // The next tick carries the requests out: left then right, then fire.
        m_main->tmrStep_Timer();
        QCOMPARE(m_main->gameState().cannonCol, kCannonStartCol);
        QCOMPARE(m_main->gameState().shotRow, kShotStartRow);
        QCOMPARE(m_main->rowText(6), row("       '"));
    }

    void xRestartsWithOrWithoutShift() {
        for (const auto modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
            GameState& state = m_main->gameState();
            state.alienCol = {3, 5, -1, 9};
            state.waveRow = 4;
            state.shotCol = 2;
            state.shotRow = 3;
            state.cannonCol = 0;
            state.keyLeft = state.keyRight = state.keyFire = 1;
            m_main->setRowText(2, "picture");
            QTest::keyClick(window(), Qt::Key_X, modifiers);
            QCOMPARE(m_main->gameState(), freshGame());
            // The board is left alone until the next tick redraws it.
            QCOMPARE(m_main->rowText(2), std::string("picture"));
        }
        QVERIFY(m_boxes->boxes.empty());
    }

    void f1ShowsHelpAndChangesNothing() {
        m_main->gameState().keyRight = 1;
        const GameState before = m_main->gameState();
        QTest::keyClick(window(), Qt::Key_F1);
        QCOMPARE(m_boxes->boxes.size(), std::size_t{1});
        const auto& box = m_boxes->boxes.front();
        QCOMPARE(box.prompt, std::string(kHelpPrompt));
        QCOMPARE(box.title, std::string("Help File"));
        QCOMPARE(box.buttons, kButtonsOk);
        QCOMPARE(m_main->gameState(), before);
    }

    void escapeAnsweredNoChangesNothing() {
        m_main->gameState().keyRight = 1;
        m_main->gameState().keyFire = 1;
        const GameState before = m_main->gameState();
        m_boxes->answers = {kAnswerNo};
        QTest::keyClick(window(), Qt::Key_Escape);
        QCOMPARE(m_boxes->boxes.size(), std::size_t{1});
        QCOMPARE(m_boxes->boxes.front().prompt, std::string("Are you sure you want to quit?"));
        QCOMPARE(m_boxes->boxes.front().title, std::string());
        QCOMPARE(m_boxes->boxes.front().buttons, kButtonsYesNo);
        QCOMPARE(m_boxes->endCalls, 0);
        QCOMPARE(m_main->gameState(), before);
        QVERIFY(m_main->tmrStep().isActive());
    }

    void escapeAnsweredYesEndsProgram() {
        m_boxes->answers = {kAnswerYes};
        QTest::keyClick(window(), Qt::Key_Escape);
        QCOMPARE(m_boxes->endCalls, 1);
        QVERIFY(!m_main->tmrStep().isActive());

        // Nothing of the game runs afterwards, whatever still arrives.
        const GameState after = m_main->gameState();
        const std::string board = m_main->rowText(0);
        QTest::keyClick(window(), Qt::Key_Left);
        QTest::keyClick(window(), Qt::Key_Escape);
        m_main->tmrStep_Timer();
        QTest::qWait(kTickMs * 2);
        QCOMPARE(m_main->gameState(), after);
        QCOMPARE(m_main->rowText(0), board);
        QCOMPARE(m_boxes->boxes.size(), std::size_t{1});
        QCOMPARE(m_boxes->endCalls, 1);
    }

    void noTickWhileAnyBoxIsOpen_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("title");
        QTest::newRow("loss") << "loss"
                              << "Sorry!";
        QTest::newRow("win") << "win"
                             << "Congratulations!";
        QTest::newRow("help") << "help"
                              << "Help File";
        QTest::newRow("quit") << "quit"
                              << "";
    }

    void noTickWhileAnyBoxIsOpen() {
        QFETCH(QString, trigger);
        QFETCH(QString, title);

        TickWatch ticks(m_main->tmrStep());
        int ticksWhileOpen = -1;
        qint64 closedAt = -1;
        m_boxes->whileOpen = [&] {
            const auto before = ticks.starts.size();
            QTest::qWait(kTickMs + kTickMs / 5);
            ticksWhileOpen = static_cast<int>(ticks.starts.size() - before);
            closedAt = ticks.clock.elapsed();
        };

        GameState& state = m_main->gameState();
        if (trigger == "loss") {
            // The wave is about to drop onto the cannon's row; the real timer
            // runs the tick that finds the loss.
            state.waveRow = 6;
            state.alienCol = {8, 10, 12, 14};
            QTRY_COMPARE(m_boxes->boxes.size(), std::size_t{1});
            QCOMPARE(m_boxes->boxes.front().prompt, std::string(kLossPrompt));
        } else if (trigger == "win") {
            // The last alien steps into the cell the shot rises into.
            state.alienCol = {-1, -1, -1, 5};
            state.shotCol = 6;
            state.shotRow = 1;
            m_main->tmrStep_Timer();
            QCOMPARE(m_boxes->boxes.front().prompt, std::string("You win! Your score was: 7"));
            QCOMPARE(m_main->rowText(0), row("      O"));
        } else if (trigger == "help") {
            QTest::keyClick(window(), Qt::Key_F1);
        } else {
            QTest::keyClick(window(), Qt::Key_Escape);
        }

        QCOMPARE(m_boxes->boxes.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(m_boxes->boxes.front().title), title);
        QVERIFY(!m_boxes->boxes.front().timerRunning);
        QCOMPARE(ticksWhileOpen, 0);
        if (trigger == "loss" || trigger == "win") {
            QCOMPARE(m_main->gameState().alienCol, kAlienStartCols);
        }
        // Restarted afresh: the next beat comes a whole interval after the box.
        QVERIFY(m_main->tmrStep().isActive());
        QTRY_VERIFY(!ticks.starts.empty() && ticks.starts.back() > closedAt);
        const auto next = std::find_if(ticks.starts.begin(), ticks.starts.end(),
                                       [&](qint64 t) { return t > closedAt; });
        QVERIFY(*next - closedAt >= kTickMs - 5);
    }

    // The two tests below answer real QMessageBoxes, as a player would.
    void realHelpBoxIsModalPlainAndBlocksTheGame() {
        m_main->setMessageBoxHandler(showMessageBox);
        bool inspected = false;
        answerRealBox(
            [&](QMessageBox& box) {
                inspected = true;
                QCOMPARE(box.text(), QString::fromUtf8(kHelpPrompt.data(), kHelpPrompt.size()));
                QCOMPARE(box.windowTitle(), QStringLiteral("Help File"));
                QCOMPARE(box.icon(), QMessageBox::NoIcon);
                QCOMPARE(box.buttons().size(), 1);
                QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
                QVERIFY(box.isModal());
                QVERIFY(!m_main->tmrStep().isActive());
                // A key meant for the game is blocked while the box is up.
                QTest::keyClick(window(), Qt::Key_Right);
                QCOMPARE(m_main->gameState().keyRight, std::int16_t{0});
            },
            Qt::Key_Return);
        QTest::keyClick(window(), Qt::Key_F1);
        QVERIFY(inspected);
        QVERIFY(m_main->tmrStep().isActive());
        QCOMPARE(m_main->gameState().keyRight, std::int16_t{0});
    }

    void realQuitBoxDefaultsToYesAndEscapeMeansNo() {
        m_main->setMessageBoxHandler(showMessageBox);
        bool inspected = false;
        answerRealBox(
            [&](QMessageBox& box) {
                inspected = true;
                QCOMPARE(box.text(), QStringLiteral("Are you sure you want to quit?"));
                QCOMPARE(box.icon(), QMessageBox::NoIcon);
                QCOMPARE(box.buttons().size(), 2);
                QCOMPARE(box.defaultButton(), box.button(QMessageBox::Yes));
            },
            Qt::Key_Escape);
        QTest::keyClick(window(), Qt::Key_Escape);
        QVERIFY(inspected);
        QCOMPARE(m_boxes->endCalls, 0);

        answerRealBox([](QMessageBox&) {}, Qt::Key_Return);
        QTest::keyClick(window(), Qt::Key_Escape);
        QCOMPARE(m_boxes->endCalls, 1);
    }

    void lossBoxWhileAwayLeavesTheOtherWindowAlone() {
        m_main->setMessageBoxHandler(showMessageBox);
        QWidget other; // the window of another program the player went to
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!m_main->isActiveWindow());

        bool inspected = false;
        QTimer::singleShot(0, this, [&] {
            QMessageBox* box = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible()) {
                    box = found;
                }
            }
            QVERIFY(box != nullptr);
            QCOMPARE(QApplication::activeWindow(), &other);
            // While the box waits, the game's window takes no input of its
            // own: no key reaches the game, and the close box waits too.
            QTest::keyClick(window(), Qt::Key_Right);
            QCOMPARE(m_main->gameState().keyRight, std::int16_t{0});
            QVERIFY(!window()->close());
            QVERIFY(m_main->isVisible());
            // Back at the game, the box takes the keyboard.
            m_main->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), box);
            inspected = true;
            // A key that reaches the game's window still answers the box.
            QTest::keyClick(window(), Qt::Key_Return);
        });
        QCOMPARE(m_main->messageBox(kLossPrompt, kButtonsOk, ""), kAnswerOk);
        QVERIFY(inspected);
        QVERIFY(m_main->tmrStep().isActive());
        QCOMPARE(m_main->gameState().keyRight, std::int16_t{0});
    }

    void closeBoxEndsProgramWithoutQuestion() {
        QApplication::setQuitOnLastWindowClosed(true);
        QTimer::singleShot(0, this, [this] { window()->close(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
        const int exitCode = QApplication::exec();
        QApplication::setQuitOnLastWindowClosed(false);

        QCOMPARE(exitCode, 0);
        QVERIFY(!m_main->isVisible());
        QVERIFY(!m_main->tmrStep().isActive());
        QVERIFY(m_boxes->boxes.empty());
        QCOMPARE(m_boxes->endCalls, 0);
    }

    void keyTranslation() {
        // The routing tests above cover the game's own keys; here the rest.
        QCOMPARE(virtualKeyCode(Qt::Key_F12), std::int16_t{123});
        QCOMPARE(virtualKeyCode(Qt::Key_7), std::int16_t{'7'});
        for (const int ignored :
             {int(Qt::Key_F25), int(Qt::Key_Eacute), int(Qt::Key_unknown), -1}) {
            QCOMPARE(virtualKeyCode(ignored), kVirtualKeyNone);
        }
        QCOMPARE(shiftState(Qt::ShiftModifier | Qt::AltModifier), std::int16_t{5});
        QCOMPARE(shiftState(Qt::ControlModifier | Qt::KeypadModifier), std::int16_t{2});
    }

    void keysOfOtherLayouts_data() {
        // What Qt reports for a key (its code and the X keycode of its place)
        // under a layout, and the virtual key code the game must get.
        QTest::addColumn<int>("key");
        QTest::addColumn<uint>("keycode");
        QTest::addColumn<int>("code");
        QTest::newRow("ru X key") << 0x427 << 53u << int('X');
        QTest::newRow("ru x key, small letter") << 0x447 << 53u << int('X');
        QTest::newRow("gr X key") << 0x3a7 << 53u << int('X');
        QTest::newRow("ru Q key") << 0x419 << 24u << int('Q');
        QTest::newRow("ru M key") << 0x42c << 58u << int('M');
        QTest::newRow("unnamed key at 7") << int(Qt::Key_unknown) << 16u << int('7');
        // A non-Latin letter off the letter rows has no US letter to take.
        QTest::newRow("ru comma key") << 0x411 << 59u << int(kVirtualKeyNone);
        // Latin layouts keep their own letters, not the US places.
        QTest::newRow("fr A at US Q") << int(Qt::Key_A) << 24u << int('A');
        QTest::newRow("de Z at US Y") << int(Qt::Key_Z) << 29u << int('Z');
        QTest::newRow("de Y at US Z") << int(Qt::Key_Y) << 52u << int('Y');
        QTest::newRow("fr e-acute at US 2") << int(Qt::Key_Eacute) << 11u << int(kVirtualKeyNone);
        QTest::newRow("fr comma at US M") << int(Qt::Key_Comma) << 58u << int(kVirtualKeyNone);
        QTest::newRow("ru left arrow") << int(Qt::Key_Left) << 113u << 37;
        QTest::newRow("ru space") << int(Qt::Key_Space) << 65u << 32;
        QTest::newRow("ru Escape") << int(Qt::Key_Escape) << 9u << 27;
        QTest::newRow("ru F1") << int(Qt::Key_F1) << 67u << 112;
        QTest::newRow("synthetic key, no keycode") << 0x427 << 0u << int(kVirtualKeyNone);
    }

    void keysOfOtherLayouts() {
        QFETCH(int, key);
        QFETCH(uint, keycode);
        QFETCH(int, code);
        QCOMPARE(int(virtualKeyCode(key, keycode)), code);
    }

    void cyrillicXRestartsThroughTheWindow() {
        GameState& state = m_main->gameState();
        state.cannonCol = 0;
        state.waveRow = 4;
        // What the key labelled X sends under a Russian layout.
        QKeyEvent che(QEvent::KeyPress, 0x427, Qt::NoModifier, 53, 0x6de, 0,
                      QStringLiteral("\u0447"));
        QApplication::sendEvent(m_main.get(), &che);
        QCOMPARE(m_main->gameState(), freshGame());
    }
};

QTEST_MAIN(FrmMainTest)
#include "FrmMainTest.moc"
