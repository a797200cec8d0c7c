#include "KeyCommands.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
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
        }
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
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.tmrStep().stop();

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Vantrel"));
        QVERIFY(iface->text(QAccessible::Description).contains(QStringLiteral("cannon")));
        QCOMPARE(iface->childCount(), kRows);

        window.setRowText(2, "  V V O V      ");
        for (int r = 0; r < kRows; ++r) {
            QAccessibleInterface* row = QAccessible::queryAccessibleInterface(&window.lblGame(r));
            QCOMPARE(row->role(), QAccessible::StaticText);
            QCOMPARE(row->text(QAccessible::Name), QString::fromStdString(window.rowText(r)));
            QCOMPARE(row->text(QAccessible::Description),
                     QStringLiteral("Board row %1 of 8").arg(r + 1));
            QCOMPARE(iface->indexOfChild(row), r);
        }
    }

    void messageBoxesAreNamedAndReadable() {
        frmMain window;
        window.setEndProgramHandler([] {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        BoxReading help;
        readRealBox(help, Qt::Key_Return);
        window.Form_KeyDown(kKeyF1, 0);
        QCOMPARE(help.name, QStringLiteral("Help File"));
        QCOMPARE(help.description, QString::fromUtf8(kHelpPrompt.data(), kHelpPrompt.size()));
        QCOMPARE(help.buttons, QStringList{QStringLiteral("OK")});

        // The quit question has no title; it is announced by the game's name.
        BoxReading quit;
        readRealBox(quit, Qt::Key_Escape);
        window.Form_KeyDown(kKeyEscape, 0);
        QCOMPARE(quit.name, QStringLiteral("Vantrel"));
        QCOMPARE(quit.description, QStringLiteral("Are you sure you want to quit?"));
        QCOMPARE(quit.buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
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
