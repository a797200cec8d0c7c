#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// How often and how long to look for the frame after the first show. Window
// managers frame a window as they map it, so the frame is normally known
// within a few milliseconds; the long limit allows for a loaded machine.
constexpr int kFramePollMs = 20;
constexpr int kFramePolls = 150;
constexpr int kFramePollsPerAsk = 25;
constexpr int kFrameAsks = 2;
// A move is checked once the window manager has had time to carry it out,
// and made again a few times at most if the frame did not end up centred.
constexpr int kPollsPerCentring = 5;
constexpr int kCentrings = 3;

QRect availableArea(const QWidget& window) {
    QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen == nullptr ? QRect() : screen->availableGeometry();
}

// Whether the frame sits in the middle of the area, to the half pixel that
// odd sizes leave.
bool isCentred(const QRect& frame, const QRect& area) {
    const int dx = 2 * frame.left() + frame.width() - (2 * area.left() + area.width());
    const int dy = 2 * frame.top() + frame.height() - (2 * area.top() + area.height());
    return dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
}

// Moves a top-level window so that its frame, as far as Qt knows it, is
// centred on `area`.
void centreOn(QWidget& window, const QRect& area) {
    if (area.isNull()) {
        return;
    }
    // The client area is placed inside the frame the window reports now.
    // move() would place the frame by the widget's own copy of the frame's
    // margins, which Qt takes at a configure event and keeps: KWin 6 sends a
    // box's first one before it has framed the box, so the copy says "no
    // frame", and the frame landed a title bar above the centre, where every
    // later move() changed nothing.
    QMargins margins;
    if (const QWindow* handle = window.windowHandle(); handle != nullptr) {
        margins = handle->frameMargins();
    }
    QRect placed(QPoint(0, 0), window.size().grownBy(margins));
    placed.moveCenter(area.center());
    window.setGeometry(
        QRect(placed.topLeft() + QPoint(margins.left(), margins.top()), window.size()));
}

// Moves a top-level window to the centre of the available area of its screen,
// its frame included as far as Qt knows the frame yet.
void centreOnScreen(QWidget& window) {
    centreOn(window, availableArea(window));
}

} // namespace

void centreOnScreenWithFrame(QWidget& window) {
    centreOnScreen(window);
    centreWithFrame(window, [&window]() { return availableArea(window); });
}

void centreWithFrame(QWidget& window, const std::function<QRect()>& area) {
    auto* poll = new QTimer(&window);
    poll->setInterval(kFramePollMs);
    QObject::connect(
        poll, &QTimer::timeout, &window,
        [&window, area, poll, polls = 0, asks = 0, centrings = 0, sinceCentring = 0]() mutable {
            QWindow* handle = window.windowHandle();
            const QRect client = window.geometry();
            // Only a mapped window at its own size, inside a frame larger than
            // itself, is framed; anything else is a passing state.
            if (handle == nullptr || !window.isVisible() || client.size() != window.size() ||
                handle->geometry() != client) {
                // Not mapped yet.
            } else if (const QRect frame = handle->frameGeometry();
                       frame != client && frame.contains(client)) {
                if (centrings > 0 && isCentred(frame, area())) {
                    poll->deleteLater();
                    return;
                }
                if (centrings == 0 || ++sinceCentring >= kPollsPerCentring) {
                    if (centrings == kCentrings) {
                        poll->deleteLater();
                        return;
                    }
                    ++centrings;
                    sinceCentring = 0;
                    centreOn(window, area());
                }
            } else if (asks < kFrameAsks && polls % kFramePollsPerAsk == 0) {
                ++asks;
                // Qt learns of the frame only when the window is configured, and
                // some window managers (metacity) frame a window without
                // configuring it. A move there and back makes them answer.
                handle->setGeometry(client.translated(0, 1));
                handle->setGeometry(client);
            }
            if (++polls >= kFramePolls) {
                poll->deleteLater();
            }
        });
    poll->start();
}
