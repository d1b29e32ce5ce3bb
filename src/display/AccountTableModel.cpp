#include "AccountTableModel.h"

#include "core/AccountList.h"
#include "core/server.h"

#include <QMetaObject>
#include <algorithm>
#include <utility>

namespace orvane {

AccountTableModel::AccountTableModel(const AccountList* accounts, QObject* parent)
    : QAbstractTableModel(parent), m_accounts(accounts)
{
    rebuild();
}

int AccountTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int AccountTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags AccountTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant AccountTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return QStringLiteral("Name");
    case Mail:
        return QStringLiteral("Mail");
    case Time:
        return QStringLiteral("Last Checked");
    case Detail:
        return QStringLiteral("Detailed Report");
    default:
        return {};
    }
}

QVariant AccountTableModel::data(const QModelIndex& index, int role) const
{
    // A row can outlive its account by the moment between a removal and
    // the rebuild that follows it.
    if (role != Qt::DisplayRole || !index.isValid() || !m_accounts ||
        index.row() >= m_accounts->size())
        return {};
    const server& account = m_accounts->at(index.row());
    switch (index.column()) {
    case Name:
        return account.GetName();
    case Mail:
        return account.NewMail() ? QStringLiteral("Yes") : QStringLiteral("No");
    case Time:
        return lastChecked(account);
    case Detail:
        return account.GetLastDetail();
    default:
        return {};
    }
}

QString AccountTableModel::lastChecked(const server& account) const
{
    // "Checking..." and "Never" are no formatting.
    if (account.IsChecking() || !account.checkedOnce())
        return account.LastChecked();
    if (!m_haveTimeText || account.lastTime() != m_time || account.lastDate() != m_date) {
        m_timeText = account.LastChecked();
        m_time = account.lastTime();
        m_date = account.lastDate();
        m_haveTimeText = true;
    }
    return m_timeText;
}

void AccountTableModel::rebuild()
{
    beginResetModel();
    m_rowOf.clear();
    m_repeated.clear();
    m_changed.clear();
    m_lastRow = -1;
    m_allChanged = false;
    m_haveTimeText = false;
    m_rows = m_accounts ? m_accounts->size() : 0;
    m_shown.assign(size_t(m_rows), Shown{});
    m_waiting.assign(size_t(m_rows), 0);
    for (int row = 0; row < m_rows; ++row) {
        const QString name = m_accounts->at(row).GetName();
        if (m_rowOf.contains(name))
            m_repeated.insert(name);
        else
            m_rowOf.insert(name, row);
        takeChanges(row);
    }
    endResetModel();
}

int AccountTableModel::rowOf(const QString& name) const
{
    return m_rowOf.value(name, -1);
}

QString AccountTableModel::nameAt(int row) const
{
    if (!m_accounts || row < 0 || row >= m_rows || row >= m_accounts->size())
        return {};
    return m_accounts->at(row).GetName();
}

bool AccountTableModel::hasNewMail(int row) const
{
    return row >= 0 && row < m_rows && m_shown[size_t(row)].mail;
}

int AccountTableModel::findRow(const QString& name)
{
    // A pass starts and ends its checks mostly in list order: the row after
    // the one last changed, and that one, are tried before the names.
    for (const int row : {m_lastRow + 1, m_lastRow}) {
        if (row >= 0 && row < m_rows && m_accounts->at(row).GetName() == name)
            return m_lastRow = row;
    }
    const int row = rowOf(name);
    if (row >= 0 && m_accounts->at(row).GetName() == name)
        return m_lastRow = row;
    return -1;
}

void AccountTableModel::accountChanged(const QString& name)
{
    // Called for every account at each start and end of its check, and for
    // every status between: the row is found by its name, never by walking
    // the list.
    if (!matchesAccounts()) {
        rebuild();
        return;
    }
    const int row = findRow(name);
    if ((row < 0 && m_rowOf.contains(name)) || (row < 0 && m_accounts && m_accounts->find(name))) {
        // Added, removed or renamed behind the table's back.
        rebuild();
        return;
    }
    if (row < 0)
        return; // an account that has left the list, still finishing
    mark(row);
    if (!m_repeated.isEmpty() && m_repeated.contains(name)) {
        for (int other = 0; other < m_rows; ++other) {
            if (m_accounts->at(other).GetName() == name)
                mark(other);
        }
    }
}

void AccountTableModel::allChanged()
{
    if (!matchesAccounts()) {
        rebuild();
        return;
    }
    m_haveTimeText = false;
    m_allChanged = true;
    for (int row = 0; row < m_rows; ++row)
        mark(row);
}

void AccountTableModel::mark(int row)
{
    if (!m_waiting[size_t(row)]) {
        m_waiting[size_t(row)] = 1;
        m_changed.push_back(row);
    }
    if (!m_posted) {
        m_posted = true;
        QMetaObject::invokeMethod(this, &AccountTableModel::announce, Qt::QueuedConnection);
    }
}

unsigned char AccountTableModel::takeChanges(int row)
{
    const server& account = m_accounts->at(row);
    Shown& shown = m_shown[size_t(row)];
    unsigned char changed = 0;
    if (account.NewMail() != shown.mail) {
        shown.mail = account.NewMail();
        changed |= 1u << Mail;
    }
    if (account.IsChecking() != shown.checking || account.checkedOnce() != shown.checkedOnce ||
        account.lastTime() != shown.time || account.lastDate() != shown.date) {
        shown.checking = account.IsChecking();
        shown.checkedOnce = account.checkedOnce();
        shown.time = account.lastTime();
        shown.date = account.lastDate();
        changed |= 1u << Time;
    }
    if (const QString detail = account.GetLastDetail(); detail != shown.detail) {
        shown.detail = detail;
        changed |= 1u << Detail;
    }
    return changed;
}

void AccountTableModel::announce()
{
    m_posted = false;
    if (m_changed.empty())
        return;
    if (!matchesAccounts()) {
        rebuild();
        return;
    }
    // A view told of a change may report another one before this ends.
    std::vector<int>& rows = m_announcing;
    rows.swap(m_changed);
    m_changed.clear();
    const bool everything = std::exchange(m_allChanged, false);
    m_haveTimeText = false;
    std::sort(rows.begin(), rows.end());
    m_columns.resize(rows.size());
    QList<int> turned;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = rows[i];
        m_waiting[size_t(row)] = 0;
        const unsigned char changed = takeChanges(row);
        if (changed & (1u << Mail))
            turned.append(row);
        m_columns[i] = everything ? (1u << Mail | 1u << Time | 1u << Detail) : changed;
    }
    // A row that shows what it showed is not drawn again; of the others,
    // only the cells that changed.
    for (const Column column : {Mail, Time, Detail})
        announceColumn(column, rows, m_columns);
    rows.clear();
    if (!turned.isEmpty())
        Q_EMIT newMailTurned(turned);
}

void AccountTableModel::announceColumn(Column column, const std::vector<int>& rows,
                                       const std::vector<unsigned char>& changed)
{
    const unsigned char bit = 1u << column;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!(changed[i] & bit))
            continue;
        const size_t first = i;
        while (i + 1 < rows.size() && rows[i + 1] == rows[i] + 1 && (changed[i + 1] & bit))
            ++i;
        Q_EMIT dataChanged(index(rows[first], column), index(rows[i], column));
    }
}

} // namespace orvane
