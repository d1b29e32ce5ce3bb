#include "QtTrayIcon.h"

namespace orvane {

QtTrayIcon::QtTrayIcon()
{
    m_icon.setContextMenu(&m_menu);
    connect(&m_menu, &QMenu::aboutToShow, this, &TrayIcon::menuAboutToShow);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
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
    m_menu.clear();
    fill(m_menu, entries);
}

void QtTrayIcon::fill(QMenu& menu, const std::vector<TrayMenuEntry>& entries)
{
    for (const TrayMenuEntry& entry : entries) {
        if (entry.isSeparator()) {
            menu.addSeparator();
        } else if (!entry.children.empty()) {
            QMenu* sub = menu.addMenu(entry.caption);
            sub->setEnabled(entry.enabled);
            fill(*sub, entry.children);
        } else {
            QAction* action = menu.addAction(entry.caption);
            action->setEnabled(entry.enabled);
            action->setCheckable(entry.checked);
            action->setChecked(entry.checked);
            const QString id = entry.id;
            connect(action, &QAction::triggered, this, [this, id] { Q_EMIT menuTriggered(id); });
        }
    }
}

} // namespace orvane
