#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
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

} // namespace

void centreOnScreen(QWidget& window) {
    QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    QRect placed(QPoint(0, 0), window.frameGeometry().size());
    placed.moveCenter(screen->availableGeometry().center());
    // For a window, move() places the frame's top-left corner.
    window.move(placed.topLeft());
}

void centreOnScreenWithFrame(QWidget& window) {
    centreOnScreen(window);
    auto* poll = new QTimer(&window);
    poll->setInterval(kFramePollMs);
    QObject::connect(poll, &QTimer::timeout, &window,
                     [&window, poll, polls = 0, asks = 0]() mutable {
                         QWindow* handle = window.windowHandle();
                         const QRect client = window.geometry();
                         const QRect frame = window.frameGeometry();
                         // Only a mapped window at its own size, inside a frame larger than
                         // itself, is framed; anything else is a passing state.
                         if (handle == nullptr || !window.isVisible() ||
                             client.size() != window.size() || handle->geometry() != client) {
                             // Not mapped yet.
                         } else if (frame != client && frame.contains(client)) {
                             centreOnScreen(window);
                             poll->deleteLater();
                             return;
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
