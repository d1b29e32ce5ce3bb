#include "TrayMenuPopup.h"

#include "core/stForm.h"
#include "platform/TrayIcon.h"

#include <QCursor>
#include <QMenu>
#include <QPointer>

namespace orvane {

namespace {

void fill(QMenu& menu, const std::vector<TrayMenuEntry>& entries, QString& chosen)
{
    for (const TrayMenuEntry& entry : entries) {
        if (entry.isSeparator()) {
            menu.addSeparator();
        } else if (!entry.children.empty()) {
            QMenu* sub = menu.addMenu(entry.caption);
            sub->setEnabled(entry.enabled);
            fill(*sub, entry.children, chosen);
        } else {
            QAction* action = menu.addAction(entry.caption);
            action->setEnabled(entry.enabled);
            action->setCheckable(entry.checked);
            action->setChecked(entry.checked);
            const QString id = entry.id;
            QObject::connect(action, &QAction::triggered, &menu, [&chosen, id] { chosen = id; });
        }
    }
}

} // namespace

void TrayMenuPopup::DoPopup()
{
    DoPopupAt(QCursor::pos());
}

void TrayMenuPopup::DoPopupAt(const QPoint& globalPos)
{
    QString chosen;
    QMenu menu;
    menu.setObjectName(QStringLiteral("stMenu"));
    fill(menu, m_form.BuildMenu(), chosen);
    QPointer<TrayMenuPopup> alive(this);
    menu.exec(globalPos);
    // The item runs once the menu is gone, as a choice in the tray does.
    if (alive && !chosen.isEmpty())
        Q_EMIT m_tray.menuTriggered(chosen);
}

} // namespace orvane
