#include "frmSplash.h"

#include "AccessibleWindows.h"
#include "Figures.h"
#include "VirtualKeys.h"
#include "WindowPlacement.h"
#include "frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QShowEvent>

frmSplash::frmSplash() : frmSplash(nullptr) {}

frmSplash::frmSplash(std::unique_ptr<frmMain> main) : m_main(std::move(main)) {
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
    m_tmrDone.setInterval(kSplashMs);
    connect(&m_tmrDone, &QTimer::timeout, this, &frmSplash::tmrDone_Timer);
}

frmSplash::~frmSplash() = default;

frmMain* frmSplash::mainWindow() const {
    return m_handedOver ? m_main.get() : nullptr;
}

void frmSplash::Form_Load() {
    centreOnScreenWithFrame(*this);
    // Window managers rarely focus a splash on their own, and without one
    // nothing does; the splash asks for the keyboard itself so that a key can
    // skip it. Qt defers the request until the window is mapped.
    activateWindow();
    raise();
    setFocus(Qt::OtherFocusReason);
    m_tmrDone.start();
}

void frmSplash::Form_KeyDown(std::int16_t /*keyCode*/, std::int16_t /*shift*/) {
    handover();
}

void frmSplash::tmrDone_Timer() {
    handover();
}

void frmSplash::handover() {
    // A key and the timer can both fall due before either is handled; only
    // the first opens the main window.
    if (m_handedOver || m_cancelled) {
        return;
    }
    m_handedOver = true;
    m_tmrDone.stop();
    if (!m_main) {
        m_main = std::make_unique<frmMain>();
    }
    // The splash leaves the screen before the main window comes: both are
    // called Vantrel, and a window manager that keeps captions unique (KWin)
    // would call the main window "Vantrel <2>" for the whole game. Hiding is
    // not closing, so Qt does not end the program in between.
    hide();
    m_main->show();
    m_main->activateWindow();
    m_main->raise();
    m_closingForHandover = true;
    close();
}

bool frmSplash::event(QEvent* event) {
    // Any key-down skips the splash, Tab and the arrows included. The key is
    // consumed here and never reaches the game.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Form_KeyDown(virtualKeyCode(*key), shiftState(key->modifiers()));
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
    // Some window managers offer to close even a borderless splash. The
    // player who does that wants no game: the start is cancelled, the main
    // window never opens, and the program ends normally.
    if (!m_closingForHandover && !m_handedOver) {
        m_cancelled = true;
        m_tmrDone.stop();
        QCoreApplication::exit(0);
    }
    event->accept();
}
