#pragma once

#include "TrayIcon.h"

#include <functional>
#include <vector>

class QMenu;

namespace orvane {

/// Adds the entries to `menu`, submenus included, as the tray shows them;
/// choosing an item hands its id to `chosen`.
void fillTrayMenu(QMenu& menu, const std::vector<TrayMenuEntry>& entries,
                  const std::function<void(const QString& id)>& chosen);

} // namespace orvane
