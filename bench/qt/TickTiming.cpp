#include "frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>

// Shows the real main window, lets its step timer run for 60 intervals and
// prints one line per interval: its length in milliseconds, how many row
// labels the step set and how many of those differed from what the label
// showed. Boxes are answered at once so that a loss cannot stop the run.
namespace {

constexpr int kIntervals = 60;

// The real window, counting the row updates the game session asks of it.
class CountingWindow : public frmMain {
public:
    void showRow(int row, std::string_view text) override {
        ++calls;
        changed += lblGame(row).text() != QString::fromUtf8(text.data(), text.size());
        frmMain::showRow(row, text);
    }

    int calls = 0;
    int changed = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CountingWindow window;
    window.setBoxHandler([&window](const BoxRequest& box) {
        window.answerBox(box.buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk);
    });
    window.setEndProgramHandler([] {});

    using Clock = std::chrono::steady_clock;
    Clock::time_point last;
    int ticks = 0;
    // Connected after the window's own handler, so this runs once the step
    // has drawn the board.
    QObject::connect(&window.tmrStep(), &QTimer::timeout, &window, [&] {
        const Clock::time_point now = Clock::now();
        if (ticks > 0) {
            const std::chrono::duration<double, std::milli> interval = now - last;
            std::printf("interval %.3f %d %d\n", interval.count(), window.calls, window.changed);
        }
        last = now;
        window.calls = window.changed = 0;
        if (++ticks == kIntervals + 1) {
            QCoreApplication::quit();
        }
    });
    // Straight to the board, as if the splash's time had run out.
    window.session().load(window.nowMs());
    window.session().splashTimer(window.nowMs());
    return QApplication::exec();
}
