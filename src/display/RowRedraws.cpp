#include "RowRedraws.h"

#include "core/server.h"

#include <QMetaObject>
#include <QObject>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <algorithm>

namespace orvane {

RowRedraws::RowRedraws(QObject& owner, std::function<void()> draw)
    : m_owner(owner), m_draw(std::move(draw))
{}

void RowRedraws::add(int row)
{
    if (row < 0)
        return;
    if (size_t(row) >= m_waiting.size())
        m_waiting.resize(size_t(row) + 1, false);
    if (!m_waiting[size_t(row)]) {
        m_waiting[size_t(row)] = true;
        m_rows.push_back(row);
    }
    if (!m_posted) {
        m_posted = true;
        QMetaObject::invokeMethod(
            &m_owner,
            [this] {
                m_posted = false;
                if (!m_rows.empty())
                    m_draw();
            },
            Qt::QueuedConnection);
    }
}

std::vector<int> RowRedraws::take()
{
    std::vector<int> rows;
    rows.swap(m_rows);
    for (int row : rows)
        m_waiting[size_t(row)] = false;
    m_haveText = false;
    return rows;
}

void RowRedraws::clear()
{
    take();
}

void RowRedraws::setText(QTreeWidgetItem& item, int column, const QString& text)
{
    if (item.text(column) != text)
        item.setText(column, text);
}

void RowRedraws::fillRows(QTreeWidget& table, const std::vector<int>& rows,
                          const std::function<void(int)>& fill)
{
    if (rows.empty())
        return;
    QAbstractItemModel* model = table.model();
    {
        const QSignalBlocker quiet(model);
        for (int row : rows)
            fill(row);
    }
    // The view reads every cell it paints from the model, so only rows in
    // view need a word; a hidden table is painted afresh when shown.
    if (!table.isVisible())
        return;
    const QModelIndex top = table.indexAt(QPoint(0, 0));
    if (!top.isValid())
        return;
    const QModelIndex bottom = table.indexAt(QPoint(0, table.viewport()->height() - 1));
    const int lastShown = bottom.isValid() ? bottom.row() : table.topLevelItemCount() - 1;
    const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
    const int first = std::max(*low, top.row());
    const int last = std::min(*high, lastShown);
    if (first <= last)
        Q_EMIT model->dataChanged(model->index(first, 0),
                                  model->index(last, model->columnCount() - 1));
}

QString RowRedraws::lastChecked(const server& account)
{
    // "Checking..." and "Never" are no formatting.
    if (account.IsChecking() || !account.checkedOnce())
        return account.LastChecked();
    if (!m_haveText || account.lastTime() != m_time || account.lastDate() != m_date) {
        m_text = account.LastChecked();
        m_time = account.lastTime();
        m_date = account.lastDate();
        m_haveText = true;
    }
    return m_text;
}

} // namespace orvane
