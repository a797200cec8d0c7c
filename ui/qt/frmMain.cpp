#include "frmMain.h"

#include "AccessibleWindows.h"
#include "BoardFont.h"
#include "KeyCommands.h"
#include "MessageBoxDialog.h"
#include "RowDescription.h"
#include "Tick.h"
#include "VirtualKeys.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QColor>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QShowEvent>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr QColor kBoardGreen{0x00, 0xFF, 0x00};

// The opening picture is that of a freshly reset game, so the window looks
// right during the quarter second before the first tick redraws it.
constexpr std::array<std::string_view, kRows> kOpeningRows = {
    "V V V V", // the wave in columns 0, 2, 4 and 6
    "",         "", "", "", "", "",
    "       A", // the cannon in column 7
};

// Bold glyphs can reach one pixel past their advance; the label keeps that
// pixel so the last glyph of a row is never clipped.
constexpr int kLabelOverhang = 1;

// Why the program ends by terminating the process rather than by asking Qt's
// event loop to stop: QCoreApplication::exit only sets a flag. The handler
// that asked returns into Qt, which may still deliver events that were
// already queued (a due tick, another key, a close) before the loop looks at
// the flag, and if a modal box's loop were running, control would come back
// into the code after that box. Ending the process leaves no code path that
// could run a handler afterwards. Nothing is saved, and the display server
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
      m_messageBox([this](QWidget& owner, std::string_view prompt, std::int16_t buttons,
                          std::string_view title) {
          // A box that answers the player's key takes the keyboard; a loss
          // or win box from the timer only if the player is at the game.
          return showMessageBoxWithFocus(owner, prompt, buttons, title,
                                         m_keyDownDepth > 0 ? BoxFocus::Take
                                                            : BoxFocus::TakeIfActive);
      }),
      m_endProgram(terminateProgram) {
    Form_Initialize();
    installAccessibleWindows();

    setWindowTitle(QStringLiteral("Vantrel"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));
    // A fixed single border with a close box only: no minimize, no maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::black);
    setPalette(background);
    setAutoFillBackground(true);

    // Screen readers announce the window by name and can explain the glyphs.
    // Once the game runs, the description carries its news (Announcer).
    setAccessibleName(QStringLiteral("Vantrel"));
    setAccessibleDescription(
        QStringLiteral("The game board, eight rows of fifteen cells: V is an alien, O a hit, "
                       "' your shot and A your cannon on the bottom row."));

    // The window itself takes every key; its children never hold the focus.
    setFocusPolicy(Qt::StrongFocus);
    createRows();

    m_tmrStep.setTimerType(Qt::PreciseTimer);
    m_tmrStep.setInterval(kTickMs);
    connect(&m_tmrStep, &QTimer::timeout, this, &frmMain::tmrStep_Timer);
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
        setRowText(row, kOpeningRows[static_cast<std::size_t>(row)]);
    }
    describeRows();
}

void frmMain::describeRows() {
    for (std::size_t row = 0; row < m_lblGame.size(); ++row) {
        std::string description = describeRow(static_cast<int>(row), m_rowTexts[row]);
        if (description != m_rowDescriptions[row]) {
            m_lblGame[row]->setAccessibleDescription(QString::fromStdString(description));
            m_rowDescriptions[row] = std::move(description);
        }
    }
}

void frmMain::publishBoard() {
    // The tick builds each row a glyph at a time; descriptions and news are
    // worked out once the picture is whole, so a reader hears no half rows.
    describeRows();
    m_announcer.post(m_news.update(m_state));
}

QLabel& frmMain::lblGame(int index) {
    return *m_lblGame.at(static_cast<std::size_t>(index));
}

void frmMain::Form_Initialize() {
    // The Windows front-end loads the common controls here. Nothing in this
    // window depends on them, and Qt needs no such call.
}

void frmMain::Form_Load() {
    reset(m_state);
    m_news.restart(m_state);
    m_tmrStep.start();
}

void frmMain::Form_KeyDown(std::int16_t keyCode, std::int16_t shift) {
    if (m_ended) {
        return;
    }
    ++m_keyDownDepth;
    keyDown(m_state, keyCode, shift, *this);
    --m_keyDownDepth;
}

void frmMain::tmrStep_Timer() {
    if (m_ended) {
        return;
    }
    tick(m_state, *this);
    if (!m_ended) {
        publishBoard();
    }
}

void frmMain::setRowText(int row, std::string_view text) {
    if (row < 0 || row >= kRows) {
        return;
    }
    const auto index = static_cast<std::size_t>(row);
    m_rowTexts[index] = std::string(text);
    QLabel& label = *m_lblGame[index];
    const QString shown = toQString(text);
    label.setText(shown);
    // A row label sizes itself to its text, but an empty row keeps one cell's
    // width so that it stays a visible, placed control.
    const int width = std::max(QFontMetrics(m_boardFont).horizontalAdvance(shown), m_cellWidth);
    label.resize(width + kLabelOverhang, kRowHeight);
}

std::string frmMain::rowText(int row) const {
    if (row < 0 || row >= kRows) {
        return {};
    }
    return m_rowTexts[static_cast<std::size_t>(row)];
}

std::int16_t frmMain::messageBox(std::string_view prompt, std::int16_t buttons,
                                 std::string_view title) {
    // No tick may start while a box waits for the player: the tick that showed
    // a loss or win box resets the game only once the box has closed. The
    // timer stops for every box and restarts with a full interval afterwards,
    // so the player also gets a whole beat after reading help or declining to
    // quit.
    if (m_openBoxes++ == 0) {
        m_resumeAfterBoxes = m_tmrStep.isActive();
        m_tmrStep.stop();
        // What the tick did before its box (the last hit, the wave reaching
        // the bottom) is said before the box takes the keyboard.
        publishBoard();
        m_announcer.flush();
    }
    const std::int16_t answer = m_messageBox(*this, prompt, buttons, title);
    if (--m_openBoxes == 0 && !m_ended) {
        if (m_resumeAfterBoxes) {
            m_tmrStep.start();
        }
        // The keyboard must come back to the board. A window manager would
        // see to that, but without one the focus is left on the root window
        // when the box closes, and the player's keys would go nowhere.
        activateWindow();
    }
    return answer;
}

void frmMain::endProgram() {
    m_ended = true;
    m_tmrStep.stop();
    m_endProgram();
}

void frmMain::setMessageBoxHandler(MessageBoxHandler handler) {
    m_messageBox = std::move(handler);
}

void frmMain::setEndProgramHandler(EndProgramHandler handler) {
    m_endProgram = std::move(handler);
}

bool frmMain::event(QEvent* event) {
    // Every key-down goes to the game, auto-repeats included, before QWidget
    // can spend Tab or the arrows on focus navigation. Releases are ignored.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Form_KeyDown(virtualKeyCode(*key), shiftState(key->modifiers()));
        return true;
    }
    return QWidget::event(event);
}

void frmMain::showEvent(QShowEvent* event) {
    // The first show loads the window: the game is reset and the timer starts
    // before the window appears, centred, on the screen.
    if (!m_loaded && !event->spontaneous()) {
        m_loaded = true;
        Form_Load();
        centreOnScreenWithFrame(*this);
    }
    QWidget::showEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The close box ends the game without a question: the window unloads, its
    // timer stops, and Qt ends the program with its last window.
    m_ended = true;
    m_tmrStep.stop();
    event->accept();
}
