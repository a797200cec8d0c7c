#include "MessageBoxDialog.h"

#include "BoxFrame.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace {

// The game's boxes show words only. Some styles and desktop themes give
// the standard buttons icons (a check mark on OK, discs on Yes and No).
QPushButton* plainButton(QPushButton* button) {
    button->setIcon(QIcon());
    return button;
}

} // namespace

QMessageBox* createMessageBox(QWidget& owner, const BoxRequest& request) {
    auto* box = new QMessageBox(&owner);
    box->setIcon(QMessageBox::NoIcon);
    // The prompts are game texts, not markup: never let Qt guess rich text.
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromStdString(request.prompt));
    fitBoxToDesktop(*box, owner, request.title);
    // A box without a title (the quit question) is still announced by the
    // game's name. The prompt is read from the box's text label; giving it
    // to the box as its description too would make readers say it twice.
    box->setAccessibleName(request.title.empty() ? QStringLiteral("Vantrel") : box->windowTitle());

    if (request.buttons == kButtonsYesNo) {
        QPushButton* yes = plainButton(box->addButton(QMessageBox::Yes));
        box->setDefaultButton(yes);
        box->setEscapeButton(plainButton(box->addButton(QMessageBox::No)));
        return box;
    }
    // Any other button set is shown as the plain OK box, the game's default.
    QPushButton* ok = plainButton(box->addButton(QMessageBox::Ok));
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    return box;
}

std::int16_t messageBoxAnswer(const QMessageBox& box) {
    const QAbstractButton* yes = box.button(QMessageBox::Yes);
    if (yes == nullptr) {
        return kAnswerOk;
    }
    return box.clickedButton() == yes ? kAnswerYes : kAnswerNo;
}
