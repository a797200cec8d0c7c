#include "frmMain.h"

#include "AccessibleWindows.h"
#include "Announcer.h"
#include "BoardFont.h"
#include "Figures.h"
#include "MessageBoxDialog.h"
#include "StartupNotice.h"
#include "VirtualKeys.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QShowEvent>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr QColor kBoardGreen{0x00, 0xFF, 0x00};

// Why the program ends by terminating the process rather than by asking Qt's
// event loop to stop: QCoreApplication::exit only sets a flag, and the
// handler that asked returns into Qt, which may still deliver events that
// were already queued before the loop looks at the flag. Ending the process
// leaves nothing to run afterwards. Nothing is saved, and the display server
// removes the windows of a client that has gone.
[[noreturn]] void terminateProgram() {
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

frmMain::frmMain()
    : m_boardFont(boardFont()), m_cellWidth(boardCellWidth(m_boardFont)),
      m_endProgram(terminateProgram) {
    m_clock.start();
    installAccessibleWindows();

    setWindowTitle(QStringLiteral("Vantrel"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));
    // A fixed single border with a close box only: no minimize, no maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // Qt scales these logical pixels to the screen's device pixels.
    setFixedSize(kClientWidth, kClientHeight);

    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::black);
    setPalette(background);
    setAutoFillBackground(true);

    // Screen readers announce the window by name and can explain the glyphs.
    // Where Qt has no announcements, the description carries the game's news
    // once it runs (Announcer).
    setAccessibleName(QStringLiteral("Vantrel"));
    describeGameWindow(
        *this,
        QStringLiteral("The game board, eight rows of fifteen cells: V is an alien, O a hit, "
                       "' your shot and A your cannon on the bottom row."));

    // The window itself takes every key; its children never hold the focus.
    setFocusPolicy(Qt::StrongFocus);
    createRows();

    m_tmrStep.setTimerType(Qt::PreciseTimer);
    m_tmrStep.setInterval(kTickMs);
    connect(&m_tmrStep, &QTimer::timeout, this, &frmMain::tmrStep_Timer);

    connect(&m_splash, &frmSplash::Form_KeyDown, this, &frmMain::Form_KeyDown);
    connect(&m_splash.tmrDone(), &QTimer::timeout, this,
            [this] { m_session.splashTimer(nowMs()); });
    // The player who closes the splash wants no game: the start is
    // cancelled, the main window never opens, and the program ends normally.
    connect(&m_splash, &frmSplash::closedByPlayer, this, [this] {
        if (m_session.splashShowing()) {
            m_session.close();
            QCoreApplication::exit(0);
        }
    });
}

frmMain::~frmMain() = default;

void frmMain::createRows() {
    QPalette green;
    green.setColor(QPalette::WindowText, kBoardGreen);
    for (int row = 0; row < kRows; ++row) {
        auto* label = new QLabel(this);
        label->setFont(m_boardFont);
        label->setPalette(green);
        label->setAutoFillBackground(false);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setMargin(0);
        label->setIndent(0);
        label->setFocusPolicy(Qt::NoFocus);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->move(kRowLeft, kRowTop + kRowPitch * row);
        // The row's text is its accessible name, so a reader reads the cells;
        // the description says which row it is and in which columns the
        // aliens, the shot and the cannon stand.
        m_lblGame[static_cast<std::size_t>(row)] = label;
    }
}

QLabel& frmMain::lblGame(int index) {
    return *m_lblGame.at(static_cast<std::size_t>(index));
}

void frmMain::Form_KeyDown(std::int16_t keyCode) {
    m_session.keyDown(keyCode, nowMs());
}

void frmMain::tmrStep_Timer() {
    m_session.step(nowMs());
}

void frmMain::answerBox(std::int16_t answer) {
    // The keyboard must come back to the board. A window manager would see
    // to that, but without one the focus is left on the root window when the
    // box closes, and the player's keys would go nowhere.
    activateWindow();
    m_session.answerBox(answer, nowMs());
}

void frmMain::showSplash(std::int64_t endsMs) {
    m_splash.tmrDone().start(static_cast<int>(std::max<std::int64_t>(endsMs - nowMs(), 0)));
    m_splash.show();
}

