#include "MessageBoxDialog.h"

#include "GameServices.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

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

} // namespace

std::int16_t showMessageBox(QWidget& owner, std::string_view prompt, std::int16_t buttons,
                            std::string_view title) {
    QMessageBox box(&owner);
    box.setIcon(QMessageBox::NoIcon);
    // The prompts are game texts, not markup: never let Qt guess rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(toQString(prompt));
    box.setWindowTitle(toQString(title));
    box.setWindowModality(Qt::ApplicationModal);
    // A box without a title (the quit question) is still announced by the
    // game's name. The prompt is read from the box's text label; giving it
    // to the box as its description too would make readers say it twice.
    box.setAccessibleName(title.empty() ? QStringLiteral("Vantrel") : box.windowTitle());

    if (buttons == kButtonsYesNo) {
        QPushButton* yes = plainButton(box.addButton(QMessageBox::Yes));
        QPushButton* no = plainButton(box.addButton(QMessageBox::No));
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? kAnswerYes : kAnswerNo;
    }

    // Any other button set is shown as the plain OK box, the game's default.
    QPushButton* ok = plainButton(box.addButton(QMessageBox::Ok));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return kAnswerOk;
}
