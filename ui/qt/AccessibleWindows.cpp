#include "AccessibleWindows.h"

#include "Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QVariant>

namespace {

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
// news of the game once there is some (Announcer), else its own.
class GameWindow : public QAccessibleWidget {
public:
    explicit GameWindow(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description) {
            const QString news = object()->property(kNewsProperty).toString();
            if (!news.isEmpty()) {
                return news;
            }
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* gameInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("frmMain") || className == QLatin1String("frmSplash")) {
        return new GameWindow(static_cast<QWidget*>(object));
    }
    if (className == QLatin1String("QLabel") &&
        object->objectName() == QLatin1String("imgSplash")) {
        return new SplashPicture(static_cast<QLabel*>(object));
    }
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

void joinAccessibilityBusWhenPresent() {
    // Qt only connects where the session offers the accessibility bus, so
    // without one nothing changes. A value the user set is left alone.
    if (!qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }
}
