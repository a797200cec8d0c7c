#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

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
    window.move(placed.topLeft());
}
