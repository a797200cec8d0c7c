#include "BoxFrame.h"

#include "WindowPlacement.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>
#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <utility>

namespace {

// The room a title bar keeps beside its title, in lines of the title font:
// the window menu or icon on one side and up to three buttons on the other,
// each about twice the font's height, with some space at each end. Breeze's
// buttons need about this; Qt's own estimate (the title plus 50 px) cuts the
// title under it.
constexpr double kButtonRoomInLines = 9.0;

// Runs an action when a window is about to be shown, before the window's own
// show handling.
class ShowFilter : public QObject {
public:
    ShowFilter(QObject& parent, std::function<void()> action)
        : QObject(&parent), m_action(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Show) {
            m_action();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

void fitBoxToDesktop(QMessageBox& box, QWidget& owner, std::string_view title) {
    // Qt shows an empty title as the program's name, the main window's
    // caption, and KWin then numbers the box "Vantrel <2>". A blank title
    // shows no caption at all, which is what an empty one means.
    const QString caption =
        title.empty() ? QStringLiteral(" ")
                      : QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    box.setWindowTitle(caption);

    // Window managers draw titles in a bold face about the size of the
    // desktop's title font; measured so, with the buttons' room beside it.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int needed = metrics.horizontalAdvance(caption.trimmed()) +
                       static_cast<int>(kButtonRoomInLines * metrics.height());
    // A box may wait, hidden, until the player is back at the game, so what
    // depends on its showing starts then. QMessageBox sizes itself to its
    // layout as it is shown, once its buttons are in: the room is asked of
    // the row of buttons just before that. On X11 Qt centres a box on its
    // owner before the window manager has framed it, by a guessed frame, and
    // so places it off the owner's centre: the frame is centred again once it
    // is known. On Wayland the compositor places a box.
    const bool placesItself = QGuiApplication::platformName() == QStringLiteral("xcb");
    QWidget* ownerWindow = owner.window();
    box.installEventFilter(new ShowFilter(box, [&box, ownerWindow, needed, placesItself]() {
        auto* buttons = box.findChild<QDialogButtonBox*>(QStringLiteral("qt_msgbox_buttonbox"));
        if (buttons != nullptr) {
            const QMargins margins =
                box.layout() == nullptr ? QMargins() : box.layout()->contentsMargins();
            buttons->setMinimumWidth(std::max(needed - margins.left() - margins.right(),
                                              buttons->minimumSizeHint().width()));
        }
        if (placesItself) {
            centreWithFrame(box, [ownerWindow]() {
                const QWindow* handle = ownerWindow->windowHandle();
                return handle != nullptr ? handle->frameGeometry() : ownerWindow->frameGeometry();
            });
        }
    }));
}
