#include "KeyCommands.h"
#include "frmMain.h"

#include <QApplication>
#include <QString>
#include <QTest>
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A wide sample of Qt's own key events through the window: only the game's
// six keys may change anything, and no input may crash the window. What each
// virtual key code does is the key commands' test (every code, through the
// game session).
namespace {

// A game in progress with every latch clear, so that any change shows.
GameState midGame() {
    GameState state;
    state.alienCol = {3, 5, kNone, 9};
    state.waveRow = 2;
    state.shotCol = 10;
    state.shotRow = 4;
    state.cannonCol = 10;
    return state;
}

// What one key-down did to the window.
struct Effect {
    GameState state;
    std::vector<std::int16_t> boxes; // the button set of each box shown
    int ends = 0;
    bool rowsChanged = false;
};

class Harness {
public:
    Harness() {
        m_window.setBoxHandler([this](const BoxRequest& box) {
            m_effect.boxes.push_back(box.buttons);
            m_window.answerBox(box.escapeAnswer);
        });
        m_window.setEndProgramHandler([this] { ++m_effect.ends; });
        // The game takes keys once the splash has gone.
        m_window.session().load(m_window.nowMs());
        m_window.session().splashTimer(m_window.nowMs());
        for (int row = 0; row < kRows; ++row) {
            m_rows[static_cast<std::size_t>(row)] = m_window.session().rowText(row);
        }
    }

    frmMain& window() { return m_window; }

    void prepare() {
        // A box's answer starts the step timer again; no step may change the
        // state while the next key is looked at.
        m_window.tmrStep().stop();
        m_window.session().state() = midGame();
        m_effect = {};
    }

    Effect effect() {
        m_effect.state = m_window.session().state();
        for (int row = 0; row < kRows; ++row) {
            m_effect.rowsChanged |=
                m_window.session().rowText(row) != m_rows[static_cast<std::size_t>(row)];
        }
        return m_effect;
    }

private:
    frmMain m_window;
    Effect m_effect;
    std::array<std::string, kRows> m_rows;
};

bool unchanged(const Effect& effect) {
    return effect.state == midGame() && effect.boxes.empty() && effect.ends == 0 &&
           !effect.rowsChanged;
}

} // namespace

class KeySweepTest : public QObject {
    Q_OBJECT

private slots:
    void qtKeyEventsThroughTheWindow() {
        // Through Qt's own delivery and the window's translation, Latin-1
        // keys, Qt's special and function keys and some oddities, each with
        // several modifier sets.
        QApplication::setQuitOnLastWindowClosed(false);
        Harness harness;
        harness.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&harness.window()));

        std::vector<int> keys;
        for (int key = 0x20; key <= 0xff; ++key) {
            keys.push_back(key);
        }
        for (int key = Qt::Key_Escape; key <= Qt::Key_Escape + 0x140; ++key) {
            keys.push_back(key);
        }
        for (const int key : {int(Qt::Key_AltGr), int(Qt::Key_Dead_Grave), int(Qt::Key_Back),
                              int(Qt::Key_LaunchMail), int(Qt::Key_MediaPlay), int(Qt::Key_Call),
                              int(Qt::Key_unknown)}) {
            keys.push_back(key);
        }
        const std::array<Qt::KeyboardModifiers, 5> modifierSets = {
            Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier | Qt::AltModifier,
            Qt::KeypadModifier, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier};
        const std::array<int, 6> gameKeys = {Qt::Key_Left,   Qt::Key_Right, Qt::Key_Space,
                                             Qt::Key_Escape, Qt::Key_X,     Qt::Key_F1};

        std::vector<int> acted;
        int wrongIgnored = 0;
        for (const int key : keys) {
            const bool gameKey = std::find(gameKeys.begin(), gameKeys.end(), key) != gameKeys.end();
            for (const auto modifiers : modifierSets) {
                harness.prepare();
                // Qt's own press and release, as the platform plugin hands them on;
                // QTest::keyClick would refuse the keys it has no text for.
                for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                    qt_handleKeyEvent(harness.window().windowHandle(), type, key, modifiers);
                }
                const Effect effect = harness.effect();
                if (gameKey) {
                    acted.push_back(key);
                    QVERIFY2(!unchanged(effect), qPrintable(QString::number(key, 16)));
                } else if (!unchanged(effect)) {
                    ++wrongIgnored;
                    qWarning("Qt key 0x%x with modifiers 0x%x changed the game", key,
                             unsigned(modifiers));
                }
            }
        }
        QCOMPARE(wrongIgnored, 0);
        QCOMPARE(acted.size(), gameKeys.size() * modifierSets.size());
    }
};

QTEST_MAIN(KeySweepTest)
#include "KeySweepTest.moc"
