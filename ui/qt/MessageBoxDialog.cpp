#include "MessageBoxDialog.h"

#include "GameServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QWindow>

namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The game's boxes show words only. Some styles and desktop themes give
// the standard buttons icons (a check mark on OK, discs on Yes and No).
QPushButton* plainButton(QPushButton* button) {
    button->setIcon(QIcon());
    return button;
}

// Keeps the player's input from the game's window while a box that came up
// without the keyboard waits: what modality does for a box that has it. Keys
// that reach the game's window meanwhile go to the box instead; without a
// window manager the box cannot always take the keyboard itself (the X server
// refuses a focus change older than the last one), and the player must still
// be able to answer it.
class OwnerInputBlock : public QObject {
public:
    OwnerInputBlock(QWidget& owner, QWidget& box) : m_owner(owner), m_box(box) {
        qApp->installEventFilter(this);
    }
    ~OwnerInputBlock() override { qApp->removeEventFilter(this); }

    OwnerInputBlock(const OwnerInputBlock&) = delete;
    OwnerInputBlock& operator=(const OwnerInputBlock&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || (widget != &m_owner && !m_owner.isAncestorOf(widget))) {
            return false;
        }
        switch (event->type()) {
        case QEvent::Close:
            // The close box waits for the answer, as it does behind a modal box.
            event->ignore();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            QApplication::sendEvent(&m_box, event);
            return true;
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            return true;
        default:
            return false;
        }
    }

private:
    QWidget& m_owner;
    QWidget& m_box;
};

// Shows the box and waits until the player closes it.
//
// A loss or win box comes from the step timer, which runs on while the player
// works in another program. A modal box always asks for the keyboard when it
// comes up, so the keys typed for that program would answer the box. When the
// game's window is not the active one, the box therefore comes up without the
// focus and without modality, the game holds back its own window's input and
// asks for attention, and the box takes the keyboard as soon as the player
// comes back to the game. Boxes the player's own keys open find the game
// active, and are ordinary modal boxes in any case.
void runBox(QMessageBox& box, QWidget& owner, BoxFocus focus) {
    if (focus == BoxFocus::Take || owner.isActiveWindow()) {
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
        return;
    }
    box.setWindowModality(Qt::NonModal);
    box.setAttribute(Qt::WA_ShowWithoutActivating);
    const OwnerInputBlock block(owner, box);
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &box, [&box](QWindow* focused) {
        if (focused != nullptr && focused != box.windowHandle() && box.isVisible()) {
            box.activateWindow();
            box.raise();
        }
    });
    QEventLoop waiting;
    QObject::connect(&box, &QDialog::finished, &waiting, &QEventLoop::quit);
    box.show();
    QApplication::alert(&owner);
    waiting.exec(QEventLoop::DialogExec);
}

} // namespace

std::int16_t showMessageBox(QWidget& owner, std::string_view prompt, std::int16_t buttons,
                            std::string_view title) {
    return showMessageBoxWithFocus(owner, prompt, buttons, title, BoxFocus::TakeIfActive);
}

std::int16_t showMessageBoxWithFocus(QWidget& owner, std::string_view prompt, std::int16_t buttons,
                                     std::string_view title, BoxFocus focus) {
    QMessageBox box(&owner);
    box.setIcon(QMessageBox::NoIcon);
    // The prompts are game texts, not markup: never let Qt guess rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(toQString(prompt));
    box.setWindowTitle(toQString(title));
    // A box without a title (the quit question) is still announced by the
    // game's name. The prompt is read from the box's text label; giving it
    // to the box as its description too would make readers say it twice.
    box.setAccessibleName(title.empty() ? QStringLiteral("Vantrel") : box.windowTitle());

    if (buttons == kButtonsYesNo) {
        QPushButton* yes = plainButton(box.addButton(QMessageBox::Yes));
        QPushButton* no = plainButton(box.addButton(QMessageBox::No));
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        runBox(box, owner, focus);
        return box.clickedButton() == yes ? kAnswerYes : kAnswerNo;
    }

    // Any other button set is shown as the plain OK box, the game's default.
    QPushButton* ok = plainButton(box.addButton(QMessageBox::Ok));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    runBox(box, owner, focus);
    return kAnswerOk;
}
