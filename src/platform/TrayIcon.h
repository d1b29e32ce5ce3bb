#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <vector>

namespace orvane {

/// One entry of the tray menu, as the program describes it; the tray icon
/// turns the description into a real menu.
struct TrayMenuEntry
{
    QString id;      ///< reported back by TrayIcon::menuTriggered; empty for a separator
    QString caption; ///< "-" for a separator
    bool enabled = true;
    bool checked = false;
    std::vector<TrayMenuEntry> children; ///< a submenu when not empty

    bool isSeparator() const { return caption == QLatin1String("-"); }
};

/// The program's icon in the notification area.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayIcon() override = default;

    /// True when a tray host is there to take an icon.
    virtual bool isAvailable() const = 0;
    /// Shows the icon; false when the tray refused it.
    virtual bool add() = 0;
    virtual void remove() = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    /// The text is shown as given; callers keep it within the tray's limit.
    virtual void setToolTip(const QString& text) = 0;
    virtual void setMenu(const std::vector<TrayMenuEntry>& entries) = 0;

Q_SIGNALS:
    /// A double-click on the icon, or its activation (a single click) on a
    /// host that has no double-click.
    void doubleClicked();
    /// The menu is about to open: the owner refreshes it now (setMenu).
    void menuAboutToShow();
    void menuTriggered(const QString& id);
};

} // namespace orvane
