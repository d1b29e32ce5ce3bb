#include "QtTrayIcon.h"

#include "TrayMenuFill.h"

#include <QDBusConnection>
#include <QDBusInterface>

namespace orvane {
namespace {

// The test Qt makes, once per process, to pick a StatusNotifierItem over an
// XEmbed icon: a watcher on the session bus with a host registered.
bool statusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface watcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                           QStringLiteral("/StatusNotifierWatcher"),
                           QStringLiteral("org.kde.StatusNotifierWatcher"), bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

QtTrayIcon::QtTrayIcon() : m_statusNotifierItem(statusNotifierHostRegistered())
{
    m_icon.setContextMenu(&m_menu);
    connect(&m_menu, &QMenu::aboutToShow, this, &TrayIcon::menuAboutToShow);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A StatusNotifierItem host has no double-click: it reports
                // its click as an activation, so that is the gesture there.
                // On an XEmbed tray the activation is every single click.
                if (reason == QSystemTrayIcon::DoubleClick ||
                    (reason == QSystemTrayIcon::Trigger && m_statusNotifierItem))
                    Q_EMIT doubleClicked();
            });
}

QtTrayIcon::~QtTrayIcon()
{
    m_icon.hide();
}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::add()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon.show();
    return m_icon.isVisible();
}

void QtTrayIcon::remove()
{
    m_icon.hide();
}

void QtTrayIcon::setIcon(const QIcon& icon)
{
    m_icon.setIcon(icon);
}

void QtTrayIcon::setToolTip(const QString& text)
{
    m_icon.setToolTip(text);
}

void QtTrayIcon::setMenu(const std::vector<TrayMenuEntry>& entries)
{
    // clear() deletes the actions but not the submenus addMenu() made (they
    // are children of the menu); the menu is rebuilt at every opening, so
    // they go here or pile up for as long as the program runs.
    m_menu.clear();
    qDeleteAll(m_menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    fillTrayMenu(m_menu, entries, [this](const QString& id) { Q_EMIT menuTriggered(id); });
}

void fillTrayMenu(QMenu& menu, const std::vector<TrayMenuEntry>& entries,
                  const std::function<void(const QString& id)>& chosen)
{
    for (const TrayMenuEntry& entry : entries) {
        if (entry.isSeparator()) {
            menu.addSeparator();
        } else if (!entry.children.empty()) {
            QMenu* sub = menu.addMenu(entry.caption);
            sub->setEnabled(entry.enabled);
            fillTrayMenu(*sub, entry.children, chosen);
        } else {
            QAction* action = menu.addAction(entry.caption);
            action->setEnabled(entry.enabled);
            action->setCheckable(entry.checked);
            action->setChecked(entry.checked);
            const QString id = entry.id;
            QObject::connect(action, &QAction::triggered, action, [chosen, id] { chosen(id); });
        }
    }
}

} // namespace orvane
