#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

namespace orvane {

class AccountList;
class MailCore;

/// One account as /Status reports it. Never carries secrets.
struct AccountStatus
{
    QString name;
    QString mail;        ///< "Yes" when the account has new mail, else "No"
    QString lastChecked; ///< as the account table shows it
    QString detail;      ///< the account's status line
};
using AccountStatusList = QList<AccountStatus>;

QDBusArgument& operator<<(QDBusArgument& out, const AccountStatus& account);
const QDBusArgument& operator>>(const QDBusArgument& in, AccountStatus& account);

/// /Status (interface org.orvane.Quorvel.Status): what the notifier tells
/// other programs about the mail, read straight from the check cycle and the
/// account list, and the two commands it takes from them. Served only by the
/// instance that owns the bus name. Its adaptor, generated from
/// dbus/org.orvane.Quorvel.Status.xml, reads these properties and calls these
/// slots by name.
class StatusObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int TotalCount READ TotalCount)
    Q_PROPERTY(QString ToolTip READ ToolTip)
    Q_PROPERTY(bool Checking READ Checking)
    Q_PROPERTY(QStringList FailingAccounts READ FailingAccounts)
public:
    static constexpr const char* kStatusPath = "/Status";

    StatusObject(MailCore& core, const AccountList& accounts, QObject* parent = nullptr);
    ~StatusObject() override;

    /// Registers the object; false (and nothing registered) when this
    /// process does not own org.orvane.Quorvel.
    bool publish();
    bool isPublished() const { return m_published; }

    int TotalCount() const;
    QString ToolTip() const;
    bool Checking() const;
    /// The accounts whose last checks failed, in list order.
    QStringList FailingAccounts() const;

public Q_SLOTS:
    orvane::AccountStatusList Accounts() const;
    /// As the tray menu's "Check All Servers".
    void CheckAll();
    /// As the tray menu's "Clear Mail Count".
    void ClearAll();

Q_SIGNALS:
    /// What the properties show has just changed.
    void Changed();

private:
    MailCore& m_core;
    const AccountList& m_accounts;
    bool m_published = false;
};

} // namespace orvane

Q_DECLARE_METATYPE(orvane::AccountStatus)
