#include "AccountTableView.h"

#include <QAccessible>
#include <QHeaderView>
#include <algorithm>

namespace orvane {

AccountTableView::AccountTableView(QWidget* parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    header()->setStretchLastSection(false);
}

void AccountTableView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                   const QList<int>& roles)
{
    if (QAccessible::isActive() || !model() || topLeft.parent().isValid()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // A hidden view paints every row afresh when it is shown.
    if (!isVisible())
        return;
    const QModelIndex top = indexAt(QPoint(0, 0));
    if (!top.isValid()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    const int lastShown = bottom.isValid() ? bottom.row() : model()->rowCount() - 1;
    const int first = std::max(topLeft.row(), top.row());
    const int last = std::min(bottomRight.row(), lastShown);
    if (first > last)
        return;
    QTreeView::dataChanged(topLeft.siblingAtRow(first), bottomRight.siblingAtRow(last), roles);
}

} // namespace orvane
