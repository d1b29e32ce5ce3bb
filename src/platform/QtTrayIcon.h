#pragma once

#include "TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace orvane {

/// The tray icon on QSystemTrayIcon (XEmbed or StatusNotifierItem hosts).
class QtTrayIcon final : public TrayIcon
{
    Q_OBJECT
public:
    QtTrayIcon();
    ~QtTrayIcon() override;

    bool isAvailable() const override;
    bool add() override;
    void remove() override;
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& text) override;
    void setMenu(const std::vector<TrayMenuEntry>& entries) override;

private:
    QSystemTrayIcon m_icon;
    // Qt decides between the two kinds of host when m_icon is made; this is
    // the same decision, taken right after.
    bool m_statusNotifierItem;
    QMenu m_menu;
};

} // namespace orvane
