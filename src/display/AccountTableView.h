#pragma once

#include <QTreeView>

namespace orvane {

/// The account table's view, as the settings window and Quick View show
/// it: a flat list of rows of equal height whose columns keep the widths
/// they are given.
class AccountTableView : public QTreeView
{
    Q_OBJECT
public:
    explicit AccountTableView(QWidget* parent = nullptr);

protected:
    /// Rows out of view are painted from the model when they come into
    /// view: a change there is passed on only to a screen reader, which may
    /// read any row.
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
};

} // namespace orvane
