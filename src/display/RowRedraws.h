#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <functional>
#include <vector>

class QObject;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane {

class server;

/// The rows of an account table waiting to be drawn again. A check updates
/// its row twice as it ends, and a pass over a long list ends many checks in
/// one turn of the event loop: each row waiting is drawn once, at the next
/// turn, which is also the first moment it could be seen.
class RowRedraws
{
public:
    /// `draw` runs at the next turn after a row is added, in the context of
    /// `owner` (never after it is gone).
    RowRedraws(QObject& owner, std::function<void()> draw);

    void add(int row);
    /// The rows waiting, each once, in the order they were added; none wait
    /// afterwards.
    std::vector<int> take();
    /// The whole table was drawn: nothing waits.
    void clear();
    bool isEmpty() const { return m_rows.empty(); }

    /// `LastChecked()` of the account. Checks that end together share their
    /// time, and formatting a time through the locale costs more than the
    /// rest of a row, so the text of the last time asked for is kept; it is
    /// forgotten by take() and clear(), so a change of the display mode or
    /// the locale reaches the next drawing.
    QString lastChecked(const server& account);

    /// Sets the text of a cell only when it differs.
    static void setText(QTreeWidgetItem& item, int column, const QString& text);
    /// Runs `fill` on each row of `table` with its model quiet, then tells
    /// the view once of those rows it shows: a word per cell would have the
    /// view place each one, in view or not.
    static void fillRows(QTreeWidget& table, const std::vector<int>& rows,
                         const std::function<void(int)>& fill);

private:
    QObject& m_owner;
    std::function<void()> m_draw;
    bool m_posted = false;
    std::vector<int> m_rows;
    std::vector<bool> m_waiting;
    bool m_haveText = false;
    QTime m_time;
    QDate m_date;
    QString m_text;
};

} // namespace orvane
