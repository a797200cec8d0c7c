#include "frmMain.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

// Shows the real main window, lets its step timer run for 60 intervals and
// prints how far each interval strayed from 250 ms, and how much CPU the
// process used meanwhile. Boxes are answered at once so that a loss cannot
// stop the run.
namespace {

constexpr int kIntervals = 60;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    frmMain window;
    window.setMessageBoxHandler(
        [](QWidget&, std::string_view, std::int16_t buttons, std::string_view) -> std::int16_t {
            return buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk;
        });
    window.setEndProgramHandler([] {});

    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> ticks;
    double cpuAtFirstTick = 0;
    QObject::connect(&window.tmrStep(), &QTimer::timeout, &window, [&] {
        ticks.push_back(Clock::now());
        if (ticks.size() == 1) {
            cpuAtFirstTick = cpuSeconds();
        }
        if (ticks.size() == kIntervals + 1) {
            QCoreApplication::quit();
        }
    });
    window.show();
    QApplication::exec();
    const double cpu = cpuSeconds() - cpuAtFirstTick;

    std::vector<double> errors;
    for (std::size_t n = 1; n < ticks.size(); ++n) {
        const std::chrono::duration<double, std::milli> interval = ticks[n] - ticks[n - 1];
        errors.push_back(interval.count() - kTickMs);
    }
    double sum = 0;
    double sumSquares = 0;
    double worst = 0;
    for (const double e : errors) {
        sum += e;
        sumSquares += e * e;
        worst = std::max(worst, std::abs(e));
    }
    const double count = static_cast<double>(errors.size());
    const std::chrono::duration<double> wall = ticks.back() - ticks.front();
    std::printf("tick period error over %zu intervals: mean %+.3f ms, rms %.3f ms, worst %.3f ms\n",
                errors.size(), sum / count, std::sqrt(sumSquares / count), worst);
    std::printf("total drift after %zu intervals: %+.3f ms\n", errors.size(), sum);
    std::printf("CPU while running: %.3f s in %.2f s (%.3f %%)\n", cpu, wall.count(),
                100.0 * cpu / wall.count());
    return 0;
}
