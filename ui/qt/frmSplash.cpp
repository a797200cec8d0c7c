#include "frmSplash.h"

#include "AccessibleWindows.h"
#include "Figures.h"
#include "VirtualKeys.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QShowEvent>

frmSplash::frmSplash() {
    // Borderless, and a tool window rather than an application window, so that
    // it gets no taskbar button. Not a splash window: some window managers
    // (KWin) never give a splash the keyboard, and a key must skip it.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFixedSize(kSplashWidth, kSplashHeight);

    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::black);
    setPalette(background);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    installAccessibleWindows();
    setAccessibleName(QStringLiteral("Vantrel"));

    m_imgSplash = new QLabel(this);
    m_imgSplash->setObjectName(QStringLiteral("imgSplash"));
    m_imgSplash->setAccessibleName(QStringLiteral("Vantrel"));
    m_imgSplash->setAccessibleDescription(
        QStringLiteral("The game's title picture: Vantrel in raised green letters on black"));
    // The splash itself holds the keyboard, and a screen reader reads the
    // focused window's description, not its picture's: it gets the same.
    describeGameWindow(*this, m_imgSplash->accessibleDescription());
    m_imgSplash->setPixmap(QPixmap(QStringLiteral(":/assets/splash.bmp")));
    m_imgSplash->setScaledContents(false);
    m_imgSplash->setFocusPolicy(Qt::NoFocus);
    // A click on the picture must not reach anything: the splash ignores the mouse.
    m_imgSplash->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_imgSplash->setGeometry(kSplashPictureLeft, kSplashPictureTop, kSplashPictureWidth,
                             kSplashPictureHeight);

    m_tmrDone.setTimerType(Qt::PreciseTimer);
    m_tmrDone.setSingleShot(true);
}

frmSplash::~frmSplash() = default;

void frmSplash::Form_Load() {
    centreOnScreenWithFrame(*this);
    // Window managers rarely focus a splash on their own, and without one
    // nothing does; the splash asks for the keyboard itself so that a key can
    // skip it. Qt defers the request until the window is mapped.
    activateWindow();
    raise();
    setFocus(Qt::OtherFocusReason);
}

bool frmSplash::event(QEvent* event) {
    // Every key-down goes to the game session, Tab and the arrows included,
    // before QWidget can spend them on focus navigation.
    if (event->type() == QEvent::KeyPress) {
        emit Form_KeyDown(virtualKeyCode(*static_cast<QKeyEvent*>(event)));
        return true;
    }
    return QWidget::event(event);
}

void frmSplash::showEvent(QShowEvent* event) {
    if (!m_loaded && !event->spontaneous()) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::showEvent(event);
}

void frmSplash::closeEvent(QCloseEvent* event) {
    // Some window managers offer to close even a borderless splash.
    m_tmrDone.stop();
    emit closedByPlayer();
    event->accept();
}
