#include "TrayMenuPopup.h"

#include "core/stForm.h"
#include "platform/TrayIcon.h"
#include "platform/TrayMenuFill.h"

#include <QCursor>
#include <QMenu>
#include <QPointer>

namespace orvane {

void TrayMenuPopup::DoPopup()
{
    DoPopupAt(QCursor::pos());
}

void TrayMenuPopup::DoPopupAt(const QPoint& globalPos)
{
    QString chosen;
    QMenu menu;
    menu.setObjectName(QStringLiteral("stMenu"));
    fillTrayMenu(menu, m_form.BuildMenu(), [&chosen](const QString& id) { chosen = id; });
    QPointer<TrayMenuPopup> alive(this);
    menu.exec(globalPos);
    // The item runs once the menu is gone, as a choice in the tray does.
    if (alive && !chosen.isEmpty())
        Q_EMIT m_tray.menuTriggered(chosen);
}

} // namespace orvane
