#pragma once

#include "platform/TrayIcon.h"

namespace orvane::test {

/// A tray that remembers what it was told and can be clicked by tests.
class FakeTrayIcon final : public TrayIcon
{
    Q_OBJECT
public:
    bool isAvailable() const override { return available; }
    bool add() override
    {
        ++addCalls;
        added = available && accepts;
        return added;
    }
    void remove() override { added = false; }
    void setIcon(const QIcon& i) override
    {
        icon = i;
        ++iconChanges;
    }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setMenu(const std::vector<TrayMenuEntry>& entries) override { menu = entries; }

    /// Opens the menu as a right-click would and picks an item by id.
    void trigger(const QString& id)
    {
        Q_EMIT menuAboutToShow();
        Q_EMIT menuTriggered(id);
    }
    /// The entry with this id after the menu was opened, or null.
    const TrayMenuEntry* entry(const QString& id)
    {
        Q_EMIT menuAboutToShow();
        return find(menu, id);
    }

    bool available = true;
    bool accepts = true;
    bool added = false;
    int addCalls = 0;
    int iconChanges = 0;
    QIcon icon;
    QString toolTip;
    std::vector<TrayMenuEntry> menu;

private:
    static const TrayMenuEntry* find(const std::vector<TrayMenuEntry>& entries, const QString& id)
    {
        for (const TrayMenuEntry& e : entries) {
            if (e.id == id)
                return &e;
            if (const TrayMenuEntry* child = find(e.children, id))
                return child;
        }
        return nullptr;
    }
};

} // namespace orvane::test
