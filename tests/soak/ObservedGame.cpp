#include "AccessibleWindows.h"
#include "GameProgram.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <cstdio>

// The game exactly as the real program starts it, plus an application-wide
// event filter that logs, on standard error, when each step of the game's
// timer fires and when a message box opens and closes. The soak test reads
// the log to count ticks and to check that none runs while a box is open.
// The filter only watches; it consumes nothing, so the game behaves as the
// shipped program does, and the shipped program carries none of this.
namespace {

class EventLog : public QObject {
public:
    explicit EventLog(frmMain& main) : m_main(main) { m_clock.start(); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Timer:
            // The filter sees the timer's event before the tick runs, so a
            // tick that opens a box is logged before the box.
            if (watched == &m_main.tmrStep()) {
                write("tick");
            }
            break;
        case QEvent::Show:
        case QEvent::Hide:
            if (qobject_cast<QMessageBox*>(watched) != nullptr) {
                write(event->type() == QEvent::Show ? "box-open" : "box-close");
            } else if (event->type() == QEvent::Show &&
                       qobject_cast<frmMain*>(watched) != nullptr && !m_mainShown) {
                m_mainShown = true;
                write("main-shown");
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void write(const char* what) {
        // The program ends with _Exit, so every line is flushed at once.
        std::fprintf(stderr, "soak %lld %s\n", static_cast<long long>(m_clock.elapsed()), what);
        std::fflush(stderr);
    }

    frmMain& m_main;
    QElapsedTimer m_clock;
    bool m_mainShown = false;
};

} // namespace

int main(int argc, char* argv[]) {
    joinAccessibilityBusWhenPresent();
    return runGame(argc, argv, [](frmMain& main) {
        // Owned by the game's window, which lives as long as the event loop runs.
        auto* log = new EventLog(main);
        log->setParent(&main);
        qApp->installEventFilter(log);
    });
}
