#include <QApplication>
#include <QPalette>
#include <QWidget>

// A borderless black 656 x 81 window and nothing else: what any Qt program
// of the splash's shape costs before the game adds anything.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    window.setFixedSize(656, 81);
    QPalette black = window.palette();
    black.setColor(QPalette::Window, Qt::black);
    window.setPalette(black);
    window.setAutoFillBackground(true);
    window.show();
    return QApplication::exec();
}
