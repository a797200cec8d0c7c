#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstring>

// A borderless black 656 x 81 window and nothing else: what any Qt program
// of the splash's shape costs before the game adds anything. With --timer it
// also runs an empty 250 ms timer like the game's; with --ticks it prints the
// length of 60 of those intervals, as vantrel_tick_timing does, and exits.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool printTicks = argc > 1 && std::strcmp(argv[1], "--ticks") == 0;
    const bool timer = printTicks || (argc > 1 && std::strcmp(argv[1], "--timer") == 0);

    QWidget window(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    window.setFixedSize(656, 81);
    QPalette black = window.palette();
    black.setColor(QPalette::Window, Qt::black);
    window.setPalette(black);
    window.setAutoFillBackground(true);

    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(250);
    using Clock = std::chrono::steady_clock;
    Clock::time_point last;
    int ticks = 0;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        if (!printTicks) {
            return;
        }
        const Clock::time_point now = Clock::now();
        if (ticks > 0) {
            const std::chrono::duration<double, std::milli> interval = now - last;
            std::printf("interval %.3f 0 0\n", interval.count());
        }
        last = now;
        if (++ticks == 61) {
            QCoreApplication::quit();
        }
    });
    if (timer) {
        beat.start();
    }
    window.show();
    return QApplication::exec();
}
