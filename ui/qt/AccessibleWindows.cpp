#include "AccessibleWindows.h"

#include "Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QString>
#include <QVariant>

namespace {

// The window property that holds a game window's own description.
constexpr const char* kDescriptionProperty = "vantrelDescription";

// The splash's title picture: a graphic whose image description is its
// accessible description, where Qt's own label would offer the tool tip.
class SplashPicture : public QAccessibleWidget, public QAccessibleImageInterface {
public:
    explicit SplashPicture(QLabel* label) : QAccessibleWidget(label, QAccessible::Graphic) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ImageInterface) {
            return static_cast<QAccessibleImageInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString imageDescription() const override { return widget()->accessibleDescription(); }
    QSize imageSize() const override {
        return static_cast<const QLabel*>(widget())->pixmap().size();
    }
    QPoint imagePosition() const override { return rect().topLeft(); }
};

// A top-level window of the game: a frame, whose description is the latest
// news of the game where Qt has no announcements and there is some news
// (Announcer), else its own (describeGameWindow).
class GameWindow : public QAccessibleWidget {
public:
    explicit GameWindow(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description) {
            const QString news = object()->property(kNewsProperty).toString();
            if (!news.isEmpty()) {
                return news;
            }
            const QVariant own = object()->property(kDescriptionProperty);
            if (own.isValid()) {
                return own.toString();
            }
        }
        return QAccessibleWidget::text(kind);
    }
};

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
// A message box: an alert that names its prompt as what describes it. A
// reader then says the prompt with the box's title as the box opens. Orca 48
// otherwise says only the prompts of three words or more, which leaves out
// "You lose!"; Orca 43, on the Qt 6.4 of that time, reads every label. The
// relation is there since Qt 6.8; the prompt stays the label's text alone,
// so that no reader says it twice.
class GameBox : public QAccessibleWidget {
public:
    explicit GameBox(QMessageBox* box) : QAccessibleWidget(box, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return static_cast<const QMessageBox*>(widget())->text();
        }
        return QAccessibleWidget::text(kind);
    }

    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto found = QAccessibleWidget::relations(match);
        const auto* prompt = widget()->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if ((match & QAccessible::DescriptionFor) != 0 && prompt != nullptr) {
            found.append({QAccessible::queryAccessibleInterface(const_cast<QLabel*>(prompt)),
                          QAccessible::DescriptionFor});
        }
        return found;
    }
};
#endif

QAccessibleInterface* gameInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("frmMain") || className == QLatin1String("frmSplash")) {
        return new GameWindow(static_cast<QWidget*>(object));
    }
    if (className == QLatin1String("QLabel") &&
        object->objectName() == QLatin1String("imgSplash")) {
        return new SplashPicture(static_cast<QLabel*>(object));
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (className == QLatin1String("QMessageBox")) {
        return new GameBox(static_cast<QMessageBox*>(object));
    }
#endif
    return nullptr;
}

} // namespace

void installAccessibleWindows() {
    static const bool installed = [] {
        QAccessible::installFactory(gameInterface);
        return true;
    }();
    (void)installed;
}

void describeGameWindow(QWidget& window, const QString& description) {
    // A property tells no one of its change; the window's accessible
    // interface reads it when a reader asks.
    window.setProperty(kDescriptionProperty, description);
}

void joinAccessibilityBusWhenPresent() {
    // Qt only connects where the session offers the accessibility bus, so
    // without one nothing changes. A value the user set is left alone.
    if (!qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }
}
