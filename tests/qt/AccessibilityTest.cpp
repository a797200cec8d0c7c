#include "Announcer.h"
#include "BoxRecorder.h"
#include "GameNews.h"
#include "KeyCommands.h"
#include "RowDescription.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProxyStyle>
#include <QTest>
#include <QTimer>
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
    auto* poll = new QTimer;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, [=, &reading] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if ((box == nullptr || !box->isVisible()) && waited.elapsed() < 5000) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (box == nullptr) {
            return;
        }
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
        reading.name = iface->text(QAccessible::Name);
        reading.description = iface->text(QAccessible::Description);
        for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
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
        QTest::keyClick(box->windowHandle(), key);
    });
    poll->start(10);
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void boardRowsReadAsTheirText() {
        frmMain window;
        window.setEndProgramHandler([] {});
        startOnBoard(window);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.tmrStep().stop();

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Vantrel"));
        QVERIFY(iface->text(QAccessible::Description).contains(QStringLiteral("cannon")));
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
        window.session().state().keyFire = 1;
        window.tmrStep_Timer();
        for (int r = 0; r < kRows; ++r) {
            QCOMPARE(window.lblGame(r).accessibleDescription(),
                     QString::fromStdString(describeRow(r, window.session().rowText(r))));
        }
        QCOMPARE(window.lblGame(0).accessibleDescription(),
                 QStringLiteral("Board row 1 of 8: aliens in columns 2, 4, 6, 8"));
        QCOMPARE(window.lblGame(6).accessibleDescription(),
                 QStringLiteral("Board row 7 of 8: shot in column 8"));
        QCOMPARE(window.lblGame(3).accessibleDescription(), QStringLiteral("Board row 4 of 8"));
    }

    void rowDescriptionsGiveColumns() {
        using std::string;
        QCOMPARE(describeRow(7, "       A       "), string("Board row 8 of 8: cannon in column 8"));
        QCOMPARE(describeRow(2, "  V V O V     '"),
                 string("Board row 3 of 8: aliens in columns 3, 5, 9; hit in column 7; "
                        "shot in column 15"));
        QCOMPARE(describeRow(0, "V              "), string("Board row 1 of 8: alien in column 1"));
        QCOMPARE(describeRow(5, ""), string("Board row 6 of 8"));
        QCOMPARE(describeRow(5, "               "), string("Board row 6 of 8"));
    }

    void windowsAreFrames() {
        frmSplash splash;
        frmMain window;
        QCOMPARE(QAccessible::queryAccessibleInterface(&splash)->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->childCount(), kRows);
        QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(&splash.imgSplash());
        QCOMPARE(picture->role(), QAccessible::Graphic);
        QAccessibleImageInterface* image = picture->imageInterface();
        QVERIFY(image != nullptr);
        QVERIFY(image->imageDescription().startsWith(QStringLiteral("The game's title picture")));
        QCOMPARE(image->imageSize(), QSize(624, 51));
        // The splash holds the keyboard, so it is what a reader reads first.
        QCOMPARE(QAccessible::queryAccessibleInterface(&splash)->text(QAccessible::Description),
                 image->imageDescription());
    }

    void newsOfTheGame() {
        GameState state;
        reset(state);
        GameNews news;
        news.restart(state);
        const auto texts = [&news](const GameState& now) {
            QStringList said;
            for (const NewsItem& item : news.update(now)) {
                said << QString::fromStdString(item.text);
            }
            return said;
        };

        // A beat of the march with nothing else: nothing to say; latches are
        // not on the board, and the same board twice says nothing either.
        state.alienCol = {1, 3, 5, 7};
        QCOMPARE(texts(state), QStringList{});
        state.keyLeft = 1;
        QCOMPARE(texts(state), QStringList{});

        // The cannon moves and a shot starts.
        state.alienCol = {2, 4, 6, 8};
        state.cannonCol = 8;
        state.shotCol = 8;
        state.shotRow = 6;
        QCOMPARE(texts(state), QStringList{QStringLiteral("cannon column 9")});

        // A hit, the wave dropping, a shot on the top row leaving the board.
        state.alienCol = {3, 5, -1, 9};
        state.shotCol = state.shotRow = kNone;
        QCOMPARE(texts(state), QStringList{QStringLiteral("hit, 3 aliens left")});
        state.alienCol = {4, 6, -1, 10};
        state.shotCol = 3;
        state.shotRow = 0;
        QCOMPARE(texts(state), QStringList{});
        state.shotCol = state.shotRow = kNone;
        state.waveRow = 1;
        QCOMPARE(texts(state),
                 (QStringList{QStringLiteral("wave on row 2"), QStringLiteral("shot missed")}));
        // Row 1 travels left.
        state.alienCol = {3, 5, -1, 9};
        QCOMPARE(texts(state), QStringList{});
        state.alienCol = {2, -1, -1, 8};
        QCOMPARE(texts(state), QStringList{QStringLiteral("hit, 2 aliens left")});

        // A reset (win, loss, X) is a new game, also when the wave stays on
        // its row and the aliens step the wrong way.
        reset(state);
        state.alienCol = {1, 3, 5, 7};
        QCOMPARE(texts(state), QStringList{QStringLiteral("new game")});
        state.alienCol = {2, 4, 6, 8};
        QCOMPARE(texts(state), QStringList{});
        reset(state);
        state.alienCol = {1, 3, 5, 7};
        QCOMPARE(texts(state), QStringList{QStringLiteral("new game")});
    }

    void boardWindowDescribesTheNews() {
        frmMain window;
        window.setEndProgramHandler([] {});
        startOnBoard(window);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.tmrStep().stop();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
        const QString board = iface->text(QAccessible::Description);
        QVERIFY(board.startsWith(QStringLiteral("The game board")));

        // A beat that moves the cannon is news. Where Qt has announcements
        // the window announces it and keeps its description (what reaches a
        // reader's bus is ScreenReaderTest's part); before, the description
        // becomes the news.
        window.session().state().keyRight = 1;
        window.tmrStep_Timer();
        QCOMPARE(window.session().lastNews(), "cannon column 9");
        QCOMPARE(iface->text(QAccessible::Description),
                 kNewsAsAnnouncements ? board : QStringLiteral("cannon column 9"));
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Vantrel"));
    }

    void messageBoxesAreNamedAndReadable() {
        QApplication::setStyle(new IconButtonStyle);
        frmMain window;
        window.setEndProgramHandler([] {});
        startOnBoard(window);
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
        QCOMPARE(quit.texts.filter(QStringLiteral("Are you sure you want to quit?")).size(), 1);
        QCOMPARE(quit.buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
        QVERIFY(!quit.buttonIcons);
    }

    void splashIsNamed() {
        frmSplash splash;
        QCOMPARE(accessibleText(&splash, QAccessible::Name), QStringLiteral("Vantrel"));
        QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(&splash.imgSplash());
        QCOMPARE(picture->text(QAccessible::Name), QStringLiteral("Vantrel"));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
