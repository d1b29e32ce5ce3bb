#pragma once

#include "core/AccountList.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTime>
#include <vector>

namespace orvane {

class server;

/// The account table the settings window and Quick View show: one row per
/// account, in list order, with its name, "Yes" or "No" for new mail, the
/// time of its last check and its last report. Texts are made when a cell
/// is painted or read: a check only marks its row, and at the next turn of
/// the event loop the views are told once of the cells whose account state
/// changed since they last showed it, so a pass over a long list costs the
/// views the cells they show.
class AccountTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Name,
        Mail,
        Time,
        Detail,
        ColumnCount
    };

    /// `accounts` may be null: the table is empty.
    explicit AccountTableModel(const AccountList* accounts, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Takes the rows afresh from the account list (a model reset).
    void rebuild();
    /// The account of this name changed: its row is announced at the next
    /// turn. A list that no longer matches the rows is taken afresh.
    void accountChanged(const QString& name);
    /// Every row may have changed (the time display, a clear of the counts).
    void allChanged();

    /// The first row of this name, -1 when none. Names compare exactly.
    int rowOf(const QString& name) const;
    QString nameAt(int row) const;
    /// The "Mail" column as the views were last told of it.
    bool hasNewMail(int row) const;

Q_SIGNALS:
    /// Rows whose "Mail" column turned since the views were last told,
    /// ascending.
    void newMailTurned(const QList<int>& rows);

private:
    bool matchesAccounts() const { return (m_accounts ? m_accounts->size() : 0) == m_rows; }
    /// The row of the account of this name, -1 when none.
    int findRow(const QString& name);
    void mark(int row);
    void announce();
    /// Tells the views of the runs of `rows` whose `changed` has `column`.
    void announceColumn(Column column, const std::vector<int>& rows,
                        const std::vector<unsigned char>& changed);
    QString lastChecked(const server& account) const;

    /// What a row showed when the views were last told of it.
    struct Shown
    {
        bool mail = false;
        bool checking = false;
        bool checkedOnce = false;
        QTime time;
        QDate date;
        QString detail;
    };
    /// The columns of `row` that changed since they were last shown; they
    /// are shown from now on.
    unsigned char takeChanges(int row);

    const AccountList* m_accounts;
    int m_rows = 0;
    QHash<QString, int> m_rowOf;
    /// Names more than one row carries; a change of one redraws them all.
    QSet<QString> m_repeated;
    std::vector<Shown> m_shown;
    std::vector<char> m_waiting;
    std::vector<int> m_changed;
    /// The rows being announced and their changed columns; kept to keep
    /// their room.
    std::vector<int> m_announcing;
    std::vector<unsigned char> m_columns;
    /// Every cell is to be told of (the time display or the locale changed).
    bool m_allChanged = false;
    /// The row last changed.
    int m_lastRow = -1;
    bool m_posted = false;
    // Checks that end together share their time, and formatting a time
    // through the locale costs more than the rest of a row: the text of the
    // last time asked for is kept until the next announcement, so a change
    // of the display mode or the locale reaches the next painting.
    mutable bool m_haveTimeText = false;
    mutable QTime m_time;
    mutable QDate m_date;
    mutable QString m_timeText;
};

} // namespace orvane
