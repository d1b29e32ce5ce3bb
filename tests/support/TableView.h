#pragma once

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QStringList>

namespace orvane::test {

/// Reads and drives an account table as its user sees it: cells as painted,
/// rows by number.
struct TableView
{
    QAbstractItemView* view;

    int rows() const { return view->model()->rowCount(); }
    QString cell(int row, int column) const
    {
        return view->model()->index(row, column).data().toString();
    }
    QStringList header() const
    {
        QStringList texts;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            texts << view->model()->headerData(c, Qt::Horizontal).toString();
        return texts;
    }
    void select(int row) const { view->setCurrentIndex(view->model()->index(row, 0)); }
    /// The names of the selected rows, sorted.
    QStringList selectedNames() const
    {
        QStringList names;
        for (const QModelIndex& index : view->selectionModel()->selectedRows())
            names << index.data().toString();
        names.sort();
        return names;
    }
    QPoint centreOf(int row) const
    {
        return view->visualRect(view->model()->index(row, 0)).center();
    }
};

} // namespace orvane::test
