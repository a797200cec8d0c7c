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

// Each button carries the answer it gives.
constexpr char kAnswer[] = "vantrelAnswer";

QMessageBox::StandardButton standardButton(std::int16_t answer) {
    switch (answer) {
    case kAnswerYes:
        return QMessageBox::Yes;
    case kAnswerNo:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
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

    const int count = request.buttons == kButtonsYesNo ? 2 : 1;
    for (int index = 0; index < count; ++index) {
        const std::int16_t answer = request.answerOf(index);
        QPushButton* button = plainButton(box->addButton(standardButton(answer)));
        button->setProperty(kAnswer, answer);
        if (index == 0) {
            box->setDefaultButton(button);
        }
        if (answer == request.escapeAnswer) {
            box->setEscapeButton(button);
        }
    }
    return box;
}

std::int16_t messageBoxAnswer(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    return static_cast<std::int16_t>(
        (clicked != nullptr ? clicked : box.escapeButton())->property(kAnswer).toInt());
}