void frmMain::hideSplash() {
    // The splash leaves the screen before the main window comes: both are
    // called Vantrel, and a window manager that keeps captions unique (KWin)
    // would call the main window "Vantrel <2>" for the whole game. Hiding is
    // not closing, so Qt does not end the program in between.
    m_splash.tmrDone().stop();
    m_splash.hide();
    show();
    activateWindow();
    raise();
}

void frmMain::showRow(int row, std::string_view text) {
    if (row < 0 || row >= kRows) {
        return;
    }
    QLabel& label = *m_lblGame[static_cast<std::size_t>(row)];
    const QString shown = toQString(text);
    label.setText(shown);
    // A row label sizes itself to its text, but an empty row keeps one cell's
    // width so that it stays a visible, placed control. Bold glyphs can reach
    // one pixel past their advance, which the label keeps.
    const int width = std::max(QFontMetrics(m_boardFont).horizontalAdvance(shown), m_cellWidth);
    label.resize(width + kRowOverhang, kRowHeight);
}

void frmMain::describeRow(int row, std::string_view description) {
    if (row >= 0 && row < kRows) {
        m_lblGame[static_cast<std::size_t>(row)]->setAccessibleDescription(toQString(description));
    }
}

void frmMain::startStepTimer() {
    m_tmrStep.start();
}

void frmMain::stopStepTimer() {
    m_tmrStep.stop();
}

void frmMain::showBox(const BoxRequest& request) {
    if (m_boxHandler) {
        m_boxHandler(request);
        return;
    }
    QMessageBox* box = createMessageBox(*this, request);
    connect(box, &QDialog::finished, this, [this, box] {
        box->deleteLater();
        answerBox(messageBoxAnswer(*box));
    });
    m_waitingBox = box;
    // A key comes only to the active window, so the boxes that answer the
    // player's own keys (help, quit) show at once. A loss or win box comes
    // from the step timer, which runs on while the player works in another
    // program; a box that came up there would take the keys typed for that
    // program. It waits instead, the game asks for attention, and the box
    // shows once the player is back at the game.
    if (isActiveWindow()) {
        showWaitingBox();
    } else {
        QApplication::alert(this);
        setUrgent(*this, true);
    }
}

void frmMain::showWaitingBox() {
    if (m_waitingBox == nullptr || !isActiveWindow()) {
        return;
    }
    // Modal to this window, without a nested event loop: the answer comes
    // through the finished signal.
    setUrgent(*this, false);
    m_waitingBox->open();
    m_waitingBox.clear();
}

void frmMain::sayNews(std::string_view text) {
    announce(*this, toQString(text));
}

void frmMain::endProgram() {
    m_endProgram();
}

void frmMain::setBoxHandler(BoxHandler handler) {
    m_boxHandler = std::move(handler);
}

void frmMain::setEndProgramHandler(EndProgramHandler handler) {
    m_endProgram = std::move(handler);
}

bool frmMain::event(QEvent* event) {
    // Every key-down goes to the game, auto-repeats included, before QWidget
    // can spend Tab or the arrows on focus navigation. Releases are ignored.
    if (event->type() == QEvent::KeyPress) {
        Form_KeyDown(virtualKeyCode(*static_cast<QKeyEvent*>(event)));
        return true;
    }
    return QWidget::event(event);
}

void frmMain::changeEvent(QEvent* event) {
    // The player is back at the game: a box that waited shows now. Queued,
    // so that Qt has finished activating this window before the box takes
    // the keyboard from it.
    if (event->type() == QEvent::ActivationChange && m_waitingBox != nullptr) {
        QMetaObject::invokeMethod(this, &frmMain::showWaitingBox, Qt::QueuedConnection);
    }
    QWidget::changeEvent(event);
}

void frmMain::showEvent(QShowEvent* event) {
    // The window appears centred on the screen the first time it shows.
    if (!m_placed && !event->spontaneous()) {
        m_placed = true;
        centreOnScreenWithFrame(*this);
    }
    QWidget::showEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The close box ends the game without a question: the window unloads, its
    // timer stops, and Qt ends the program with its last window. A box that
    // waited for the player is never shown.
    m_session.close();
    delete m_waitingBox;
    event->accept();
}
