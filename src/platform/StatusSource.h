#pragma once

#include <QList>
#include <QString>

namespace orvane {

/// One account as the status object reports it. Never carries secrets.
struct AccountStatus
{
    QString name;
    QString mail;        ///< "Yes" when the account has new mail, else "No"
    QString lastChecked; ///< as the account table shows it
    QString detail;      ///< the account's status line
};

/// What the notifier tells other programs about the mail, and the two
/// commands it takes from them. The core implements it; the bus object
/// only reads it.
class StatusSource
{
public:
    virtual ~StatusSource() = default;
    virtual qint64 TotalCount() const = 0;
    virtual QString ToolTip() const = 0;
    /// A check pass is under way.
    virtual bool IsChecking() const = 0;
    /// Every account, in list order.
    virtual QList<AccountStatus> Accounts() const = 0;
    /// As the tray menu's "Check All Servers".
    virtual void CheckAll() = 0;
    /// As the tray menu's "Clear Mail Count".
    virtual void ClearAll() = 0;
};

} // namespace orvane
