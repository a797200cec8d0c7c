#include "Announcer.h"
#include "BoxRecorder.h"
#include "Figures.h"
#include "KeyCommands.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProxyStyle>
#include <QTest>
#include <memory>

namespace {

QString accessibleText(QObject* object, QAccessible::Text kind) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(kind) : QStringLiteral("<no interface>");
}

// What a screen reader finds in the box that is up, read through QAccessible:
// the box's name and description, and the names of its buttons. Polls for the
// box, then presses `key` to close it.
struct BoxReading {
    QString name;
    QString description;
    QStringList buttons;
    QStringList texts;       // every name and description in the box's tree
    QStringList describedBy; // the names of what describes the box (Qt 6.8 on)
    bool buttonIcons = false;
};

void collectTexts(QAccessibleInterface* iface, QStringList& texts) {
    texts << iface->text(QAccessible::Name) << iface->text(QAccessible::Description);
    for (int i = 0; i < iface->childCount(); ++i) {
        collectTexts(iface->child(i), texts);
    }
}

// A style that asks for icons on the standard buttons of dialogs, as some
// desktop themes do; the game's boxes must show words only all the same.
class IconButtonStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

void readRealBox(BoxReading& reading, Qt::Key key) {
    answerRealBox(
        [&reading](QMessageBox& box) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&box);
            reading.name = iface->text(QAccessible::Name);
            reading.description = iface->text(QAccessible::Description);
            for (QAbstractButton* button : box.findChildren<QAbstractButton*>()) {
                reading.buttons << accessibleText(button, QAccessible::Name);
                reading.buttonIcons = reading.buttonIcons || !button->icon().isNull();
            }
            collectTexts(iface, reading.texts);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
            for (const auto& [other, relation] : iface->relations(QAccessible::DescriptionFor)) {
                reading.describedBy << other->text(QAccessible::Name);
            }
#endif
            reading.buttons.sort();
        },
        key);
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void boardRowsReadAsTheirText() {
        frmMain window;
        QVERIFY(showStill(window));

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Vantrel"));
        const QString board = iface->text(QAccessible::Description);
        QVERIFY(board.startsWith(QStringLiteral("The game board")));
        QCOMPARE(iface->childCount(), kRows);

        window.showRow(2, "  V V O V      ");
        for (int r = 0; r < kRows; ++r) {
            QAccessibleInterface* row = QAccessible::queryAccessibleInterface(&window.lblGame(r));
            QCOMPARE(row->role(), QAccessible::StaticText);
            QCOMPARE(row->text(QAccessible::Name), window.lblGame(r).text());
            QVERIFY(row->text(QAccessible::Description)
                        .startsWith(QStringLiteral("Board row %1 of 8").arg(r + 1)));
            QCOMPARE(iface->indexOfChild(row), r);
        }

        // The descriptions follow the picture once a beat has drawn it whole.
        window.session().state().keyRight = 1;
        window.session().state().keyFire = 1;
        window.tmrStep_Timer();
        for (int r = 0; r < kRows; ++r) {
            QCOMPARE(window.lblGame(r).accessibleDescription(),
                     QString::fromStdString(window.session().rowDescription(r)));
        }
        // The cannon's move is news. Where Qt has announcements the window
        // announces it and keeps its description (what reaches a reader's bus
        // is ScreenReaderTest's part); before, the description becomes the news.
        QCOMPARE(window.session().lastNews(), "cannon column 9");
        QCOMPARE(iface->text(QAccessible::Description),
                 kNewsAsAnnouncements ? board : QStringLiteral("cannon column 9"));
    }

    void windowsAreFrames() {
        frmSplash splash;
        frmMain window;
        QCOMPARE(QAccessible::queryAccessibleInterface(&splash)->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
        QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(&splash.imgSplash());
        QCOMPARE(picture->role(), QAccessible::Graphic);
        QAccessibleImageInterface* image = picture->imageInterface();
        QVERIFY(image != nullptr);
        QVERIFY(image->imageDescription().startsWith(QStringLiteral("The game's title picture")));
        QCOMPARE(image->imageSize(), QSize(kSplashPictureWidth, kSplashPictureHeight));
        QCOMPARE(picture->text(QAccessible::Name), QStringLiteral("Vantrel"));
        QCOMPARE(accessibleText(&splash, QAccessible::Name), QStringLiteral("Vantrel"));
        // The splash holds the keyboard, so it is what a reader reads first.
        QCOMPARE(accessibleText(&splash, QAccessible::Description), image->imageDescription());
    }

    void messageBoxesAreNamedAndReadable() {
        QApplication::setStyle(new IconButtonStyle);
        frmMain window;
        QVERIFY(showStill(window));
        QVERIFY(QTest::qWaitForWindowActive(&window));

        BoxReading help;
        readRealBox(help, Qt::Key_Return);
        window.Form_KeyDown(kKeyF1);
        QTRY_VERIFY(!help.buttons.isEmpty());
        // The prompt is there once, as the box's text, so it is said once.
        const QString helpPrompt = QString::fromUtf8(kHelpPrompt.data(), kHelpPrompt.size());
        QCOMPARE(help.name, QStringLiteral("Help File"));
        QCOMPARE(help.texts.filter(helpPrompt).size(), 1);
        // From Qt 6.8 the box says that the prompt describes it.
        if (QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)) {
            QCOMPARE(help.describedBy, QStringList{helpPrompt});
        }
        QVERIFY(help.description.isEmpty());
        QCOMPARE(help.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(!help.buttonIcons);

        // The quit question has no title; it is announced by the game's name.
        BoxReading quit;
        readRealBox(quit, Qt::Key_Escape);
        window.Form_KeyDown(kKeyEscape);
        QTRY_VERIFY(!quit.buttons.isEmpty());
        QCOMPARE(quit.name, QStringLiteral("Vantrel"));
        QCOMPARE(
            quit.texts.filter(QString::fromUtf8(kQuitPrompt.data(), kQuitPrompt.size())).size(), 1);
        QCOMPARE(quit.buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
        QVERIFY(!quit.buttonIcons);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
